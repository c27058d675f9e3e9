#pragma once

// The record that the engine operations share: the seed and the draw now read, the lines of the
// backtest now running, its counters and statistics, and the candidates of the last search.

#include "draws/DrawStore.h"
#include "engine/PlanRecord.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kestrum {

inline constexpr std::int32_t kCandidateRows = 30;

// The result of one backtest of one formula.
struct BacktestStats {
    // Plans won during the walk; also the backtest's result. A whole number.
    float hitPlans = 0.0f;
    // (lines − 1) × 100 / (lines + failed − 1) with the summary counted, integer division: a
    // whole number from 0 to 100, exactly 100 when no plan failed.
    float accuracy = 0.0f;
    // Longest run of won plans, as the walk counts it (shown as 最大连对).
    std::int32_t maxHitRun = 0;
    // Longest run of missed draws that a hit ended (shown as 最大连错).
    std::int32_t maxMissRun = 0;
};

// Thirty rows of the formulas a search kept, as five parallel columns. A row never written by
// the last search holds zeros.
struct CandidateRows {
    std::array<std::int32_t, kCandidateRows> formula{};
    std::array<std::int32_t, kCandidateRows> maxHitRun{};
    std::array<std::int32_t, kCandidateRows> maxMissRun{};
    std::array<float, kCandidateRows> accuracy{};
    std::array<std::int32_t, kCandidateRows> hitPlans{};

    bool operator==(const CandidateRows&) const = default;
};

struct EngineState {
    // The drawn digits last read (the seed, then each tested draw): five digits, no commas.
    std::string currentDigits;
    // The seed of the plan now running, its digits read as one number (01234 gives 1234).
    std::int32_t seedValue = 0;
    // The period number of the seed draw.
    std::int32_t seedPeriod = 0;
    // The lines of the backtest now running, one per slot from slot 0.
    TextSlots ScratchLines;
    // One past the last line written; the backtest's caller sets it to 0.
    std::int32_t scratchLineCount = 0;
    // The plans of the last backtest, one per plan line it wrote and in the same order (the
    // running plan last), also for lines past the last slot that were counted, not stored.
    // Each backtest starts it afresh.
    std::vector<PlanRecord> ScratchPlans;
    // The figures of the last backtest's summary line.
    WalkSummary lastSummary;
    // Plans won so far by the backtest now running; back at 0 when it ends.
    std::int32_t hitPlanCount = 0;
    BacktestStats lastStats;
    CandidateRows CandidateTable;
};

} // namespace kestrum
