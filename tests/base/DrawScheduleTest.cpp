#include "base/DrawSchedule.h"

#include <gtest/gtest.h>
#include <string>
#include <variant>
#include <vector>

namespace kestrum {
namespace {

struct SpanCase {
    const char* text;
    // Expected span; `refused` names a word of the message instead.
    DrawSpan span;
    const char* refused;
};

class DrawSpanTest : public testing::TestWithParam<SpanCase> {};

TEST_P(DrawSpanTest, ReadsASpanOrSaysWhyNot) {
    const SpanCase& c = GetParam();
    const auto result = parseDrawSpan(c.text);
    if (c.refused == nullptr) {
        ASSERT_TRUE(std::holds_alternative<DrawSpan>(result))
            << std::get<DrawScheduleError>(result).message;
        const DrawSpan& span = std::get<DrawSpan>(result);
        EXPECT_EQ(span.start, c.span.start);
        EXPECT_EQ(span.end, c.span.end);
        EXPECT_EQ(span.interval, c.span.interval);
    } else {
        ASSERT_TRUE(std::holds_alternative<DrawScheduleError>(result)) << c.text;
        const std::string& message = std::get<DrawScheduleError>(result).message;
        EXPECT_NE(message.find(std::string("\"") + c.text + "\""), std::string::npos) << message;
        EXPECT_NE(message.find(c.refused), std::string::npos) << message;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Spans, DrawSpanTest,
    testing::Values(SpanCase{"10:00-22:00/10m", {36000, 79200, 600}, nullptr},
                    // Across midnight the end is on the next day.
                    SpanCase{"22:00-02:00/5m", {79200, 93600, 300}, nullptr},
                    SpanCase{"00:00-24:00/75s", {0, 86400, 75}, nullptr},
                    SpanCase{"23:59-00:00/1s", {86340, 86400, 1}, nullptr},
                    SpanCase{"09:30-09:31/1440m", {34200, 34260, 86400}, nullptr},
                    SpanCase{"10:00-10:00/5m", {}, "ends where it starts"},
                    SpanCase{"24:00-01:00/5m", {}, "23:59"},
                    SpanCase{"10:00-22:00/0m", {}, "1 s to 24 h"},
                    SpanCase{"10:00-22:00/1441m", {}, "1 s to 24 h"},
                    SpanCase{"10:00-22:00/99999999999999999999s", {}, "1 s to 24 h"},
                    SpanCase{"10:00-22:00/10", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00-22:00/10h", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00-22:00/m", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00 - 22:00/10m", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00-22:00/10m ", {}, "HH:MM-HH:MM"},
                    SpanCase{"9:00-22:00/10m", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:60-22:00/10m", {}, "HH:MM-HH:MM"},
                    SpanCase{"25:00-22:00/10m", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00-24:01/10m", {}, "HH:MM-HH:MM"},
                    SpanCase{"10:00/10m", {}, "HH:MM-HH:MM"}, SpanCase{"", {}, "HH:MM-HH:MM"}));

DrawSchedule parsed(const std::vector<std::string>& spans) {
    auto result = parseDrawSchedule(spans);
    if (auto* error = std::get_if<DrawScheduleError>(&result)) {
        ADD_FAILURE() << error->message;
        return std::get<DrawSchedule>(parseDrawSchedule({"00:00-24:00/1m"}));
    }
    return std::get<DrawSchedule>(result);
}

// Period 1 is the first draw after midnight UTC+8: a span that crosses midnight gives the day
// its first draws and its last; a span's end is not a draw; between spans, a pause.
TEST(DrawScheduleTest, NumbersTheDaysDrawsFromMidnight) {
    const DrawSchedule day = parsed({"10:00-22:00/10m", "22:00-02:00/5m"});
    ASSERT_EQ(day.drawsPerDay(), 72 + 48);
    ASSERT_EQ(day.spans().size(), 2u);
    EXPECT_EQ(day.secondOf(1), 0);                 // 00:00, from the span that began at 22:00
    EXPECT_EQ(day.secondOf(24), 23 * 300);         // 01:55, the last before the pause
    EXPECT_EQ(day.secondOf(25), 36000);            // 10:00
    EXPECT_EQ(day.secondOf(96), 36000 + 71 * 600); // 21:50
    EXPECT_EQ(day.secondOf(97), 79200);            // 22:00
    EXPECT_EQ(day.secondOf(120), 86100);           // 23:55
    for (std::int32_t n = 2; n <= day.drawsPerDay(); ++n) {
        EXPECT_GT(day.secondOf(n), day.secondOf(n - 1)) << n;
    }

    // An interval that does not divide the span: the last draw is the last before its end.
    const DrawSchedule uneven = parsed({"08:00-09:00/25m"});
    ASSERT_EQ(uneven.drawsPerDay(), 3);
    EXPECT_EQ(uneven.secondOf(3), 8 * 3600 + 50 * 60);

    // Spans that touch do not overlap.
    EXPECT_EQ(parsed({"00:00-12:00/1m", "12:00-24:00/2m"}).drawsPerDay(), 720 + 360);
    EXPECT_EQ(parsed({"00:00-24:00/1m"}).drawsPerDay(), 1440);
}

TEST(DrawScheduleTest, RefusesOverlappingSpansAnEmptyListAndABadSpan) {
    const auto refused = [](const std::vector<std::string>& spans) {
        auto result = parseDrawSchedule(spans);
        return std::holds_alternative<DrawScheduleError>(result)
                   ? std::get<DrawScheduleError>(result).message
                   : std::string();
    };
    EXPECT_EQ(refused({"10:00-22:00/10m", "21:00-23:00/5m"}),
              "\"21:00-23:00/5m\": overlaps \"10:00-22:00/10m\"");
    // Across midnight, either way round.
    EXPECT_EQ(refused({"22:00-02:00/5m", "01:00-03:00/5m"}),
              "\"01:00-03:00/5m\": overlaps \"22:00-02:00/5m\"");
    EXPECT_EQ(refused({"01:00-03:00/5m", "22:00-02:00/5m"}),
              "\"22:00-02:00/5m\": overlaps \"01:00-03:00/5m\"");
    EXPECT_EQ(refused({"00:00-24:00/1m", "12:00-13:00/1m"}),
              "\"12:00-13:00/1m\": overlaps \"00:00-24:00/1m\"");
    EXPECT_EQ(refused({}), "a schedule names at least one span");
    EXPECT_NE(refused({"10:00-22:00/10m", "22:00-02:00"}).find("\"22:00-02:00\""),
              std::string::npos);
}

} // namespace
} // namespace kestrum
