#include "support/History.h"
#include "support/Walks.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::dayOf;
using test::drawLine;
using test::storeOldestFirst;
using test::writtenLines;
using testing::StartsWith;

TEST(GroupBacktestTest, Hou2WinsWhenBothDigitsAreInTheBet) {
    Engine engine;
    // Seed 12345 at period 24, × 7 = 86415 bets 86415092; 30629 has 个位 9 and 十位 2.
    storeOldestFirst(engine, dayOf(24, {"12345", "00000", "30629"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou2, 7, 3, 8).has_value());
    const std::vector<std::string> expected{
        "后二024-026期<86415092> 开 30629  1 期中 ",
        "后二027-029期<21403987> 计划进行中……\r\n", // 30629 × 7 = 214403
        "100%中[001]   挂[000] 连挂[000]",
    };
    EXPECT_EQ(writtenLines(engine), expected);
}

TEST(GroupBacktestTest, FailedLinesEndByPlayType) {
    Engine engine;
    // 7 is not in the bet 86415092 (nor in 8641509 at codeCount 7 for 三星 and 前三星).
    storeOldestFirst(engine, dayOf(24, {"12345", "00000", "77777", "77777", "77777", "77777"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou2, 7, 3, 8).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "后二024-026期<86415092> 开 77777   挂 003");
    ASSERT_TRUE(runBacktest(engine, PlayType::SanXing, 7, 4, 7).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "三星001-004期<8641509> 开 77777   挂 ");
    ASSERT_TRUE(runBacktest(engine, PlayType::QianSanXing, 7, 4, 7).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "前三星001-004期<8641509> 开 77777   挂 ");
}

TEST(GroupBacktestTest, RepeatedDigitsNeedOnlyOneBetDigit) {
    Engine engine;
    // The seed 00005 × 1 bets 5 alone.
    storeOldestFirst(engine, dayOf(10, {"00005", "00000", "55551", "00015", "12555"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou2, 1, 5, 1).has_value());
    // 55551 and 00015 miss (a 1 on 个位 or 十位); 12555 holds 5 on both.
    EXPECT_EQ(engine.ScratchLines[0], "后二010-014期<5> 开 12555  3 期中 ");

    storeOldestFirst(engine, dayOf(10, {"00005", "00000", "12555"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::SanXing, 1, 4, 1).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "三星001-004期<5> 开 12555  1 期中 ");
}

TEST(GroupBacktestTest, TenOrMoreDigitsHitEveryDraw) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "98765", "13579", "24680"}));
    for (PlayType type : {PlayType::Hou2, PlayType::SanXing, PlayType::QianSanXing}) {
        ASSERT_TRUE(runBacktest(engine, type, 7, 3, 12).has_value());
        EXPECT_EQ(engine.lastStats.hitPlans, 3.0f);
        EXPECT_EQ(engine.lastStats.maxMissRun, 0);
    }
}

TEST(GroupBacktestTest, ShortLinesFallBackToTheirEdges) {
    Engine engine;
    // The seed 00078 × 1 bets 78. "7,8" gives the digits 78: counted from the end past its
    // first character (三星's 百位) that is 7; counted from the start past its last character
    // (前三星's 百位) that is 8. "7,9" has a 9. An empty line gives empty digit texts.
    storeOldestFirst(engine, {"20150101001 0,0,0,7,8", "20150101002 0,0,0,0,0", "7,8", "7,9", ""});
    ASSERT_TRUE(runBacktest(engine, PlayType::SanXing, 1, 1, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "三星001-001期<78> 开 78  1 期中 ");
    EXPECT_EQ(engine.ScratchLines[1], "三星008-008期<78> 开 79   挂 ");
    EXPECT_EQ(engine.ScratchLines[2], "三星008-008期<79> 开   1 期中 ");

    ASSERT_TRUE(runBacktest(engine, PlayType::QianSanXing, 1, 1, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "前三星001-001期<78> 开 78  1 期中 ");
    EXPECT_EQ(engine.ScratchLines[1], "前三星008-008期<78> 开 79   挂 ");
}

TEST(GroupBacktestTest, FirstPlanOfThreeStarKindsStartsAtPeriodOne) {
    Engine engine;
    storeOldestFirst(engine, dayOf(57, {"12345", "00000", "11111", "99999"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::SanXing, 7, 4, 8).has_value());
    EXPECT_THAT(engine.ScratchLines[0], StartsWith("三星001-004期"));

    test::useMinuteLayout(engine);
    storeOldestFirst(engine, dayOf(57, {"12345", "00000", "11111", "99999"}, 4));
    ASSERT_TRUE(runBacktest(engine, PlayType::QianSanXing, 7, 3, 8).has_value());
    EXPECT_THAT(engine.ScratchLines[0], StartsWith("前三星0001-0003期"));
    // Later plans take their period from the draw lines.
    EXPECT_THAT(engine.ScratchLines[1], StartsWith("前三星0060-0062期"));
}

TEST(AnyPositionBacktestTest, FiveStarExample) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "12345", "00799", "38124"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::WuXingAny, 7, 3, 2).has_value());
    const std::vector<std::string> expected{
        "五星不定位001-003期<86> 开 38124  3 期中 ",
        "五星不定位006-008期<26> 计划进行中……\r\n", // 38124 × 7 = 266868
        "100%中[001]   挂[000] 连挂[000]",
    };
    EXPECT_EQ(writtenLines(engine), expected);
}

TEST(AnyPositionBacktestTest, Hou3AnyIgnoresTheFirstTwoPositions) {
    Engine engine;
    // The seed 00098 × 1 bets 98; 98123 has them only on 万位 and 千位. The first plan starts
    // at the seed's own period even on the day's last draw.
    storeOldestFirst(engine, {drawLine("20150101", 120, "00098"), drawLine("20150102", 1, "00000"),
                              drawLine("20150102", 2, "98123"), drawLine("20150102", 3, "12348")});
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou3Any, 1, 3, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "后三不定位120-122期<98> 开 12348  2 期中 ");

    // With ten or more digits every draw hits.
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou3Any, 1, 3, 10).has_value());
    EXPECT_EQ(engine.lastStats.hitPlans, 2.0f);
}

TEST(AnyPositionBacktestTest, FiveStarBetsOnlyTheProductsDigitsAndZero) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"00000", "00000", "12345"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::WuXingAny, 123, 3, 5).has_value());
    EXPECT_THAT(engine.ScratchLines[0], StartsWith("五星不定位001-003期<0>"));

    storeOldestFirst(engine, dayOf(1, {"11111", "00000", "22222"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::WuXingAny, 3, 3, 5).has_value());
    EXPECT_THAT(engine.ScratchLines[0], StartsWith("五星不定位001-003期<30>"));

    // A product that wraps negative bets its minus sign first, which no digit matches.
    storeOldestFirst(engine, dayOf(1, {"99999", "00000", "22222", "14444"}));
    ASSERT_TRUE(runBacktest(engine, PlayType::WuXingAny, 200000, 3, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "五星不定位001-003期<-1> 开 14444  2 期中 ");
}

TEST(AnyPositionBacktestTest, HeadersUseFourDigitsAt1440DrawsADay) {
    Engine engine;
    test::useMinuteLayout(engine);
    storeOldestFirst(engine, dayOf(23, {"12345", "00000", "86000"}, 4));
    ASSERT_TRUE(runBacktest(engine, PlayType::WuXingAny, 7, 3, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "五星不定位0023-0025期<86> 开 86000  1 期中 ");
}

TEST(AnyPositionBacktestTest, EmptyDigitsAreInEveryBet) {
    Engine engine;
    storeOldestFirst(engine, {"20150101001 1,2,3,4,5", "20150101002 0,0,0,0,0", ""});
    ASSERT_TRUE(runBacktest(engine, PlayType::Hou3Any, 7, 3, 2).has_value());
    EXPECT_EQ(engine.ScratchLines[0], "后三不定位001-003期<86> 开   1 期中 ");
}

TEST(FamilyTest, EachFamilyRefusesTheOthers) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "12345"}));
    resetCursor(engine);
    readSeed(engine);
    EXPECT_THROW(backtestGroup(engine, PlayType::Hou3Any, 7, 3, 2), std::invalid_argument);
    EXPECT_THROW(backtestAnyPosition(engine, PlayType::Hou1, 7, 3, 2), std::invalid_argument);
    EXPECT_TRUE(backtestAnyPosition(engine, PlayType::Hou3Any, 7, 3, 2).has_value());
}

} // namespace
} // namespace kestrum
