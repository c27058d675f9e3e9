#include "draws/RefreshPlanner.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace kestrum {

namespace {

// The fast polls come this far apart.
constexpr double kFastStep = 1000;
// Arrivals seen by a poll before the planner trusts what it learned.
constexpr std::int64_t kArrivalsToLearn = 1;
// The arrivals the offset and its spread are learned from.
constexpr std::size_t kRecentArrivals = 6;
// An arrival known to within this much is precise.
constexpr double kPreciseWidth = 2 * kFastStep;
// The learned interval replaces the first guess only when it differs by more than this share.
constexpr double kIntervalTolerance = 0.01;
constexpr double kMsPerDay = 86'400'000;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::int64_t> drawOrdinal(std::string_view line, std::int32_t drawsPerDay) {
    if (line.size() < 9 || drawsPerDay < 1) {
        return std::nullopt;
    }
    std::int64_t date = 0;
    for (std::size_t i = 0; i < 8; ++i) {
        if (!isDigit(line[i])) {
            return std::nullopt;
        }
        date = date * 10 + (line[i] - '0');
    }
    std::int64_t period = 0;
    std::size_t i = 8;
    for (; i < line.size() && isDigit(line[i]) && i < 8 + 6; ++i) {
        period = period * 10 + (line[i] - '0');
    }
    if (i == 8 || (i < line.size() && line[i] != ' ')) {
        return std::nullopt;
    }
    const auto month = static_cast<unsigned>(date / 100 % 100);
    const auto day = static_cast<unsigned>(date % 100);
    if (month < 1 || month > 12 || day < 1 || day > 31 || period < 1 || period > drawsPerDay) {
        return std::nullopt;
    }
    // A day past the month's end (the 30th of February) counts on into the next month.
    const std::chrono::year_month_day civil{std::chrono::year(static_cast<int>(date / 10000)),
                                            std::chrono::month(month), std::chrono::day(day)};
    const std::int64_t days = std::chrono::sys_days(civil).time_since_epoch().count();
    return days * drawsPerDay + period - 1;
}

RefreshPlanner::RefreshPlanner(std::int32_t drawsPerDay, Millis period, Moment start,
                               std::optional<DrawSchedule> schedule)
    : m_drawsPerDay(std::max(drawsPerDay, 1)), m_schedule(std::move(schedule)),
      m_period(static_cast<double>(std::max<Millis::rep>(period.count(), 1))),
      m_interval0(kMsPerDay / m_drawsPerDay), m_interval(m_interval0), m_origin(start) {
    // Quiet stretches stay under half the shortest gap between two draws, even or scheduled,
    // so that draws that come earlier than expected are still seen one by one.
    double shortest = m_interval0;
    if (m_schedule) {
        const std::int32_t count = m_schedule->drawsPerDay();
        for (std::int32_t n = 1; n <= count; ++n) {
            const std::int32_t next =
                n < count ? m_schedule->secondOf(n + 1) : m_schedule->secondOf(1) + 86400;
            shortest = std::min(shortest, 1000.0 * (next - m_schedule->secondOf(n)));
        }
    }
    m_quietCap = std::max(m_period, shortest / 2);
    // The polls the fixed timer sends in one interval between draws.
    const auto perDraw = static_cast<std::int32_t>(std::floor(m_interval0 / m_period));
    // Room to save what two draws' worth of timer ticks would have sent, so that a draw that
    // took many polls (late, skipped) leaves enough for the next one.
    m_capacity = std::max(2 * perDraw, 2);
    m_fastPolls = std::clamp(perDraw + 2, 6, 10);
}

double RefreshPlanner::quietCap() const {
    // Draws that came closer together than expected (a feed that draws faster than its
    // schedule says, or than the even spread) bring the cap down to half their gap.
    double cap = m_quietCap;
    for (const Arrival& arrival : m_arrivals) {
        if (arrival.gapBefore > 0) {
            cap = std::min(cap, std::max(m_period, arrival.gapBefore / 2));
        }
    }
    return cap;
}

bool RefreshPlanner::Arrival::precise() const {
    return polled - lower <= kPreciseWidth;
}

double RefreshPlanner::drawPosition(std::int64_t ordinal) const {
    if (!m_schedule) {
        return static_cast<double>(ordinal) * m_interval;
    }
    const std::int64_t day =
        ordinal >= 0 ? ordinal / m_drawsPerDay : -((-ordinal - 1) / m_drawsPerDay) - 1;
    const auto index = static_cast<std::int32_t>(ordinal - day * m_drawsPerDay);
    const std::int32_t count = m_schedule->drawsPerDay();
    double second = m_schedule->secondOf(index + 1);
    if (index >= count) {
        // A draw the schedule has no place for: after its last, at the last one's interval.
        const double last = count > 1
                                ? m_schedule->secondOf(count) - m_schedule->secondOf(count - 1)
                                : 86400.0 / m_drawsPerDay;
        second = m_schedule->secondOf(count) + last * (index - count + 1);
    }
    return static_cast<double>(day) * kMsPerDay + second * 1000;
}

double RefreshPlanner::msSince(Moment moment) const {
    return std::chrono::duration<double, std::milli>(moment - m_origin).count();
}

RefreshPlanner::Moment RefreshPlanner::momentAt(double ms) const {
    return m_origin + std::chrono::duration_cast<Clock::duration>(
                          std::chrono::duration<double, std::milli>(std::ceil(ms)));
}

bool RefreshPlanner::learning() const {
    return m_arrivalsSeen < kArrivalsToLearn || !m_lastOrdinal || m_arrivals.empty();
}

std::pair<double, double> RefreshPlanner::offsets() const {
    // Offsets from the draws' positions: how long after its position each arrival came.
    const auto offset = [this](const Arrival& arrival, double bound) {
        return bound - drawPosition(arrival.ordinal);
    };
    const Arrival& newest = m_arrivals.back();
    double earliest = offset(newest, newest.lower);
    double latest = offset(newest, newest.upper);
    std::size_t precise = 0;
    for (const Arrival& arrival : m_arrivals) {
        if (arrival.precise()) {
            earliest = std::min(earliest, offset(arrival, arrival.lower));
            latest = std::max(latest, offset(arrival, arrival.upper));
            ++precise;
        }
    }
    // The earliest of a few arrivals is later than the earliest the spread allows: for n of
    // them spread evenly, by a share 1 / (n + 1) of their spread, on average.
    if (precise >= 2) {
        earliest -= (latest - earliest) / static_cast<double>(precise + 1);
    }
    return {earliest, latest};
}

RefreshPlanner::Window RefreshPlanner::window(std::int64_t ordinal) const {
    const auto [earliest, latest] = offsets();
    const double base = drawPosition(ordinal);
    const double width = latest - earliest;
    // The polls the budget will allow over the window: what is in hand when it begins, and
    // what is earned during it.
    const auto afford = static_cast<std::int32_t>(std::floor(m_windowBudget + width / m_period));
    if (afford < m_fastPolls && width > kFastStep * afford) {
        // Too few to poll a second apart from the earliest arrival (what is known is coarse,
        // as after the first arrival): the polls split the window evenly, each one looking
        // for the draw in the stretch before it.
        const std::int32_t polls = std::max(afford, 1);
        const double step = std::min(width / polls, quietCap());
        return {base + earliest + step, step, polls};
    }
    // No wider apart than a quiet stretch, however little is known.
    const double step = std::min(std::max(kFastStep, width / (m_fastPolls - 1)), quietCap());
    return {base + earliest, step, m_fastPolls};
}

void RefreshPlanner::projectWindowBudget() {
    m_windowBudget = 0;
    if (learning()) {
        return;
    }
    const double first = drawPosition(m_target) + offsets().first;
    // The quiet polls that keep each stretch under the cap until then, each paid for as it is
    // sent, with what was earned up to it.
    const double cap = quietCap();
    const double quiet = std::max(0.0, std::ceil((first - m_lastStart) / cap) - 1);
    double budget = m_budget;
    double at = m_budgetAt;
    // A stretch earns at least the poll that ends it (the cap is at least a period), so after
    // a few the budget stands at its capacity before each quiet poll.
    const double counted = std::min(quiet, 100.0);
    if (counted < quiet) {
        budget = m_capacity - 1;
        at = m_lastStart + (quiet - counted) * cap;
    }
    for (double i = quiet - counted + 1; i <= quiet; ++i) {
        const double poll = m_lastStart + i * cap;
        budget = std::min<double>(m_capacity, budget + (poll - at) / m_period) - 1;
        at = poll;
    }
    m_windowBudget = std::min<double>(m_capacity, budget + std::max(0.0, first - at) / m_period);
}

RefreshPlanner::Millis RefreshPlanner::interval() const {
    if (m_schedule) {
        return Millis(std::llround(drawPosition(m_target) - drawPosition(m_target - 1)));
    }
    return Millis(std::llround(m_interval));
}

std::optional<RefreshPlanner::Moment> RefreshPlanner::expectedArrival() const {
    if (learning()) {
        return std::nullopt;
    }
    return momentAt(window(m_target).first);
}

RefreshPlanner::Phase RefreshPlanner::phase() const {
    if (learning()) {
        return Phase::Learning;
    }
    if (m_targetPolls > 0) {
        return Phase::Fast;
    }
    return m_fallback ? Phase::Fallback : Phase::Quiet;
}

void RefreshPlanner::drawsLoaded(std::string_view newestLine) {
    // A download replaces the draws: what was learned of the previous ones may not hold.
    m_lastOrdinal = drawOrdinal(newestLine, m_drawsPerDay);
    m_arrivals.clear();
    m_arrivalsSeen = 0;
    m_targetPolls = 0;
    m_fallback = false;
    m_earlyStep = 0;
    m_lastEmptyStart.reset();
    m_interval = m_interval0;
    if (m_lastOrdinal) {
        m_target = *m_lastOrdinal + 1;
    }
}

double RefreshPlanner::budgetAt(double ms) const {
    if (ms <= m_budgetAt) {
        return m_budget;
    }
    return std::min<double>(m_capacity, m_budget + (ms - m_budgetAt) / m_period);
}

RefreshPlanner::Moment RefreshPlanner::nextPoll() const {
    double at = 0;
    if (learning()) {
        at = m_lastStart + m_period;
    } else {
        const Window next = window(m_target);
        if (m_targetPolls > 0) {
            at = next.first + next.step * m_targetPolls;
        } else if (m_fallback) {
            // Backing off from the fast polls: 2, 4, 8 s ... apart, up to the period.
            const double pause = std::min(m_period, 2 * kFastStep * std::exp2(m_fallbackPolls));
            at = std::min(m_lastStart + pause, next.first);
        } else {
            at = std::min(next.first, m_lastStart + quietCap());
        }
    }
    // Not before a poll has been earned. The budget only grows with time, so the moment it
    // reaches one poll follows from where it stood.
    if (budgetAt(at) < 1) {
        at = std::max(at, m_budgetAt + (1 - m_budget) * m_period);
    }
    return momentAt(std::max(at, m_lastEnd));
}

void RefreshPlanner::pollDone(Moment start, Moment end, PollResult result,
                              std::string_view newestLine) {
    const double startMs = msSince(start);
    const double endMs = std::max(msSince(end), startMs);
    m_budget = budgetAt(startMs) - 1;
    m_budgetAt = std::max(m_budgetAt, startMs);
    const bool wasLearning = learning();
    const bool inWindow = !wasLearning && startMs >= window(m_target).first - 1;
    m_lastStart = startMs;
    m_lastEnd = endMs;

    if (result != PollResult::NewDraw) {
        if (inWindow && ++m_targetPolls >= window(m_target).polls) {
            // The draw did not come in time: the fixed period looks for it, until the next
            // draw's window.
            m_fallback = true;
            m_fallbackPolls = 0;
            ++m_target;
            m_targetPolls = 0;
            projectWindowBudget();
        } else if (m_fallback && !inWindow) {
            ++m_fallbackPolls;
        }
        if (result == PollResult::NothingNew) {
            m_lastEmptyStart = startMs;
        }
        return;
    }

    std::optional<std::int64_t> ordinal = drawOrdinal(newestLine, m_drawsPerDay);
    if (!ordinal && m_lastOrdinal) {
        // No period code: the time since the last draw says how many came.
        std::int64_t next = *m_lastOrdinal + 1;
        if (m_schedule) {
            // The draw whose place is nearest that time past the last draw's, within a day.
            const double since = endMs - m_lastSeen;
            const double from = drawPosition(*m_lastOrdinal);
            while (next < *m_lastOrdinal + m_drawsPerDay &&
                   drawPosition(next + 1) - from <=
                       since - (drawPosition(next + 1) - drawPosition(next)) / 2) {
                ++next;
            }
        } else {
            next = *m_lastOrdinal +
                   std::max<std::int64_t>(std::llround((endMs - m_lastSeen) / m_interval), 1);
        }
        ordinal = next;
    }
    if (!ordinal || (m_lastOrdinal && *ordinal <= *m_lastOrdinal)) {
        // A draw that is not after the stored one: the feed has changed under us.
        drawsLoaded(newestLine);
        m_lastSeen = endMs;
        return;
    }
    if (m_lastOrdinal) {
        m_passedOver += *ordinal - *m_lastOrdinal - 1;
    }
    // The draw was not there when the last poll that found nothing new started (or, without
    // one, a period before this poll), and was by the end of this one.
    double lower =
        m_lastEmptyStart && *m_lastEmptyStart > m_lastSeen ? *m_lastEmptyStart : startMs - m_period;
    if (!wasLearning && !m_fallback && m_targetPolls == 0) {
        // It came before its window: take it to have come a little earlier than the window,
        // twice as far each time in a row.
        m_earlyStep = m_earlyStep == 0 ? kFastStep : std::min(m_earlyStep * 2, m_interval / 2);
        lower = std::max(lower, endMs - m_earlyStep);
    } else {
        m_earlyStep = 0;
    }
    double gapBefore = 0;
    if (!m_arrivals.empty() && m_arrivals.back().ordinal + 1 == *ordinal) {
        const Arrival& previous = m_arrivals.back();
        gapBefore = (lower + endMs - previous.lower - previous.upper) / 2;
    }
    m_arrivals.push_back({*ordinal, lower, endMs, startMs, gapBefore});
    while (m_arrivals.size() > kRecentArrivals) {
        m_arrivals.pop_front();
    }
    learnInterval();

    ++m_arrivalsSeen;
    m_lastOrdinal = ordinal;
    m_lastSeen = endMs;
    m_target = *ordinal + 1;
    m_targetPolls = 0;
    m_fallback = false;
    m_lastEmptyStart.reset();
    projectWindowBudget();
}

void RefreshPlanner::refreshDone(Moment start, Moment end,
                                 const std::optional<RefreshOutcome>& outcome,
                                 std::string_view newestLine) {
    if (outcome && outcome->reloaded) {
        drawsLoaded(newestLine);
        return;
    }
    PollResult result = PollResult::Failed;
    if (outcome && outcome->inserted) {
        result = PollResult::NewDraw;
    } else if (outcome && outcome->error.empty()) {
        result = PollResult::NothingNew;
    }
    pollDone(start, end, result, newestLine);
}

void RefreshPlanner::learnInterval() {
    // The median of the slopes between precisely known arrivals (Theil and Sen), which a
    // single odd arrival does not move.
    std::vector<double> slopes;
    std::int64_t first = 0;
    std::int64_t last = 0;
    std::size_t precise = 0;
    for (std::size_t i = 0; i < m_arrivals.size(); ++i) {
        const Arrival& a = m_arrivals[i];
        if (!a.precise()) {
            continue;
        }
        first = precise == 0 ? a.ordinal : std::min(first, a.ordinal);
        last = precise == 0 ? a.ordinal : std::max(last, a.ordinal);
        ++precise;
        for (std::size_t j = i + 1; j < m_arrivals.size(); ++j) {
            const Arrival& b = m_arrivals[j];
            if (!b.precise() || b.ordinal == a.ordinal) {
                continue;
            }
            slopes.push_back(((b.upper + b.lower) - (a.upper + a.lower)) / 2 /
                             static_cast<double>(b.ordinal - a.ordinal));
        }
    }
    m_interval = m_interval0;
    // A schedule fixes where draws fall: only the offset is learned.
    if (m_schedule || precise < 4 || last - first < 3 || slopes.empty()) {
        return;
    }
    const auto middle = slopes.begin() + static_cast<std::ptrdiff_t>(slopes.size() / 2);
    std::nth_element(slopes.begin(), middle, slopes.end());
    const double slope = *middle;
    if (std::abs(slope - m_interval0) > kIntervalTolerance * m_interval0 &&
        slope >= m_interval0 / 2 && slope <= m_interval0 * 2) {
        m_interval = slope;
    }
}

} // namespace kestrum
