#include "stats/WindowSearch.h"

#include "engine/Backtest.h"
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

std::uint16_t wonOf(std::uint16_t end) {
    return static_cast<std::uint16_t>(end & 1u);
}

// A node's mark: on the chain kept, and the won plans along it up to the node modulo 2^15.
constexpr std::uint16_t kOnChain = 0x8000;
constexpr std::uint16_t kCount = 0x7FFF;

std::uint16_t markOf(std::uint16_t wonBefore) {
    return static_cast<std::uint16_t>(kOnChain | (wonBefore & kCount));
}

// The won plans between two marks (or counts) of one chain.
std::int32_t wonBetween(std::uint16_t from, std::uint16_t to) {
    return (to - from) & kCount;
}

// The tail age of a formula that keeps no chain.
constexpr std::uint16_t kNoChain = 0xFFFF;

// All bits set for yes; the loops over the formulas decide with these instead of branches, so
// that the compiler makes vector operations of them.
std::uint16_t maskOf(bool yes) {
    return yes ? std::uint16_t{0xFFFF} : std::uint16_t{0};
}

// A tail age while a draw arrives: the chain grew by that draw.
constexpr std::uint16_t kGrew = 0xFFFE;

// What one arriving draw settles of the plans of one seed, `draws` before it, for every formula:
// the plan tested from the seed's next draw (when `plans`) and the first plan of a window,
// tested from the draw after next (when `firstPlans`); both bet the seed's bets. A plan still
// open ends won at a hit, and failed at a miss when `fails` (its last draw). A chain whose tail
// is this seed (tail age draws − 1) and whose plan ends here grows by the arriving draw: its age
// becomes kGrew, and its count takes the plan's win.
template <HitRule rule, bool plans, bool firstPlans>
void settleSeed(const std::uint16_t* bets, std::size_t formulas, std::uint16_t picks,
                std::int32_t draws, bool fails, bool firstFails, std::uint16_t* ends,
                std::uint16_t* firstEnds, std::uint16_t* ages, std::uint16_t* tailWon) {
    const std::uint16_t won = planEnd(draws, true);
    const std::uint16_t failed = fails ? planEnd(draws, false) : std::uint16_t{0};
    const std::uint16_t firstFailed = firstFails ? planEnd(draws, false) : std::uint16_t{0};
    const auto tailAge = static_cast<std::uint16_t>(draws - 1);
    for (std::size_t k = 0; k < formulas; ++k) {
        const std::uint16_t hit = maskOf(picksHit(rule, picks, bets[k]));
        if constexpr (plans) {
            const auto settled = static_cast<std::uint16_t>((won & hit) | (failed & ~hit));
            const auto endsNow = static_cast<std::uint16_t>(settled & maskOf(ends[k] == 0));
            const auto grows =
                static_cast<std::uint16_t>(maskOf(endsNow != 0) & maskOf(ages[k] == tailAge));
            ends[k] = static_cast<std::uint16_t>(ends[k] | endsNow);
            tailWon[k] = static_cast<std::uint16_t>(tailWon[k] + (grows & settled & 1u));
            ages[k] = static_cast<std::uint16_t>((kGrew & grows) | (ages[k] & ~grows));
        }
        if constexpr (firstPlans) {
            const auto settled = static_cast<std::uint16_t>((won & hit) | (firstFailed & ~hit));
            firstEnds[k] =
                static_cast<std::uint16_t>(firstEnds[k] | (settled & maskOf(firstEnds[k] == 0)));
        }
    }
}

// Marks the seeds of one row whose plans end `draws` after them, at a chain's new tail (tail age
// 0), with their counts.
void joinNewTail(std::uint16_t* marks, const std::uint16_t* ends, std::size_t formulas,
                 std::int32_t draws, const std::uint16_t* ages, const std::uint16_t* tailWon) {
    for (std::size_t k = 0; k < formulas; ++k) {
        const std::uint16_t joins =
            static_cast<std::uint16_t>(maskOf(drawsOf(ends[k]) == draws) & maskOf(ages[k] == 0));
        const auto mark =
            static_cast<std::uint16_t>(kOnChain | ((tailWon[k] - wonOf(ends[k])) & kCount));
        marks[k] = static_cast<std::uint16_t>((mark & joins) | (marks[k] & ~joins));
    }
}

} // namespace

WindowSearch::WindowSearch(PlayType type, PlanShape shape, std::int32_t window)
    : m_rule(playTypeInfo(type).hitRule), m_shape(shape), m_window(window),
      m_range(searchedFormulas(type)),
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
    m_tailAges.assign(m_formulas, kNoChain);
    m_tailWon.resize(m_formulas);
    m_newNodes.reserve(static_cast<std::size_t>(window));
}

void WindowSearch::arrive(const std::uint16_t* bets, std::uint16_t picks) {
    const std::int32_t position = m_arrived;
    std::copy_n(bets, m_formulas, &m_bets[cell(position, 0)]);
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
    // The first plan's first draw is the second after its seed.
    const std::int32_t span = std::min(std::max(m_planSpan, m_firstPlanSpan), arrival);
    for (std::int32_t draws = 1; draws <= span; ++draws) {
        const std::size_t row = cell(arrival - draws, 0);
        const bool plans = draws <= m_planSpan;
        const bool firstPlans = draws >= 2 && draws <= m_firstPlanSpan;
        const auto seed = [&]<bool withPlans, bool withFirstPlans>() {
            settleSeed<rule, withPlans, withFirstPlans>(
                &m_bets[row], m_formulas, picks, draws, draws == planPeriods,
                draws - 1 == planPeriods, &m_planEnds[row], &m_firstPlanEnds[row],
                m_tailAges.data(), m_tailWon.data());
        };
        if (plans && firstPlans) {
            seed.template operator()<true, true>();
        } else if (plans) {
            seed.template operator()<true, false>();
        } else if (firstPlans) {
            seed.template operator()<false, true>();
        }
    }

    // A chain that grew has the arriving draw as its tail, marked with its count; every other
    // formula's mark there is cleared, which also clears what an older draw left in the slot. A
    // tail that has left every window to come drops its chain.
    std::uint16_t* marks = &m_marks[cell(arrival, 0)];
    const auto lastAge = static_cast<std::uint16_t>(m_window - 1);
    for (std::size_t k = 0; k < m_formulas; ++k) {
        const std::uint16_t age = m_tailAges[k];
        const std::uint16_t grew = maskOf(age == kGrew);
        const std::uint16_t older = static_cast<std::uint16_t>((kNoChain & maskOf(age >= lastAge)) |
                                                               ((age + 1) & maskOf(age < lastAge)));
        m_tailAges[k] = static_cast<std::uint16_t>(older & ~grew);
        marks[k] = static_cast<std::uint16_t>((kOnChain | (m_tailWon[k] & kCount)) & grew);
    }

    // Every other seed whose plan ended here too joins a chain that grew, one node before its
    // new tail: a later window whose walk starts there is counted at once.
    for (std::int32_t draws = 1; draws <= m_planSpan && draws <= arrival; ++draws) {
        joinNewTail(&m_marks[cell(arrival - draws, 0)], &m_planEnds[cell(arrival - draws, 0)],
                    m_formulas, draws, m_tailAges.data(), m_tailWon.data());
    }
}

std::uint16_t WindowSearch::newestBet(std::int32_t formula) const {
    return m_bets[cell(m_arrived - 1, static_cast<std::size_t>(formula - m_range.first))];
}

std::int32_t WindowSearch::walkToChain(std::size_t formula, std::int32_t start,
                                       std::uint16_t firstEnd) {
    // The window's chain up to the first node of the chain kept, or to its own open plan.
    m_newNodes.clear();
    std::int32_t node = start;
    while ((m_marks[cell(node, formula)] & kOnChain) == 0) {
        m_newNodes.push_back(node);
        const std::uint16_t end = m_planEnds[cell(node, formula)];
        if (end == 0) {
            break;
        }
        node += drawsOf(end);
    }
    if (!m_newNodes.empty() && m_newNodes.back() == node) {
        // It never met the chain kept: it becomes the chain kept, counted from its start.
        for (std::size_t row = 0; row < m_ringSize; ++row) {
            m_marks[row * m_formulas + formula] = 0;
        }
        std::uint16_t won = 0;
        for (const std::int32_t newNode : m_newNodes) {
            m_marks[cell(newNode, formula)] = markOf(won);
            won = static_cast<std::uint16_t>(won + wonOf(m_planEnds[cell(newNode, formula)]));
        }
        m_tailAges[formula] = static_cast<std::uint16_t>(m_arrived - 1 - node);
        m_tailWon[formula] = m_marks[cell(node, formula)];
    } else {
        // It met the chain kept at `node`: its new nodes are counted back from there.
        std::uint16_t won = m_marks[cell(node, formula)];
        for (auto it = m_newNodes.rbegin(); it != m_newNodes.rend(); ++it) {
            won = static_cast<std::uint16_t>(won - wonOf(m_planEnds[cell(*it, formula)]));
            m_marks[cell(*it, formula)] = markOf(won);
        }
    }
    return wonBetween(m_marks[cell(start, formula)], m_tailWon[formula]) + wonOf(firstEnd);
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
    const std::uint16_t* firstEnds = &m_firstPlanEnds[cell(oldest, 0)];
    for (std::size_t formula = 0; formula < m_formulas; ++formula) {
        const std::uint16_t first = firstEnds[formula];
        if (first == 0) {
            continue;
        }
        // Marks lie on the chain kept, whose tail is in the window (or it would have been
        // dropped), and mostly the window's chain runs on it from its start.
        const std::int32_t start = oldest + drawsOf(first);
        const std::uint16_t mark = m_marks[cell(start, formula)];
        const std::int32_t wins = (mark & kOnChain) != 0
                                      ? wonBetween(mark, m_tailWon[formula]) + wonOf(first)
                                      : walkToChain(formula, start, first);
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
