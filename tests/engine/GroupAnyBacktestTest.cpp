#include "support/History.h"
#include "support/WalkCases.h"
#include "support/Walks.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::dayOf;
using test::drawLine;
using test::SlotLine;
using test::storeOldestFirst;
using test::WalkCase;

// The worked walks of the group and any-position play types: each row's lines (whole, or how
// they begin), what the walk leaves where the row says, and records that agree with the lines.
class GroupAnyWalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(GroupAnyWalkTest, WritesItsLines) {
    test::expectWalk(GetParam());
}

SlotLine startsWith(std::size_t slot, const char* text) {
    return {slot, text, true};
}

// 7 is not in the bet 86415092 (nor in 8641509 at codeCount 7 for 三星 and 前三星).
WalkCase missesWithSevens(const char* name, PlayType type, std::int32_t planPeriods,
                          std::int32_t codeCount, const char* firstLine) {
    return test::walk(name, type, dayOf(24, {"12345", "00000", "77777", "77777", "77777", "77777"}),
                      7, planPeriods, codeCount)
        .withLines({{0, firstLine}});
}

WalkCase hitsEveryDraw(const char* name, PlayType type) {
    return test::walk(name, type, dayOf(1, {"12345", "00000", "98765", "13579", "24680"}), 7, 3, 12)
        .leavingHitPlans(3.0f)
        .leavingMaxMissRun(0);
}

// The seed 00078 × 1 bets 78. "7,8" gives the digits 78: counted from the end past its first
// character (三星's 百位) that is 7; counted from the start past its last character (前三星's
// 百位) that is 8. "7,9" has a 9. An empty line gives empty digit texts.
const std::vector<std::string> kShortLines{"20150101001 0,0,0,7,8", "20150101002 0,0,0,0,0", "7,8",
                                           "7,9", ""};

INSTANTIATE_TEST_SUITE_P(
    Group, GroupAnyWalkTest,
    testing::Values(
        // Seed 12345 at period 24, × 7 = 86415 bets 86415092; 30629 has 个位 9 and 十位 2.
        test::walk("Hou2WinsWhenBothDigitsAreInTheBet", PlayType::Hou2,
                   dayOf(24, {"12345", "00000", "30629"}), 7, 3, 8)
            .withLines({{0, "后二024-026期<86415092> 开 30629  1 期中 "},
                        // 30629 × 7 = 214403
                        {1, "后二027-029期<21403987> 计划进行中……\r\n"},
                        {2, "100%中[001]   挂[000] 连挂[000]"}})
            .leavingLines(3),
        missesWithSevens("Hou2FailedLinesShowTheDrawsPlayed", PlayType::Hou2, 3, 8,
                         "后二024-026期<86415092> 开 77777   挂 003"),
        missesWithSevens("SanXingFailedLinesEndAtTheMark", PlayType::SanXing, 4, 7,
                         "三星001-004期<8641509> 开 77777   挂 "),
        missesWithSevens("QianSanXingFailedLinesEndAtTheMark", PlayType::QianSanXing, 4, 7,
                         "前三星001-004期<8641509> 开 77777   挂 "),
        // The seed 00005 × 1 bets 5 alone. 55551 and 00015 miss (a 1 on 个位 or 十位); 12555
        // holds 5 on both.
        test::walk("Hou2RepeatedDigitsNeedOnlyOneBetDigit", PlayType::Hou2,
                   dayOf(10, {"00005", "00000", "55551", "00015", "12555"}), 1, 5, 1)
            .withLines({{0, "后二010-014期<5> 开 12555  3 期中 "}}),
        test::walk("SanXingRepeatedDigitsNeedOnlyOneBetDigit", PlayType::SanXing,
                   dayOf(10, {"00005", "00000", "12555"}), 1, 4, 1)
            .withLines({{0, "三星001-004期<5> 开 12555  1 期中 "}}),
        hitsEveryDraw("Hou2TenOrMoreDigitsHitEveryDraw", PlayType::Hou2),
        hitsEveryDraw("SanXingTenOrMoreDigitsHitEveryDraw", PlayType::SanXing),
        hitsEveryDraw("QianSanXingTenOrMoreDigitsHitEveryDraw", PlayType::QianSanXing),
        test::walk("SanXingShortLinesFallBackToTheirEdges", PlayType::SanXing, kShortLines, 1, 1, 2)
            .withLines({{0, "三星001-001期<78> 开 78  1 期中 "},
                        {1, "三星008-008期<78> 开 79   挂 "},
                        {2, "三星008-008期<79> 开   1 期中 "}}),
        test::walk("QianSanXingShortLinesFallBackToTheirEdges", PlayType::QianSanXing, kShortLines,
                   1, 1, 2)
            .withLines({{0, "前三星001-001期<78> 开 78  1 期中 "},
                        {1, "前三星008-008期<78> 开 79   挂 "}}),
        test::walk("SanXingsFirstPlanStartsAtPeriodOne", PlayType::SanXing,
                   dayOf(57, {"12345", "00000", "11111", "99999"}), 7, 4, 8)
            .withLines({startsWith(0, "三星001-004期")}),
        // Later plans take their period from the draw lines.
        test::walk("QianSanXingsFirstPlanStartsAtPeriodOne", PlayType::QianSanXing,
                   dayOf(57, {"12345", "00000", "11111", "99999"}, 4), 7, 3, 8)
            .withLines({startsWith(0, "前三星0001-0003期"), startsWith(1, "前三星0060-0062期")})
            .onMinuteLayout()),
    test::walkCaseName);

// The seed 00098 × 1 bets 98; 98123 has them only on 万位 and 千位. The first plan starts at
// the seed's own period even on the day's last draw.
const std::vector<std::string> kDaysLastSeed{
    drawLine("20150101", 120, "00098"), drawLine("20150102", 1, "00000"),
    drawLine("20150102", 2, "98123"), drawLine("20150102", 3, "12348")};

INSTANTIATE_TEST_SUITE_P(
    AnyPosition, GroupAnyWalkTest,
    testing::Values(
        test::walk("FiveStarExample", PlayType::WuXingAny,
                   dayOf(1, {"12345", "00000", "12345", "00799", "38124"}), 7, 3, 2)
            .withLines({{0, "五星不定位001-003期<86> 开 38124  3 期中 "},
                        // 38124 × 7 = 266868
                        {1, "五星不定位006-008期<26> 计划进行中……\r\n"},
                        {2, "100%中[001]   挂[000] 连挂[000]"}})
            .leavingLines(3),
        test::walk("Hou3AnyIgnoresTheFirstTwoPositions", PlayType::Hou3Any, kDaysLastSeed, 1, 3, 2)
            .withLines({{0, "后三不定位120-122期<98> 开 12348  2 期中 "}}),
        // With ten or more digits every draw hits.
        test::walk("Hou3AnyWithTenDigitsHitsEveryDraw", PlayType::Hou3Any, kDaysLastSeed, 1, 3, 10)
            .leavingHitPlans(2.0f),
        test::walk("FiveStarBetsZeroForAZeroProduct", PlayType::WuXingAny,
                   dayOf(1, {"00000", "00000", "12345"}), 123, 3, 5)
            .withLines({startsWith(0, "五星不定位001-003期<0>")}),
        test::walk("FiveStarBetsOnlyTheProductsDigitsAndZero", PlayType::WuXingAny,
                   dayOf(1, {"11111", "00000", "22222"}), 3, 3, 5)
            .withLines({startsWith(0, "五星不定位001-003期<30>")}),
        // A product that wraps negative bets its minus sign first, which no digit matches.
        test::walk("FiveStarBetsTheMinusSignOfAWrappedProduct", PlayType::WuXingAny,
                   dayOf(1, {"99999", "00000", "22222", "14444"}), 200000, 3, 2)
            .withLines({{0, "五星不定位001-003期<-1> 开 14444  2 期中 "}}),
        test::walk("HeadersUseFourDigitsAt1440DrawsADay", PlayType::WuXingAny,
                   dayOf(23, {"12345", "00000", "86000"}, 4), 7, 3, 2)
            .withLines({{0, "五星不定位0023-0025期<86> 开 86000  1 期中 "}})
            .onMinuteLayout(),
        test::walk("EmptyDigitsAreInEveryBet", PlayType::Hou3Any,
                   {"20150101001 1,2,3,4,5", "20150101002 0,0,0,0,0", ""}, 7, 3, 2)
            .withLines({{0, "后三不定位001-003期<86> 开   1 期中 "}})),
    test::walkCaseName);

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
