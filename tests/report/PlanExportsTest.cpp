#include "report/PlanExports.h"

#include "base/Utf8Path.h"
#include "support/ScratchFolder.h"
#include "support/WorkedExample.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

// The system's error when a folder stands where a file is to be written: EISDIR from rename on
// Linux, ERROR_ACCESS_DENIED from MoveFileExW on Windows.
#ifdef _WIN32
constexpr int kFolderInTheWay = 5;
#else
constexpr int kFolderInTheWay = EISDIR;
#endif

// The files in the order they are written, with the GBK bytes of the label that begins the
// lines of their play type.
struct ExportCase {
    const char* file;
    PlayType type;
    const char* gbkLabel;
};

const ExportCase kCases[] = {
    {"geweizd.txt", PlayType::Hou1, "\xBA\xF3\xD2\xBB"},
    {"h2zd.txt", PlayType::Hou2, "\xBA\xF3\xB6\xFE"},
    {"shiweizd.txt", PlayType::ShiWei, "\xCA\xAE\xCE\xBB"},
    {"baiweizd.txt", PlayType::BaiWei, "\xB0\xD9\xCE\xBB"},
    {"qianweizd.txt", PlayType::QianWei, "\xC7\xA7\xCE\xBB"},
    {"wanweizd.txt", PlayType::WanWei, "\xCD\xF2\xCE\xBB"},
    {"h3zd.txt", PlayType::SanXing, "\xC8\xFD\xD0\xC7"}, // 三星
    {"h3bzd.txt", PlayType::Hou3Any, "\xBA\xF3\xC8\xFD\xB2\xBB\xB6\xA8\xCE\xBB"},
    {"h5bzd.txt", PlayType::WuXingAny, "\xCE\xE5\xD0\xC7\xB2\xBB\xB6\xA8\xCE\xBB"},
};

// The lines a recompute leaves for a play type, in a short form: three finished plans, the
// running plan with its CR LF, the summary.
void fillPlans(TextSlots& lines, const std::string& label) {
    lines[0] = label + "001 done";
    lines[1] = label + "002 done";
    lines[2] = label + "003 done";
    lines[3] = label + "004 running\r\n";
    lines[4] = "100% summary";
}

// What a file of those lines holds on disk: the running plan, the two newest finished plans.
std::string expectedBytes(const std::string& gbkLabel, const std::string& promoBytes) {
    return gbkLabel + "004 running\r\r\n" + gbkLabel + "003 done\r\r\n" + gbkLabel + "002 done" +
           promoBytes;
}

class PlanExportsTest : public testing::Test {
protected:
    PlanExportsTest() {
        for (PlayType type : allPlayTypes()) {
            fillPlans(m_plans[slotOf(type)], std::string(playTypeInfo(type).label));
        }
    }

    void expectAllWritten(const PlanExportResults& results) {
        for (std::size_t i = 0; i < results.size(); ++i) {
            EXPECT_TRUE(results[i].ok()) << kCases[i].file << " errno " << results[i].error;
        }
    }

    test::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
    PlanLinesTable m_plans;
};

TEST_F(PlanExportsTest, WorkedExampleAsGbkWithTextModeLineEnds) {
    TextSlots& lines = m_plans[slotOf(PlayType::Hou1)];
    lines = TextSlots{};
    test::fillWorkedExample(lines);
    expectAllWritten(
        writePlanExports(m_plans, "\r\n注册地址:http://127.0.0.1:47800/r.html", m_dir));

    // The CR LF of the running plan and the two that the text adds reach the disk as CR CR LF;
    // nothing follows the promotional text.
    const std::string expected =
        "\xBA\xF3\xD2\xBB"
        "030-031\xC6\xDA<0918> \xBC\xC6\xBB\xAE\xBD\xF8\xD0\xD0\xD6\xD0\xA1\xAD\xA1\xAD\r\r\n"
        "\xBA\xF3\xD2\xBB"
        "029-030\xC6\xDA<6970> \xBF\xAA 00000  1  \xC6\xDA\xD6\xD0 \r\r\n"
        "\xBA\xF3\xD2\xBB"
        "028-029\xC6\xDA<7091> \xBF\xAA 99997  1  \xC6\xDA\xD6\xD0 \r\r\n"
        "\xD7\xA2\xB2\xE1\xB5\xD8\xD6\xB7:http://127.0.0.1:47800/r.html";
    EXPECT_EQ(test::fileBytes(m_dir / "geweizd.txt"), expected);
}

TEST_F(PlanExportsTest, EachFileHoldsItsPlayTypeAndQianSanHasNone) {
    const PlanExportResults results = writePlanExports(m_plans, "\r\nP", m_dir);
    expectAllWritten(results);
    ASSERT_EQ(planExportFiles().size(), std::size(kCases));
    std::set<std::string> expectedNames;
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const ExportCase& c = kCases[i];
        EXPECT_EQ(planExportFiles()[i].fileName, c.file) << "order";
        EXPECT_EQ(test::fileBytes(m_dir / c.file), expectedBytes(c.gbkLabel, "\r\r\nP")) << c.file;
        expectedNames.insert(c.file);
    }
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(m_dir)) {
        names.insert(entry.path().filename().string());
    }
    EXPECT_EQ(names, expectedNames); // nothing for 前三
}

TEST_F(PlanExportsTest, LinesBelowZeroAreEmpty) {
    const std::string run = "后一009期<34> 计划进行中……\r\n";
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string promo;
        std::string text;
    };
    const Case cases[] = {
        {"no line at all", {}, "\r\nP", "\r\n\r\nP"},
        {"no line and no promotion yet", {}, "", "\r\n"},
        {"only the running plan", {run}, "\r\nP", "\r\n\r\nP"},
        {"running plan and summary", {run, "S"}, "\r\nP", run + "\r\n\r\nP"},
        {"one finished plan", {"F0", run, "S"}, "", run + "F0\r\n"},
        {"two finished plans", {"F0", "F1", run, "S"}, "", run + "F1\r\nF0"},
        {"gap before the summary", {"F0", "F1", run, "", "S"}, "", run + "\r\nF1"},
    };
    for (const Case& c : cases) {
        TextSlots lines;
        for (std::size_t i = 0; i < c.lines.size(); ++i) {
            lines[i] = c.lines[i];
        }
        lines[256] = "not carried"; // beyond line 255: never the last line
        EXPECT_EQ(planExportText(lines, c.promo), c.text) << c.name;
    }
}

TEST_F(PlanExportsTest, LastCarriedLineCountsFrom255) {
    TextSlots lines;
    lines[252] = "a";
    lines[253] = "b";
    lines[254] = "c";
    lines[255] = "d";
    EXPECT_EQ(planExportText(lines, ""), "cb\r\na");
}

TEST_F(PlanExportsTest, ALongerFileIsReplacedAndAnUnwritableOneSkipped) {
    std::ofstream(m_dir / "geweizd.txt") << std::string(5000, 'x');
    fs::create_directory(m_dir / "h2zd.txt"); // a folder of that name cannot be created
    testing::internal::CaptureStderr();
    const PlanExportResults results = writePlanExports(m_plans, "", m_dir);
    const std::string log = testing::internal::GetCapturedStderr();

    EXPECT_EQ(log, "Can't open file " + utf8FromPath(m_dir / "h2zd.txt") +
                       ",error=" + std::to_string(kFolderInTheWay) + "\n");
    EXPECT_EQ(results[1].status, WriteStatus::NotCreated);
    EXPECT_EQ(results[1].error, kFolderInTheWay);
    EXPECT_TRUE(fs::is_directory(m_dir / "h2zd.txt"));
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        if (i != 1) {
            EXPECT_TRUE(results[i].ok()) << kCases[i].file;
            // The files before and after the failed one, the long one replaced whole.
            EXPECT_EQ(test::fileBytes(m_dir / kCases[i].file),
                      expectedBytes(kCases[i].gbkLabel, ""))
                << kCases[i].file;
        }
    }
}

TEST_F(PlanExportsTest, TextGbkLacksBecomesQuestionMarks) {
    // An emoji is not in GBK; E0 80 80 is no UTF-8 at all (three bad bytes).
    expectAllWritten(writePlanExports(m_plans,
                                      "\r\nA\U0001F600B\xE0\x80\x80"
                                      "C",
                                      m_dir));
    EXPECT_EQ(test::fileBytes(m_dir / "h5bzd.txt"),
              expectedBytes(kCases[8].gbkLabel, "\r\r\nA?B???C"));
}

} // namespace
} // namespace kestrum
