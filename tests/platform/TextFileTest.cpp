#include "platform/TextFile.h"

#include "support/ScratchFolder.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

namespace kestrum {
namespace {

namespace fs = std::filesystem;

class TextFileTest : public testing::Test {
protected:
    test::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
};

TEST_F(TextFileTest, WritesGbkWithTextModeLineEnds) {
    const fs::path path = m_dir / "out.txt";
    // 后一 is BA F3 D2 BB, …… is A1 AD A1 AD in GBK. The CR LF inside the text reaches the file
    // as CR CR LF, a lone LF as CR LF, a lone CR as it stands; nothing follows the last byte.
    const WriteResult result = writeTextFile(path, "后一<12>……\r\nA\nB\rC\n\n");
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(result.error, 0);
    EXPECT_EQ(test::fileBytes(path), "\xBA\xF3\xD2\xBB<12>\xA1\xAD\xA1\xAD\r\r\nA\r\nB\rC\r\n\r\n");
}

TEST_F(TextFileTest, ALongerFileIsReplacedWhole) {
    const fs::path path = m_dir / "data1.txt";
    std::ofstream(path) << std::string(300, 'x');
    ASSERT_TRUE(writeTextFile(path, "20150101001 1,2,3,4,5").ok());
    EXPECT_EQ(test::fileBytes(path), "20150101001 1,2,3,4,5");
    ASSERT_TRUE(writeTextFile(path, "").ok());
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(test::fileBytes(path), "");
}

TEST_F(TextFileTest, AFileThatCannotBeCreatedIsLoggedAndSkipped) {
    struct Case {
        const char* name;
        fs::path path;
        int error;
    };
    fs::create_directory(m_dir / "h2zd.txt");
    const Case cases[] = {
        {"a folder of that name", m_dir / "h2zd.txt", EISDIR},
        {"in a missing folder", m_dir / "missing" / "data1.txt", ENOENT},
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        const WriteResult result = writeTextFile(c.path, "text");
        const std::string log = testing::internal::GetCapturedStderr();
        EXPECT_EQ(result.status, WriteStatus::NotCreated) << c.name;
        EXPECT_EQ(result.error, c.error) << c.name;
        EXPECT_EQ(log,
                  "Can't open file " + c.path.string() + ",error=" + std::to_string(c.error) + "\n")
            << c.name;
    }
    EXPECT_TRUE(fs::is_directory(m_dir / "h2zd.txt"));
    EXPECT_FALSE(fs::exists(m_dir / "missing"));
}

TEST_F(TextFileTest, AFullDiskIsAFailureNotASuccess) {
    // The device takes the open but refuses every byte.
    const fs::path full = "/dev/full";
    if (!fs::exists(full)) {
        GTEST_SKIP() << "no /dev/full here";
    }
    testing::internal::CaptureStderr();
    const WriteResult result = writeTextFile(full, "后一 plan\r\n");
    const std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result.status, WriteStatus::NotWritten);
    EXPECT_EQ(result.error, ENOSPC);
    EXPECT_EQ(log, "Can't write file /dev/full,error=" + std::to_string(ENOSPC) + "\n");
}

} // namespace
} // namespace kestrum
