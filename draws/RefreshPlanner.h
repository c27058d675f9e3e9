#pragma once

// When to ask a feed for its newest draw, so that a new draw is seen within a second or so of
// its publication, without asking more often than the fixed refresh timer would.
//
// Draws come on a schedule: `drawsPerDay` of them, evenly over the day, or where a
// DrawSchedule puts them (uneven intervals, pauses). Every draw line names its draw (date and
// period number), so each draw has an ordinal k, counted across midnight, and a position on the
// schedule (k * interval when even; the day's start plus the schedule's k-th draw of the day
// otherwise), and draw k appears near `origin + position(k) + offset`. The planner learns the
// offset (the feed's publication lag and the spread of it) from the arrivals it is told of,
// from the first one on, and without a schedule the interval too, then polls from the earliest
// expected appearance of the next draw until it is in, at most `fastPolls()` times, a second
// apart. While what it knows is still coarse (after the first arrival, known only to within the
// fixed period) the polls split the expected stretch evenly between as many as the budget
// allows. The fixed period stays as a safety net:
// - until the first arrival is seen, it polls at the fixed period, as the timer does;
// - when the fast polls end without the draw (a late or skipped draw), it backs off, 2, 4, 8 s
//   apart and then at the fixed period, until a draw comes or the next draw's fast polls begin;
// - no quiet stretch (and no gap between fast polls) is longer than max(period, gap / 2), where
//   gap is the shortest interval between two draws, even or scheduled: so a feed that
//   publishes two draws early, one on the other's heels, or draws in what the schedule calls a
//   pause, still has each of them seen, as long as its draws come no closer than that.
// A budget caps the polls: one poll is earned per period of time (as the timer sends one), at
// most `budgetCapacity()` may be saved up, and nothing is earned before the first period: so by
// any moment it has sent no more polls than the fixed timer would have by then.
//
// The planner reads no clock: the caller passes the moments (a steady clock in the program, a
// made-up one in tests), so it is a pure function of what it is told.

#include "base/DrawSchedule.h"
#include "draws/Feed.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string_view>
#include <utility>

namespace kestrum {

// The draw's ordinal, counted from 1970-01-01 across days: days * drawsPerDay + period - 1,
// read from the line's period code (YYYYMMDD followed by the period number, 1 to drawsPerDay,
// up to the first blank). Nothing for a line that holds no such code.
std::optional<std::int64_t> drawOrdinal(std::string_view line, std::int32_t drawsPerDay);

class RefreshPlanner {
public:
    using Clock = std::chrono::steady_clock;
    using Moment = Clock::time_point;
    using Millis = std::chrono::milliseconds;

    enum class PollResult {
        // The poll brought a draw that was not stored yet.
        NewDraw,
        // The feed's newest draw is the stored one (a 304 answer counts as this).
        NothingNew,
        // No usable answer: it tells nothing of the draws.
        Failed,
    };

    // What the planner is doing, for logs and tests.
    enum class Phase {
        // Too few arrivals seen: polls at the fixed period.
        Learning,
        // Waiting for the next draw's fast polls to begin.
        Quiet,
        // Polling every second for the next draw.
        Fast,
        // The fast polls ended without the draw: polls at the fixed period.
        Fallback,
    };

    // drawsPerDay >= 1; period > 0: the fixed timer's period. `start` is when the timer would
    // have started (its first poll is due a period later). With a schedule, draw k of a day is
    // expected at the schedule's k-th draw (and a period past the schedule's last draw a day,
    // the last one's interval after it); without one, the day's draws are spread evenly.
    RefreshPlanner(std::int32_t drawsPerDay, Millis period, Moment start,
                   std::optional<DrawSchedule> schedule = std::nullopt);

    // The newest draw after a full download: known, but when it appeared is not.
    void drawsLoaded(std::string_view newestLine);

    // When the next poll should start; at or before `now` means at once. Never earlier than
    // the end of the last poll.
    Moment nextPoll() const;

    // A poll that started at `start` and ended at `end` found `result`; `newestLine` is the
    // feed's newest draw line when the result is NewDraw.
    void pollDone(Moment start, Moment end, PollResult result, std::string_view newestLine = {});

    // The same for a refresh of the store (refreshLatestDraw) that ran from `start` to `end`,
    // with the store's newest line after it. A refresh that reloaded the whole feed starts the
    // learning afresh (drawsLoaded); one that threw (no outcome) or could not fetch is a
    // failed poll.
    void refreshDone(Moment start, Moment end, const std::optional<RefreshOutcome>& outcome,
                     std::string_view newestLine);

    Phase phase() const;
    // Draws seen arriving by a poll (not by a download).
    std::int64_t arrivalsSeen() const { return m_arrivalsSeen; }
    // Draws that came after the stored newest but before the one a poll brought, so never
    // stored: each poll takes only the newest line. A feed that skips a draw counts here too.
    std::int64_t drawsPassedOver() const { return m_passedOver; }
    // The interval between draws: learned, or with a schedule the one before the next draw
    // (across a pause, the pause).
    Millis interval() const;
    // The earliest moment the next draw is expected, once learned.
    std::optional<Moment> expectedArrival() const;
    // The bound on the fast polls for one draw.
    std::int32_t fastPolls() const { return m_fastPolls; }
    std::int32_t budgetCapacity() const { return m_capacity; }

private:
    // One arrival: draw `ordinal` appeared after `lower` and by `upper` (ms since m_origin).
    // The bounds come from the polls around it, narrowed for a draw that came before its
    // window (how far before is then a guess that doubles while draws keep coming early).
    struct Arrival {
        std::int64_t ordinal;
        double lower;
        double upper;
        // When the poll that brought it started.
        double polled;
        // How long after the draw before it (when that one was seen too) it came, going by the
        // middles of the two arrivals' bounds; 0 when not known.
        double gapBefore;
        // Known to within about two fast polls (how long the poll that brought it took aside):
        // the windows cover every precise one of the recent arrivals, but of the coarse ones
        // only the newest.
        bool precise() const;
    };
    // Where the fast polls for draw k go: `polls` of them from `first`, `step` apart.
    struct Window {
        double first;
        double step;
        std::int32_t polls;
    };

    // Where draw `ordinal` falls on the schedule, in ms; its arrival comes an offset (learned)
    // after it.
    double drawPosition(std::int64_t ordinal) const;
    double msSince(Moment moment) const;
    Moment momentAt(double ms) const;
    bool learning() const;
    Window window(std::int64_t ordinal) const;
    // Where arrivals come after their draw's position: the earliest and latest offset seen.
    std::pair<double, double> offsets() const;
    // Sets m_windowBudget for the window of m_target, from the budget as it stands.
    void projectWindowBudget();
    void learnInterval();
    // The budget at `ms`: what it was at m_budgetAt, plus what was earned since, up to the
    // capacity.
    double budgetAt(double ms) const;
    // The longest quiet stretch: m_quietCap, or less after draws that came closer together.
    double quietCap() const;

    std::int32_t m_drawsPerDay;
    std::optional<DrawSchedule> m_schedule;
    double m_period;    // ms
    double m_interval0; // ms, from drawsPerDay
    double m_interval;  // ms, learned
    double m_quietCap;  // ms, from the even spread or the schedule
    std::int32_t m_fastPolls;
    std::int32_t m_capacity;
    Moment m_origin;

    // The budget: polls in hand, as of m_budgetAt.
    double m_budget = 0;
    double m_budgetAt = 0;

    double m_lastStart = 0;
    double m_lastEnd = 0;
    // Start of the last poll that found nothing new (the lower bound of the next arrival).
    std::optional<double> m_lastEmptyStart;

    std::optional<std::int64_t> m_lastOrdinal;
    double m_lastSeen = 0;
    // The draw the fast polls are for, and how many of them were made.
    std::int64_t m_target = 0;
    std::int32_t m_targetPolls = 0;
    bool m_fallback = false;
    std::int32_t m_fallbackPolls = 0;
    // The polls in hand when the fast polls for m_target begin, as foreseen when it became the
    // target (quiet polls before it taken off).
    double m_windowBudget = 0;
    // How far before an early arrival it is taken to have come; doubles while draws keep
    // coming before their window.
    double m_earlyStep = 0;

    std::deque<Arrival> m_arrivals;
    std::int64_t m_arrivalsSeen = 0;
    std::int64_t m_passedOver = 0;
};

} // namespace kestrum
