#pragma once

// The JSON that kestrum-cli prints and the web interface answers with, from one writer: the
// plans of a lottery's play types, a search's candidates and the method replayed over a
// history (cli/plan.schema.json, cli/search.schema.json, cli/evaluate.schema.json).

#include "commands/View.h"
#include "engine/EngineState.h"
#include "stats/WalkForward.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum {

// The lottery and the draws that the plans were computed from.
struct DrawsShown {
    std::int32_t lottery = 1;
    // The draw lines stored, and the newest of them.
    std::int32_t count = 0;
    std::string newest;
};

// A play type's plans beside chance (stats/FormulaLuck.h): the chance accuracy in percent, the
// probability that chance wins as many of its plans, and the share of random histories whose
// searched best formula reaches its 准确率.
struct ChanceFigures {
    double chanceAccuracy = 0.0;
    double pValue = 1.0;
    double bestOfSearchP = 1.0;
};
using ChanceFiguresTable = std::array<ChanceFigures, kPlayTypeCount>;

// The lines 0 to the last non-empty one, each without its line end: the report without its
// footer, one plan line each (the running plan's own CR LF makes no line of its own).
std::vector<std::string> reportPlanLines(const TextSlots& planLines);

std::string planJson(const DrawsShown& draws, const PlanSnapshot& plans,
                     const std::vector<PlayType>& types, const ChanceFiguresTable& chance);

// chanceAccuracy[row]: the chance accuracy of the row's formula's plans, in percent.
std::string searchJson(const DrawsShown& draws, PlayType type, PlanShape shape,
                       const CandidateRows& candidates, std::int32_t best,
                       const std::array<double, kCandidateRows>& chanceAccuracy);

std::string evaluateJson(std::int32_t lottery, const Evaluation& evaluation);

} // namespace kestrum
