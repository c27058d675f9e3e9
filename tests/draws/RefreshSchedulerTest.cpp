#include "draws/RefreshScheduler.h"

#include "base/DrawSchedule.h"
#include "support/ManualClock.h"

#include <chrono>
#include <cstdio>
#include <gtest/gtest.h>
#include <string>
#include <variant>
#include <vector>

namespace kestrum {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using Moment = RefreshScheduler::Moment;

std::string lineOf(std::int32_t period) {
    char text[32];
    std::snprintf(text, sizeof text, "20160101%04d 1,2,3,4,5", period);
    return text;
}

// Milliseconds from `start` to `moment`.
std::int64_t msAfter(Moment start, Moment moment) {
    return std::chrono::duration_cast<milliseconds>(moment - start).count();
}

RefreshOutcome found(bool inserted) {
    RefreshOutcome outcome;
    outcome.inserted = inserted;
    return outcome;
}

// At the fixed period a refresh that overran its period is followed by the next at once, then
// the pace resumes from there: the ticks it overran are not made up.
TEST(RefreshSchedulerTest, AtTheFixedPeriodAnOverrunIsMadeUpOnceThenThePaceResumes) {
    test::ManualClock clock;
    const Moment start = clock.now();
    RefreshScheduler scheduler(1440, seconds(10), false, clock.function());
    EXPECT_FALSE(scheduler.followsDraws());
    scheduler.drawsLoaded(lineOf(100));
    EXPECT_EQ(msAfter(start, scheduler.nextRefresh()), 10000);
    EXPECT_EQ(scheduler.untilNextRefresh().count(), 10000);

    const auto refresh = [&](milliseconds from, milliseconds to) {
        clock.advance(to - (clock.now() - start));
        return scheduler.refreshDone({start + from, start + to, found(false), lineOf(100)});
    };
    const RefreshEvents events = refresh(seconds(10), milliseconds(10'500));
    EXPECT_EQ(events.drawsPassedOver, 0);
    EXPECT_FALSE(events.learned.has_value());
    EXPECT_EQ(msAfter(start, scheduler.nextRefresh()), 20000);

    refresh(seconds(20), seconds(45)); // a slow host: the ticks at 30 s and 40 s pass
    EXPECT_EQ(msAfter(start, scheduler.nextRefresh()), 45000);
    EXPECT_EQ(scheduler.untilNextRefresh().count(), 0);
    refresh(seconds(45), seconds(46));
    EXPECT_EQ(msAfter(start, scheduler.nextRefresh()), 55000);
    clock.advance(seconds(20)); // overdue: due at once, never a negative wait
    EXPECT_EQ(scheduler.untilNextRefresh().count(), 0);
}

// Following the draws, the scheduler tells once that it has learned when draws come, and of
// every draw that a refresh passed over.
TEST(RefreshSchedulerTest, FollowingTheDrawsItTellsOnceWhenDrawsAreExpectedAndOfEachDrawMissed) {
    test::ManualClock clock;
    const Moment start = clock.now();
    RefreshScheduler scheduler(1440, seconds(10), true, clock.function());
    EXPECT_TRUE(scheduler.followsDraws());
    EXPECT_EQ(msAfter(start, scheduler.nextRefresh()), 10000);
    // Draw 100 is in; draw 100 + k is published k minutes and 3 s after the start; 108 never.
    scheduler.drawsLoaded(lineOf(100));
    const auto newestAt = [start](Moment moment) {
        const auto since = std::chrono::duration_cast<milliseconds>(moment - start).count();
        std::int32_t period =
            since < 3000 ? 100 : 100 + static_cast<std::int32_t>((since - 3000) / 60000);
        return period == 108 ? 107 : period;
    };
    std::int32_t stored = 100;
    std::vector<RefreshEvents::Learned> learned;
    std::int64_t passedOver = 0;
    while (scheduler.nextRefresh() < start + std::chrono::minutes(20)) {
        const Moment from = std::max(scheduler.nextRefresh(), clock.now());
        clock.advance(std::chrono::duration_cast<milliseconds>(from - clock.now()) +
                      milliseconds(30));
        const std::int32_t newest = newestAt(from + milliseconds(10));
        const bool inserted = newest > stored;
        stored = std::max(stored, newest);
        const RefreshEvents events =
            scheduler.refreshDone({from, clock.now(), found(inserted), lineOf(stored)});
        if (events.learned) {
            learned.push_back(*events.learned);
        }
        passedOver += events.drawsPassedOver;
    }
    EXPECT_EQ(stored, 119);
    ASSERT_EQ(learned.size(), 1u);
    EXPECT_EQ(learned.front().interval.count(), 60000);
    EXPECT_GT(learned.front().nextIn, milliseconds(0));
    EXPECT_LE(learned.front().nextIn, seconds(60));
    EXPECT_EQ(passedOver, 1);
}

// The schedule reaches the planner: after the 22:00 draw of a day that goes from ten-minute
// draws to five-minute ones at 22:00, the next is expected in five minutes (the even spread of
// 120 draws would say twelve).
TEST(RefreshSchedulerTest, FollowingTheDrawsItExpectsThemWhereTheScheduleSays) {
    test::ManualClock clock;
    const Moment start = clock.now();
    auto spans = parseDrawSchedule({"10:00-22:00/10m", "22:00-02:00/5m"});
    ASSERT_TRUE(std::holds_alternative<DrawSchedule>(spans));
    RefreshScheduler scheduler(120, seconds(35), true, clock.function(),
                               std::get<DrawSchedule>(spans));
    scheduler.drawsLoaded(lineOf(96)); // 21:50
    clock.advance(seconds(35));
    const RefreshEvents events =
        scheduler.refreshDone({start + seconds(35), clock.now(), found(true), lineOf(97)});
    ASSERT_TRUE(events.learned.has_value());
    EXPECT_EQ(events.learned->interval, std::chrono::minutes(5));
    EXPECT_GT(events.learned->nextIn, std::chrono::minutes(4));
    EXPECT_LE(events.learned->nextIn, std::chrono::minutes(5));
}

} // namespace
} // namespace kestrum
