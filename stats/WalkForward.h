#pragma once

// The tool's own method replayed over a long history, as a user who followed it would have
// played: at each step the formula is the one the search keeps over the `window` newest draws
// so far; the plan it makes from the newest draw is played on the draws after it, and the draw
// that ends that plan (won or failed) is the newest draw of the next step. A step whose search
// keeps no formula moves on one draw. Every step reads only draws up to its own newest one.

#include "engine/DispatchTables.h"
#include "engine/PlayType.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace kestrum {

inline constexpr std::int32_t kEvaluationWindow = 30;

struct PlayToEvaluate {
    PlayType type = PlayType::Hou1;
    PlanShape shape;
};

struct EvaluationRequest {
    // The draw lines oldest first, as the store holds each line (period code, blank, digits).
    std::span<const std::string> lines;
    // Draws a search sees: at least 2.
    std::int32_t window = kEvaluationWindow;
    std::vector<PlayToEvaluate> plays;
    // Threads to spread the play types over; 0 (or less): as many as the machine has cores.
    // Play types whose searches make the same bets (the same recipe and 码数) walk together on
    // one thread, each draw's bets made once for them.
    std::int32_t threads = 0;
};

// One step, for a caller that wants to see the walk.
struct EvaluationStep {
    // The index (in `lines`) of the step's newest draw.
    std::int32_t newest = 0;
    // The formula the search kept; 0 when it kept none.
    std::int32_t formula = 0;
    // Its 准确率 over the window, 0 to 100.
    float inSampleAccuracy = 0.0f;
    // The plan's bet, as the plan line would show it.
    std::string bet;
    // The index of the draw that ended the plan; −1 when the history ended first.
    std::int32_t end = -1;
    bool won = false;
};

struct OutOfSampleRecord {
    std::int32_t wins = 0;
    std::int32_t losses = 0;
    // wins / (wins + losses) in percent, with its 95 % Wilson interval; all 0 without a plan.
    double accuracy = 0.0;
    double low = 0.0;
    double high = 0.0;
    std::int32_t longestLosingRun = 0;
};

struct PlayEvaluation {
    PlayType type = PlayType::Hou1;
    PlanShape shape;
    // Searches made.
    std::int32_t steps = 0;
    // The mean 准确率 of the kept formulas over their own windows, at the steps whose plan
    // ended, in percent.
    double inSampleAccuracy = 0.0;
    // The mean chance of the plans played that ended (planWinChance), in percent.
    double chanceAccuracy = 0.0;
    OutOfSampleRecord outOfSample;
    // Every step, when the request asked for them (evaluateWalkForward's `steps`).
    std::vector<EvaluationStep> walk;
};

struct Evaluation {
    std::int32_t draws = 0;
    std::int32_t window = 0;
    std::vector<PlayEvaluation> plays;
};

// Called from the working threads, one call at a time: play types finished of the total.
using EvaluationProgress = std::function<void(std::int32_t done, std::int32_t total)>;

// Replays the method for every play of the request. `keepSteps` keeps every step's record in
// PlayEvaluation::walk. `cancel`, when set, ends the work early (the result is then partial).
Evaluation evaluateWalkForward(const EvaluationRequest& request, bool keepSteps = false,
                               const EvaluationProgress& progress = {},
                               const std::atomic<bool>* cancel = nullptr);

} // namespace kestrum
