#include "ui/EventLoopWatch.h"

#include "draws/Text.h"
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
    const qint64 stall = m_clock.restart() - kIntervalMs;
    if (stall > m_longest) {
        m_longest = stall;
    }
    if (stall > kReportedStallMs) {
        debugLog(formatText("event loop stalled for %lld ms\n", static_cast<long long>(stall)));
    }
}

} // namespace kestrum
