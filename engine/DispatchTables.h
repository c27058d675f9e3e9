#pragma once

// The per-play-type settings and tables that tie the engine together: the plan shape of every
// play type, the current formula of every lottery and play type, the plan lines that the
// report shows, and the promotional text that ends every export file.

#include "draws/DrawStore.h"
#include "engine/PlanRecord.h"
#include "engine/PlayType.h"

#include <array>
#include <cstdint>
#include <string>

namespace kestrum {

inline constexpr std::int32_t kLotteryCount = 10;
// Lines 0 to 255 of a backtest are carried into PlanLines.
inline constexpr std::int32_t kCarriedPlanLines = 256;
// The lines of every PlanLines table, and of ScratchLines, that fullRecompute empties: 0 to 295.
inline constexpr std::int32_t kFullRecomputeClearedLines = 296;
// The lines of every PlanLines table that recomputePlans empties: 0 to 259.
inline constexpr std::int32_t kRecomputeClearedPlanLines = 260;

// How one play type plans: 期数 and 码数.
struct PlanShape {
    // Consecutive draws one plan runs; a plan whose draws all miss fails. 0 or less: no plan
    // ever fails.
    std::int32_t planPeriods = 0;
    // Digits a plan bets on; 0 or less bets nothing, 10 or more bets all ten.
    std::int32_t codeCount = 0;

    bool operator==(const PlanShape&) const = default;
};

using PlanParamsTable = std::array<PlanShape, kPlayTypeCount>;
// Rows are the lottery numbers 1 to 10 (row 0 is never used), columns the play types by slot.
// 0 means that the pair has no formula yet.
using FormulaTable = std::array<std::array<std::int32_t, kPlayTypeCount>, kLotteryCount + 1>;
using PlanLinesTable = std::array<TextSlots, kPlayTypeCount>;
using PlanRecordsTable = std::array<PlanRecordSet, kPlayTypeCount>;

// The start values of every play type's plan shape.
PlanParamsTable defaultPlanParams();

// The highest of lines 0 to 255 that is not empty; −1 when all of them are empty. What the plan
// report shows and the export files take ends there.
std::int32_t lastPlanLine(const TextSlots& lines);

struct DispatchTables {
    PlanParamsTable PlanParams = defaultPlanParams();
    FormulaTable CurrentFormulaTable{};
    // Per play type the lines of its last backtest with the current formula: finished plans
    // oldest first, the running plan (ending in CR LF), the summary line.
    PlanLinesTable PlanLines;
    // Per play type the records of the plans whose lines PlanLines carries (record i is the
    // plan of line i), and the summary's figures when its line is carried. Emptied wherever
    // PlanLines is emptied.
    PlanRecordsTable PlanRecords;
    // Ends every export file; empty until the promotional line is fetched, then it begins
    // with CR LF.
    std::string PromoText;
};

} // namespace kestrum
