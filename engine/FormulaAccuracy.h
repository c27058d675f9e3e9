#pragma once

// How accurate every formula of a play type would have been over the stored draws, so that the
// formula in use can be set beside the others. Each figure is the backtest's own accuracy, the
// 准确率 of the formula list.

#include "draws/DrawStore.h"
#include "engine/DispatchTables.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <vector>

namespace kestrum {

struct FormulaAccuracies {
    // The formula of accuracy[0]; accuracy[i] belongs to formula first + i.
    std::int32_t first = 0;
    // BacktestStats::accuracy of each formula: a whole number from 0 to 100. Empty when no
    // walk can run (fewer than two stored lines).
    std::vector<float> accuracy;
    // The accuracy of the formula in use, which may lie outside the range; 0 when no walk can
    // run.
    float current = 0.0f;
};

// Backtests the formulas that a search of `type` tries (searchedFormulas) and `current`, with
// `shape`, over the draws of `draws`. The walks run on a copy of the draws: nothing of the
// caller's engine changes, neither its formulas and plan lines nor its draw cursor, so that it
// may run between any two commands.
FormulaAccuracies formulaAccuracies(const DrawStore& draws, PlayType type, PlanShape shape,
                                    std::int32_t current);

} // namespace kestrum
