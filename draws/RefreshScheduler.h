#pragma once

// When the timed refresh runs, for the window and for kestrum-cli watch alike: either at the
// lottery's fixed period, or when a draw is due (the refresh planner). It reads the time from
// the clock it is given (a steady clock in the programs, a made-up one in tests).

#include "draws/Feed.h"
#include "draws/RefreshPlanner.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// Tells the time for the refresh scheduler; called from any thread.
using RefreshClock = std::function<RefreshPlanner::Moment()>;

// The steady clock of the programs.
RefreshPlanner::Moment steadyNow();

// What one refresh found: when it ran, its outcome (nothing when it threw) and the store's
// newest line after it.
struct RefreshRun {
    RefreshPlanner::Moment start;
    RefreshPlanner::Moment end;
    std::optional<RefreshOutcome> outcome;
    std::string newestLine;
};

// What a refresh taught the scheduler, for a log.
struct RefreshEvents {
    // Draws that came between the stored newest and the one this refresh brought, never seen.
    std::int64_t drawsPassedOver = 0;
    // Set by the refresh after which it first knows when the next draw is expected (again,
    // after a stretch of not knowing): the interval between draws, and how long from now the
    // next is expected (negative when it is overdue).
    struct Learned {
        std::chrono::milliseconds interval;
        std::chrono::milliseconds nextIn;
    };
    std::optional<Learned> learned;
};

class RefreshScheduler {
public:
    using Moment = RefreshPlanner::Moment;
    using Millis = std::chrono::milliseconds;

    // Starts now (as read from `clock`): the first refresh is due a period from now either way.
    // drawsPerDay >= 1, period > 0. With followDraws the planner chooses every later moment,
    // expecting draws where `schedule` says (without one, evenly over the day); without
    // followDraws, they come a period apart.
    RefreshScheduler(std::int32_t drawsPerDay, Millis period, bool followDraws, RefreshClock clock,
                     std::optional<DrawSchedule> schedule = std::nullopt);

    bool followsDraws() const { return m_planner.has_value(); }
    Millis period() const { return m_period; }
    Moment now() const { return m_clock(); }

    // The store was filled by a full download before the first refresh; `newestLine` is its
    // newest draw. Only the planner takes note.
    void drawsLoaded(std::string_view newestLine);

    // When the next refresh is due; at or before now means at once.
    Moment nextRefresh() const;
    // How long from now until then: 0 when it is due, and never more than the largest count of
    // milliseconds a 32-bit timer takes.
    Millis untilNextRefresh() const;

    // A refresh ended. At the fixed period the next is due a period after the one before; a
    // refresh that overran its period is followed by the next at once, then the pace resumes:
    // no tick is made up twice. Following the draws, the planner learns from it.
    RefreshEvents refreshDone(const RefreshRun& run);

private:
    Millis m_period;
    RefreshClock m_clock;
    std::optional<RefreshPlanner> m_planner;
    // At the fixed period: when the next refresh is due.
    Moment m_due;
    // Following the draws: whether the planner knew when the next draw was expected after the
    // last refresh.
    bool m_knewArrival = false;
};

} // namespace kestrum
