#include "platform/TextFile.h"

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

class TextFileTest : public ::testing::Test {
protected:
    testing::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
};

TEST_F(TextFileTest, WritesGbkWithTextModeLineEnds) {
    const fs::path path = m_dir / "out.txt";
    // A line of the plan: 后一 is BA F3 D2 BB, …… is A1 AD A1 AD in GBK. The CR LF inside the
    // text reaches the file as CR CR LF; a lone LF as CR LF; nothing follows the last byte.
    ASSERT_TRUE(writeTextFile(path, "后一<12>……\r\nA\nB").ok);
    EXPECT_EQ(testing::fileBytes(path), "\xBA\xF3\xD2\xBB<12>\xA1\xAD\xA1\xAD\r\r\nA\r\nB");
}

TEST_F(TextFileTest, ALongerFileIsReplacedWhole) {
    const fs::path path = m_dir / "data1.txt";
    std::ofstream(path) << std::string(300, 'x');
    ASSERT_TRUE(writeTextFile(path, "20150101001 1,2,3,4,5").ok);
    EXPECT_EQ(testing::fileBytes(path), "20150101001 1,2,3,4,5");
    ASSERT_TRUE(writeTextFile(path, "").ok);
    EXPECT_EQ(testing::fileBytes(path), "");
}

TEST_F(TextFileTest, AFileThatCannotBeCreatedIsLoggedAndSkipped) {
    const fs::path path = m_dir / "h2zd.txt";
    fs::create_directory(path); // a folder of that name
    ::testing::internal::CaptureStderr();
    const WriteResult result = writeTextFile(path, "text");
    const std::string log = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, EISDIR);
    EXPECT_EQ(log, "Can't open file " + path.string() + ",error=" + std::to_string(EISDIR) + "\n");
    EXPECT_TRUE(fs::is_directory(path));
}

TEST(GbkTextTest, CharactersGbkLacksBecomeQuestionMarks) {
    // An emoji is not in GBK; a stray continuation byte and a cut-off sequence are not UTF-8.
    EXPECT_EQ(utf8ToGbk("1😀2"), "1?2");
    EXPECT_EQ(utf8ToGbk("a\x80z"), "a?z");
    EXPECT_EQ(utf8ToGbk("后\xE4\xB8"), "\xBA\xF3??"); // one "?" per bad byte
    EXPECT_EQ(utf8ToGbk("plain 123"), "plain 123");
    EXPECT_EQ(utf8ToGbk(""), "");
}

TEST(GbkTextTest, FeedBytesAreReadAsGbk) {
    EXPECT_EQ(gbkToUtf8("20150101001 1,2,3,4,5"), "20150101001 1,2,3,4,5");
    EXPECT_EQ(gbkToUtf8("\xBA\xF3\xD2\xBB"), "后一");
    // A byte that starts no GBK character, and a first byte without its second.
    EXPECT_EQ(gbkToUtf8("a\xFF"
                        "b"),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(gbkToUtf8("x\xBA"), "x\xEF\xBF\xBD");
    EXPECT_EQ(utf8ToGbk(gbkToUtf8("\xBC\xC6\xBB\xAE")), "\xBC\xC6\xBB\xAE");
}

} // namespace
} // namespace kestrum
