#pragma once

// Watches the window's event loop: a timer that should fire every 20 ms notes how late it
// fires. A delay over 100 ms goes to the debug log as it happens, the longest one every minute
// and when the watch ends, so that a freeze never goes unnoticed.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

namespace kestrum {

class EventLoopWatch : public QObject {
    Q_OBJECT

public:
    explicit EventLoopWatch(QObject* parent = nullptr);
    ~EventLoopWatch() override;

    // The longest delay seen so far, in milliseconds.
    qint64 longestStallMs() const { return m_longest; }

private:
    void tick();

    QTimer m_timer;
    QElapsedTimer m_clock;
    QElapsedTimer m_started;
    qint64 m_longest = 0;
    bool m_running = false;
    qint64 m_nextReportMs = 60000;
};

} // namespace kestrum
