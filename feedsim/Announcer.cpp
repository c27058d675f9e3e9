#include "feedsim/Announcer.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

namespace feedsim {

Announcer::~Announcer() {
    stop();
}

void Announcer::start(Clock clock, Publication publication, Callback onPublished) {
    m_clock = std::move(clock);
    m_publication = publication;
    m_onPublished = std::move(onPublished);
    // Read here, so that whatever is published once start() has returned is announced.
    const std::chrono::milliseconds from = m_clock();
    m_thread = std::thread([this, from] { announce(from); });
}

void Announcer::stop() {
    {
        const std::lock_guard lock(m_stopMutex);
        m_stopping = true;
    }
    m_stopped.notify_all();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void Announcer::announce(std::chrono::milliseconds from) {
    using std::chrono::milliseconds;
    // The clock is read again at least this often, so that a jump of the system's clock, or a
    // test's clock that moves by itself, is followed.
    constexpr milliseconds kRecheck{250};
    struct Pending {
        const FeedInfo* feed;
        Draw draw;
        milliseconds at;
    };
    std::vector<Pending> pending;
    for (const FeedInfo& feed : feeds()) {
        const Draw draw = nextDraw(feed, newestPublished(feed, from, m_publication));
        pending.push_back({&feed, draw, publishedAt(feed, draw, m_publication)});
    }
    const auto soonest = [&] {
        return std::min_element(pending.begin(), pending.end(),
                                [](const Pending& a, const Pending& b) { return a.at < b.at; });
    };
    while (!m_stopping) {
        const milliseconds now = m_clock();
        // Each draw published by now, the earliest first, across the feeds.
        for (auto next = soonest(); next->at <= now && !m_stopping; next = soonest()) {
            m_onPublished(*next->feed, next->draw, next->at);
            next->draw = nextDraw(*next->feed, next->draw);
            next->at = publishedAt(*next->feed, next->draw, m_publication);
        }
        std::unique_lock lock(m_stopMutex);
        m_stopped.wait_for(lock, std::clamp(soonest()->at - now, milliseconds{1}, kRecheck),
                           [this] { return m_stopping.load(); });
    }
}

std::string publishedLine(const FeedInfo& feed, Draw draw, std::chrono::milliseconds publishedAt) {
    const auto seconds = std::chrono::floor<std::chrono::seconds>(publishedAt);
    char moment[48];
    std::snprintf(moment, sizeof moment, "%lld.%03lld", static_cast<long long>(seconds.count()),
                  static_cast<long long>((publishedAt - seconds).count()));
    return "feedsim: published " + std::string(feed.path) + " " + periodCode(feed, draw) + " at " +
           moment;
}

} // namespace feedsim
