#pragma once

// kestrum-cli watch: what the window does, without it, for one lottery or several at once: the
// start-up of each, then its refreshes, and the files written after each new draw. The
// refreshes come when a draw is due (the refresh planner), or with fixedPeriod at the
// lottery's period as in the window. One log line per event on standard error.

#include "commands/Commands.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrum::cli {

struct WatchRequest {
    // Lottery numbers 1 to 10, each once, in the order given.
    std::vector<std::int32_t> lotteries;
    // The addresses, and in dataDirectory the data folder. With several lotteries each writes
    // into its own subfolder of it, named after its feed file (cq, jx, ..., xgffc).
    AppSettings app;
    // Refresh at the lottery's fixed period rather than when draws are due.
    bool fixedPeriod = false;
};

class Watcher;

// Called once every lottery's watcher exists, before their start-ups (serve puts its web
// server in front of them here). False ends the watch at once, with status 1.
using WatchersReady = std::function<bool(const std::vector<Watcher*>& watchers)>;

// Runs until `stop` becomes true (the program's SIGINT and SIGTERM handlers set it), and ends
// within a second of that, never in the middle of writing a file. Returns the exit status: 0
// when stopped.
int runWatch(const WatchRequest& request, const std::atomic<bool>& stop,
             const WatchersReady& ready = {});

// One line of the watch log on standard error: the local time to the millisecond, who it is
// about (a lottery, or "watch"), the event.
void logEvent(std::string_view who, std::string_view event);

// A duration for the log: "15 s" in whole seconds, else "1500 ms".
std::string secondsText(std::chrono::milliseconds duration);

} // namespace kestrum::cli
