#include "engine/Formula.h"

#include "support/History.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <string>

namespace kestrum {
namespace {

TEST(DistinctCharsTest, KeepsFirstOccurrencesInOrder) {
    EXPECT_EQ(distinctChars("112233"), "123");
    EXPECT_EQ(distinctChars(""), "");
    EXPECT_EQ(distinctChars("864150918273645"), "8641509273");
    EXPECT_EQ(distinctChars("-1-1"), "-1");
}

struct BetCase {
    std::int32_t seedValue;
    std::int32_t formula;
    std::int32_t codeCount;
    const char* bet;
};

void PrintTo(const BetCase& c, std::ostream* out) {
    *out << c.seedValue << 'x' << c.formula << '/' << c.codeCount;
}

class BetDigitsTest : public testing::TestWithParam<BetCase> {};

TEST_P(BetDigitsTest, FollowsThePipeline) {
    const BetCase& c = GetParam();
    EXPECT_EQ(betDigits(c.seedValue, c.formula, c.codeCount), c.bet)
        << c.seedValue << " x " << c.formula << " cut to " << c.codeCount;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BetDigitsTest,
    testing::Values(BetCase{12345, 7, 6, "864150"}, BetCase{1234, 1, 6, "123409"},
                    BetCase{0, 5, 6, "091827"}, BetCase{0, 321, 10, "0918273645"},
                    BetCase{12345, 100, 3, "123"}, BetCase{12345, 7, 10, "8641509273"},
                    // above 10 gives the same ten digits, 0 or less the empty bet
                    BetCase{12345, 7, 11, "8641509273"}, BetCase{12345, 7, 500, "8641509273"},
                    BetCase{12345, 7, 0, ""}, BetCase{12345, 7, -3, ""}, BetCase{12345, 7, 1, "8"},
                    // a negative product loses its minus sign
                    BetCase{12345, -1, 10, "1234509876"},
                    // 99999 × 200000 wraps to −1475036480 (two's complement)
                    BetCase{99999, 200000, 10, "1475036892"},
                    BetCase{12345, std::numeric_limits<std::int32_t>::max(), 10, "2147309865"}));

class BetDigitsFiveStarTest : public testing::TestWithParam<BetCase> {};

TEST_P(BetDigitsFiveStarTest, UsesTheProductsOwnDigitsAndZero) {
    const BetCase& c = GetParam();
    EXPECT_EQ(betDigitsFiveStar(c.seedValue, c.formula, c.codeCount), c.bet)
        << c.seedValue << " x " << c.formula << " cut to " << c.codeCount;
}

INSTANTIATE_TEST_SUITE_P(
    Table, BetDigitsFiveStarTest,
    testing::Values(BetCase{12345, 7, 2, "86"}, BetCase{11111, 3, 2, "30"},
                    BetCase{11111, 3, 5, "30"}, BetCase{12345, 100, 2, "12"},
                    BetCase{0, 123, 2, "0"}, BetCase{0, 7, 10, "0"}, BetCase{38124, 7, 2, "26"},
                    BetCase{12345, 7, 10, "864150"}, BetCase{12345, 7, 0, ""},
                    // a wrapped, negative product keeps its minus sign in front
                    BetCase{99999, 200000, 3, "-14"}));

TEST(ReadSeedTest, ReadsTheLineAtTheCursor) {
    Engine engine;
    test::storeOldestFirst(
        engine, {"20150101023 0,1,2,3,4", "20150101024 5,5,5,5,5", "20150101025 6,6,6,6,6"});
    resetCursor(engine);
    readSeed(engine);
    EXPECT_EQ(engine.currentDigits, "01234"); // the text keeps the zero ...
    EXPECT_EQ(engine.seedValue, 1234);        // ... the number does not
    EXPECT_EQ(engine.seedPeriod, 23);
    EXPECT_EQ(engine.drawCursor, 1);
}

TEST(ReadSeedTest, ACursorOutsideTheTableReadsAnEmptyLine) {
    Engine engine;
    engine.DrawHistory.fill("20150101023 1,2,3,4,5");
    engine.drawCursor = -1;
    readSeed(engine);
    EXPECT_EQ(engine.currentDigits, "");
    EXPECT_EQ(engine.seedValue, 0);
    EXPECT_EQ(engine.seedPeriod, 0);
    EXPECT_EQ(engine.drawCursor, -2);
}

} // namespace
} // namespace kestrum
