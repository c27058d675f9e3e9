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

TEST(CliPlanLinesTest, TheRunningPlansLineEndIsDropped) {
    const TextSlots lines = planLines({
        "后一001-003期<012345> 开 99999   挂 ",
        "后一004-006期<012345> 开 12345  2  期中 ",
        "后一007-009期<012345> 计划进行中……\r\n",
        "066%中[002]   挂[001] 连挂[000]",
    });
    EXPECT_EQ(reportPlanLines(lines).at(2), "后一007-009期<012345> 计划进行中……");
}

} // namespace
} // namespace kestrum
