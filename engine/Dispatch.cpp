#include "engine/Dispatch.h"

#include "engine/Backtest.h"
#include "engine/BetTableCache.h"
#include "engine/Formula.h"

#include <algorithm>

namespace kestrum {

namespace {

bool lotteryInTable(const Engine& engine) {
    return engine.lotteryIndex >= 1 && engine.lotteryIndex <= kLotteryCount;
}

void clearLines(TextSlots& lines, std::int32_t count) {
    for (std::int32_t i = 0; i < count; ++i) {
        lines[static_cast<std::size_t>(i)].clear();
    }
}

// Records exist only for lines 0 to 255, which every clearing of the plan lines reaches.
void clearRecords(Engine& engine) {
    for (PlanRecordSet& records : engine.PlanRecords) {
        records = {};
    }
}

void recomputeAllPlanLines(Engine& engine) {
    for (PlayType type : allPlayTypes()) {
        recomputePlanLines(engine, type);
    }
}

} // namespace

std::int32_t currentFormula(const Engine& engine, PlayType type) {
    if (!lotteryInTable(engine)) {
        return 0;
    }
    return engine.CurrentFormulaTable[static_cast<std::size_t>(engine.lotteryIndex)][slotOf(type)];
}

void setCurrentFormula(Engine& engine, PlayType type, std::int32_t formula) {
    if (lotteryInTable(engine)) {
        engine.CurrentFormulaTable[static_cast<std::size_t>(engine.lotteryIndex)][slotOf(type)] =
            formula;
    }
}

void fillEmptyFormulas(Engine& engine, const SearchOptions& options) {
    BetTableCache bets;
    SearchOptions shared = options;
    if (shared.bets == nullptr) {
        shared.bets = &bets;
    }
    // The searches' bet tables, made together.
    std::vector<PlannedSearch> planned;
    for (PlayType type : allPlayTypes()) {
        if (currentFormula(engine, type) == 0) {
            planned.push_back({type, engine.PlanParams[slotOf(type)].codeCount});
        }
    }
    prepareSearchBets(engine, planned, shared.mode, *shared.bets);
    for (PlayType type : allPlayTypes()) {
        if (currentFormula(engine, type) != 0) {
            continue;
        }
        const PlanShape shape = engine.PlanParams[slotOf(type)];
        setCurrentFormula(engine, type,
                          searchFormulas(engine, type, kFormulaFirst, kFormulaEnd,
                                         shape.planPeriods, shape.codeCount, shared));
    }
}

void recomputePlanLines(Engine& engine, PlayType type) {
    clearLines(engine.ScratchLines, kCarriedPlanLines);
    if (!walkPossible(engine)) {
        return;
    }
    const PlanShape shape = engine.PlanParams[slotOf(type)];
    runBacktest(engine, type, currentFormula(engine, type), shape.planPeriods, shape.codeCount);

    // Line 0 is carried even when empty, so that a walk that wrote nothing leaves no line of
    // the previous plans.
    const std::int32_t last = std::max(lastPlanLine(engine.ScratchLines), 0);
    TextSlots& lines = engine.PlanLines[slotOf(type)];
    for (std::int32_t i = 0; i <= last; ++i) {
        lines[static_cast<std::size_t>(i)] = engine.ScratchLines[static_cast<std::size_t>(i)];
    }
    // The walk wrote its plans' lines from slot 0, the summary line after them.
    PlanRecordSet& records = engine.PlanRecords[slotOf(type)];
    const std::size_t plans = engine.ScratchPlans.size();
    const std::size_t carried = std::min(plans, static_cast<std::size_t>(last) + 1);
    records.plans.assign(engine.ScratchPlans.begin(),
                         engine.ScratchPlans.begin() + static_cast<std::ptrdiff_t>(carried));
    records.summary.reset();
    if (plans < static_cast<std::size_t>(kCarriedPlanLines)) {
        records.summary = engine.lastSummary;
    }
}

void fullRecompute(Engine& engine, const SearchOptions& options) {
    for (TextSlots& lines : engine.PlanLines) {
        clearLines(lines, kFullRecomputeClearedLines);
    }
    clearRecords(engine);
    clearLines(engine.ScratchLines, kFullRecomputeClearedLines);
    fillEmptyFormulas(engine, options);
    recomputeAllPlanLines(engine);
}

void recomputePlans(Engine& engine) {
    for (TextSlots& lines : engine.PlanLines) {
        clearLines(lines, kRecomputeClearedPlanLines);
    }
    clearRecords(engine);
    clearLines(engine.ScratchLines, kCarriedPlanLines);
    recomputeAllPlanLines(engine);
}

void recomputeForLottery(Engine& engine, const SearchOptions& options) {
    fillEmptyFormulas(engine, options);
    recomputeAllPlanLines(engine);
}

} // namespace kestrum
