#include "platform/StopSignals.h"
#include "platform/TemporaryFolder.h"

#include <csignal>
#include <fstream>
#include <future>
#include <gtest/gtest.h>

namespace kestrum {
namespace {

// A stop request sets the flag and ends the wait with true; a wake ends it with false, so that
// a program that ends on its own does not take that for a request.
TEST(StopSignalsTest, ASignalEndsTheWaitAsARequestAndAWakeDoesNot) {
    {
        StopSignals signals;
        EXPECT_FALSE(signals.requested().load());
        auto waiting = std::async(std::launch::async, [&signals] { return signals.wait(); });
        EXPECT_EQ(waiting.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
        signals.wake();
        EXPECT_FALSE(waiting.get());
        EXPECT_FALSE(signals.requested().load());
    }
    for (const int signal : {SIGTERM, SIGINT}) {
        StopSignals signals;
        auto waiting = std::async(std::launch::async, [&signals] { return signals.wait(); });
        ASSERT_EQ(std::raise(signal), 0);
        EXPECT_TRUE(waiting.get());
        EXPECT_TRUE(signals.requested().load());
        // One that came before the wait ends it at once.
        EXPECT_TRUE(signals.wait());
    }
}

TEST(TemporaryFolderTest, IsMadeAnewAndGoesWithWhatItHolds) {
    auto first = TemporaryFolder::make("kestrum-test-");
    auto second = TemporaryFolder::make("kestrum-test-");
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<TemporaryFolder>>(first));
    ASSERT_TRUE(std::holds_alternative<std::unique_ptr<TemporaryFolder>>(second));
    auto folder = std::move(std::get<std::unique_ptr<TemporaryFolder>>(first));
    const std::filesystem::path path = folder->path();
    EXPECT_NE(path, std::get<std::unique_ptr<TemporaryFolder>>(second)->path());
    EXPECT_TRUE(path.filename().string().starts_with("kestrum-test-"));
    std::filesystem::create_directories(path / "inner");
    std::ofstream(path / "inner" / "data1.txt") << "x";
    folder.reset();
    EXPECT_FALSE(std::filesystem::exists(path));
}

} // namespace
} // namespace kestrum
