#pragma once

// The walk of one formula reduced to what a search keeps: the counters and statistics, never
// the text of a line. The history is read once per search into a compact form, so a walk is a
// loop over small integers.

#include "engine/Engine.h"
#include "engine/PlayType.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kestrum {

// What one walk leaves behind.
struct WalkTally {
    std::int32_t hitPlans = 0;
    // Lines the walk would write: one per finished plan, the running plan and the summary.
    std::int32_t lines = 0;
    std::int32_t failed = 0;
    std::int32_t maxHitRun = 0;
    std::int32_t maxMissRun = 0;
    // The seed of the plan still running when the walk ends.
    std::int32_t seedValue = 0;
};

// The bets of every seed of a history for every formula of a range: what the walks of a search
// look up instead of multiplying. Searches of several play types over the same history share
// the tables of the same recipe and codeCount through a BetTableCache.
class BetTable {
public:
    // seeds: the seed values in walk order (the oldest line, then each tested draw).
    BetTable(std::vector<std::int32_t> seeds, BetRecipe recipe, std::int32_t first,
             std::int32_t end, std::int32_t codeCount);

    bool serves(const std::vector<std::int32_t>& seeds, BetRecipe recipe, std::int32_t first,
                std::int32_t end, std::int32_t codeCount) const;

    // The bets, as bits, of formula k (first <= k < end), by seed index.
    const std::uint16_t* row(std::int32_t formula) const {
        return &m_bets[static_cast<std::size_t>(formula - m_first) * m_seeds.size()];
    }

    // Formula ranges up to this wide are tabulated; wider ones make each bet when needed.
    static constexpr std::int32_t kMaxFormulas = 1000;

private:
    std::vector<std::int32_t> m_seeds;
    BetRecipe m_recipe;
    std::int32_t m_first;
    std::int32_t m_end;
    std::int32_t m_codeCount;
    std::vector<std::uint16_t> m_bets; // by formula, then seed index
};

// Bet tables kept for the searches that follow, while the history stays as it is. A cache must
// not outlive a change of the draw history.
class BetTableCache {
public:
    const BetTable& table(const std::vector<std::int32_t>& seeds, BetRecipe recipe,
                          std::int32_t first, std::int32_t end, std::int32_t codeCount);

private:
    std::vector<std::unique_ptr<BetTable>> m_tables;
};

// A stored history as one search reads it: for one play type, the tested digits of every draw as
// a set, and the seeds that the draws give.
class CountingHistory {
public:
    // Reads the lines that a walk from `engine`'s oldest stored line would read, for the
    // formulas first <= k < end and codeCount. The engine must hold at least two lines
    // (walkPossible). Bet tables come from `cache`, or from a cache of its own when none is
    // given.
    CountingHistory(const Engine& engine, PlayType type, std::int32_t first, std::int32_t end,
                    std::int32_t codeCount, BetTableCache* cache = nullptr);
    CountingHistory(const CountingHistory&) = delete;
    CountingHistory& operator=(const CountingHistory&) = delete;

    // The walk of formula k (first <= k < end) with the given planPeriods.
    WalkTally walk(std::int32_t formula, std::int32_t planPeriods) const;

private:
    // Bets is a callable giving the bet of a seed index (0 the oldest line, i + 1 the i-th
    // tested draw).
    template <HitRule rule, typename Bets>
    WalkTally walkWith(const Bets& bets, std::int32_t planPeriods) const;

    std::int32_t m_codeCount;
    HitRule m_hitRule;
    BetRecipe m_recipe;
    // Per seed index: the seed's value (the line's digits read as a number).
    std::vector<std::int32_t> m_seeds;
    // Per tested draw in walk order: one bit per character a bet can hold, digits 0 to 9 and
    // "-" (bit 10); bit 11 stands for an empty digit text, which every bet contains; bit 12
    // for a character that no bet holds.
    std::vector<std::uint16_t> m_picks;
    BetTableCache m_ownCache;
    const BetTable* m_bets = nullptr; // none when the range is too wide to tabulate
};

} // namespace kestrum
