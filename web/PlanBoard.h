#pragma once

// What the web interface shows of each lottery: a page of its state, published by the
// lottery's engine thread after every change (its start-up, a new draw, a formula chosen) and
// read by the handlers, and the events that tell the browsers of a new page.

#include "engine/Engine.h"
#include "report/PlanJson.h"
#include "stats/SearchLuckCache.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::web {

// A lottery's state as last published. Never changed once published.
struct LotteryPage {
    std::int32_t lottery = 1;
    // Counts the publications of this lottery, from 1.
    std::uint64_t version = 0;
    DrawsShown draws;
    // The stored draw lines, newest first.
    std::vector<std::string> drawLines;
    PlanSnapshot plans;
    ChanceFiguresTable chance;
    // The answer to GET .../plan: planJson of all ten play types.
    std::string planJson;
    // Where its export files go.
    std::filesystem::path folder;
    // When its next refresh is due (the next draw, as the planner expects it); none when the
    // lottery refreshes at a fixed pace or nothing is known.
    std::optional<std::chrono::system_clock::time_point> nextDue;
};

class PlanBoard {
public:
    // `stop`, when given and set, cuts short the searches on random histories that a
    // publication waits for (the program stops).
    explicit PlanBoard(std::vector<std::int32_t> lotteries,
                       const std::atomic<bool>* stop = nullptr);

    // The lotteries served, in the order given.
    const std::vector<std::int32_t>& lotteries() const { return m_lotteries; }

    // On lottery `engine.lotteryIndex`'s engine thread, after a change: reads the engine, sets
    // its plans beside chance, publishes the page and tells the event streams.
    void publish(const Engine& engine, const std::filesystem::path& folder,
                 std::optional<std::chrono::system_clock::time_point> nextDue);

    // The page last published of a lottery; none before its first, or for a lottery not served.
    std::shared_ptr<const LotteryPage> page(std::int32_t lottery) const;

    // One event per publication, numbered from 1.
    struct Event {
        std::uint64_t number = 0;
        std::int32_t lottery = 0;
        // The newest draw line of the page.
        std::string newest;
    };

    // The number of the last event, 0 before the first.
    std::uint64_t lastEvent() const;

    // The events after `after`, waiting up to `wait` for one when there is none yet. Fewer
    // than all of them when more than kKeptEvents passed since (a client that fell so far
    // behind gets the newest).
    std::vector<Event> eventsAfter(std::uint64_t after, std::chrono::milliseconds wait) const;

    // Ends every wait at once (the server stops).
    void close();

    static constexpr std::size_t kKeptEvents = 256;

private:
    std::vector<std::int32_t> m_lotteries;
    const std::atomic<bool>* m_stop;
    SearchLuckCache m_luck;
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    std::map<std::int32_t, std::shared_ptr<const LotteryPage>> m_pages;
    std::vector<Event> m_events;
    std::uint64_t m_lastEvent = 0;
    bool m_closed = false;
};

} // namespace kestrum::web
