#include "feedsim/Simulation.h"

#include <chrono>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace feedsim {

void PrintTo(const Draw& draw, std::ostream* out) {
    *out << draw.date << " period " << draw.period;
}

namespace {

// 2015-01-01 00:00:00 in UTC+8.
constexpr std::int64_t kMidnight = 1420041600;
constexpr std::int64_t kDay = 86400;

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::string periodCode(const FeedInfo& feed, const std::string& line) {
    return line.substr(0, 8 + static_cast<std::size_t>(feed.periodDigits));
}

TEST(SimulationTest, LinesHaveTheExactFormNewestFirstAndConsecutive) {
    for (const FeedInfo& feed : feeds()) {
        SCOPED_TRACE(std::string(feed.path));
        // Just after the tenth draw of 2015-01-02, so the 60 lines reach back into 2015-01-01.
        const std::int64_t now = kMidnight + kDay + 9 * kDay / feed.drawsPerDay + 2;
        const std::string text = feedText(feed, now);
        ASSERT_EQ(text.back(), '\n');
        EXPECT_EQ(text.find('\r'), std::string::npos);
        const std::vector<std::string> lines = linesOf(text);
        ASSERT_GE(lines.size(), 60u);
        const std::regex form(feed.periodDigits == 4 ? R"((\d{8})(\d{4}) \d,\d,\d,\d,\d)"
                                                     : R"((\d{8})(\d{3}) \d,\d,\d,\d,\d)");
        EXPECT_EQ(feed.periodDigits == 4, feed.drawsPerDay == 1440);
        EXPECT_EQ(periodCode(feed, lines[0]),
                  feed.periodDigits == 4 ? "201501020010" : "20150102010");
        int expectedPeriod = 10;
        std::string expectedDate = "20150102";
        for (const std::string& line : lines) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(line, match, form)) << line;
            EXPECT_EQ(match[1].str(), expectedDate);
            EXPECT_EQ(std::stoi(match[2].str()), expectedPeriod);
            if (--expectedPeriod == 0) {
                expectedPeriod = feed.drawsPerDay;
                expectedDate = "20150101";
            }
        }
    }
}

// Second by second through a whole day: each feed draws exactly drawsPerDay periods, 1 at
// midnight, one at a time, with gaps that differ by at most a second.
TEST(SimulationTest, DrawsAreSpreadEvenlyOverTheDay) {
    for (const FeedInfo& feed : feeds()) {
        SCOPED_TRACE(std::string(feed.path));
        EXPECT_EQ(newestDraw(feed, kMidnight - 1), (Draw{20141231, feed.drawsPerDay}));
        Draw last = newestDraw(feed, kMidnight);
        EXPECT_EQ(last, (Draw{20150101, 1}));
        std::int64_t lastChange = 0;
        std::int64_t shortest = kDay;
        std::int64_t longest = 0;
        for (std::int64_t second = 1; second < kDay; ++second) {
            const Draw draw = newestDraw(feed, kMidnight + second);
            if (draw == last) {
                continue;
            }
            ASSERT_EQ(draw, (Draw{20150101, last.period + 1})) << "at second " << second;
            shortest = std::min(shortest, second - lastChange);
            longest = std::max(longest, second - lastChange);
            lastChange = second;
            last = draw;
        }
        EXPECT_EQ(last.period, feed.drawsPerDay);
        EXPECT_EQ(shortest, kDay / feed.drawsPerDay);
        EXPECT_LE(longest, shortest + 1);
    }
}

TEST(SimulationTest, TheDayBoundaryCrossesMonthsYearsAndLeapDays) {
    const FeedInfo& cq = feeds()[0];
    EXPECT_EQ(previousDraw(cq, {20150101, 1}), (Draw{20141231, 120}));
    EXPECT_EQ(previousDraw(cq, {20160301, 1}), (Draw{20160229, 120}));
    EXPECT_EQ(previousDraw(cq, {20150301, 1}), (Draw{20150228, 120}));
    EXPECT_EQ(previousDraw(cq, {20000301, 1}), (Draw{20000229, 120}));
    EXPECT_EQ(previousDraw(cq, {21000301, 1}), (Draw{21000228, 120}));
    EXPECT_EQ(previousDraw(cq, {20160501, 1}), (Draw{20160430, 120}));

    // Midnight of 2016-03-01 in UTC+8 is 16:00 UTC the day before: the machine's zone plays
    // no part.
    const FeedInfo& dbffc = feeds()[5];
    const std::vector<std::string> lines = linesOf(feedText(dbffc, 1456761600));
    EXPECT_EQ(periodCode(dbffc, lines[0]), "201603010001");
    EXPECT_EQ(periodCode(dbffc, lines[1]), "201602291440");
    EXPECT_EQ(periodCode(dbffc, lines[2]), "201602291439");
}

// The server's test moves the clock by one draw; this one by a whole day.
TEST(SimulationTest, ADrawKeepsItsLineADayLater) {
    const FeedInfo& feed = feeds()[0]; // 120 a day
    const std::string sixth = linesOf(feedText(feed, kMidnight + 3600))[0];
    EXPECT_EQ(sixth, drawLine(feed, {20150101, 6}));
    // A day later: 6 lines of the new day, then 114 of the old one.
    EXPECT_EQ(linesOf(feedText(feed, kMidnight + kDay + 3600, 130))[6 + 114], sixth);
}

TEST(SimulationTest, DigitsVaryOverDrawsPositionsAndFeeds) {
    // A day of a 1440-draw feed shows every digit in every position.
    for (int position = 0; position < 5; ++position) {
        std::array<int, 10> seen{};
        for (int period = 1; period <= 1440; ++period) {
            ++seen[static_cast<std::size_t>(
                drawDigits(6, {20150101, period})[static_cast<std::size_t>(position)])];
        }
        for (int count : seen) {
            EXPECT_GT(count, 100) << "position " << position;
        }
    }
    int same = 0;
    for (int period = 1; period <= 100; ++period) {
        same += drawDigits(7, {20150101, period}) == drawDigits(8, {20150101, period}) ? 1 : 0;
        same += drawDigits(7, {20150101, period}) == drawDigits(7, {20150102, period}) ? 1 : 0;
    }
    EXPECT_LT(same, 3);
}

using std::chrono::milliseconds;

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
}

// Around midnight, for every feed: each draw is missing from its feed a millisecond before its
// publication moment and on top of it from that moment, later than the one before it.
TEST(SimulationTest, ADrawAppearsAtItsPublicationMomentAndInOrder) {
    const Publication publications[] = {
        {milliseconds{2'500}, kMaxPublishJitter, 7},
        {milliseconds{3'600'000}, milliseconds{1}, 7}, // an hour: day 2 starts at 01:00
        {milliseconds{0}, milliseconds{0}, 7},
    };
    for (const Publication& publication : publications) {
        for (const FeedInfo& feed : feeds()) {
            SCOPED_TRACE(std::string(feed.path) + " lag " +
                         std::to_string(publication.lag.count()));
            Draw draw{20150101, feed.drawsPerDay - 3};
            milliseconds previousAt = publishedAt(feed, previousDraw(feed, draw), publication);
            for (int i = 0; i < 8; ++i, draw = nextDraw(feed, draw)) {
                SCOPED_TRACE(periodCode(feed, draw));
                // drawnAt is the first second at which newestDraw gives the draw.
                EXPECT_EQ(newestDraw(feed, drawnAt(feed, draw)), draw);
                EXPECT_EQ(newestDraw(feed, drawnAt(feed, draw) - 1), previousDraw(feed, draw));
                const milliseconds at = publishedAt(feed, draw, publication);
                const milliseconds jitter =
                    at - std::chrono::seconds{drawnAt(feed, draw)} - publication.lag;
                EXPECT_EQ(jitter, publishJitter(feed, draw, publication));
                EXPECT_GE(jitter, milliseconds{0});
                EXPECT_LT(jitter, std::max(publication.jitter, milliseconds{1}));
                EXPECT_GT(at, previousAt);
                previousAt = at;
                EXPECT_EQ(newestPublished(feed, at - milliseconds{1}, publication),
                          previousDraw(feed, draw));
                EXPECT_EQ(firstLine(feedText(feed, at - milliseconds{1}, publication)),
                          drawLine(feed, previousDraw(feed, draw)));
                EXPECT_EQ(firstLine(feedText(feed, at, publication)), drawLine(feed, draw));
            }
        }
    }
}

// Over a day of a 1440-draw feed: the jitter fills its span, varies from draw to draw and
// with the seed and the feed, and is the same however often it is asked for.
TEST(SimulationTest, TheJitterIsSpreadAndFixedBySeedFeedDateAndPeriod) {
    const Publication publication{milliseconds{0}, milliseconds{20'000}, 11};
    const Publication otherSeed{milliseconds{0}, milliseconds{20'000}, 12};
    std::set<milliseconds> values;
    int sameForOtherSeed = 0;
    int sameForOtherFeed = 0;
    int sameForOtherDay = 0;
    for (int period = 1; period <= 1440; ++period) {
        const Draw draw{20150101, period};
        const milliseconds jitter = publishJitter(feeds()[5], draw, publication);
        ASSERT_GE(jitter, milliseconds{0});
        ASSERT_LT(jitter, publication.jitter);
        EXPECT_EQ(publishJitter(feeds()[5], draw, Publication{publication}), jitter);
        values.insert(jitter);
        sameForOtherSeed += publishJitter(feeds()[5], draw, otherSeed) == jitter ? 1 : 0;
        sameForOtherFeed += publishJitter(feeds()[6], draw, publication) == jitter ? 1 : 0;
        sameForOtherDay +=
            publishJitter(feeds()[5], {20150102, period}, publication) == jitter ? 1 : 0;
    }
    EXPECT_GT(values.size(), 1300u);
    EXPECT_LT(*values.begin(), milliseconds{1'000});
    EXPECT_GT(*values.rbegin(), milliseconds{19'000});
    EXPECT_LT(sameForOtherSeed, 5);
    EXPECT_LT(sameForOtherFeed, 5);
    EXPECT_LT(sameForOtherDay, 5);
    // A span beyond the widest is held to it, so the order of the draws is kept.
    const Publication tooWide{milliseconds{0}, std::chrono::hours{1}, 11};
    for (int period = 1; period <= 100; ++period) {
        EXPECT_LT(publishJitter(feeds()[5], {20150101, period}, tooWide), kMaxPublishJitter);
    }
}

} // namespace
} // namespace feedsim
