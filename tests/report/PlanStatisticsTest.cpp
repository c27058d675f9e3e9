#include "report/AccuracyHistogram.h"
#include "report/PlanStrip.h"
#include "support/WorkedExample.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace kestrum {
namespace {

struct ExpectedCell {
    PlanOutcome outcome;
    std::int32_t period;
    const char* header;
    const char* drawn;
};

void expectCells(const PlanStrip& strip, const std::vector<ExpectedCell>& expected) {
    ASSERT_EQ(strip.cells.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(strip.cells[i].outcome, expected[i].outcome) << "cell " << i;
        EXPECT_EQ(strip.cells[i].period, expected[i].period) << "cell " << i;
        EXPECT_EQ(strip.cells[i].header, expected[i].header) << "cell " << i;
        EXPECT_EQ(strip.cells[i].drawn, expected[i].drawn) << "cell " << i;
    }
}

TEST(PlanStripTest, WorkedExampleAsTheReportListsIt) {
    const PlanStrip strip =
        planStrip(PlayType::Hou1, {test::kWorkedExamplePlans, test::kWorkedExampleSummary});
    // One failed plan, three won in their first period, the running plan; no cell for the
    // summary.
    expectCells(strip, {{PlanOutcome::Failed, 0, "后一023-024期", "27182"},
                        {PlanOutcome::Won, 1, "后一027-028期", "11111"},
                        {PlanOutcome::Won, 1, "后一028-029期", "99997"},
                        {PlanOutcome::Won, 1, "后一029-030期", "00000"},
                        {PlanOutcome::Running, 0, "后一030-031期", ""}});
    EXPECT_EQ(strip.won, 3);
    EXPECT_EQ(strip.failed, 1);
    // The backtest's accuracy of the example: 500 / 6.
    EXPECT_EQ(strip.accuracy, 83);
    EXPECT_EQ(strip.longestFailedRun, 1);
}

PlanRecord plan(const char* first, const char* last, PlanOutcome outcome, std::int32_t wonAt,
                const char* draw) {
    PlanRecord record;
    record.firstPeriod = first;
    record.lastPeriod = last;
    record.outcome = outcome;
    record.wonAt = wonAt;
    record.draw = draw;
    return record;
}

TEST(PlanStripTest, LaterPeriodsAndFailedRunsOfAGroupPlayType) {
    // A 后二 walk's plans: wins in later periods, a short draw, runs of failed plans.
    const PlanRecordSet records{{
                                    plan("001", "003", PlanOutcome::Failed, 0, "12399"),
                                    plan("004", "006", PlanOutcome::Failed, 0, "55588"),
                                    plan("007", "009", PlanOutcome::Won, 2, "90112"),
                                    plan("009", "011", PlanOutcome::Won, 3, "0912"),
                                    plan("012", "014", PlanOutcome::Failed, 0, "11100"),
                                    plan("015", "017", PlanOutcome::Running, 0, ""),
                                },
                                WalkSummary{5, 3, 1}};
    const PlanStrip strip = planStrip(PlayType::Hou2, records);
    expectCells(strip, {{PlanOutcome::Failed, 0, "后二001-003期", "12399"},
                        {PlanOutcome::Failed, 0, "后二004-006期", "55588"},
                        {PlanOutcome::Won, 2, "后二007-009期", "90112"},
                        {PlanOutcome::Won, 3, "后二009-011期", "0912"},
                        {PlanOutcome::Failed, 0, "后二012-014期", "11100"},
                        {PlanOutcome::Running, 0, "后二015-017期", ""}});
    EXPECT_EQ(strip.won, 2);
    EXPECT_EQ(strip.failed, 3);
    EXPECT_EQ(strip.longestFailedRun, 2);
    // (2 + 3 + 1) × 100 / (2 + 6 + 1) = 600 / 9.
    EXPECT_EQ(strip.accuracy, 66);

    EXPECT_TRUE(planStrip(PlayType::Hou2, PlanRecordSet{}).cells.empty());
    EXPECT_EQ(planStrip(PlayType::Hou2, PlanRecordSet{}).accuracy, 0);
}

TEST(AccuracyHistogramTest, CountsPerPercentBestAndRankOfTheFormulaInUse) {
    // Formulas 1 to 7; 120 and -3 count as 100 and 0.
    const std::vector<float> accuracies{80.0f, 95.0f, 83.0f, 95.0f, 83.0f, 120.0f, -3.0f};
    const AccuracyHistogram histogram = accuracyHistogram(accuracies, 1, 83.0f);
    std::array<std::int32_t, kAccuracySteps> formulas{};
    formulas[0] = 1;
    formulas[80] = 1;
    formulas[83] = 2;
    formulas[95] = 2;
    formulas[100] = 1;
    EXPECT_EQ(histogram.formulas, formulas);
    EXPECT_EQ(histogram.formulaCount, 7);
    EXPECT_EQ(histogram.tallest, 2);
    EXPECT_EQ(histogram.best, 100);
    EXPECT_EQ(histogram.bestFormula, 6);
    // Behind 95, 95 and 100; the other 83 shares its rank.
    EXPECT_EQ(histogram.current, 83);
    EXPECT_EQ(histogram.currentRank, 4);

    const AccuracyHistogram none = accuracyHistogram({}, 1, 0.0f);
    EXPECT_EQ(none.formulaCount, 0);
    EXPECT_EQ(none.tallest, 0);
    EXPECT_EQ(none.currentRank, 1);
}

} // namespace
} // namespace kestrum
