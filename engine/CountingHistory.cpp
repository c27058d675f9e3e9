#include "engine/CountingHistory.h"

#include "base/Text.h"
#include "base/WrappingInt.h"
#include "engine/DrawPicks.h"
#include "engine/WalkRuns.h"

#include <string_view>

namespace kestrum {

CountingHistory::CountingHistory(const Engine& engine, PlayType type, std::int32_t first,
                                 std::int32_t end, std::int32_t codeCount, BetTableCache* cache)
    : m_codeCount(codeCount), m_hitRule(playTypeInfo(type).hitRule),
      m_recipe(playTypeInfo(type).recipe) {
    const PlayTypeInfo& info = playTypeInfo(type);
    const std::int32_t oldest = engine.oldestIndex;
    m_seeds.push_back(
        leadingDecimal(digitsOf(engine.DrawHistory[static_cast<std::size_t>(oldest)])));
    // The slot after the seed takes no part; the walk tests oldest − 2 down to 0.
    for (std::int32_t slot = oldest - 2; slot >= 0; --slot) {
        const std::string digits = digitsOf(engine.DrawHistory[static_cast<std::size_t>(slot)]);
        m_picks.push_back(drawPicks(info, digits));
        m_seeds.push_back(leadingDecimal(digits));
    }

    const std::int64_t formulas = std::int64_t{end} - first;
    if (formulas > 0 && formulas <= BetTable::kMaxFormulas) {
        BetTableCache& tables = cache != nullptr ? *cache : m_ownCache;
        m_bets = &tables.table(m_seeds, m_recipe, first, end, codeCount);
    }
}

WalkTally CountingHistory::walk(std::int32_t formula, std::int32_t planPeriods) const {
    const bool every = m_hitRule == HitRule::All;
    if (m_bets != nullptr) {
        const std::uint16_t* row = m_bets->row(formula);
        auto bets = [row](std::size_t seedIndex) { return row[seedIndex]; };
        return every ? walkWith<HitRule::All>(bets, planPeriods)
                     : walkWith<HitRule::Any>(bets, planPeriods);
    }
    auto bets = [this, formula](std::size_t seedIndex) {
        return BetTable::bet(m_recipe, wrapMul(m_seeds[seedIndex], formula), m_codeCount);
    };
    return every ? walkWith<HitRule::All>(bets, planPeriods)
                 : walkWith<HitRule::Any>(bets, planPeriods);
}

template <HitRule rule, typename Bets>
WalkTally CountingHistory::walkWith(const Bets& bets, std::int32_t planPeriods) const {
    // The counters stay below the number of stored draws, so plain arithmetic cannot overflow.
    WalkTally tally;
    std::size_t seedIndex = 0;
    std::uint16_t currentBet = bets(0);
    std::int32_t played = 0;
    WalkRuns runs;
    std::int32_t closed = 0;

    for (std::size_t i = 0; i < m_picks.size(); ++i) {
        const std::uint16_t picks = m_picks[i];
        if (picksHit(rule, picks, currentBet)) {
            runs.hit();
            played = 0;
            ++tally.hitPlans;
        } else {
            runs.miss();
            ++played;
            if (played != planPeriods) {
                continue;
            }
            played = 0;
            ++tally.failed;
        }
        // The draw that ended the plan seeds the next one.
        ++closed;
        seedIndex = i + 1;
        currentBet = bets(seedIndex);
    }
    tally.lines = closed + 2;
    tally.maxHitRun = runs.maxHitRun;
    tally.maxMissRun = runs.maxMissRun;
    tally.seedValue = m_seeds[seedIndex];
    return tally;
}

} // namespace kestrum
