#include "report/PlanTally.h"

#include <gtest/gtest.h>
#include <initializer_list>

namespace kestrum {
namespace {

// Plans in the order a walk leaves them: finished plans oldest first, the running plan.
std::vector<PlanRecord> plans(std::initializer_list<PlanOutcome> outcomes) {
    std::vector<PlanRecord> records;
    for (PlanOutcome outcome : outcomes) {
        PlanRecord& plan = records.emplace_back();
        plan.outcome = outcome;
        plan.wonAt = outcome == PlanOutcome::Won ? 1 : 0;
    }
    return records;
}

TEST(PlanTallyTest, CountsWonAndFailedPlansAndTheLosingRunAtTheNewestEnd) {
    using enum PlanOutcome;
    PlanRecordSet records{plans({Failed, Won, Failed, Failed, Running}), WalkSummary{4, 4, 1}};
    const PlanTally tally = tallyPlans(records);
    EXPECT_EQ(tally.wins, 1);
    EXPECT_EQ(tally.losses, 3);
    EXPECT_EQ(tally.currentLosingRun, 2);
    // Taken from the summary's figures as they stand (400 / 8), not counted again from the
    // records.
    EXPECT_EQ(tally.accuracy, 50);

    // A walk too long for its summary's line to be carried shows no percentage.
    records.summary.reset();
    EXPECT_EQ(tallyPlans(records).accuracy, 0);
    EXPECT_EQ(tallyPlans(records).losses, 3);
}

TEST(PlanTallyTest, AWonPlanEndsTheLosingRunAndTheRunningPlanIsNoFinishedPlan) {
    using enum PlanOutcome;
    const PlanTally tally = tallyPlans({plans({Failed, Won, Running}), WalkSummary{2, 1, 0}});
    EXPECT_EQ(tally.wins, 1);
    EXPECT_EQ(tally.losses, 1);
    EXPECT_EQ(tally.currentLosingRun, 0);
    EXPECT_EQ(tally.accuracy, 66);
}

} // namespace
} // namespace kestrum
