#pragma once

// The walk of one formula reduced to what a search keeps: the counters and statistics, never
// the text of a line. The history is read once per search into a compact form, so a walk is a
// loop over small integers.

#include "engine/BetTable.h"
#include "engine/BetTableCache.h"
#include "engine/Engine.h"
#include "engine/PlayType.h"

#include <cstdint>
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

    // The seeds that a walk from `engine`'s oldest stored line reads (the oldest line, then each
    // tested draw): what its bet table is made from.
    static std::vector<std::int32_t> seedsOf(const Engine& engine);

    // The walk of formula k (first <= k < end) with the given planPeriods.
    WalkTally walk(std::int32_t formula, std::int32_t planPeriods) const;

    // The walks of every formula first <= k < end, in that order: the same tallies as walk()
    // gives one by one, made side by side in blocks of formulas.
    std::vector<WalkTally> walkAll(std::int32_t planPeriods) const;

private:
    // Bets is a callable giving the bet of a seed index (0 the oldest line, i + 1 the i-th
    // tested draw).
    template <HitRule rule, typename Bets>
    WalkTally walkWith(const Bets& bets, std::int32_t planPeriods) const;
    // The walks of the block of formulas from column `column` of the bet table.
    template <HitRule rule>
    void walkBlock(std::size_t column, std::int32_t planPeriods, WalkTally* tallies) const;

    std::int32_t m_codeCount;
    HitRule m_hitRule;
    BetRecipe m_recipe;
    // Per seed index: the seed's value (the line's digits read as a number).
    std::vector<std::int32_t> m_seeds;
    // Per tested draw in walk order: one bit per character a bet can hold, digits 0 to 9 and
    // "-" (bit 10); bit 11 stands for an empty digit text, which every bet contains; bit 12
    // for a character that no bet holds.
    std::vector<std::uint16_t> m_picks;
    std::int32_t m_first;
    std::int32_t m_end;
    BetTableCache m_ownCache;
    const BetTable* m_bets = nullptr; // none when the range is too wide to tabulate
};

} // namespace kestrum
