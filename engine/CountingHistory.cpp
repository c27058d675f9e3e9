#include "engine/CountingHistory.h"

#include "base/Text.h"
#include "base/WrappingInt.h"
#include "engine/DrawPicks.h"
#include "engine/WalkRuns.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace kestrum {

namespace {

// Formulas walked side by side: eight 16-bit lanes of a vector register, which every processor
// of the platform has (GCC's and Clang's vector extension).
using Lanes = std::int16_t __attribute__((vector_size(16)));
constexpr std::size_t kLanes = 8;
static_assert(BetTable::kRowAlignment % kLanes == 0);

Lanes loadLanes(const std::uint16_t* bets) {
    Lanes lanes;
    std::memcpy(&lanes, bets, sizeof lanes);
    return lanes;
}

} // namespace

CountingHistory::CountingHistory(const Engine& engine, PlayType type, std::int32_t first,
                                 std::int32_t end, std::int32_t codeCount, BetTableCache* cache)
    : m_codeCount(codeCount), m_hitRule(playTypeInfo(type).hitRule),
      m_recipe(playTypeInfo(type).recipe), m_first(first), m_end(end) {
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
        m_bets = &tables.table(m_seeds, {m_recipe, first, end, codeCount});
    }
}

std::vector<std::int32_t> CountingHistory::seedsOf(const Engine& engine) {
    std::vector<std::int32_t> seeds;
    const std::int32_t oldest = engine.oldestIndex;
    seeds.push_back(leadingDecimal(digitsOf(engine.DrawHistory[static_cast<std::size_t>(oldest)])));
    for (std::int32_t slot = oldest - 2; slot >= 0; --slot) {
        seeds.push_back(
            leadingDecimal(digitsOf(engine.DrawHistory[static_cast<std::size_t>(slot)])));
    }
    return seeds;
}

WalkTally CountingHistory::walk(std::int32_t formula, std::int32_t planPeriods) const {
    const bool every = m_hitRule == HitRule::All;
    if (m_bets != nullptr) {
        const auto column = static_cast<std::size_t>(formula - m_first);
        auto bets = [this, column](std::size_t seedIndex) {
            return m_bets->seedRow(seedIndex)[column];
        };
        return every ? walkWith<HitRule::All>(bets, planPeriods)
                     : walkWith<HitRule::Any>(bets, planPeriods);
    }
    auto bets = [this, formula](std::size_t seedIndex) {
        return BetTable::bet(m_recipe, wrapMul(m_seeds[seedIndex], formula), m_codeCount);
    };
    return every ? walkWith<HitRule::All>(bets, planPeriods)
                 : walkWith<HitRule::Any>(bets, planPeriods);
}

std::vector<WalkTally> CountingHistory::walkAll(std::int32_t planPeriods) const {
    const std::size_t formulas = m_end > m_first ? static_cast<std::size_t>(m_end - m_first) : 0;
    std::vector<WalkTally> tallies(formulas);
    if (m_bets == nullptr) {
        for (std::size_t i = 0; i < formulas; ++i) {
            tallies[i] = walk(m_first + static_cast<std::int32_t>(i), planPeriods);
        }
        return tallies;
    }
    // The table's rows are whole blocks long; the walks of a last block's empty bets are not
    // kept.
    std::vector<WalkTally> block(kLanes);
    for (std::size_t column = 0; column < formulas; column += kLanes) {
        if (m_hitRule == HitRule::All) {
            walkBlock<HitRule::All>(column, planPeriods, block.data());
        } else {
            walkBlock<HitRule::Any>(column, planPeriods, block.data());
        }
        std::copy_n(block.begin(), std::min(kLanes, formulas - column),
                    tallies.begin() + static_cast<std::ptrdiff_t>(column));
    }
    return tallies;
}

template <HitRule rule>
void CountingHistory::walkBlock(std::size_t column, std::int32_t planPeriods,
                                WalkTally* tallies) const {
    // One lane per formula, every step the same vector operations on all lanes, with the
    // decisions as masks (all bits set for yes). The counters stay below the number of stored
    // draws (under 300), so 16 bits hold them; a planPeriods that no count of draws reaches never
    // fails a plan.
    const auto failAt = static_cast<std::int16_t>(
        planPeriods > 0 && planPeriods < kHistorySlots ? planPeriods : -1);
    const Lanes none{};
    const Lanes one = none + 1;
    Lanes bet = loadLanes(m_bets->seedRow(0) + column);
    Lanes played{};
    Lanes seedIndex{};
    Lanes hitPlans{};
    Lanes failed{};
    Lanes hitRun{};
    Lanes missRun{};
    Lanes maxHitRun{};
    Lanes maxMissRun{};

    for (std::size_t i = 0; i < m_picks.size(); ++i) {
        const Lanes picks = none + static_cast<std::int16_t>(m_picks[i]);
        const Lanes hit =
            rule == HitRule::All ? Lanes((picks & ~bet) == none) : Lanes((picks & bet) != none);
        const Lanes miss = ~hit;
        // The runs as WalkRuns keeps them: a hit ends a run of misses, and only a miss that
        // beats the record ends a run of won plans.
        const Lanes beaten = miss & Lanes(hitRun > maxHitRun);
        const Lanes endedMisses = missRun & hit;
        maxMissRun = maxMissRun > endedMisses ? maxMissRun : endedMisses;
        missRun = (missRun + one) & miss;
        maxHitRun = (hitRun & beaten) | (maxHitRun & ~beaten);
        hitRun = ((hitRun + one) & hit) | (hitRun & miss & ~beaten);
        const Lanes draws = (played + one) & miss;
        const Lanes fails = miss & Lanes(draws == failAt);
        const Lanes ended = hit | fails;
        played = draws & ~ended;
        hitPlans -= hit;
        failed -= fails;
        // The draw that ends a plan seeds the next one; seed indexes only grow.
        const Lanes next = loadLanes(m_bets->seedRow(i + 1) + column);
        const Lanes ending = (none + static_cast<std::int16_t>(i + 1)) & ended;
        seedIndex = seedIndex > ending ? seedIndex : ending;
        bet = (next & ended) | (bet & ~ended);
    }
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
        WalkTally& tally = tallies[lane];
        tally.hitPlans = hitPlans[lane];
        // A plan closed is won or failed.
        tally.lines = hitPlans[lane] + failed[lane] + 2;
        tally.failed = failed[lane];
        tally.maxHitRun = maxHitRun[lane];
        tally.maxMissRun = maxMissRun[lane];
        tally.seedValue = m_seeds[static_cast<std::size_t>(seedIndex[lane])];
    }
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
