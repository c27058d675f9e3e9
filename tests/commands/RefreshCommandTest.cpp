#include "commands/RefreshCommand.h"

#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/RecordingView.h"
#include "support/ScratchFolder.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>

namespace kestrum {
namespace {

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";

using test::feedLines;

// The scheduler hears what each timed refresh found, also of one that throws: following the
// draws, the window's single shot is set again only then.
TEST(RefreshCommandTest, TellsTheViewWhenItRanAndWhatItFoundAlsoWhenItThrows) {
    test::ScratchFolder folder;
    AppSettings settings;
    settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
    settings.webHost = "http://web.test";
    settings.dataDirectory = folder.path();
    Engine engine;
    test::RecordingView view;
    test::FakeHttpClient client;
    client.answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
    client.answer(kFeed, feedLines(30, 80));
    CommandContext context{engine, view, client, settings,
                           [](std::chrono::milliseconds) { return true; }};
    runStartup(context);

    // Each reading of the clock a second after the one before.
    std::int64_t readings = 0;
    const RefreshClock clock = [&readings] {
        return RefreshPlanner::Moment(std::chrono::seconds(++readings));
    };
    client.answer(kFeed, feedLines(31, 81));
    std::atomic<bool> busy{true};
    runTimedRefresh(context, busy, clock);
    EXPECT_FALSE(busy.load());
    ASSERT_EQ(view.refreshes.size(), 1u);
    const RefreshRun& found = view.refreshes.back();
    EXPECT_EQ(found.start, RefreshPlanner::Moment(std::chrono::seconds(1)));
    EXPECT_EQ(found.end, RefreshPlanner::Moment(std::chrono::seconds(2)));
    ASSERT_TRUE(found.outcome.has_value());
    EXPECT_TRUE(found.outcome->inserted);
    EXPECT_EQ(found.newestLine, feedLines(1, 81)[0]);

    client.throwOn(kFeed);
    busy = true;
    EXPECT_THROW(runTimedRefresh(context, busy, clock), std::runtime_error);
    EXPECT_FALSE(busy.load());
    ASSERT_EQ(view.refreshes.size(), 2u);
    const RefreshRun& threw = view.refreshes.back();
    EXPECT_EQ(threw.start, RefreshPlanner::Moment(std::chrono::seconds(3)));
    EXPECT_EQ(threw.end, RefreshPlanner::Moment(std::chrono::seconds(4)));
    EXPECT_FALSE(threw.outcome.has_value());
    EXPECT_EQ(threw.newestLine, feedLines(1, 81)[0]);
}

} // namespace
} // namespace kestrum
