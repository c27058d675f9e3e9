#include "report/PlanReport.h"

#include "engine/DispatchTables.h"
#include "support/WorkedExample.h"

#include <gtest/gtest.h>
#include <string>
#include <utility>

namespace kestrum {
namespace {

const std::string kSite = "http://127.0.0.1:47800/";
const std::string kFooter =
    "\r\n\r\n如果你觉得软件好用，请推荐给你的彩友们哦！软件官网:http://127.0.0.1:47800/\r\n\r\n";

TEST(PlanReportTest, WorkedExampleByteForByte) {
    // 后一 with formula 7: four finished plans, the running plan, the summary line.
    PlanLinesTable plans;
    TextSlots& lines = plans[slotOf(PlayType::Hou1)];
    test::fillWorkedExample(lines);

    const std::string expected = "后一023-024期<8641> 开 27182   挂 \r\n"
                                 "后一027-028期<1902> 开 11111  1  期中 \r\n"
                                 "后一028-029期<7091> 开 99997  1  期中 \r\n"
                                 "后一029-030期<6970> 开 00000  1  期中 \r\n"
                                 "后一030-031期<0918> 计划进行中……\r\n"
                                 "\r\n"
                                 "080%中[004]   挂[001] 连挂[000]\r\n"
                                 "\r\n\r\n如果你觉得软件好用，请推荐给你的彩友们哦！软件官网:"
                                 "http://127.0.0.1:47800/\r\n\r\n";
    EXPECT_EQ(planReportText(lines, kSite), expected);
    // The other play types of the same table hold nothing: the footer alone.
    EXPECT_EQ(planReportText(plans[slotOf(PlayType::Hou2)], kSite), kFooter);
}

TEST(PlanReportTest, LinesUpToTheLastNonEmptyOneAmongTheCarriedOnes) {
    TextSlots lines;
    EXPECT_EQ(planReportText(lines, kSite), kFooter);
    EXPECT_EQ(reportFooter(kSite), kFooter);
    // Lines past 255 are never shown; an empty line between two others is shown empty.
    lines[256] = "not carried";
    EXPECT_EQ(planReportText(lines, kSite), kFooter);
    lines[0] = "a";
    lines[2] = "c";
    EXPECT_EQ(planReportText(lines, "x"), "a\r\n\r\nc\r\n" + reportFooter("x"));
    lines[255] = "last";
    const std::string report = planReportText(lines, kSite);
    EXPECT_EQ(report.substr(report.size() - kFooter.size() - 6), "last\r\n" + kFooter);
}

TEST(PlanReportTest, CurrentFormulaAsPrintfWritesThreeDigits) {
    const std::pair<std::int32_t, const char*> cases[] = {
        {7, "007"},
        {0, "000"},
        {321, "321"},
        {499, "499"},
        {4321, "4321"},
        {-5, "-05"},
        {-123, "-123"},
        {2147483647, "2147483647"},
        {-2147483647 - 1, "-2147483648"},
    };
    for (const auto& [formula, text] : cases) {
        EXPECT_EQ(currentFormulaText(formula), text) << formula;
    }
}

} // namespace
} // namespace kestrum
