// kestrum-cli watch ends on SIGINT (Ctrl+C) with status 0: the program's handler reaches the
// watch (without it the signal would end the process itself). SIGTERM goes the same way; the
// watch's own tests send that one.

#include "RunCli.h"
#include "support/LocalServer.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <thread>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

using CliWatchTest = test::CliTest;

TEST_F(CliWatchTest, SigintStopsItWithStatusZero) {
    test::LocalServer hosts;
    hosts.serve("/ssckj/cq.txt", test::fileBytes(KESTRUM_CLI_FEED "/feed1/ssckj/cq.txt"));
    hosts.serve("/addurl/vn.txt", "http://127.0.0.1:47800/promo.html\n");
    const std::string host = hosts.url("");
    const fs::path data = m_folder.path() / "data";
    const std::vector<std::string> arguments{
        "--config",   m_config.string(), "--web-host", host,    "--feed-host-1",
        host,         "--feed-host-2",   host,         "watch", "--data-dir",
        data.string()};
    const pid_t pid = test::spawnCli(arguments);
    ASSERT_NE(pid, 0);

    // Its start-up is done once the last export file is there.
    const auto started = std::chrono::steady_clock::now();
    while (!fs::exists(data / "h5bzd.txt") && std::chrono::steady_clock::now() - started < 60s) {
        std::this_thread::sleep_for(50ms);
    }
    EXPECT_TRUE(fs::exists(data / "h5bzd.txt"));
    ASSERT_EQ(::kill(pid, SIGINT), 0);
    int status = 0;
    const auto signalled = std::chrono::steady_clock::now();
    pid_t ended = 0;
    while ((ended = ::waitpid(pid, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() - signalled < 10s) {
        std::this_thread::sleep_for(20ms);
    }
    if (ended == 0) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        FAIL() << "watch did not end within 10 s of the signal";
    }
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
} // namespace kestrum
