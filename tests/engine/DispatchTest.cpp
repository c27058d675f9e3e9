#include "engine/Dispatch.h"

#include "support/History.h"
#include "support/Walks.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using test::dayOf;
using test::storeOldestFirst;

const std::vector<std::string> kDraws{"12345", "00000", "31419", "27182", "11111", "99997",
                                      "00000", "66666", "48213", "90210", "55555", "13579"};

// Records which play types a recompute searched, through the progress it reports.
struct SearchedTypes {
    std::vector<PlayType> order;

    SearchOptions options() {
        return {[this](const SearchProgress& progress) {
            if (progress.done == 1) {
                order.push_back(progress.type);
            }
        }};
    }
};

TEST(DispatchTest, FirstFullRecomputeSearchesEveryPlayTypeAndTheSecondNone) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, kDraws));
    SearchedTypes searched;
    fullRecompute(engine, searched.options());
    EXPECT_EQ(searched.order, std::vector<PlayType>(allPlayTypes().begin(), allPlayTypes().end()));
    std::vector<std::int32_t> formulas;
    for (PlayType type : allPlayTypes()) {
        formulas.push_back(currentFormula(engine, type));
    }
    // 后一, 后二, 后三, 后三不定位, 五星不定位, 十位, 百位, 千位, 万位, 前三
    EXPECT_EQ(formulas, (std::vector<std::int32_t>{287, 5, 65, 64, 63, 5, 61, 56, 454, 61}));
    for (PlayType type : allPlayTypes()) {
        SCOPED_TRACE(playTypeInfo(type).button);
        // The plan lines are those of a backtest of the current formula.
        Engine check;
        storeOldestFirst(check, dayOf(1, kDraws));
        const PlanShape shape = engine.PlanParams[slotOf(type)];
        ASSERT_TRUE(runBacktest(check, type, currentFormula(engine, type), shape.planPeriods,
                                shape.codeCount)
                        .has_value());
        EXPECT_EQ(engine.PlanLines[slotOf(type)], check.ScratchLines);
        // And the records of its plans, with its summary.
        EXPECT_EQ(engine.PlanRecords[slotOf(type)].plans, check.ScratchPlans);
        EXPECT_EQ(engine.PlanRecords[slotOf(type)].summary, check.lastSummary);
    }

    SearchedTypes again;
    fullRecompute(engine, again.options());
    EXPECT_TRUE(again.order.empty());
}

TEST(DispatchTest, SearchesFillOnlyTheSelectedLotterysEmptyEntries) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, kDraws));
    fullRecompute(engine);
    const auto firstRow = engine.CurrentFormulaTable[1];

    engine.lotteryIndex = 2;
    setCurrentFormula(engine, PlayType::ShiWei, 321);
    SearchedTypes searched;
    recomputeForLottery(engine, searched.options());
    EXPECT_EQ(searched.order.size(), 9u);
    EXPECT_EQ(
        std::set<PlayType>(searched.order.begin(), searched.order.end()).count(PlayType::ShiWei),
        0u);
    EXPECT_EQ(currentFormula(engine, PlayType::ShiWei), 321);

    // Back to the first lottery: its row is filled, nothing is searched.
    engine.lotteryIndex = 1;
    SearchedTypes back;
    recomputeForLottery(engine, back.options());
    EXPECT_TRUE(back.order.empty());
    EXPECT_EQ(engine.CurrentFormulaTable[1], firstRow);
}

TEST(DispatchTest, RecomputePlansSearchesNothingAndBacktestsZeroAsFormulaZero) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, kDraws));
    setCurrentFormula(engine, PlayType::Hou2, 17);
    engine.PlanLines[slotOf(PlayType::Hou1)][200] = "stale";
    engine.PlanRecords[slotOf(PlayType::Hou1)].plans.resize(200);
    recomputePlans(engine);
    EXPECT_EQ(currentFormula(engine, PlayType::Hou1), 0);

    Engine check;
    storeOldestFirst(check, dayOf(1, kDraws));
    ASSERT_TRUE(runBacktest(check, PlayType::Hou1, 0, 3, 6).has_value());
    EXPECT_EQ(engine.PlanLines[slotOf(PlayType::Hou1)], check.ScratchLines);
    EXPECT_EQ(engine.PlanRecords[slotOf(PlayType::Hou1)].plans, check.ScratchPlans);
    EXPECT_EQ(engine.PlanLines[slotOf(PlayType::Hou2)][0].substr(0, 6), "后二");
}

TEST(DispatchTest, CopiesStopAtLine255) {
    Engine engine;
    // 300 lines test 298 draws; with ten digits each ends a won plan: 300 lines written.
    std::vector<std::string> draws(300, "12345");
    std::vector<std::string> history;
    for (std::size_t i = 0; i < draws.size(); ++i) {
        history.push_back(test::drawLine("20150101", static_cast<std::int32_t>(i % 120), draws[i]));
    }
    storeOldestFirst(engine, history);
    engine.PlanParams[slotOf(PlayType::WanWei)] = {3, 10};
    setCurrentFormula(engine, PlayType::WanWei, 7);
    TextSlots& lines = engine.PlanLines[slotOf(PlayType::WanWei)];
    lines[256] = "kept";
    recomputePlanLines(engine, PlayType::WanWei);
    EXPECT_EQ(engine.scratchLineCount, 300);
    EXPECT_EQ(lines[255], "万位017-019期<8641509273> 开 12345  1 期中 ");
    EXPECT_EQ(lines[256], "kept");
    EXPECT_EQ(lines[255], engine.ScratchLines[255]);
    // The records of the lines carried, and no summary: its line is not among them.
    const PlanRecordSet& records = engine.PlanRecords[slotOf(PlayType::WanWei)];
    ASSERT_EQ(records.plans.size(), 256u);
    EXPECT_EQ(records.plans[255], engine.ScratchPlans[255]);
    EXPECT_EQ(records.plans[255].firstPeriod, "017");
    EXPECT_EQ(records.plans[255].outcome, PlanOutcome::Won);
    EXPECT_FALSE(records.summary.has_value());
}

TEST(DispatchTest, FewerThanTwoLinesComputeNothing) {
    Engine engine;
    storeOldestFirst(engine, dayOf(1, {"12345"}));
    engine.PlanLines[0][0] = "previous lottery";
    engine.PlanRecords[0].plans.emplace_back();
    engine.PlanRecords[0].summary = WalkSummary{};
    SearchedTypes searched;
    fullRecompute(engine, searched.options());
    EXPECT_TRUE(searched.order.empty());
    for (PlayType type : allPlayTypes()) {
        EXPECT_EQ(currentFormula(engine, type), 0);
        EXPECT_EQ(engine.PlanLines[slotOf(type)][0], "");
        EXPECT_EQ(engine.PlanRecords[slotOf(type)], PlanRecordSet{});
    }
    EXPECT_EQ(engine.drawCursor, 0);
}

// The scan for the last line reaches slot 0: text there is the last line, and no text in
// lines 0 to 255 gives −1 (the report then shows its footer alone).
TEST(LastPlanLineTest, ScansDownToSlotZero) {
    TextSlots lines;
    lines[kCarriedPlanLines] = "not carried";
    EXPECT_EQ(lastPlanLine(lines), -1);
    lines[0] = "only line";
    EXPECT_EQ(lastPlanLine(lines), 0);
}

TEST(DispatchTest, LotteryNumbersOutsideTheTableReadAndWriteNothing) {
    Engine engine;
    engine.lotteryIndex = 11;
    setCurrentFormula(engine, PlayType::Hou1, 5);
    EXPECT_EQ(currentFormula(engine, PlayType::Hou1), 0);
    engine.lotteryIndex = 0;
    setCurrentFormula(engine, PlayType::Hou1, 5);
    EXPECT_EQ(engine.CurrentFormulaTable, FormulaTable{});
}

} // namespace
} // namespace kestrum
