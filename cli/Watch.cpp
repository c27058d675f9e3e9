#include "cli/Watch.h"

#include "base/Utf8Path.h"
#include "cli/Watcher.h"
#include "commands/PromotedStartup.h"
#include "commands/Updates.h"
#include "launch/DataFolder.h"
#include "platform/DebugLog.h"
#include "platform/LocalTime.h"
#include "report/Names.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <memory>
#include <set>
#include <thread>

namespace kestrum::cli {

namespace {

// The local time as "YYYY-MM-DD HH:MM:SS.mmm": the milliseconds tell how soon after its
// publication a draw was in.
std::string localTimestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    const std::tm local = toLocalTime(seconds);
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return "0000-00-00 00:00:00.000";
    }
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%s.%03d", text, static_cast<int>(millis));
    return withMillis;
}

} // namespace

void logEvent(std::string_view who, std::string_view event) {
    std::string line = localTimestamp();
    line += ' ';
    line += who;
    line += ": ";
    line += event;
    line += '\n';
    debugLog(line);
}

std::string secondsText(std::chrono::milliseconds duration) {
    const auto count = duration.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

namespace {

// The promotional line, fetched once: it ends the export files of every lottery, so it comes
// before their start-ups. A host that cannot be reached is logged, and the watch goes on.
void fetchPromotion(Watcher& first, const std::vector<std::unique_ptr<Watcher>>& watchers,
                    const AppSettings& app) {
    const auto goOnWhenUnreachable = [&] {
        if (first.stopped()) {
            return false;
        }
        logEvent("watch", "the promotional line cannot be fetched from " + app.webHost +
                              ": the export files end without it");
        return true;
    };
    const auto shareWithEveryLottery = [&] {
        if (first.stopped()) {
            return;
        }
        for (const std::unique_ptr<Watcher>& watcher : watchers) {
            watcher->context().engine.PromoText = first.context().engine.PromoText;
        }
    };
    const PromoOutcome promo =
        startUpAfterPromotion(first.context(), goOnWhenUnreachable, shareWithEveryLottery);
    if (promo == PromoOutcome::Refused && !first.stopped()) {
        logEvent("watch", "the promotional line of " + app.webHost +
                              " is no web address: the export files end without it");
    }
}

} // namespace

// Nothing but the stop ends the watch: a lottery whose feed cannot be loaded, at start-up or
// later, is tried again at every tick of its refresh, so a wrong address shows only in the log
// and no failure status is ever returned (2 only for a request that names no lottery, or one
// twice, which the command line does not pass).
int runWatch(const WatchRequest& request, const std::atomic<bool>& stop,
             const WatchersReady& ready) {
    std::set<std::int32_t> seen;
    for (std::int32_t number : request.lotteries) {
        if (number < 1 || number > static_cast<std::int32_t>(kLotteryRows)) {
            logEvent("watch", "there is no lottery " + std::to_string(number));
            return 2;
        }
        if (!seen.insert(number).second) {
            // Two watchers of one lottery would write the same files.
            logEvent("watch", "lottery " + std::to_string(number) + " is named twice");
            return 2;
        }
    }
    if (request.lotteries.empty()) {
        logEvent("watch", "no lottery to watch");
        return 2;
    }

    // With several lotteries each has its own folder, named after its feed.
    const bool ownFolders = request.lotteries.size() > 1;
    std::vector<std::unique_ptr<Watcher>> watchers;
    for (std::int32_t number : request.lotteries) {
        const LotterySource& lottery = lotteryByNumber(number);
        const std::filesystem::path folder =
            ownFolders ? request.app.dataDirectory / feedName(lottery) : request.app.dataDirectory;
        watchers.push_back(
            std::make_unique<Watcher>(lottery, request.app, folder, request.fixedPeriod, stop));
        if (const std::optional<DataFolderProblem> problem = prepareDataFolder(folder)) {
            // Its files fail, and say so, until the folder can be written.
            logEvent(watchers.back()->who(),
                     problem->kind == DataFolderProblem::Kind::NotMade
                         ? "cannot make the folder " + utf8FromPath(folder) + ": " + problem->reason
                         : "cannot write into the folder " + utf8FromPath(folder));
        }
    }

    if (ready) {
        std::vector<Watcher*> readyWatchers;
        for (const std::unique_ptr<Watcher>& watcher : watchers) {
            readyWatchers.push_back(watcher.get());
        }
        if (!ready(readyWatchers)) {
            return 1;
        }
    }

    fetchPromotion(*watchers.front(), watchers, request.app);
    if (stop.load()) {
        logEvent("watch", "stopped");
        return 0;
    }

    // A thread per lottery: a host that is slow or down (a connection waits up to 5 s, a
    // transfer up to 30 s, a failed start-up pauses 15 s between its attempts) holds back only
    // its own lotteries. Served in turn, the others would miss draws: a refresh takes only the
    // feed's newest line, so a 分分彩 refreshed less than once a minute loses draws from its
    // history.
    std::vector<std::thread> threads;
    threads.reserve(watchers.size());
    for (const std::unique_ptr<Watcher>& watcher : watchers) {
        threads.emplace_back([&watcher] { watcher->run(); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    logEvent("watch", "stopped");
    return 0;
}

} // namespace kestrum::cli
