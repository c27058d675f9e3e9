#pragma once

// Announces each simulated draw at the moment it is published, as the publication rule
// (feedsim/Simulation.h) sets it rather than when a thread happens to notice.

#include "feedsim/Simulation.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace feedsim {

// "feedsim: published /dbffc.txt 202612100123 at 1765331234.567": the feed's path, the draw's
// period code as its line starts, the moment in seconds since 1970 to the millisecond.
std::string publishedLine(const FeedInfo& feed, Draw draw, std::chrono::milliseconds publishedAt);

class Announcer {
public:
    using Clock = std::function<std::chrono::milliseconds()>;
    using Callback =
        std::function<void(const FeedInfo&, Draw, std::chrono::milliseconds publishedAt)>;

    Announcer() = default;
    ~Announcer();
    Announcer(const Announcer&) = delete;
    Announcer& operator=(const Announcer&) = delete;

    // Calls onPublished for each draw of every feed published after the clock's time as read
    // here, with the moment it is published, in the order of those moments, on a thread that
    // stop() ends; a slow call delays the ones after it, never the moment they carry. The clock
    // is read again at least every 250 ms, so that a jump of it is followed. onPublished must
    // not call stop(). Starts once.
    void start(Clock clock, Publication publication, Callback onPublished);
    // Ends the thread and waits for it; may be called more than once.
    void stop();

private:
    void announce(std::chrono::milliseconds from);

    Clock m_clock;
    Publication m_publication;
    Callback m_onPublished;
    std::thread m_thread;
    std::mutex m_stopMutex;
    std::condition_variable m_stopped;
    std::atomic<bool> m_stopping{false}; // set under m_stopMutex
};

} // namespace feedsim
