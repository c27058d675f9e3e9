#include "ui/EventLoopWatch.h"

#include "base/Text.h"
#include "platform/DebugLog.h"

#include <string>

namespace kestrum {

namespace {

constexpr int kIntervalMs = 20;
constexpr qint64 kReportedStallMs = 100;

} // namespace

EventLoopWatch::EventLoopWatch(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &EventLoopWatch::tick);
    m_timer.start(kIntervalMs);
    m_clock.start();
}

EventLoopWatch::~EventLoopWatch() {
    debugLog(formatText("longest event loop stall: %lld ms\n", static_cast<long long>(m_longest)));
}

void EventLoopWatch::tick() {
    const qint64 interval = m_clock.restart();
    if (!m_running) {
        // The first interval holds the window's creation and first showing, before the loop
        // ran any timer: the watch measures the running loop from here on.
        m_running = true;
        m_started.start();
        debugLog(
            formatText("event loop running after %lld ms\n", static_cast<long long>(interval)));
        return;
    }
    const qint64 stall = interval - kIntervalMs;
    if (stall > m_longest) {
        m_longest = stall;
    }
    if (stall > kReportedStallMs) {
        debugLog(formatText("event loop stalled for %lld ms, %lld s after start\n",
                            static_cast<long long>(stall),
                            static_cast<long long>(m_started.elapsed() / 1000)));
    }
    // Now and then the record so far, so that a run that is killed still leaves it.
    if (m_started.elapsed() >= m_nextReportMs) {
        m_nextReportMs += 60000;
        debugLog(formatText("longest event loop stall so far: %lld ms\n",
                            static_cast<long long>(m_longest)));
    }
}

} // namespace kestrum
