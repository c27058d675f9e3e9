#include "commands/HonestFiguresCommand.h"

#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/History.h"
#include "support/RecordingView.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace kestrum {
namespace {

using Calls = std::vector<std::string>;

// The figures of the asked play type, over the stored draws oldest first, go to the view under
// their ticket; a run cancelled before it ends shows nothing, since part of its work is missing.
TEST(HonestFiguresCommandTest, ShowsTheAskedFiguresUnlessCancelled) {
    std::vector<std::string> lines = test::feedLines(60, 90);
    std::reverse(lines.begin(), lines.end());
    auto engine = std::make_unique<Engine>();
    test::storeOldestFirst(*engine, lines);
    test::RecordingView view;
    test::FakeHttpClient client;
    const AppSettings settings;
    CommandContext context{*engine, view, client, settings,
                           [](std::chrono::milliseconds) { return true; }};
    const PlanShape shape{2, 4};

    std::atomic<bool> cancelled{true};
    runHonestFigures(context, 6, PlayType::BaiWei, shape, 23, &cancelled);
    EXPECT_TRUE(view.calls.empty());

    runHonestFigures(context, 7, PlayType::BaiWei, shape, 23);
    ASSERT_EQ(view.calls, Calls{"honest figures 7"});
    const HonestFigures& shown = *view.honestFigures;
    EXPECT_EQ(shown.draws, 60);
    EXPECT_EQ(shown.luck.luck.histories, kLuckHistories);
    EXPECT_GT(shown.luck.formula.chance.wins + shown.luck.formula.chance.losses, 0);

    EvaluationRequest request;
    request.lines = lines;
    request.plays = {{PlayType::BaiWei, shape}};
    const PlayEvaluation followed = evaluateWalkForward(request).plays.front();
    EXPECT_EQ(shown.window, kEvaluationWindow);
    EXPECT_EQ(shown.followed.type, PlayType::BaiWei);
    EXPECT_EQ(shown.followed.shape, shape);
    EXPECT_EQ(shown.followed.steps, followed.steps);
    EXPECT_EQ(shown.followed.outOfSample.wins, followed.outOfSample.wins);
    EXPECT_EQ(shown.followed.outOfSample.losses, followed.outOfSample.losses);
    EXPECT_GT(followed.outOfSample.wins + followed.outOfSample.losses, 0);
}

} // namespace
} // namespace kestrum
