#include "commands/EngineThread.h"

#include <future>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using namespace std::chrono_literals;

TEST(EngineThread, RunsJobsInOrderAndSurvivesOneThatThrows) {
    std::vector<std::string> failures;
    std::vector<int> ran;
    std::promise<void> last;
    {
        EngineThread thread([&](const std::string& job, const std::string& what) {
            failures.push_back(job + ": " + what);
        });
        thread.submit("first", [&](Engine&) { ran.push_back(1); });
        thread.submit("broken", [&](Engine&) {
            ran.push_back(2);
            throw std::runtime_error("table out of range");
        });
        thread.submit("odd", [](Engine&) { throw 7; });
        thread.submit("after", [&](Engine& engine) {
            ran.push_back(3);
            engine.lotteryIndex = 4;
        });
        thread.submit("check", [&](Engine& engine) {
            // The same engine throughout: what the job before the failures left is kept.
            ran.push_back(engine.lotteryIndex);
            last.set_value();
        });
        ASSERT_EQ(last.get_future().wait_for(10s), std::future_status::ready);
    }
    EXPECT_EQ(ran, (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(failures, (std::vector<std::string>{"broken: table out of range",
                                                  "odd: an exception of unknown type"}));
}

TEST(EngineThread, StopEndsTheRunningJobsWaitAndDropsTheQueuedOnes) {
    std::promise<void> started;
    bool waitGaveUp = false;
    bool queuedRan = false;
    EngineThread thread;
    thread.submit("long", [&](Engine&) {
        started.set_value();
        waitGaveUp = !thread.wait(10min);
    });
    thread.submit("queued", [&](Engine&) { queuedRan = true; });
    ASSERT_EQ(started.get_future().wait_for(10s), std::future_status::ready);
    thread.stop();
    EXPECT_TRUE(waitGaveUp);
    EXPECT_FALSE(queuedRan);
    // Nothing runs once the thread has stopped.
    thread.submit("late", [&](Engine&) { queuedRan = true; });
    thread.stop();
    EXPECT_FALSE(queuedRan);
}

} // namespace
} // namespace kestrum
