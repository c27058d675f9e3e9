#include "engine/FormulaAccuracy.h"

#include "engine/Backtest.h"
#include "engine/Search.h"

#include <memory>

namespace kestrum {

FormulaAccuracies formulaAccuracies(const DrawStore& draws, PlayType type, PlanShape shape,
                                    std::int32_t current) {
    // On the heap: an engine holds every plan table.
    auto scratch = std::make_unique<Engine>();
    static_cast<DrawStore&>(*scratch) = draws;
    const FormulaRange range = searchedFormulas(type);
    FormulaAccuracies result;
    result.first = range.first;
    if (!walkPossible(*scratch)) {
        return result;
    }
    auto accuracyOf = [&](std::int32_t formula) {
        runBacktest(*scratch, type, formula, shape.planPeriods, shape.codeCount);
        return scratch->lastStats.accuracy;
    };
    for (std::int32_t k = range.first; k < range.end; ++k) {
        result.accuracy.push_back(accuracyOf(k));
    }
    result.current = accuracyOf(current);
    return result;
}

} // namespace kestrum
