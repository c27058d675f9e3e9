#include "engine/Search.h"

#include "base/WrappingInt.h"
#include "engine/Backtest.h"
#include "engine/BetTableCache.h"
#include "engine/CandidateAdmission.h"
#include "engine/CountingHistory.h"
#include "engine/DispatchTables.h"
#include "engine/Formula.h"

#include <optional>
#include <vector>

namespace kestrum {

namespace {

// Histories this long could write past the carried lines; the counting search leaves those
// lines to the literal walk, which writes them exactly.
constexpr std::int32_t kCountingHistoryLimit = kCarriedPlanLines - 2;

} // namespace

FormulaRange searchedFormulas(PlayType type) {
    return type == PlayType::WuXingAny ? FormulaRange{kFormulaFirst, kFiveStarFormulaEnd}
                                       : FormulaRange{kFormulaFirst, kFormulaEnd};
}

void prepareSearchBets(const Engine& engine, std::span<const PlannedSearch> searches,
                       SearchMode mode, BetTableCache& bets) {
    if (mode != SearchMode::Counting || !walkPossible(engine) ||
        engine.oldestIndex >= kCountingHistoryLimit || searches.empty()) {
        return;
    }
    std::vector<BetTableKind> kinds;
    for (const PlannedSearch& search : searches) {
        const FormulaRange range = searchedFormulas(search.type);
        kinds.push_back(
            {playTypeInfo(search.type).recipe, range.first, range.end, search.codeCount});
    }
    bets.prepare(CountingHistory::seedsOf(engine), kinds);
}

std::int32_t searchFormulas(Engine& engine, PlayType type, std::int32_t first, std::int32_t end,
                            std::int32_t planPeriods, std::int32_t codeCount,
                            const SearchOptions& options) {
    if (type == PlayType::WuXingAny) {
        first = searchedFormulas(type).first;
        end = searchedFormulas(type).end;
    }
    CandidateAdmission admission(engine.CandidateTable);
    float best = 0.0f;
    std::int32_t bestIndex = 0;
    const std::int32_t total = end > first ? wrapSub(end, first) : 0;

    if (walkPossible(engine)) {
        const std::int32_t start = engine.oldestIndex;
        const bool counting = options.mode == SearchMode::Counting && start < kCountingHistoryLimit;
        std::optional<CountingHistory> history;
        if (counting) {
            history.emplace(engine, type, first, end, codeCount, options.bets);
        }
        std::vector<WalkTally> tallies;
        if (counting) {
            tallies = history->walkAll(planPeriods);
        }
        std::optional<WalkTally> lastTally;
        for (std::int32_t k = first; k < end; ++k) {
            float score = 0.0f;
            if (counting) {
                lastTally = tallies[static_cast<std::size_t>(wrapSub(k, first))];
                score = static_cast<float>(lastTally->hitPlans);
                engine.lastStats = {score, walkAccuracy(lastTally->lines, lastTally->failed),
                                    lastTally->maxHitRun, lastTally->maxMissRun};
            } else {
                score = runBacktest(engine, type, k, planPeriods, codeCount).value_or(0.0f);
            }
            if (score > best) {
                best = score;
                bestIndex = k;
            }
            admission.consider(k, engine.lastStats, score);
            if (options.progress) {
                options.progress({type, wrapAdd(wrapSub(k, first), 1), total});
            }
        }
        if (lastTally) {
            // The state the last literal walk would have left.
            engine.drawCursor = start;
            readSeed(engine);
            if (start > 1) {
                engine.currentDigits = digitsOf(engine.DrawHistory[0]);
            }
            engine.drawCursor = 0;
            engine.seedValue = lastTally->seedValue;
            engine.scratchLineCount = lastTally->lines;
            engine.hitPlanCount = 0;
        }
    }

    for (std::int32_t i = 0; i < kCarriedPlanLines; ++i) {
        engine.ScratchLines[static_cast<std::size_t>(i)].clear();
    }
    return bestIndex;
}

} // namespace kestrum
