#include "report/PlanExports.h"

#include "platform/GbkText.h"
#include "support/ScratchFolder.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// The lines a recompute leaves for a play type: finished plans, the running plan, the summary.
void fillPlans(TextSlots& lines, const std::string& label, int finished) {
    for (int i = 0; i < finished; ++i) {
        lines[static_cast<std::size_t>(i)] =
            label + "00" + std::to_string(i) + "期<12> 开 12345  1 期中 ";
    }
    lines[static_cast<std::size_t>(finished)] = label + "009期<34> 计划进行中……\r\n";
    lines[static_cast<std::size_t>(finished + 1)] = "100%中[003]   挂[000] 连挂[000]";
}

class PlanExportsTest : public ::testing::Test {
protected:
    PlanExportsTest() {
        for (PlayType type : allPlayTypes()) {
            fillPlans(m_lines[slotOf(type)], std::string(playTypeInfo(type).label), 3);
        }
    }

    testing::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
    PlanLinesTable m_lines;
};

TEST_F(PlanExportsTest, RunningPlanThenTheTwoNewestFinishedThenThePromotion) {
    const std::string promo = "\r\n注册地址:http://127.0.0.1:47800/promo.html";
    ASSERT_EQ(writePlanExports(m_lines, promo, m_dir), 9);
    // GBK bytes, every CR LF of the text on disk as CR CR LF, nothing after the last line.
    const std::string expected = utf8ToGbk("后一009期<34> 计划进行中……") + "\r\r\n" +
                                 utf8ToGbk("后一002期<12> 开 12345  1 期中 ") + "\r\r\n" +
                                 utf8ToGbk("后一001期<12> 开 12345  1 期中 ") + "\r\r\n" +
                                 utf8ToGbk("注册地址:http://127.0.0.1:47800/promo.html");
    EXPECT_EQ(testing::fileBytes(m_dir / "geweizd.txt"), expected);
    EXPECT_EQ(testing::fileBytes(m_dir / "geweizd.txt").substr(0, 4), "\xBA\xF3\xD2\xBB");
}

TEST_F(PlanExportsTest, EachFileTakesItsPlayTypeAndQianSanHasNone) {
    ASSERT_EQ(writePlanExports(m_lines, "", m_dir), 9);
    const std::pair<const char*, const char*> files[] = {
        {"geweizd.txt", "后一"},  {"h2zd.txt", "后二"},        {"shiweizd.txt", "十位"},
        {"baiweizd.txt", "百位"}, {"qianweizd.txt", "千位"},   {"wanweizd.txt", "万位"},
        {"h3zd.txt", "三星"},     {"h3bzd.txt", "后三不定位"}, {"h5bzd.txt", "五星不定位"},
    };
    for (const auto& [name, label] : files) {
        EXPECT_EQ(gbkToUtf8(testing::fileBytes(m_dir / name)).rfind(label, 0), 0u) << name;
    }
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(m_dir)) {
        ++count;
    }
    EXPECT_EQ(count, 9u);
}

TEST_F(PlanExportsTest, LinesBelowZeroAreEmpty) {
    // No finished plan yet: the running plan, then empty lines, then the promotion.
    TextSlots lines;
    fillPlans(lines, "后一", 0);
    EXPECT_EQ(planExportText(lines, "\r\nP"), "后一009期<34> 计划进行中……\r\n\r\n\r\nP");
    lines[1].clear(); // only the running plan: it is line s, lines s − 1 and below are empty
    EXPECT_EQ(planExportText(lines, "\r\nP"), "\r\n\r\nP");
    TextSlots two;
    fillPlans(two, "后一", 1);
    EXPECT_EQ(planExportText(two, ""), "后一009期<34> 计划进行中……\r\n"
                                       "后一000期<12> 开 12345  1 期中 \r\n");
}

TEST_F(PlanExportsTest, ALongerFileIsReplacedAndAnUnwritableOneSkipped) {
    std::ofstream(m_dir / "geweizd.txt") << std::string(5000, 'x');
    fs::create_directory(m_dir / "h2zd.txt");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(writePlanExports(m_lines, "", m_dir), 8);
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(log, "Can't open file " + (m_dir / "h2zd.txt").string() +
                       ",error=" + std::to_string(EISDIR) + "\n");
    EXPECT_LT(testing::fileBytes(m_dir / "geweizd.txt").size(), 200u);
    EXPECT_TRUE(fs::exists(m_dir / "h5bzd.txt")); // written after the one that failed
}

} // namespace
} // namespace kestrum
