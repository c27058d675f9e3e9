#pragma once

// What plan and search print: the report pane's text or the formula list's rows, and the same
// as JSON (cli/plan.schema.json, cli/search.schema.json).

#include "commands/View.h"
#include "engine/EngineState.h"
#include "stats/WalkForward.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

// The lines 0 to the last non-empty one, each without its line end: the report without its
// footer, one plan line each (the running plan's own CR LF makes no line of its own).
std::vector<std::string> reportPlanLines(const TextSlots& planLines);

// The lottery and the draws that the plans were computed from.
struct DrawsShown {
    std::int32_t lottery = 1;
    // The draw lines stored, and the newest of them.
    std::int32_t count = 0;
    std::string newest;
};

// The report pane's text with every CR LF as LF: one play type's report alone; several, each
// after a line "# 后一 (h1)" and apart by a blank line.
std::string planText(const PlanSnapshot& plans, const std::vector<PlayType>& types,
                     std::string_view siteUrl);

// A play type's plans beside chance (stats/FormulaLuck.h): the chance accuracy in percent, the
// probability that chance wins as many of its plans, and the share of random histories whose
// searched best formula reaches its 准确率.
struct ChanceFigures {
    double chanceAccuracy = 0.0;
    double pValue = 1.0;
    double bestOfSearchP = 1.0;
};
using ChanceFiguresTable = std::array<ChanceFigures, kPlayTypeCount>;

std::string planJson(const DrawsShown& draws, const PlanSnapshot& plans,
                     const std::vector<PlayType>& types, const ChanceFiguresTable& chance);

// The formula list: a header line and the thirty rows, tab-separated, then "最佳公式: 007".
std::string searchText(const CandidateRows& candidates, std::int32_t best);

// chanceAccuracy[row]: the chance accuracy of the row's formula's plans, in percent.
std::string searchJson(const DrawsShown& draws, PlayType type, PlanShape shape,
                       const CandidateRows& candidates, std::int32_t best,
                       const std::array<double, kCandidateRows>& chanceAccuracy);

// The method replayed over a history: a header line and a row per play type, tab-separated.
std::string evaluateText(std::int32_t lottery, const Evaluation& evaluation);
std::string evaluateJson(std::int32_t lottery, const Evaluation& evaluation);

// Every CR LF of text as LF.
std::string withLineFeeds(std::string_view text);

} // namespace kestrum::cli
