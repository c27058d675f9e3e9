#include "stats/WindowSearch.h"

#include "engine/Backtest.h"
#include "engine/BetTable.h"
#include "engine/DrawPicks.h"

#include <algorithm>
#include <bit>

namespace kestrum {

namespace {

std::uint16_t planEnd(std::int32_t draws, bool won) {
    return static_cast<std::uint16_t>((draws << 1) | (won ? 1 : 0));
}

std::int32_t drawsOf(std::uint16_t end) {
    return end >> 1;
}

std::uint32_t wonOf(std::uint16_t end) {
    return end & 1u;
}

// Settles the still open plans of one seed for every formula with the draw `draws` after the
// seed: a hit wins the plan; a miss fails it when `fails`.
template <HitRule rule>
void settleRow(std::uint16_t* ends, const std::uint16_t* bets, std::size_t formulas,
               std::uint16_t picks, std::int32_t draws, bool fails) {
    const std::uint16_t won = planEnd(draws, true);
    const std::uint16_t failed = fails ? planEnd(draws, false) : std::uint16_t{0};
    for (std::size_t k = 0; k < formulas; ++k) {
        const std::uint16_t settled = picksHit(rule, picks, bets[k]) ? won : failed;
        ends[k] = ends[k] != 0 ? ends[k] : settled;
    }
}

} // namespace

WindowSearch::WindowSearch(PlayType type, PlanShape shape, std::int32_t window)
    : m_rule(playTypeInfo(type).hitRule), m_recipe(playTypeInfo(type).recipe), m_shape(shape),
      m_window(window), m_range(searchedFormulas(type)),
      m_formulas(static_cast<std::size_t>(m_range.end - m_range.first)),
      m_ringSize(std::bit_ceil(static_cast<std::size_t>(window))), m_ringMask(m_ringSize - 1) {
    // A window's chain holds seeds from its third draw on, so a plan matters for at most
    // window − 3 draws after its seed; a first plan, tested from the draw after next, for
    // window − 1.
    const std::int32_t planPeriods = shape.planPeriods;
    m_planSpan = planPeriods > 0 ? std::min(planPeriods, window - 3) : window - 3;
    m_firstPlanSpan = planPeriods > 0 ? std::min(planPeriods + 1, window - 1) : window - 1;
    const std::size_t cells = m_ringSize * m_formulas;
    m_bets.resize(cells);
    m_planEnds.resize(cells);
    m_firstPlanEnds.resize(cells);
    m_marks.resize(cells);
    m_chains.resize(m_formulas);
    m_newNodes.reserve(static_cast<std::size_t>(window));
}

void WindowSearch::arrive(std::int32_t seedValue, std::uint16_t picks) {
    const std::int32_t position = m_arrived;
    BetTable::tabulate(m_recipe, seedValue, m_range.first, static_cast<std::int32_t>(m_formulas),
                       m_shape.codeCount, &m_bets[cell(position, 0)], 1);
    std::fill_n(&m_planEnds[cell(position, 0)], m_formulas, std::uint16_t{0});
    std::fill_n(&m_firstPlanEnds[cell(position, 0)], m_formulas, std::uint16_t{0});
    if (m_rule == HitRule::All) {
        settle<HitRule::All>(position, picks);
    } else {
        settle<HitRule::Any>(position, picks);
    }
    ++m_arrived;
}

template <HitRule rule>
void WindowSearch::settle(std::int32_t arrival, std::uint16_t picks) {
    const std::int32_t planPeriods = m_shape.planPeriods;
    for (std::int32_t draws = 1; draws <= m_planSpan && draws <= arrival; ++draws) {
        const std::int32_t seed = arrival - draws;
        settleRow<rule>(&m_planEnds[cell(seed, 0)], &m_bets[cell(seed, 0)], m_formulas, picks,
                        draws, draws == planPeriods);
    }
    // The first plan's first draw is the second after its seed.
    for (std::int32_t draws = 2; draws <= m_firstPlanSpan && draws <= arrival; ++draws) {
        const std::int32_t seed = arrival - draws;
        settleRow<rule>(&m_firstPlanEnds[cell(seed, 0)], &m_bets[cell(seed, 0)], m_formulas, picks,
                        draws, draws - 1 == planPeriods);
    }
}

std::uint16_t WindowSearch::newestBet(std::int32_t formula) const {
    return m_bets[cell(m_arrived - 1, static_cast<std::size_t>(formula - m_range.first))];
}

void WindowSearch::extendTail(std::size_t formula, Chain& chain) {
    std::int32_t node = chain.tail;
    std::uint32_t won = markOf(formula, node).wonBefore;
    for (;;) {
        const std::uint16_t end = m_planEnds[cell(node, formula)];
        if (end == 0) {
            break;
        }
        won += wonOf(end);
        node += drawsOf(end);
        markOf(formula, node) = {node, chain.id, won};
    }
    chain.tail = node;
}

std::int32_t WindowSearch::windowWins(std::size_t formula, std::int32_t oldest) {
    Chain& chain = m_chains[formula];
    // A tail older than the window's oldest draw can meet no chain of this window or later.
    if (chain.tail >= 0 && chain.tail < oldest) {
        chain.tail = -1;
    }
    if (chain.tail >= 0) {
        extendTail(formula, chain);
    }
    const std::uint16_t first = m_firstPlanEnds[cell(oldest, formula)];
    if (first == 0) {
        return 0;
    }
    const std::int32_t start = oldest + drawsOf(first);

    // The window's chain up to the first node of the kept chain, or to its own open plan.
    m_newNodes.clear();
    std::int32_t node = start;
    while (!onChain(formula, chain, node)) {
        m_newNodes.push_back(node);
        const std::uint16_t end = m_planEnds[cell(node, formula)];
        if (end == 0) {
            break;
        }
        node += drawsOf(end);
    }
    if (!m_newNodes.empty() && m_newNodes.back() == node) {
        // It never met the kept chain: it becomes the chain kept, counted from its start.
        ++chain.id;
        chain.tail = node;
        std::uint32_t won = 0;
        for (const std::int32_t newNode : m_newNodes) {
            markOf(formula, newNode) = {newNode, chain.id, won};
            won += wonOf(m_planEnds[cell(newNode, formula)]);
        }
    } else {
        // It met the kept chain at `node`: its new nodes are counted back from there.
        std::uint32_t won = markOf(formula, node).wonBefore;
        for (auto it = m_newNodes.rbegin(); it != m_newNodes.rend(); ++it) {
            won -= wonOf(m_planEnds[cell(*it, formula)]);
            markOf(formula, *it) = {*it, chain.id, won};
        }
    }
    const std::uint32_t won =
        markOf(formula, chain.tail).wonBefore - markOf(formula, start).wonBefore + wonOf(first);
    return static_cast<std::int32_t>(won);
}

float WindowSearch::accuracyOf(std::size_t formula, std::int32_t oldest) const {
    const std::uint16_t first = m_firstPlanEnds[cell(oldest, formula)];
    std::int32_t closed = 0;
    std::int32_t failed = 0;
    std::int32_t node = oldest;
    for (std::uint16_t end = first; end != 0; end = m_planEnds[cell(node, formula)]) {
        ++closed;
        failed += wonOf(end) == 0 ? 1 : 0;
        node += drawsOf(end);
    }
    // The lines of the walk: one per finished plan, the running plan and the summary.
    return walkAccuracy(closed + 2, failed);
}

WindowSearch::Kept WindowSearch::search() {
    const std::int32_t oldest = m_arrived - m_window;
    std::int32_t best = 0;
    std::size_t bestFormula = 0;
    for (std::size_t formula = 0; formula < m_formulas; ++formula) {
        const std::int32_t wins = windowWins(formula, oldest);
        if (wins > best) {
            best = wins;
            bestFormula = formula;
        }
    }
    if (best == 0) {
        return {};
    }
    return {m_range.first + static_cast<std::int32_t>(bestFormula),
            accuracyOf(bestFormula, oldest)};
}

} // namespace kestrum
