#include "stats/FormulaLuck.h"

#include "engine/Backtest.h"
#include "engine/Engine.h"

#include <memory>

namespace kestrum {

FormulaChance formulaChance(const DrawStore& draws, PlayType type, PlanShape shape,
                            std::int32_t formula) {
    // On the heap: an engine holds every plan table.
    auto scratch = std::make_unique<Engine>();
    static_cast<DrawStore&>(*scratch) = draws;
    FormulaChance result;
    if (!runBacktest(*scratch, type, formula, shape.planPeriods, shape.codeCount)) {
        return result;
    }
    result.accuracy = scratch->lastStats.accuracy;
    result.chance = chanceOfPlans(type, scratch->ScratchPlans, shape.planPeriods);
    return result;
}

std::array<double, kCandidateRows> candidateChances(const DrawStore& draws, PlayType type,
                                                    PlanShape shape,
                                                    const CandidateRows& candidates) {
    std::array<double, kCandidateRows> chance{};
    for (std::size_t row = 0; row < kCandidateRows; ++row) {
        if (candidates.formula[row] != 0) {
            chance[row] =
                formulaChance(draws, type, shape, candidates.formula[row]).chance.chanceAccuracy;
        }
    }
    return chance;
}

FormulaLuck formulaLuck(const DrawStore& draws, PlayType type, PlanShape shape,
                        std::int32_t formula, const std::atomic<bool>* cancel) {
    FormulaLuck result;
    result.formula = formulaChance(draws, type, shape, formula);
    if (!walkPossible(draws)) {
        return result;
    }
    SearchLuckRequest request;
    request.type = type;
    request.shape = shape;
    request.drawCount = draws.oldestIndex + 1;
    result.luck = simulateSearchLuck(request, cancel);
    result.bestOfSearchP = bestOfSearchP(result.luck, result.formula.accuracy);
    return result;
}

std::vector<std::string> storedLinesOldestFirst(const DrawStore& draws) {
    std::vector<std::string> lines;
    for (std::int32_t slot = draws.oldestIndex; slot >= 0; --slot) {
        lines.push_back(draws.DrawHistory[static_cast<std::size_t>(slot)]);
    }
    return lines;
}

} // namespace kestrum
