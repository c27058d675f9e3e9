#pragma once

// The sequences that the user and the timers start. Each runs on the engine thread, whole,
// one after another; they tell the window what to show through a View.

#include "commands/View.h"
#include "draws/Feed.h"
#include "draws/LotteryTable.h"
#include "engine/Engine.h"
#include "engine/Search.h"
#include "platform/HttpClient.h"

#include <atomic>
#include <filesystem>
#include <string>

namespace kestrum {

// The addresses and places the commands use; compiled in for the app, chosen by tests.
struct AppSettings {
    FeedHosts feedHosts;
    // The maker's web host, as "http://host:port".
    std::string webHost;
    // Where "data1.txt" and the export files are written.
    std::filesystem::path dataDirectory{"."};
};

struct CommandContext {
    Engine& engine;
    View& view;
    HttpClient& client;
    const AppSettings& settings;
    // The pauses between download attempts; false ends them (the program is closing).
    WaitFunction wait;
    DownloadPacing pacing{};
};

// The report pane's text while the program starts.
inline constexpr const char* kStartupText = "\r\n\r\n正在初始化软件，请稍等片刻！！";

// The report pane's text when no draw could be loaded.
inline constexpr const char* kDrawsUnavailableText =
    "\r\n\r\n开奖数据暂时无法下载，软件会继续自动重试，请稍候……";

// Start-up: the first lottery's feed, the formulas of every play type, the first report and
// export files. When the feed cannot be loaded, says so and leaves the computing to the
// refresh that loads it later.
void runStartup(CommandContext& context);

// The refresh timer's command: the newest draw, and when one went in, new plans, report and
// export files. Clears refreshBusy when it ends, on every path.
void runRefresh(CommandContext& context, std::atomic<bool>& refreshBusy);

// The plans as the window shows them, for the selected lottery.
PlanSnapshot takeSnapshot(const Engine& engine);

// The progress line of a search, below the start-up text.
std::string searchProgressText(const SearchProgress& progress);

} // namespace kestrum
