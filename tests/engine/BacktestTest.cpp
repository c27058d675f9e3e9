#include "engine/Backtest.h"

#include "engine/Formula.h"
#include "support/History.h"
#include "support/WalkCases.h"
#include "support/Walks.h"
#include "support/WorkedExample.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace kestrum {
namespace {

using test::dayOf;
using test::drawLine;
using test::storeOldestFirst;
using test::WalkCase;
using test::writtenLines;

std::optional<float> run(Engine& engine, PlayType type, std::int32_t formula,
                         std::int32_t planPeriods, std::int32_t codeCount) {
    return runBacktest(engine, type, formula, planPeriods, codeCount);
}

const std::vector<std::string> kExampleDraws{"12345", "55550", "31419", "27182",
                                             "11111", "99997", "00000", "66666"};

TEST(SinglePositionBacktestTest, WorkedExample) {
    Engine engine;
    storeOldestFirst(engine, dayOf(23, kExampleDraws));
    const std::optional<float> result = run(engine, PlayType::Hou1, 7, 2, 4);

    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(*result, 3.0f);
    EXPECT_EQ(writtenLines(engine), test::kWorkedExamplePlanLines);
    EXPECT_EQ(engine.lastStats.hitPlans, 3.0f);
    EXPECT_EQ(engine.lastStats.accuracy, 83.0f);
    EXPECT_EQ(engine.lastStats.maxHitRun, 3);
    EXPECT_EQ(engine.lastStats.maxMissRun, 2);
    // The state a walk leaves behind.
    EXPECT_EQ(engine.seedValue, 0);
    EXPECT_EQ(engine.currentDigits, "66666");
    EXPECT_EQ(engine.drawCursor, 0);
    EXPECT_EQ(engine.scratchLineCount, 6);
    EXPECT_EQ(engine.hitPlanCount, 0);
    // The records of its plans, and the figures of its summary.
    EXPECT_EQ(engine.ScratchPlans, test::kWorkedExamplePlans);
    EXPECT_EQ(engine.lastSummary, test::kWorkedExampleSummary);
    test::expectRecordsAgreeWithLines(engine, PlayType::Hou1, 2);
}

TEST(SinglePositionBacktestTest, RefusesOtherFamilies) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, kExampleDraws));
    resetCursor(engine);
    readSeed(engine);
    EXPECT_THROW(backtestSinglePosition(engine, PlayType::Hou2, 7, 3, 6), std::invalid_argument);
    EXPECT_TRUE(backtestSinglePosition(engine, PlayType::WanWei, 7, 3, 6).has_value());
}

// With ten bet digits every tested draw is a won plan, so the lines list the tested draws in
// walk order.
TEST(CursorWalkTest, ElevenLinesTestNineDrawsAfterSkippingOne) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"10000", "99999", "00008", "00007", "00006", "00005",
                                       "00004", "00003", "00002", "00001", "00000"}));
    ASSERT_EQ(engine.oldestIndex, 10);
    // Slots above the oldest line are never read, whatever they hold.
    for (std::size_t slot = 11; slot < engine.DrawHistory.size(); ++slot) {
        engine.DrawHistory[slot] = "20150101099 9,9,9,9,9";
    }
    ASSERT_TRUE(run(engine, PlayType::Hou1, 1, 3, 10).has_value());

    EXPECT_EQ(engine.scratchLineCount, 11); // nine plans, running plan, summary
    // Each plan wins with the first of its draws, 00008 down to 00000.
    const std::vector<std::string> plans{"后一001-003期<1098273645> 开 00008  1  期中 ",
                                         "后一004-006期<8091273645> 开 00007  1  期中 ",
                                         "后一005-007期<7091823645> 开 00006  1  期中 ",
                                         "后一006-008期<6091827345> 开 00005  1  期中 ",
                                         "后一007-009期<5091827364> 开 00004  1  期中 ",
                                         "后一008-010期<4091827365> 开 00003  1  期中 ",
                                         "后一009-011期<3091827645> 开 00002  1  期中 ",
                                         "后一010-012期<2091873645> 开 00001  1  期中 ",
                                         "后一011-013期<1098273645> 开 00000  1  期中 "};
    for (std::size_t i = 0; i < plans.size(); ++i) {
        EXPECT_EQ(engine.ScratchLines[i], plans[i]) << i;
    }
    EXPECT_EQ(engine.ScratchLines[10], "100%中[009]   挂[000] 连挂[000]");
    EXPECT_EQ(engine.drawCursor, 0);
    EXPECT_EQ(engine.currentDigits, "00000");
    test::expectRecordsAgreeWithLines(engine, PlayType::Hou1, 3);
}

TEST(CursorWalkTest, FewerThanTwoLinesRefuseTheWalkAndChangeNothing) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345"}));
    engine.ScratchLines[0] = "kept";
    engine.ScratchPlans.emplace_back().bet = "kept";
    engine.lastStats = {5.0f, 50.0f, 2, 1};
    resetCursor(engine);
    engine.scratchLineCount = 0;
    readSeed(engine);
    ASSERT_EQ(engine.drawCursor, -1);
    const Engine before = engine;

    EXPECT_FALSE(backtest(engine, PlayType::Hou1, 7, 3, 6).has_value());
    EXPECT_EQ(engine.ScratchLines, before.ScratchLines);
    EXPECT_EQ(engine.ScratchPlans, before.ScratchPlans);
    EXPECT_EQ(engine.scratchLineCount, 0);
    EXPECT_EQ(engine.drawCursor, -1);
    EXPECT_EQ(engine.lastStats.hitPlans, 5.0f);
    EXPECT_EQ(engine.seedValue, before.seedValue);

    // The same for an empty store.
    Engine empty;
    EXPECT_FALSE(run(empty, PlayType::WanWei, 7, 3, 6).has_value());
    EXPECT_EQ(empty.scratchLineCount, 0);
}

TEST(StatisticsTest, HitRunIsComparedOnlyAtAMissThatBeatsTheRecord) {
    Engine engine;
    // k 1 and c 1 bet the seed's first digit, always 1 here, so a draw hits when its 个位
    // is 1. Draws: H H M (run 2 is a record: reset) H M (1 is no record: the run stays 1)
    // H H M (run 3 is a record), although no three won plans stand in a row.
    storeOldestFirst(engine, dayOf(1, {"10001", "00000", "10001", "10001", "10002", "10001",
                                       "10002", "10001", "10001", "10002"}));
    ASSERT_TRUE(run(engine, PlayType::Hou1, 1, 5, 1).has_value());
    EXPECT_EQ(engine.lastStats.maxHitRun, 3);
    EXPECT_EQ(engine.lastStats.maxMissRun, 1);
    EXPECT_EQ(engine.lastStats.hitPlans, 5.0f);
}

TEST(StatisticsTest, RunsStillOpenAtTheEndAreNotCounted) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "00002", "00003", "00003"}));
    ASSERT_TRUE(run(engine, PlayType::Hou1, 7, 9, 4).has_value());
    EXPECT_EQ(engine.lastStats.maxMissRun, 0); // three misses, no hit ended them
    EXPECT_EQ(engine.lastStats.maxHitRun, 0);
}

// The worked walks of the single positions: each row's lines, what the walk leaves where the row
// says, and records that agree with the lines.
class SinglePositionWalkTest : public testing::TestWithParam<WalkCase> {};

TEST_P(SinglePositionWalkTest, WritesItsLines) {
    test::expectWalk(GetParam());
}

// One history, one formula: each position tests its own digit and ends its line its own way.
// The seed 12345 × 7 bets 86; the first tested draw 80164 holds 8 on 万位 and 6 on 十位 only.
WalkCase ownDigit(const char* name, PlayType type, const char* firstLine) {
    return test::walk(name, type, dayOf(40, {"12345", "00000", "80164", "77777"}), 7, 1, 2)
        .withLines({{0, firstLine}});
}

INSTANTIATE_TEST_SUITE_P(
    Positions, SinglePositionWalkTest,
    testing::Values(
        ownDigit("Hou1TestsItsOwnDigit", PlayType::Hou1, "后一040-040期<86> 开 80164   挂 "),
        ownDigit("ShiWeiTestsItsOwnDigit", PlayType::ShiWei, "十位040-040期<86> 开 80164  1 期中 "),
        ownDigit("BaiWeiTestsItsOwnDigit", PlayType::BaiWei, "百位040-040期<86> 开 80164   挂 "),
        ownDigit("QianWeiTestsItsOwnDigit", PlayType::QianWei, "千位040-040期<86> 开 80164   挂 "),
        ownDigit("WanWeiTestsItsOwnDigit", PlayType::WanWei,
                 "万位040-040期<86> 开 80164  1 期中 ")),
    test::walkCaseName);

INSTANTIATE_TEST_SUITE_P(
    CursorWalk, SinglePositionWalkTest,
    testing::Values(
        // Seed 12345 × 1 bets 12; then a one-character line, an empty line, a short line.
        // "7": 十位 of a one-character text is that character, a miss. "": the empty digit
        // text is contained in every bet, a hit, whose period window holds no digit (period
        // 0). The empty seed reads as 0 and bets 09; "92" tests its first character 9, a hit.
        // Its period window "9,2" reads as 9, and 92 seeds the next bet.
        test::walk("ShortAndEmptyLinesAreReadAsTheyCome", PlayType::ShiWei,
                   {"20150101001 1,2,3,4,5", "20150101002 0,0,0,0,0", "7", "", "9,2"}, 1, 5, 2)
            .withLines({{0, "十位001-005期<12> 开   2 期中 "},
                        {1, "十位001-005期<09> 开 92  1 期中 "},
                        {2, "十位010-014期<92> 计划进行中……\r\n"}})),
    test::walkCaseName);

INSTANTIATE_TEST_SUITE_P(
    PeriodFold, SinglePositionWalkTest,
    testing::Values(
        // A seed period equal to drawsPerDay starts the first header at 000.
        test::walk("ASeedAtDrawsPerDayStartsAt000", PlayType::Hou1,
                   {drawLine("20150101", 120, "12345"), drawLine("20150102", 1, "00000"),
                    drawLine("20150102", 2, "66666")},
                   7, 3, 6)
            .withLines({{0, "后一000-002期<864150> 开 66666  1  期中 "}}),
        // A last plan ending on the day's final period: the running plan's header starts at
        // 001.
        test::walk("ARunningPlanAfterTheDaysLastPeriodStartsAt001", PlayType::Hou1,
                   {drawLine("20150101", 118, "12345"), drawLine("20150101", 119, "00000"),
                    drawLine("20150101", 120, "66666")},
                   7, 3, 6)
            .withLines({{0, "后一118-120期<864150> 开 66666  1  期中 "},
                        {1, "后一001-003期<462091> 计划进行中……\r\n"}}),
        // A seed period above drawsPerDay folds once at the start, and a running plan
        // starting at exactly drawsPerDay + 1 folds to 001 (at drawsPerDay it stays).
        test::walk("ASeedAboveDrawsPerDayFoldsOnce", PlayType::Hou1,
                   {drawLine("20150101", 118, "12345"), drawLine("20150101", 119, "00000"),
                    drawLine("20150101", 100, "11111")},
                   7, 3, 6)
            .withLines({{0, "后一018-020期<864150> 开 11111  1  期中 "},
                        {1, "后一001-003期<709182> 计划进行中……\r\n"}})
            .atDrawsPerDay(100),
        test::walk("FourDigitPeriodsAt1440DrawsADay", PlayType::Hou1,
                   dayOf(23, {"12345", "00000", "66666", "11111"}, 4), 7, 3, 6)
            .withLines({{0, "后一0023-0025期<864150> 开 66666  1  期中 "},
                        {1, "后一0026-0028期<462091> 开 11111  1  期中 "},
                        {2, "后一0027-0029期<709182> 计划进行中……\r\n"}})
            .onMinuteLayout()),
    test::walkCaseName);

// Bet 8641 (k 7, c 4): 个位 2 and 3 miss, 1 hits after three misses. The last period of the
// plan is planPeriods − 1 after its first.
WalkCase neverFails(const char* name, std::int32_t planPeriods, const char* firstLine) {
    return test::walk(name, PlayType::Hou1,
                      dayOf(1, {"12345", "00000", "00002", "00003", "00003", "00001"}), 7,
                      planPeriods, 4)
        .withLines({{0, firstLine}, {2, "100%中[001]   挂[000] 连挂[000]"}})
        .leavingLines(3)
        .leavingMaxMissRun(3);
}

// Three failed plans in a row raise 连挂 by two; 4 × 100 / 7.
WalkCase betsNothing(const char* name, std::int32_t codeCount) {
    return test::walk(name, PlayType::Hou1,
                      dayOf(1, {"12345", "00000", "11111", "22222", "33333", "44444", "55555",
                                "66666", "77777"}),
                      7, 2, codeCount)
        .withLines({{0, "后一001-002期<> 开 22222   挂 "},
                    {1, "后一005-006期<> 开 44444   挂 "},
                    {2, "后一007-008期<> 开 66666   挂 "},
                    {4, "050%中[003]   挂[003] 连挂[002]"}})
        .leavingHitPlans(0.0f)
        .leavingAccuracy(57.0f);
}

INSTANTIATE_TEST_SUITE_P(
    PlanShape, SinglePositionWalkTest,
    testing::Values(
        // Each draw ends a plan, won or failed; 77777 × 7 = 544439 bets 543901. 4 × 100 / 6.
        test::walk("OnePeriodPlansEndAfterEveryDraw", PlayType::Hou1,
                   dayOf(1, {"12345", "00000", "77777", "77777", "55555"}), 7, 1, 6)
            .withLines({{0, "后一001-001期<864150> 开 77777   挂 "},
                        {1, "后一004-004期<543901> 开 77777   挂 "},
                        {2, "后一005-005期<543901> 开 55555  1  期中 "},
                        {4, "060%中[003]   挂[002] 连挂[001]"}})
            .leavingAccuracy(66.0f),
        neverFails("PlanPeriodsZeroNeverFail", 0, "后一001-000期<8641> 开 00001  4  期中 "),
        neverFails("PlanPeriodsMinusOneNeverFail", -1, "后一001--01期<8641> 开 00001  4  期中 "),
        neverFails("PlanPeriodsMinusFiveNeverFail", -5, "后一001--05期<8641> 开 00001  4  期中 "),
        betsNothing("CodeCountZeroBetsNothingAndFailsEveryPlan", 0),
        betsNothing("CodeCountMinusFourBetsNothingAndFailsEveryPlan", -4),
        test::walk("CodeCountAboveTenBetsTheTenDigits", PlayType::QianWei,
                   dayOf(1, {"12345", "00000", "11111", "22222"}), 7, 3, 11)
            .withLines({{0, "千位001-003期<8641509273> 开 11111  1 期中 "}})
            .leavingHitPlans(2.0f)),
    test::walkCaseName);

INSTANTIATE_TEST_SUITE_P(Summary, SinglePositionWalkTest,
                         testing::Values(
                             // Two lines: the seed and the skipped slot, no draw tested.
                             test::walk("NoPlanEndedShowsZeroPercent", PlayType::Hou1,
                                        dayOf(1, {"12345", "00000"}), 7, 3, 6)
                                 .withLines({{0, "后一001-003期<864150> 计划进行中……\r\n"},
                                             {1, "000%中[000]   挂[000] 连挂[000]"}})
                                 .leavingLines(2)
                                 .leavingAccuracy(100.0f),
                             // A plan still running after a miss: the same.
                             test::walk("APlanRunningAfterAMissShowsZeroPercent", PlayType::Hou1,
                                        dayOf(1, {"12345", "00000", "00002"}), 7, 3, 4)
                                 .withLines({{1, "000%中[000]   挂[000] 连挂[000]"}})),
                         test::walkCaseName);

INSTANTIATE_TEST_SUITE_P(
    Overflow, SinglePositionWalkTest,
    testing::Values(
        // 99999 × 200000 wraps to −1475036480: the bet takes the digits without the sign.
        test::walk("ATypedFormulaThatOverflowsWraps", PlayType::Hou1,
                   dayOf(2, {"99999", "00000", "55555", "11111"}), 200000, 3, 4)
            .withLines({{0, "后一002-004期<1475> 开 55555  1  期中 "}}),
        // A huge 期数 overflows the header's last period, 2 + 2147483647 − 1.
        test::walk("APlanLengthThatOverflowsWraps", PlayType::Hou1,
                   dayOf(2, {"99999", "00000", "55555", "11111"}), 7,
                   std::numeric_limits<std::int32_t>::max(), 4)
            .withLines({{0, "后一002--2147483648期<6930> 计划进行中……\r\n"}})),
    test::walkCaseName);

TEST(ScratchBoundTest, LinesPastTheLastSlotAreCountedNotStored) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345", "00000", "11111", "22222", "33333"}));
    resetCursor(engine);
    engine.scratchLineCount = 0;
    readSeed(engine);
    engine.scratchLineCount = kHistorySlots - 2; // as if earlier lines filled the table
    ASSERT_TRUE(backtest(engine, PlayType::Hou1, 7, 3, 10).has_value());
    EXPECT_EQ(engine.scratchLineCount, kHistorySlots + 3);
    EXPECT_EQ(engine.ScratchLines[kHistorySlots - 2].substr(0, 9), "后一001");
    EXPECT_EQ(engine.ScratchLines[kHistorySlots - 1],
              "后一004-006期<7091823645> 开 22222  1  期中 ");
    // Every plan keeps its record, stored line or not: three won plans and the running one.
    ASSERT_EQ(engine.ScratchPlans.size(), 4u);
    EXPECT_EQ(engine.ScratchPlans[1].draw, "22222");
    EXPECT_EQ(engine.ScratchPlans[3].outcome, PlanOutcome::Running);
}

} // namespace
} // namespace kestrum
