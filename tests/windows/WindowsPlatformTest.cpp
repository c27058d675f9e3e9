// The Windows side of the platform layer, where it differs from Linux's: files replaced whole
// while another program reads them, folders named in Chinese, the default folders, and the local
// feed server in its job.

#include "base/Utf8Path.h"
#include "platform/LocalFeedServer.h"
#include "platform/Settings.h"
#include "platform/TextFile.h"
#include "support/ScratchFolder.h"

#include <atomic>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <map>
#include <string>
#include <thread>
#include <windows.h>

namespace kestrum {
namespace {

// Two readers see the old text or the new one, never a part, while the file is replaced over
// and over: one that lets the file be replaced while it reads (FILE_SHARE_DELETE) and reads
// without a pause, and one that opens it as the C library does, twenty times a second. A reader
// that holds the file may keep a write from replacing it for longer than the writer waits: that
// write says so and leaves the file whole, and the next one goes through. (An open may fail
// while the new file takes the old one's place, as the system keeps the two apart: a reader then
// reads again.)
TEST(WindowsTextFileTest, AReaderSeesTheOldTextOrTheNewOneInAChineseFolder) {
    test::ScratchFolder scratch;
    const std::filesystem::path folder = scratch.path() / pathFromUtf8("计划文件");
    std::filesystem::create_directory(folder);
    const std::filesystem::path file = folder / pathFromUtf8("后一.txt");
    const std::string shortText = "1期 后一 0123\n";
    const std::string longText = std::string(20000, '9') + "\n五星不定位\n";
    ASSERT_TRUE(writeTextFile(file, shortText).ok());
    const std::string a = textFileBytes(shortText);
    const std::string b = textFileBytes(longText);

    std::atomic<bool> done{false};
    std::atomic<int> reads{0};
    std::atomic<int> torn{0};
    const auto check = [&](const std::string& bytes) {
        torn.fetch_add(bytes != a && bytes != b ? 1 : 0);
        reads.fetch_add(1);
    };
    std::thread sharing([&] {
        while (!done.load()) {
            HANDLE in = CreateFileW(file.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (in == INVALID_HANDLE_VALUE) {
                continue;
            }
            std::string bytes(40000, '\0');
            DWORD got = 0;
            DWORD total = 0;
            while (ReadFile(in, bytes.data() + total, 4096, &got, nullptr) && got > 0) {
                total += got;
            }
            CloseHandle(in);
            bytes.resize(total);
            check(bytes);
        }
    });
    std::thread plain([&] {
        while (!done.load()) {
            std::ifstream in(file, std::ios::binary);
            if (in.is_open()) {
                check({std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()});
            }
            in.close();
            Sleep(50);
        }
    });
    int refused = 0;
    for (int i = 0; i < 60; ++i) {
        const WriteResult result = writeTextFile(file, i % 2 == 0 ? longText : shortText);
        // Never written in part: written whole, or not replaced at all.
        EXPECT_NE(result.status, WriteStatus::NotWritten);
        refused += result.ok() ? 0 : 1;
    }
    done.store(true);
    sharing.join();
    plain.join();
    EXPECT_EQ(torn.load(), 0) << "of " << reads.load() << " reads";
    EXPECT_GT(reads.load(), 0);
    EXPECT_LT(refused, 60);
    ASSERT_TRUE(writeTextFile(file, shortText).ok());
    EXPECT_EQ(test::fileBytes(file), textFileBytes(shortText));
    // Nothing but the file is left in the folder.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              1);
}

// A reader that keeps the file open without letting it be replaced makes the write fail, and the
// file keeps its old text.
TEST(WindowsTextFileTest, AFileHeldOpenKeepsItsTextAndTheFailureIsSaid) {
    test::ScratchFolder scratch;
    const std::filesystem::path file = scratch.path() / "h2zd.txt";
    ASSERT_TRUE(writeTextFile(file, "old\n").ok());
    HANDLE held = CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const WriteResult result = writeTextFile(file, "new\n");
    CloseHandle(held);
    EXPECT_EQ(result.status, WriteStatus::NotCreated);
    EXPECT_NE(result.error, 0);
    EXPECT_EQ(test::fileBytes(file), "old\r\n");
    EXPECT_TRUE(writeTextFile(file, "new\n").ok());
    EXPECT_EQ(test::fileBytes(file), "new\r\n");
}

TEST(WindowsFoldersTest, SettingsInAppDataAndDataAndLogInLocalAppData) {
    const std::map<std::string, std::string> variables{
        {"APPDATA", "C:\\Users\\张三\\AppData\\Roaming"},
        {"LOCALAPPDATA", "C:\\Users\\张三\\AppData\\Local"},
        {"USERPROFILE", "C:\\Users\\张三"}};
    const auto environment = [&variables](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
    EXPECT_EQ(defaultSettingsPath(environment),
              pathFromUtf8("C:\\Users\\张三\\AppData\\Roaming\\Kestrum\\kestrum.toml"));
    EXPECT_EQ(defaultLogPath(environment),
              pathFromUtf8("C:\\Users\\张三\\AppData\\Local\\Kestrum\\kestrum.log"));
    EXPECT_EQ(defaultDataFolder(environment), "C:\\Users\\张三\\AppData\\Local\\Kestrum");
    EXPECT_EQ(homeFolder(environment), "C:\\Users\\张三");
    // Unset or relative: no settings file, and the working folder for the data.
    const auto relative = [](const char*) -> std::optional<std::string> { return "AppData"; };
    EXPECT_EQ(defaultSettingsPath(relative), std::nullopt);
    EXPECT_EQ(defaultDataFolder(relative), ".");
    // The process's own environment, in UTF-8.
    ASSERT_TRUE(SetEnvironmentVariableW(L"KESTRUM_TEST_FOLDER", L"D:\\数据"));
    EXPECT_EQ(processEnvironment("KESTRUM_TEST_FOLDER"), "D:\\数据");
    EXPECT_EQ(processEnvironment("KESTRUM_TEST_UNSET_VARIABLE"), std::nullopt);
}

// The server starts on free ports, answers, and is gone once its owner drops it; it is found on
// %PATH%, whose folders are apart by ";".
TEST(WindowsLocalFeedServerTest, StartsAndEndsWithItsOwner) {
    const std::filesystem::path program = pathFromUtf8(KESTRUM_TEST_FEED_SERVER);
    const std::string folder = utf8FromPath(program.parent_path());
    const auto path = [&folder](const char* name) -> std::optional<std::string> {
        return std::string(name) == "PATH" ? std::optional("C:\\nowhere;" + folder) : std::nullopt;
    };
    EXPECT_EQ(findFeedServer({}, path), program);

    auto started = LocalFeedServer::start(program);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<LocalFeedServer>>(started))
        << std::get<std::string>(started);
    auto server = std::move(std::get<std::unique_ptr<LocalFeedServer>>(started));
    EXPECT_TRUE(server->feedHost1().starts_with("http://127.0.0.1:"));
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(server->pid()));
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_TIMEOUT);
    server.reset();
    EXPECT_EQ(WaitForSingleObject(process, 5000), WAIT_OBJECT_0);
    CloseHandle(process);
}

} // namespace
} // namespace kestrum
