#include "platform/LocalFeedServer.h"

#include "platform/HttpClient.h"
#include "support/ScratchFolder.h"

#include <cerrno>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>

namespace kestrum {
namespace {

// The built feed server, named as it is installed.
const std::filesystem::path kBuiltServer = KESTRUM_TEST_FEED_SERVER;

std::filesystem::path writeScript(const std::filesystem::path& path, const std::string& body) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

TEST(LocalFeedServerTest, ServesTheFeedsUntilItIsDestroyed) {
    auto started = LocalFeedServer::start(kBuiltServer);
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<LocalFeedServer>>(started))
        << std::get<std::string>(started);
    auto server = std::move(std::get<std::unique_ptr<LocalFeedServer>>(started));
    const auto pid = static_cast<pid_t>(server->pid());
    EXPECT_TRUE(server->webHost().starts_with("http://127.0.0.1:"));

    const auto client = makeHttpClient(HttpLimits{2000, 3000});
    // Each feed on its own host, as the program reads them.
    const FetchResult first = client->fetchLines(server->feedHost1() + "/ssckj/cq.txt", 0);
    EXPECT_TRUE(first.ok());
    EXPECT_EQ(first.lines.size(), 60U);
    EXPECT_TRUE(client->fetchLines(server->feedHost2() + "/dbffc.txt", 1).ok());
    EXPECT_TRUE(client->fetchLines(server->webHost() + "/", 1).ok());

    server.reset();
    // Stopped and reaped: the process is gone, and so are its ports.
    EXPECT_EQ(::kill(pid, 0), -1);
    EXPECT_EQ(errno, ESRCH);
}

TEST(LocalFeedServerTest, AServerThatIsNeverReadyIsAnErrorAndIsStopped) {
    test::ScratchFolder folder;
    auto ended = LocalFeedServer::start(writeScript(folder.path() / "ends", "echo oops; exit 3"));
    ASSERT_TRUE(std::holds_alternative<std::string>(ended));
    EXPECT_EQ(std::get<std::string>(ended),
              (folder.path() / "ends").string() + " ended with status 3 before it was ready");

    // It prints its pid and then nothing: the wait ends, and the process with it.
    const std::filesystem::path pidFile = folder.path() / "pid";
    auto silent = LocalFeedServer::start(
        writeScript(folder.path() / "silent", "echo $$ > " + pidFile.string() + "; exec sleep 60"),
        std::chrono::milliseconds(500));
    ASSERT_TRUE(std::holds_alternative<std::string>(silent));
    EXPECT_EQ(std::get<std::string>(silent),
              (folder.path() / "silent").string() + " was not ready after 500 ms");
    pid_t pid = 0;
    std::ifstream(pidFile) >> pid;
    ASSERT_GT(pid, 0);
    EXPECT_EQ(::kill(pid, 0), -1);

    auto missing = LocalFeedServer::start(folder.path() / "none");
    ASSERT_TRUE(std::holds_alternative<std::string>(missing));
    EXPECT_EQ(std::get<std::string>(missing),
              (folder.path() / "none").string() + " ended with status 127 before it was ready");
}

TEST(LocalFeedServerTest, IsFoundNextToTheProgramBeforeThePath) {
    test::ScratchFolder folder;
    const std::filesystem::path programFolder = folder.path() / "bin";
    const std::filesystem::path pathFolder = folder.path() / "path";
    writeScript(pathFolder / "kestrum-feedsim", "exit 0");
    std::map<std::string, std::string> variables{{"PATH", "/nonexistent::" + pathFolder.string()}};
    const EnvironmentLookup environment = [&](const char* name) -> std::optional<std::string> {
        const auto found = variables.find(name);
        return found == variables.end() ? std::nullopt : std::optional(found->second);
    };
    EXPECT_EQ(findFeedServer(programFolder / "kestrum", environment),
              pathFolder / "kestrum-feedsim");
    writeScript(programFolder / "kestrum-feedsim", "exit 0");
    EXPECT_EQ(findFeedServer(programFolder / "kestrum", environment),
              programFolder / "kestrum-feedsim");
    // A file that cannot be run is passed over.
    ::chmod((programFolder / "kestrum-feedsim").c_str(), 0644);
    EXPECT_EQ(findFeedServer(programFolder / "kestrum", environment),
              pathFolder / "kestrum-feedsim");
    variables.clear();
    EXPECT_EQ(findFeedServer(programFolder / "kestrum", environment), std::nullopt);
}

} // namespace
} // namespace kestrum
