#pragma once

// The dispatch: brings every play type's plan lines up to date with the current formulas of
// the selected lottery, searching a formula first where a play type has none. These compute
// the tables only; checking options, writing the report and the export files are the steps
// the commands take around them.

#include "engine/Engine.h"
#include "engine/PlayType.h"
#include "engine/Search.h"

namespace kestrum {

// The current formula of `type` for the selected lottery (lotteryIndex); a lottery number
// outside 1 to 10 reads and writes nothing.
std::int32_t currentFormula(const Engine& engine, PlayType type);
void setCurrentFormula(Engine& engine, PlayType type, std::int32_t formula);

// For each play type in slot order whose current formula is 0: search formulas 1 to 499 with
// its plan shape and store the best index (0 again when none won a plan). The searches share
// their bet tables.
void fillEmptyFormulas(Engine& engine, const SearchOptions& options = {});

// Backtests the current formula of `type` (0 as formula 0) and copies its lines 0 to 255, up
// to the last non-empty one, into PlanLines[type], and the records of the plans among them
// (with the summary's figures when its line is among them) into PlanRecords[type]. With fewer
// than two stored lines nothing is backtested and both are left as they are.
void recomputePlanLines(Engine& engine, PlayType type);

// Start-up and the first lottery: clears every play type's plan lines, searches the empty
// formulas, recomputes all plan lines.
void fullRecompute(Engine& engine, const SearchOptions& options = {});

// After a search, a typed formula or a new draw: recomputes all plan lines, searching nothing.
void recomputePlans(Engine& engine);

// After a switch to another lottery (which has cleared the plan lines and loaded its draws):
// searches the empty formulas of that lottery, recomputes all plan lines.
void recomputeForLottery(Engine& engine, const SearchOptions& options = {});

} // namespace kestrum
