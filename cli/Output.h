#pragma once

// What plan, search and evaluate print as text: the report pane's text, the formula list's rows,
// the method's record per play type. Their JSON comes from report/PlanJson.h.

#include "commands/View.h"
#include "engine/EngineState.h"
#include "report/PlanJson.h"
#include "stats/WalkForward.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

// The report pane's text with every CR LF as LF: one play type's report alone; several, each
// after a line "# 后一 (h1)" and apart by a blank line.
std::string planText(const PlanSnapshot& plans, const std::vector<PlayType>& types,
                     std::string_view siteUrl);

// The formula list: a header line and the thirty rows, tab-separated, then "最佳公式: 007".
std::string searchText(const CandidateRows& candidates, std::int32_t best);

// The method replayed over a history: a header line and a row per play type, tab-separated.
std::string evaluateText(std::int32_t lottery, const Evaluation& evaluation);

// Every CR LF of text as LF.
std::string withLineFeeds(std::string_view text);

} // namespace kestrum::cli
