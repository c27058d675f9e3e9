#pragma once

// The sequences that the user and the timers start. Each runs on the engine thread, whole,
// one after another; they tell the window what to show through a View.

#include "commands/View.h"
#include "draws/Feed.h"
#include "draws/LotteryTable.h"
#include "engine/Engine.h"
#include "engine/Search.h"
#include "platform/HttpClient.h"
#include "platform/Settings.h"

#include <atomic>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

namespace kestrum {

// The addresses and places the commands use; compiled in for the app, chosen by tests.
struct AppSettings {
    FeedHosts feedHosts;
    // The maker's web host, as "http://host:port".
    std::string webHost;
    // Where "data1.txt" and the export files are written.
    std::filesystem::path dataDirectory{"."};
    // The settings file's draw source of each lottery that has one, by feed name (cq, jx, ...).
    // The client that the programs give their commands reads a lottery's draws from it.
    std::map<std::string, SourceSettings> sources;
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
// Returns what the refresh found, for a caller that reports it.
RefreshOutcome runRefresh(CommandContext& context, std::atomic<bool>& refreshBusy);

// The message when the 码数 or 期数 box holds no usable number.
inline constexpr const char* kBadSearchInputText = "请正确输入期数和码数！";

// The report pane's text while a newly chosen lottery is loaded.
inline constexpr const char* kPreparingText = "\r\n\r\n正在准备数据中，请稍等！！";

// The plan shape typed into the 码数 and 期数 boxes, read by the leading-decimal rule: usable
// when 码数 is 1 to 9 and 期数 is 1 or more; nothing otherwise.
std::optional<PlanShape> parseSearchInput(std::string_view codeCountText,
                                          std::string_view planPeriodsText);

// The search command's first half: `shape` becomes the play type's plan shape and its formulas
// are searched; the candidates go to the window, which lets the user choose. Ends with
// commandDone. Returns the formula the search found best (0 when none won a plan).
std::int32_t runSearch(CommandContext& context, PlayType type, PlanShape shape);

// The search command's second half, and the command after input the search refused (no play
// type): the chosen formula becomes current, then the plans are recomputed, reported and
// exported. Ends with commandDone.
void runStoreFormula(CommandContext& context, std::optional<PlayType> type, std::int32_t formula);

// "使用已有公式": the typed formula becomes current for the checked play type (none checked:
// nothing is stored), then the plans are recomputed, reported and exported. Ends with
// commandDone.
void runUseFormula(CommandContext& context, std::optional<PlayType> type,
                   const std::string& formulaText);

// The engine's side of choosing lottery `number` (1 to 10): its draws, then its formulas and
// plans, and the report. Ends with commandDone.
void runSelectLottery(CommandContext& context, std::int32_t number);

// The start-up of lottery `number` (1 to 10) for a program without a window: its draws (the
// full download), the full recompute, the plans shown, and the export files written when
// `writeExports` (the promotional text that ends them is the caller's to fetch first). Nothing
// is computed when the download brought no line, and nothing is written when it failed.
DownloadOutcome runLotteryStartup(CommandContext& context, std::int32_t number, bool writeExports);

// The plans as the window shows them, for the selected lottery.
PlanSnapshot takeSnapshot(const Engine& engine);

// The progress line of a search, below a heading (the start-up or the preparing text).
std::string searchProgressText(std::string_view heading, const SearchProgress& progress);

} // namespace kestrum
