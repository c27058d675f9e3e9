#pragma once

// The search of every window of a long history for one play type and plan shape, kept up to
// date one draw at a time: after each arriving draw it tells which formula searchFormulas would
// keep over the `window` newest draws, and that formula's 准确率 there, without walking every
// formula over every window.
//
// For a fixed formula a walk is a chain of plans: the plan seeded by draw j is tested from
// draw j + 1 and ends at a draw that depends on nothing else, and that draw seeds the next plan.
// Only the first plan of a window skips the slot after its seed and is tested from j + 2. So
// the end of the plan that each draw seeds is settled once per draw and formula, for all the
// formulas at once, as the draws arrive; the walk of a window is the chain from the end of its
// first plan; and when the window slides, its chain soon runs into the chain of the window
// before (chains that meet coincide from there on), whose nodes carry a running count of won
// plans. The chain grows at its tail as the draws end its plans, the seeds whose plans end at
// its new tail join it there, and a window's walk that starts off the chain is walked only up
// to where it meets it.
//
// Every answer depends only on the draws arrived so far: a plan still running at the newest
// draw is open, however it would end.

#include "engine/DispatchTables.h"
#include "engine/PlayType.h"
#include "engine/Search.h"

#include <cstdint>
#include <vector>

namespace kestrum {

class WindowSearch {
public:
    // window: draws a search sees, 2 to kHistorySlots.
    WindowSearch(PlayType type, PlanShape shape, std::int32_t window);

    // The next draw of the history arrives: its bets for the formulas the play type's search
    // tries (searchedFormulas), in order, as BetTable::tabulate makes them from its seed value
    // and the play type's 码数; and what the play type tests of it (drawPicks).
    void arrive(const std::uint16_t* bets, std::uint16_t picks);

    struct Kept {
        // The formula that searchFormulas returns: the most won plans, the lowest on a tie;
        // 0 when no formula won a plan.
        std::int32_t formula = 0;
        // Its 准确率 over the window, as the backtest's lastStats holds it; 0 without a formula.
        float accuracy = 0.0f;
    };

    // The search over the `window` newest draws; at least `window` draws must have arrived.
    Kept search();

    // The bet, as bits (BetTable::bet), that formula k of the searched range makes from the
    // newest draw.
    std::uint16_t newestBet(std::int32_t formula) const;

private:
    std::size_t slot(std::int32_t position) const {
        return static_cast<std::size_t>(position) & m_ringMask;
    }
    // Tables by ring slot of a draw, then formula.
    std::size_t cell(std::int32_t position, std::size_t formula) const {
        return slot(position) * m_formulas + formula;
    }
    template <HitRule rule>
    void settle(std::int32_t arrival, std::uint16_t picks);
    // The won plans of the window's walk for one formula when its chain does not run into the
    // chain kept at once.
    std::int32_t walkToChain(std::size_t formula, std::int32_t start, std::uint16_t firstEnd);
    float accuracyOf(std::size_t formula, std::int32_t oldest) const;

    HitRule m_rule;
    PlanShape m_shape;
    std::int32_t m_window;
    FormulaRange m_range;
    std::size_t m_formulas;
    std::size_t m_ringSize;
    std::size_t m_ringMask;
    // Draws after a seed for which its plans are still settled: a later end lies beyond every
    // window that holds the seed (or the plan has failed by then).
    std::int32_t m_planSpan;
    std::int32_t m_firstPlanSpan;
    std::int32_t m_arrived = 0;

    // By ring slot of the seed, then formula: the bets; the end of the plan it seeds, tested
    // from the next draw; and the end of the first plan of a window that it starts, tested from
    // the draw after next. An end is (draws from the seed << 1) | won; 0 while the plan is open.
    std::vector<std::uint16_t> m_bets;
    std::vector<std::uint16_t> m_planEnds;
    std::vector<std::uint16_t> m_firstPlanEnds;
    // By ring slot, then formula: 0 when the draw is no node of the formula's chain kept, else
    // 0x8000 and the won plans along that chain up to it, counted from wherever the chain was
    // first counted, modulo 2^15 (a window holds fewer plans, so differences are exact). A draw
    // that arrives leaves its slot unmarked, unless it extends a chain.
    std::vector<std::uint16_t> m_marks;
    // By formula: the draws from its chain's tail (the seed of the plan still open) to the
    // newest draw, or 0xFFFF when it keeps no chain; and the tail's count of won plans.
    std::vector<std::uint16_t> m_tailAges;
    std::vector<std::uint16_t> m_tailWon;
    // The nodes of a window's chain before it meets the chain kept.
    std::vector<std::int32_t> m_newNodes;
};

} // namespace kestrum
