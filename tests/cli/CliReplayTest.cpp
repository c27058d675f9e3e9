// kestrum-cli --replay against the window's own commands run in-process: its start-up on the
// oldest thirty lines, then one refresh per newer line, the history cut as the refresh cuts it.

#include "RunCli.h"
#include "commands/Commands.h"
#include "commands/Updates.h"
#include "report/PlanExports.h"
#include "report/PlanReport.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/LocalServer.h"
#include "support/RecordingView.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

namespace kestrum {
namespace {

namespace fs = std::filesystem;
using test::CliRun;

const char* const kPromoLine = "http://127.0.0.1:47800/promo.html";

// 140 draws of 重庆时时彩, newest first: periods 21 to 120 of one day, then 1 to 40 of the next.
std::vector<std::string> replayedLines() {
    std::vector<std::string> lines;
    for (std::int32_t period = 21; period <= 120; ++period) {
        lines.push_back(test::drawLine("20150101", period, test::spreadDigits(period)));
    }
    for (std::int32_t period = 1; period <= 40; ++period) {
        lines.push_back(test::drawLine("20150102", period, test::spreadDigits(120 + period)));
    }
    std::reverse(lines.begin(), lines.end());
    return lines;
}

// What the window would have done had it run since the oldest thirty lines were the feed: the
// start-up, then a refresh for every newer line. With `exports`, the promotional line first and
// the export files into `folder`, as the window writes them.
struct WindowRun {
    std::unique_ptr<Engine> engine = std::make_unique<Engine>();
    test::RecordingView view;

    WindowRun(const std::vector<std::string>& newestFirst, const fs::path& folder, bool exports) {
        test::FakeHttpClient client;
        AppSettings settings;
        settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        settings.webHost = "http://web.test";
        settings.dataDirectory = folder;
        const std::string feed = feedUrlOf(lotteryByNumber(1), settings.feedHosts);
        CommandContext context{*engine, view, client, settings,
                               [](std::chrono::milliseconds) { return true; }};
        if (exports) {
            client.answer("http://web.test/addurl/vn.txt", {kPromoLine});
            fetchPromoLine(context);
        }
        const std::size_t first = newestFirst.size() - kDownloadLines;
        client.answer(
            feed, {newestFirst.begin() + static_cast<std::ptrdiff_t>(first), newestFirst.end()});
        runLotteryStartup(context, 1, exports);
        for (std::size_t line = first; line-- > 0;) {
            client.answer(feed, {newestFirst[line]});
            std::atomic<bool> busy{true};
            runRefresh(context, busy);
        }
    }
};

class CliReplayTest : public test::CliTest {
protected:
    CliReplayTest() {
        std::ofstream out(m_feed, std::ios::binary);
        for (const std::string& line : m_lines) {
            out << line << "\n";
        }
    }

    std::vector<std::string> m_lines = replayedLines();
    fs::path m_feed = m_folder.path() / "replayed.txt";
};

TEST_F(CliReplayTest, PlansAreThoseAfterTheWindowsLastRefresh) {
    const fs::path windowFolder = m_folder.path() / "window";
    fs::create_directories(windowFolder);
    const WindowRun window(m_lines, windowFolder, false);
    // 30 lines, grown by a refresh each to 101, cut back to 40 and grown again: 79 stored.
    ASSERT_EQ(window.engine->oldestIndex, 78);
    ASSERT_TRUE(window.view.plans.has_value());

    const CliRun replay = cli({"plan", "--replay", "--feed", m_feed.string(), "--format", "json"});
    ASSERT_EQ(replay.status, 0) << replay.err;
    EXPECT_EQ(replay.err, "");
    const nlohmann::json plan = nlohmann::json::parse(replay.out);
    EXPECT_EQ(plan["draws"]["count"], 79);
    EXPECT_EQ(plan["draws"]["newest"], m_lines.front());

    const CliRun plain = cli({"plan", "--feed", m_feed.string(), "--format", "json"});
    ASSERT_EQ(plain.status, 0) << plain.err;
    const nlohmann::json plainPlan = nlohmann::json::parse(plain.out);

    std::int32_t failedPlans = 0;
    bool differsFromPlain = false;
    for (std::size_t slot = 0; slot < kPlayTypeCount; ++slot) {
        const nlohmann::json& play = plan["plays"][slot];
        const auto lines = play["plan_lines"].get<std::vector<std::string>>();
        EXPECT_EQ(lines, test::reportLines(planReportText(window.view.plans->planLines[slot], "")))
            << play["name"];
        EXPECT_EQ(play["formula"], window.view.plans->formulas[slot]);
        differsFromPlain = differsFromPlain || play != plainPlan["plays"][slot];

        // The counts agree with the summary line "083%中[finished]   挂[failed] 连挂[...]".
        ASSERT_FALSE(lines.empty());
        const std::string& summary = lines.back();
        const auto number = [&summary](const std::string& before) {
            return std::stoi(summary.substr(summary.find(before) + before.size()));
        };
        EXPECT_EQ(play["accuracy"], std::stoi(summary)) << summary;
        EXPECT_EQ(play["losses"], number("挂[")) << summary;
        EXPECT_EQ(play["wins"].get<int>() + play["losses"].get<int>(), number("中[")) << summary;
        failedPlans += play["losses"].get<std::int32_t>();
    }
    // Failed plans are in, so the counts above were put to the test.
    EXPECT_GT(failedPlans, 0);
    EXPECT_TRUE(differsFromPlain);
}

TEST_F(CliReplayTest, ExportWritesTheFilesOfTheWindowsLastRefresh) {
    const fs::path windowFolder = m_folder.path() / "window";
    const fs::path cliFolder = m_folder.path() / "cli";
    fs::create_directories(windowFolder);
    const WindowRun window(m_lines, windowFolder, true);

    test::LocalServer web;
    web.serve("/addurl/vn.txt", std::string(kPromoLine) + "\n");
    const std::string host = web.url("");
    const CliRun run =
        cli({"--web-host", host, "--feed-host-1", host, "--feed-host-2", host, "export", "--replay",
             "--feed", m_feed.string(), "--data-dir", cliFolder.string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(test::fileBytes(cliFolder / kSnapshotFile), m_lines.front());
    EXPECT_EQ(test::fileBytes(cliFolder / kSnapshotFile),
              test::fileBytes(windowFolder / kSnapshotFile));
    for (const PlanExportFile& file : planExportFiles()) {
        const std::string written = test::fileBytes(cliFolder / file.fileName);
        EXPECT_FALSE(written.empty()) << file.fileName;
        EXPECT_EQ(written, test::fileBytes(windowFolder / file.fileName)) << file.fileName;
    }
}

} // namespace
} // namespace kestrum
