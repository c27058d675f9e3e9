#pragma once

// Loading the draws of the selected lottery: the full download of its feed, the refresh that
// adds the newest draw, and the draw side of a lottery switch. Each writes the store and the
// snapshot file "data1.txt", and returns the text the draw list should show; what the window
// does with it, and the recompute that follows, are the caller's.

#include "draws/DrawStore.h"
#include "draws/LotteryTable.h"
#include "platform/HttpClient.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kestrum {

// Waits for the given time; returns false when the wait was cut short because the program is
// closing, and the caller should give up.
using WaitFunction = std::function<bool(std::chrono::milliseconds)>;

// What the feed operations need from around them.
struct FeedContext {
    HttpClient& client;
    // Where "data1.txt" is written: the working directory in the app.
    std::filesystem::path dataDirectory;
    // The pauses between download attempts.
    WaitFunction wait;
};

// How often a failed download is tried again: at most `attempts` times, with the pauses in
// between (the last pause repeats when there are more attempts than pauses).
struct DownloadPacing {
    std::int32_t attempts = 5;
    std::vector<std::chrono::milliseconds> pauses{
        std::chrono::milliseconds(1000), std::chrono::milliseconds(2000),
        std::chrono::milliseconds(4000), std::chrono::milliseconds(8000)};
};

struct DownloadOutcome {
    // The feed answered; false when every attempt failed and the store was left as it was.
    bool loaded = false;
    // Lines stored (0 to 30).
    std::int32_t lines = 0;
    std::int32_t attempts = 0;
    // Why the last attempt failed; empty when it did not.
    std::string error;
    // The draw list's new text when the feed answered: the thirty newest slots, oldest at
    // the top, each line ending in CR LF.
    std::string paneText;
};

// The file that holds the newest draw line, without a line end.
inline constexpr const char* kSnapshotFile = "data1.txt";

// Fetches feedUrl and stores its first thirty lines (newest first) in FeedLines and
// DrawHistory, sets oldestIndex and drawCursor to the oldest line stored, latestLine to the
// newest, and writes "data1.txt". A failed fetch (no answer, a status other than 2xx, a source that
// sent no draws) is tried again as `pacing` says; when every attempt fails nothing is changed or
// written.
DownloadOutcome downloadFeed(DrawStore& store, FeedContext& context,
                             const DownloadPacing& pacing = {});

struct RefreshOutcome {
    // A new draw went in at slot 0: the plans must be recomputed.
    bool inserted = false;
    // The store held no draw, so the whole feed was downloaded instead: the formulas must be
    // searched and the plans computed as for a newly selected lottery.
    bool reloaded = false;
    // The draw list's new text, when it changed.
    std::optional<std::string> paneText;
    // Why the fetch failed; empty when it did not.
    std::string error;
};

// Fetches the feed's first line; when it is not the stored newest line, inserts it at slot 0,
// cutting the table back to forty lines when it has grown to 101, and rewrites "data1.txt".
// A line counts as known when it is empty (a failed fetch) or equals the newest stored line.
RefreshOutcome refreshLatestDraw(DrawStore& store, FeedContext& context);

// Sets the store's layout, lottery number and feed address to those of `lottery`.
void useLottery(DrawStore& store, const LotterySource& lottery, const FeedHosts& hosts);

// The draw side of choosing a lottery: its layout and number, an empty FeedLines, its feed
// address, the download. When no line could be loaded, the history counts as empty (no walk
// can run over the previous lottery's draws).
DownloadOutcome selectLotteryDraws(DrawStore& store, const LotterySource& lottery,
                                   const FeedHosts& hosts, FeedContext& context,
                                   const DownloadPacing& pacing = {});

// Whether the store holds no draw line at all.
bool storeIsEmpty(const DrawStore& store);

// The draw list: FeedLines[last] at the top down to FeedLines[0] at the bottom, each followed
// by CR LF.
std::string drawListText(const DrawStore& store, std::int32_t last);

} // namespace kestrum
