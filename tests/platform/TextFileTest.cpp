#include "platform/TextFile.h"

#include "support/ScratchFolder.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/resource.h>
#include <thread>

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

// Replacing the file keeps what the user made of it: a link stays a link to the file it names,
// and a file made readable to its owner alone stays so.
TEST_F(TextFileTest, AReplacedFileKeepsItsLinkAndItsPermissions) {
    fs::create_directory(m_dir / "elsewhere");
    const fs::path real = m_dir / "elsewhere" / "geweizd.txt";
    ASSERT_TRUE(writeTextFile(real, "old").ok());
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(real, m_dir / "geweizd.txt");
    ASSERT_TRUE(writeTextFile(m_dir / "geweizd.txt", "new").ok());
    EXPECT_TRUE(fs::is_symlink(m_dir / "geweizd.txt"));
    EXPECT_EQ(test::fileBytes(real), "new");
    EXPECT_EQ(fs::status(real).permissions(), fs::perms::owner_read | fs::perms::owner_write);
}

// Another program reads the file while it is rewritten: it only ever sees a whole text, the old
// one or the new one, never an empty or a partial file.
TEST_F(TextFileTest, AReaderSeesOnlyWholeTextsWhileTheFileIsRewritten) {
    const fs::path path = m_dir / "h5bzd.txt";
    const std::string texts[] = {std::string(4000, 'a') + "\n", std::string(1500, 'b') + "\n"};
    const std::string bytes[] = {textFileBytes(texts[0]), textFileBytes(texts[1])};
    ASSERT_TRUE(writeTextFile(path, texts[0]).ok());
    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    std::thread reader([&] {
        while (!done) {
            const std::string seen = test::fileBytes(path);
            if (seen != bytes[0] && seen != bytes[1]) {
                ++torn;
            }
            ++reads;
        }
    });
    bool allWritten = true;
    for (int i = 0; i < 10000; ++i) {
        allWritten = writeTextFile(path, texts[i % 2]).ok() && allWritten;
    }
    done = true;
    reader.join();
    EXPECT_TRUE(allWritten);
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_GT(reads.load(), 0);
    EXPECT_EQ(test::fileBytes(path), bytes[1]);
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

// A write that fails half-way (here the process may write no file past 1 kB, as a full file
// system refuses the rest) leaves the old text whole and no temporary file behind.
TEST_F(TextFileTest, AFailedWriteLeavesTheOldFileWhole) {
    const fs::path path = m_dir / "data1.txt";
    ASSERT_TRUE(writeTextFile(path, "20150101001 1,2,3,4,5").ok());
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit previous{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit small = previous;
    small.rlim_cur = 1024;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const WriteResult result = writeTextFile(path, std::string(5000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);
    EXPECT_EQ(result.status, WriteStatus::NotWritten);
    EXPECT_EQ(result.error, EFBIG);
    EXPECT_EQ(test::fileBytes(path), "20150101001 1,2,3,4,5");
    EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

} // namespace
} // namespace kestrum
