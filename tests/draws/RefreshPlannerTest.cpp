#include "draws/RefreshPlanner.h"

#include "base/DrawSchedule.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kestrum {
namespace {

using Millis = RefreshPlanner::Millis;
using Moment = RefreshPlanner::Moment;
using Result = RefreshPlanner::PollResult;

constexpr std::int64_t kDay = 86'400'000;

// The civil date of a day counted from 1970-01-01, as YYYYMMDD.
std::int64_t civilDate(std::int64_t days) {
    const std::chrono::year_month_day date{std::chrono::sys_days(std::chrono::days(days))};
    return std::int64_t{static_cast<int>(date.year())} * 10000 +
           std::int64_t{static_cast<unsigned>(date.month())} * 100 +
           std::int64_t{static_cast<unsigned>(date.day())};
}

// A feed on the local feed server's schedule: draw p (1 to n) of a day at the first whole
// second s after midnight with s * n >= (p - 1) * 86400, published `lag` plus a spread later.
// With a schedule, draw p at the schedule's p-th draw of the day instead.
struct SimulatedFeed {
    std::int32_t drawsPerDay = 1440;
    std::optional<DrawSchedule> schedule;
    std::int64_t lagMs = 3000;
    std::int64_t jitterMs = 3000;
    std::set<std::int64_t> skipped;
    // Extra delay of single draws.
    std::function<std::int64_t(std::int64_t ordinal)> extra = [](std::int64_t) { return 0; };

    std::int64_t drawnAt(std::int64_t ordinal) const {
        const std::int64_t day = ordinal / drawsPerDay;
        const std::int64_t index = ordinal % drawsPerDay;
        const std::int64_t second = schedule
                                        ? schedule->secondOf(static_cast<std::int32_t>(index + 1))
                                        : (index * 86400 + drawsPerDay - 1) / drawsPerDay;
        return day * kDay + second * 1000;
    }
    std::int64_t publishedAt(std::int64_t ordinal) const {
        // A spread that looks random but is the same on every call.
        const std::uint64_t hash = static_cast<std::uint64_t>(ordinal) * 0x9E3779B97F4A7C15ULL;
        const std::int64_t spread =
            jitterMs == 0
                ? 0
                : static_cast<std::int64_t>((hash >> 33) % static_cast<std::uint64_t>(jitterMs));
        return drawnAt(ordinal) + lagMs + spread + extra(ordinal);
    }
    // The newest draw published by `at`.
    std::int64_t newestAt(std::int64_t at) const {
        std::int64_t ordinal = (at / kDay + 1) * drawsPerDay;
        while (skipped.count(ordinal) != 0 || publishedAt(ordinal) > at) {
            --ordinal;
        }
        return ordinal;
    }
    std::string line(std::int64_t ordinal) const {
        char text[32];
        std::snprintf(text, sizeof text,
                      drawsPerDay > 999 ? "%lld%04lld 1,2,3,4,5" : "%lld%03lld 1,2,3,4,5",
                      static_cast<long long>(civilDate(ordinal / drawsPerDay)),
                      static_cast<long long>(ordinal % drawsPerDay + 1));
        return text;
    }
};

Moment at(std::int64_t ms) {
    return Moment(std::chrono::milliseconds(ms));
}

std::int64_t msOf(Moment moment) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(moment.time_since_epoch()).count();
}

// One draw as the watcher saw it.
struct Seen {
    std::int64_t ordinal;
    std::int64_t latencyMs; // from publication to the end of the poll that brought it
};

struct WatchRun {
    std::vector<Seen> seen;
    std::int64_t polls = 0;
    std::int64_t passedOver = 0;
};

// Polls `feed` as the planner says from `startMs` to `endMs`; a poll takes 30 ms and the
// server reads the feed 10 ms into it. The planner expects draws where `schedule` says.
WatchRun simulate(const SimulatedFeed& feed, Millis period, std::int64_t startMs,
                  std::int64_t endMs, std::optional<DrawSchedule> schedule = std::nullopt) {
    RefreshPlanner planner(feed.drawsPerDay, period, at(startMs), std::move(schedule));
    std::int64_t stored = feed.newestAt(startMs);
    planner.drawsLoaded(feed.line(stored));
    WatchRun run;
    std::int64_t now = startMs;
    for (;;) {
        now = std::max(now, msOf(planner.nextPoll()));
        if (now > endMs) {
            break;
        }
        ++run.polls;
        const std::int64_t newest = feed.newestAt(now + 10);
        const std::int64_t end = now + 30;
        if (newest > stored) {
            run.seen.push_back({newest, end - feed.publishedAt(newest)});
            stored = newest;
            planner.pollDone(at(now), at(end), Result::NewDraw, feed.line(newest));
        } else {
            planner.pollDone(at(now), at(end), Result::NothingNew);
        }
        now = end;
    }
    run.passedOver = planner.drawsPassedOver();
    return run;
}

std::int64_t percentile(std::vector<Seen> seen, double share) {
    std::vector<std::int64_t> latencies;
    for (const Seen& s : seen) {
        latencies.push_back(s.latencyMs);
    }
    std::sort(latencies.begin(), latencies.end());
    const auto index =
        static_cast<std::size_t>(std::ceil(share * static_cast<double>(latencies.size())) - 1);
    return latencies[std::min(index, latencies.size() - 1)];
}

TEST(DrawOrdinalTest, CountsDrawsAcrossMidnightAndRefusesOtherLines) {
    const auto last = drawOrdinal("20151231120 1,2,3,4,5", 120);
    const auto first = drawOrdinal("20160101001 6,7,8,9,0", 120);
    ASSERT_TRUE(last && first);
    EXPECT_EQ(*first, *last + 1);
    EXPECT_EQ(*drawOrdinal("197001010001 1,2,3,4,5", 1440), 0);
    EXPECT_EQ(*drawOrdinal("201602291440 1,2,3,4,5", 1440) + 1,
              *drawOrdinal("201603010001 1,2,3,4,5", 1440));
    EXPECT_FALSE(drawOrdinal("20160101121 1,2,3,4,5", 120)); // no period 121
    EXPECT_FALSE(drawOrdinal("20160101000 1,2,3,4,5", 120));
    EXPECT_FALSE(drawOrdinal("20161301001 1,2,3,4,5", 120));
    EXPECT_FALSE(drawOrdinal("2016010100x 1,2,3,4,5", 120));
    EXPECT_FALSE(drawOrdinal("20160101", 120));
    EXPECT_FALSE(drawOrdinal("", 120));
}

// Every pace of the lottery table, over a span that crosses midnight, with a lag and a spread
// of arrivals: after the first few draws each is seen within about a second of its publication,
// none is passed over, and never more polls than the fixed timer's.
struct Pace {
    std::int32_t drawsPerDay;
    std::int64_t periodMs;
};

class RefreshPlannerPaceTest : public testing::TestWithParam<Pace> {};

TEST_P(RefreshPlannerPaceTest, SeesEachDrawWithinASecondAcrossMidnight) {
    SimulatedFeed feed;
    feed.drawsPerDay = GetParam().drawsPerDay;
    const std::int64_t interval = kDay / feed.drawsPerDay;
    // Forty draws, the last ten after midnight of day 16800.
    const std::int64_t midnight = 16800 * kDay;
    const std::int64_t start = midnight - 30 * interval + 12345;
    const std::int64_t end = midnight + 10 * interval;
    const WatchRun run = simulate(feed, Millis(GetParam().periodMs), start, end);

    ASSERT_GE(run.seen.size(), 39u);
    EXPECT_EQ(run.passedOver, 0);
    for (std::size_t i = 1; i < run.seen.size(); ++i) {
        EXPECT_EQ(run.seen[i].ordinal, run.seen[i - 1].ordinal + 1);
    }
    // The draws from the sixth on, by when the planner has learned the feed.
    const std::vector<Seen> learned(run.seen.begin() + 5, run.seen.end());
    EXPECT_LE(percentile(learned, 0.5), 1000);
    EXPECT_LE(percentile(learned, 0.95), 2000);
    // The first draws of the new day came when expected too.
    const std::int64_t firstOfDay = 16800LL * feed.drawsPerDay;
    for (const Seen& s : run.seen) {
        if (s.ordinal >= firstOfDay && s.ordinal < firstOfDay + 3) {
            EXPECT_LE(s.latencyMs, 2000) << "draw " << s.ordinal - firstOfDay + 1;
        }
    }
    const std::int64_t fixedPolls = (end - start) / GetParam().periodMs;
    EXPECT_LE(run.polls, fixedPolls);
}

INSTANTIATE_TEST_SUITE_P(LotteryTable, RefreshPlannerPaceTest,
                         testing::Values(Pace{120, 35000}, Pace{84, 35000}, Pace{96, 35000},
                                         Pace{288, 35000}, Pace{1440, 10000}),
                         [](const testing::TestParamInfo<Pace>& param) {
                             return "draws" + std::to_string(param.param.drawsPerDay);
                         });

// The first guess and what it learns: at the fixed period until two draws have come, then a
// window that opens before the draw, with a bounded number of fast polls.
TEST(RefreshPlannerTest, LearnsTheLagThenPollsAroundTheExpectedArrival) {
    SimulatedFeed feed;
    feed.lagMs = 7000;
    feed.jitterMs = 0;
    const std::int64_t start = 16800 * kDay + 30'000;
    RefreshPlanner planner(1440, Millis(10000), at(start));
    planner.drawsLoaded(feed.line(feed.newestAt(start)));
    EXPECT_EQ(planner.phase(), RefreshPlanner::Phase::Learning);
    EXPECT_EQ(msOf(planner.nextPoll()), start + 10000);
    EXPECT_EQ(planner.interval(), Millis(60000));

    const WatchRun run = simulate(feed, Millis(10000), start, start + 20 * 60'000);
    ASSERT_EQ(run.seen.size(), 20u);
    // The first two at the fixed period, so up to ten seconds late.
    for (std::size_t i = 6; i < run.seen.size(); ++i) {
        EXPECT_LE(run.seen[i].latencyMs, 1000) << "draw " << i;
    }
    // Once learned, about two polls a draw: the window's first, and the one that brings it
    // (with the quiet poll half-way).
    EXPECT_LE(run.polls, 20 * 4);
}

TEST(RefreshPlannerTest, BoundsTheFastPollsAndFallsBackToThePeriodForALateDraw) {
    SimulatedFeed feed;
    feed.jitterMs = 0;
    const std::int64_t start = 16800 * kDay + 30'000;
    const std::int64_t lateDraw = 16800LL * 1440 + 12;
    feed.extra = [&](std::int64_t ordinal) { return ordinal == lateDraw ? 40'000 : 0; };
    const WatchRun run = simulate(feed, Millis(10000), start, start + 20 * 60'000);

    EXPECT_EQ(run.passedOver, 0);
    bool sawLate = false;
    for (std::size_t i = 0; i < run.seen.size(); ++i) {
        if (run.seen[i].ordinal == lateDraw) {
            sawLate = true;
            // The polls backing off from the window found it.
            EXPECT_LE(run.seen[i].latencyMs, 10'100);
        }
        if (run.seen[i].ordinal >= lateDraw + 4) {
            EXPECT_LE(run.seen[i].latencyMs, 1000) << "draw " << run.seen[i].ordinal - lateDraw;
        }
    }
    EXPECT_TRUE(sawLate);

    // The bound: a draw that never comes gets fastPolls() polls a second apart, then polls
    // backing off to the period.
    RefreshPlanner planner(1440, Millis(10000), at(0));
    planner.drawsLoaded(feed.line(1000));
    std::int64_t now = 60'000 * 2 + 3000; // draws 1001 and 1002 arrive on time
    for (std::int64_t ordinal = 1001; ordinal <= 1002; ++ordinal) {
        planner.pollDone(at(now - 1000), at(now - 990), Result::NothingNew);
        planner.pollDone(at(now), at(now + 10), Result::NewDraw, feed.line(ordinal));
        now += 60'000;
    }
    ASSERT_EQ(planner.phase(), RefreshPlanner::Phase::Quiet);
    std::vector<std::int64_t> polls;
    now = 0;
    while (polls.size() < 16) {
        now = std::max(now, msOf(planner.nextPoll()));
        polls.push_back(now);
        planner.pollDone(at(now), at(now + 10), Result::NothingNew);
        now += 10;
    }
    // A quiet poll half-way, then the window's polls a second apart, then the period.
    std::size_t first = 1;
    while (first < polls.size() && polls[first] - polls[first - 1] > 1100) {
        ++first;
    }
    std::size_t last = first;
    while (last < polls.size() && polls[last] - polls[last - 1] <= 1100) {
        ++last;
    }
    ASSERT_LT(last, polls.size());
    EXPECT_EQ(static_cast<std::int32_t>(last - first + 1), planner.fastPolls());
    EXPECT_EQ(polls[last] - polls[last - 1], 2000);
    EXPECT_EQ(polls[last + 1] - polls[last], 4000);
    EXPECT_EQ(polls[last + 2] - polls[last + 1], 8000);
    EXPECT_EQ(polls[last + 3] - polls[last + 2], 10000);
}

TEST(RefreshPlannerTest, ASkippedDrawIsPassedOverAndTheNextComesOnTime) {
    SimulatedFeed feed;
    const std::int64_t start = 16800 * kDay + 30'000;
    const std::int64_t skipped = 16800LL * 1440 + 12;
    feed.skipped = {skipped};
    const WatchRun run = simulate(feed, Millis(10000), start, start + 20 * 60'000);

    EXPECT_EQ(run.passedOver, 1);
    for (const Seen& s : run.seen) {
        EXPECT_NE(s.ordinal, skipped);
        if (s.ordinal == skipped + 1) {
            EXPECT_LE(s.latencyMs, 2000);
        }
    }
}

TEST(RefreshPlannerTest, FollowsAFeedThatStartsPublishingEarlier) {
    SimulatedFeed feed;
    const std::int64_t start = 16800 * kDay + 30'000;
    const std::int64_t change = 16800LL * 1440 + 10;
    // From draw 10 on the lag drops from 3 s to nothing, then climbs to 9 s from draw 25 on.
    feed.extra = [&](std::int64_t ordinal) {
        return ordinal >= change + 15 ? 6000 : ordinal >= change ? -3000 : 0;
    };
    const WatchRun run = simulate(feed, Millis(10000), start, start + 40 * 60'000);

    EXPECT_EQ(run.passedOver, 0);
    for (const Seen& s : run.seen) {
        const std::int64_t sinceChange = s.ordinal - change;
        if ((sinceChange >= 5 && sinceChange < 15) || sinceChange >= 20) {
            EXPECT_LE(s.latencyMs, 2000) << "draw " << sinceChange;
        }
    }
    EXPECT_LE(run.polls, 40 * 6);
}

DrawSchedule schedule(const std::vector<std::string>& spans) {
    return std::get<DrawSchedule>(parseDrawSchedule(spans));
}

// The local feed server's one-a-minute lottery, 3 s lag, up to 3 s of spread, watched from
// 300 moments over ten minutes: the planner learns from the first new draw, so the second is mostly
// seen within 2 s of its publication, with the schedule or without. Not always: the first draw is
// known only to within the period (10 s), its successor's spread adds to that, and the budget
// allows about five polls before it, so a draw that comes at the edge of that stretch waits for the
// period. Learning only from the second draw, about one start in five made it.
TEST(RefreshPlannerTest, LearnsFromTheFirstArrivalSoTheSecondIsSeenWithinTwoSeconds) {
    SimulatedFeed feed;
    for (const bool scheduled : {false, true}) {
        std::optional<DrawSchedule> spans;
        if (scheduled) {
            spans = schedule({"00:00-24:00/1m"});
        }
        std::vector<Seen> second;
        for (std::int64_t i = 0; i < 300; ++i) {
            const std::int64_t start = 16800 * kDay + i * 2020 + 123;
            const WatchRun run = simulate(feed, Millis(10000), start, start + 4 * 60'000, spans);
            ASSERT_GE(run.seen.size(), 3u);
            EXPECT_EQ(run.passedOver, 0);
            second.push_back(run.seen[1]);
            // Never later than the fixed timer would have seen it.
            EXPECT_LE(run.seen[1].latencyMs, 10'030) << "start " << i;
        }
        EXPECT_LE(percentile(second, 0.9), 2000) << "scheduled " << scheduled;
    }
}

// A day and a night pace and a pause of eight hours: 72 draws 10 minutes apart from 10:00,
// 48 draws 5 minutes apart from 22:00 to 02:00. The watch runs from 21:00 to 11:00 the next
// day, across the change of pace, midnight and the pause.
struct DayAndNight {
    SimulatedFeed feed;
    std::int64_t start;
    std::int64_t end;
    std::int64_t afterPause; // the ordinal of the 10:00 draw
    DayAndNight() {
        feed.schedule = schedule({"10:00-22:00/10m", "22:00-02:00/5m"});
        feed.drawsPerDay = feed.schedule->drawsPerDay();
        feed.lagMs = 40'000;
        feed.jitterMs = 3000;
        start = 16800 * kDay + 21 * 3'600'000 + 12345;
        end = 16801 * kDay + 11 * 3'600'000;
        afterPause = 16801LL * 120 + 24;
    }
};

TEST(RefreshPlannerScheduleTest, OnTheScheduleEachDrawIsSeenWithinASecondEvenAfterThePause) {
    const DayAndNight day;
    const WatchRun run = simulate(day.feed, Millis(35000), day.start, day.end, day.feed.schedule);

    EXPECT_EQ(run.passedOver, 0);
    ASSERT_GE(run.seen.size(), 5u + 48 + 6);
    for (std::size_t i = 1; i < run.seen.size(); ++i) {
        EXPECT_EQ(run.seen[i].ordinal, run.seen[i - 1].ordinal + 1);
    }
    const std::vector<Seen> learned(run.seen.begin() + 5, run.seen.end());
    EXPECT_LE(percentile(learned, 0.5), 1000);
    EXPECT_LE(percentile(learned, 0.95), 2000);
    bool sawAfterPause = false;
    for (const Seen& s : run.seen) {
        if (s.ordinal >= day.afterPause && s.ordinal < day.afterPause + 3) {
            sawAfterPause = true;
            EXPECT_LE(s.latencyMs, 2000) << "draw " << s.ordinal - day.afterPause + 1;
        }
    }
    EXPECT_TRUE(sawAfterPause);
    EXPECT_LE(run.polls, (day.end - day.start) / 35000);
}

// Without the schedule the planner expects 120 draws evenly over the day, which is wrong
// everywhere: every draw is still seen, none passed over, and no more polls than the timer's.
TEST(RefreshPlannerScheduleTest, WithoutTheScheduleNoDrawIsMissedAndTheBudgetHolds) {
    const DayAndNight day;
    const WatchRun run = simulate(day.feed, Millis(35000), day.start, day.end);

    EXPECT_EQ(run.passedOver, 0);
    for (std::size_t i = 1; i < run.seen.size(); ++i) {
        EXPECT_EQ(run.seen[i].ordinal, run.seen[i - 1].ordinal + 1);
    }
    EXPECT_GE(run.seen.back().ordinal, day.afterPause + 5);
    // Each within the longest quiet stretch of the even spread (half its 12 minutes), and a
    // period, of its publication.
    for (const Seen& s : run.seen) {
        EXPECT_LE(s.latencyMs, 360'000 + 35'000) << "draw " << s.ordinal % 120 + 1;
    }
    EXPECT_LE(run.polls, (day.end - day.start) / 35000);
}

} // namespace
} // namespace kestrum
