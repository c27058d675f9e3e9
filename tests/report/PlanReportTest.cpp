#include "report/PlanReport.h"

#include "support/History.h"
#include "support/Walks.h"

#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

const std::string kSite = "http://127.0.0.1:47800/";

TEST(PlanReportTest, WorkedExampleByteForByte) {
    Engine engine;
    testing::storeOldestFirst(engine, testing::dayOf(23, {"12345", "55550", "31419", "27182",
                                                          "11111", "99997", "00000", "66666"}));
    ASSERT_TRUE(testing::runBacktest(engine, PlayType::Hou1, 7, 2, 4).has_value());

    const std::string expected = "后一023-024期<8641> 开 27182   挂 \r\n"
                                 "后一027-028期<1902> 开 11111  1  期中 \r\n"
                                 "后一028-029期<7091> 开 99997  1  期中 \r\n"
                                 "后一029-030期<6970> 开 00000  1  期中 \r\n"
                                 "后一030-031期<0918> 计划进行中……\r\n"
                                 "\r\n"
                                 "080%中[004]   挂[001] 连挂[000]\r\n"
                                 "\r\n\r\n如果你觉得软件好用，请推荐给你的彩友们哦！软件官网:"
                                 "http://127.0.0.1:47800/\r\n\r\n";
    EXPECT_EQ(planReportText(engine.ScratchLines, kSite), expected);
}

TEST(PlanReportTest, EmptyLinesGiveTheFooterAlone) {
    TextSlots lines;
    EXPECT_EQ(planReportText(lines, kSite),
              "\r\n\r\n如果你觉得软件好用，请推荐给你的彩友们哦！软件官网:" + kSite + "\r\n\r\n");
    // Only lines 0 to 255 are shown; an empty line between two others is shown empty.
    lines[256] = "not carried";
    lines[0] = "a";
    lines[2] = "c";
    EXPECT_EQ(planReportText(lines, "x"), "a\r\n\r\nc\r\n" + reportFooter("x"));
}

TEST(PlanReportTest, CurrentFormulaHasAtLeastThreeDigits) {
    EXPECT_EQ(currentFormulaText(7), "007");
    EXPECT_EQ(currentFormulaText(0), "000");
    EXPECT_EQ(currentFormulaText(321), "321");
    EXPECT_EQ(currentFormulaText(4321), "4321");
    EXPECT_EQ(currentFormulaText(-5), "-05");
}

} // namespace
} // namespace kestrum
