#include "commands/Commands.h"

#include "engine/Dispatch.h"
#include "report/PlanExports.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/History.h"
#include "support/RecordingView.h"
#include "support/ScratchFolder.h"

#include <atomic>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using Calls = std::vector<std::string>;

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";

using test::feedLines;

class CommandsTest : public testing::Test {
protected:
    CommandsTest() {
        m_settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        m_settings.webHost = "http://web.test";
        m_settings.dataDirectory = m_dir;
        m_client.answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
    }

    CommandContext context() {
        return {m_engine, m_view, m_client, m_settings,
                [](std::chrono::milliseconds) { return true; }};
    }

    bool exportsWritten() const {
        for (const PlanExportFile& file : planExportFiles()) {
            if (!fs::exists(m_dir / file.fileName)) {
                return false;
            }
        }
        return true;
    }

    test::ScratchFolder m_folder;
    fs::path m_dir = m_folder.path();
    AppSettings m_settings;
    Engine m_engine;
    test::RecordingView m_view;
    test::FakeHttpClient m_client;
};

TEST_F(CommandsTest, StartupLoadsSearchesReportsAndExports) {
    m_client.answer(kFeed, feedLines(45, 80));
    CommandContext c = context();
    runStartup(c);

    EXPECT_EQ(m_view.callsWithoutStatus(),
              (Calls{"open http://web.test/promo.html", "drawList", "check 后一 1", "plans"}));
    EXPECT_EQ(m_engine.oldestIndex, 29);
    // Progress below the start-up text while the ten searches run, ending with each search.
    ASSERT_FALSE(m_view.statuses.empty());
    EXPECT_EQ(m_view.statuses.back(),
              std::string(kStartupText) + "\r\n\r\n正在搜索前三公式：499 / 499");
    ASSERT_TRUE(m_view.plans.has_value());
    for (PlayType type : allPlayTypes()) {
        EXPECT_EQ(m_view.plans->formulas[slotOf(type)], currentFormula(m_engine, type));
        EXPECT_EQ(m_view.plans->planLines[slotOf(type)], m_engine.PlanLines[slotOf(type)]);
    }
    EXPECT_TRUE(exportsWritten());
    EXPECT_EQ(test::fileBytes(m_dir / "data1.txt"), feedLines(1, 80)[0]);
}

TEST_F(CommandsTest, StartupWithoutDrawsSaysSoAndComputesNothing) {
    m_client.fail(kFeed, FetchStatus::NetworkError);
    CommandContext c = context();
    runStartup(c);
    EXPECT_EQ(m_view.calls, (Calls{"open http://web.test/promo.html", "status"}));
    EXPECT_EQ(m_view.statuses.back(), kDrawsUnavailableText);
    EXPECT_FALSE(exportsWritten());
    EXPECT_EQ(m_engine.CurrentFormulaTable, FormulaTable{});

    // The first refresh that reaches the feed does what the start-up could not.
    m_client.answer(kFeed, feedLines(30, 80));
    m_view.calls.clear();
    std::atomic<bool> busy{true};
    runRefresh(c, busy);
    EXPECT_FALSE(busy.load());
    EXPECT_EQ(m_view.callsWithoutStatus(), (Calls{"drawList", "check 后一 1", "plans"}));
    EXPECT_TRUE(exportsWritten());
    EXPECT_EQ(currentFormula(m_engine, PlayType::Hou1), 284);
}

// The start-up of any lottery, for a program without a window: a failed download leaves the
// files that other programs read as they were; a later one computes and exports that lottery.
TEST_F(CommandsTest, ALotteryStartupThatFailsLeavesTheFilesAlone) {
    const LotterySource& lottery = lotteryByNumber(7);
    const std::string feed = feedUrlOf(lottery, m_settings.feedHosts);
    std::ofstream(m_dir / "data1.txt") << "from an earlier run";
    m_client.fail(feed, FetchStatus::NetworkError);
    CommandContext c = context();
    const DownloadOutcome failed = runLotteryStartup(c, 7, true);
    EXPECT_FALSE(failed.loaded);
    EXPECT_EQ(test::fileBytes(m_dir / "data1.txt"), "from an earlier run");
    EXPECT_FALSE(exportsWritten());

    test::FeedStyle style;
    style.periodDigits = 4;
    m_client.answer(feed, feedLines(30, 600, style));
    const DownloadOutcome loaded = runLotteryStartup(c, 7, true);
    EXPECT_EQ(loaded.lines, 30);
    EXPECT_EQ(m_engine.lotteryIndex, 7);
    EXPECT_EQ(m_engine.drawsPerDay, lottery.drawsPerDay);
    EXPECT_EQ(test::fileBytes(m_dir / "data1.txt"), feedLines(1, 600, style)[0]);
    EXPECT_TRUE(exportsWritten());
    EXPECT_NE(m_engine.CurrentFormulaTable, FormulaTable{});
}

TEST_F(CommandsTest, ARefreshThatInsertsADrawRecomputesReportsAndExports) {
    m_client.answer(kFeed, feedLines(30, 80));
    CommandContext c = context();
    runStartup(c);
    const FormulaTable formulas = m_engine.CurrentFormulaTable;
    fs::remove(m_dir / "geweizd.txt");

    m_client.answer(kFeed, feedLines(31, 81));
    m_view.calls.clear();
    std::atomic<bool> busy{true};
    runRefresh(c, busy);
    EXPECT_FALSE(busy.load());
    EXPECT_EQ(m_view.calls, (Calls{"drawList", "plans"})); // no search, no options
    EXPECT_EQ(m_engine.oldestIndex, 30);
    EXPECT_EQ(m_engine.CurrentFormulaTable, formulas);
    EXPECT_TRUE(exportsWritten());
    EXPECT_EQ(test::fileBytes(m_dir / "data1.txt"), feedLines(1, 81)[0]);

    // The plans are those of the new history.
    Engine check;
    test::storeOldestFirst(check, [] {
        std::vector<std::string> lines = feedLines(31, 81);
        return std::vector<std::string>(lines.rbegin(), lines.rend());
    }());
    check.CurrentFormulaTable = formulas;
    recomputePlans(check);
    EXPECT_EQ(m_view.plans->planLines, check.PlanLines);
}

TEST_F(CommandsTest, ARefreshThatFindsNothingNewOnlyScrolls) {
    m_client.answer(kFeed, feedLines(30, 80));
    CommandContext c = context();
    runStartup(c);
    fs::remove(m_dir / "geweizd.txt");
    m_view.calls.clear();
    std::atomic<bool> busy{true};
    runRefresh(c, busy);
    EXPECT_FALSE(busy.load());
    EXPECT_EQ(m_view.calls, (Calls{"drawList unchanged"}));
    EXPECT_FALSE(fs::exists(m_dir / "geweizd.txt"));

    // A failed fetch: the same, and the flag is still cleared.
    m_client.fail(kFeed, FetchStatus::HttpError, 500);
    busy = true;
    runRefresh(c, busy);
    EXPECT_FALSE(busy.load());
    EXPECT_EQ(m_engine.oldestIndex, 29);
}

} // namespace
} // namespace kestrum
