#include "cli/Output.h"

#include <gtest/gtest.h>

namespace kestrum {
namespace {

// The lines as the backtest writes them: finished plans oldest first, the running plan, the
// summary.
TextSlots planLines(std::initializer_list<const char*> lines) {
    TextSlots slots;
    std::size_t slot = 0;
    for (const char* line : lines) {
        slots[slot++] = line;
    }
    return slots;
}

TEST(CliPlanTallyTest, CountsWonAndFailedPlansAndTheLosingRunAtTheNewestEnd) {
    // 后二's failed lines end with the draws played; its won lines with " 期中 ".
    const TextSlots lines = planLines({
        "后二001-003期<12345678> 开 11111   挂 003",
        "后二004-006期<12345678> 开 12345  1 期中 ",
        "后二005-007期<12345678> 开 99999   挂 003",
        "后二008-010期<12345678> 开 99999   挂 003",
        "后二011-013期<12345678> 计划进行中……\r\n",
        "050%中[004]   挂[003] 连挂[001]",
    });
    const cli::PlanTally tally = cli::tallyPlans(PlayType::Hou2, lines);
    EXPECT_EQ(tally.wins, 1);
    EXPECT_EQ(tally.losses, 3);
    EXPECT_EQ(tally.currentLosingRun, 2);
    EXPECT_EQ(tally.accuracy, 50);
}

TEST(CliPlanTallyTest, AWonPlanEndsTheLosingRunAndTheSummaryIsNoPlan) {
    // 后一 ends its won lines with two blanks before 期中; its failed lines with "挂 " alone.
    const TextSlots lines = planLines({
        "后一001-003期<012345> 开 99999   挂 ",
        "后一004-006期<012345> 开 12345  2  期中 ",
        "后一007-009期<012345> 计划进行中……\r\n",
        "066%中[002]   挂[001] 连挂[000]",
    });
    const cli::PlanTally tally = cli::tallyPlans(PlayType::Hou1, lines);
    EXPECT_EQ(tally.wins, 1);
    EXPECT_EQ(tally.losses, 1);
    EXPECT_EQ(tally.currentLosingRun, 0);
    EXPECT_EQ(tally.accuracy, 66);
    EXPECT_EQ(cli::reportPlanLines(lines).at(2), "后一007-009期<012345> 计划进行中……");
}

} // namespace
} // namespace kestrum
