#include "draws/RefreshScheduler.h"

#include <algorithm>
#include <limits>
#include <utility>

namespace kestrum {

RefreshPlanner::Moment steadyNow() {
    return RefreshPlanner::Clock::now();
}

RefreshScheduler::RefreshScheduler(std::int32_t drawsPerDay, Millis period, bool followDraws,
                                   RefreshClock clock, std::optional<DrawSchedule> schedule)
    : m_period(period), m_clock(std::move(clock)) {
    const Moment start = m_clock();
    m_due = start + m_period;
    if (followDraws) {
        m_planner.emplace(drawsPerDay, m_period, start, std::move(schedule));
    }
}

void RefreshScheduler::drawsLoaded(std::string_view newestLine) {
    if (m_planner) {
        m_planner->drawsLoaded(newestLine);
    }
}

RefreshScheduler::Moment RefreshScheduler::nextRefresh() const {
    return m_planner ? m_planner->nextPoll() : m_due;
}

RefreshScheduler::Millis RefreshScheduler::untilNextRefresh() const {
    const auto wait = std::chrono::duration_cast<Millis>(nextRefresh() - m_clock());
    return Millis(std::clamp<Millis::rep>(wait.count(), 0, std::numeric_limits<int>::max()));
}

RefreshEvents RefreshScheduler::refreshDone(const RefreshRun& run) {
    RefreshEvents events;
    if (!m_planner) {
        m_due = std::max(m_due + m_period, m_clock());
        return events;
    }
    const std::int64_t passedOver = m_planner->drawsPassedOver();
    m_planner->refreshDone(run.start, run.end, run.outcome, run.newestLine);
    events.drawsPassedOver = m_planner->drawsPassedOver() - passedOver;
    const std::optional<Moment> expected = m_planner->expectedArrival();
    if (expected && !m_knewArrival) {
        events.learned = RefreshEvents::Learned{
            m_planner->interval(), std::chrono::duration_cast<Millis>(*expected - m_clock())};
    }
    m_knewArrival = expected.has_value();
    return events;
}

} // namespace kestrum
