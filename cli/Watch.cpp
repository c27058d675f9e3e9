#include "cli/Watch.h"

#include "cli/Names.h"
#include "commands/Updates.h"
#include "draws/RefreshPlanner.h"
#include "engine/Dispatch.h"
#include "platform/CurlHttpClient.h"
#include "platform/DebugLog.h"

#include <array>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <stdexcept>
#include <string_view>
#include <system_error>
#include <thread>

namespace kestrum::cli {

namespace {

using Clock = std::chrono::steady_clock;

// No wait is longer than this between two looks at the stop flag.
constexpr std::chrono::milliseconds kStopPoll{100};

// Waits until `until`, looking at `stop` every kStopPoll; false when stopped.
bool sleepUntil(Clock::time_point until, const std::atomic<bool>& stop) {
    while (!stop.load()) {
        const Clock::time_point now = Clock::now();
        if (now >= until) {
            return true;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kStopPoll));
    }
    return false;
}

// The local time as "YYYY-MM-DD HH:MM:SS.mmm": the milliseconds tell how soon after its
// publication a draw was in.
std::string localTimestamp() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() %
        1000;
    std::tm local{};
    localtime_r(&seconds, &local);
    char text[32];
    if (std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local) == 0) {
        return "0000-00-00 00:00:00.000";
    }
    char withMillis[40];
    std::snprintf(withMillis, sizeof withMillis, "%s.%03d", text, static_cast<int>(millis));
    return withMillis;
}

// One line of the watch log: the time, who it is about, the event.
void logEvent(std::string_view who, std::string_view event) {
    std::string line = localTimestamp();
    line += ' ';
    line += who;
    line += ": ";
    line += event;
    line += '\n';
    debugLog(line);
}

std::string seconds(std::chrono::milliseconds duration) {
    const auto count = duration.count();
    return count % 1000 == 0 ? std::to_string(count / 1000) + " s" : std::to_string(count) + " ms";
}

// The HTTP client of one lottery: the transfer of the program's client, with the reason of the
// last failure kept for the line that announces the next attempt.
class RememberingClient final : public HttpClient {
public:
    explicit RememberingClient(const std::atomic<bool>& stop) : m_client(HttpLimits{}, &stop) {}

    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        FetchResult result = m_client.fetchLines(url, maxLines);
        m_lastError = result.error;
        ++m_requests;
        m_notModified += result.notModified ? 1 : 0;
        return result;
    }

    const std::string& lastError() const { return m_lastError; }
    // Requests sent, and how many of them the host answered 304 (nothing new).
    std::int64_t requests() const { return m_requests; }
    std::int64_t notModified() const { return m_notModified; }

private:
    CurlHttpClient m_client;
    std::string m_lastError;
    std::int64_t m_requests = 0;
    std::int64_t m_notModified = 0;
};

// The view of a lottery without a window: of all the window would show, only what went wrong
// reaches the log. Addresses are not opened.
class LogView final : public View {
public:
    LogView(std::string who, std::filesystem::path folder)
        : m_who(std::move(who)), m_folder(std::move(folder)) {}

    void showDrawList(std::optional<std::string>) override {}
    void showStatus(std::string) override {}
    void checkOptions(PlayType, std::int32_t) override {}
    void showPlans(PlanSnapshot) override {}
    void showCandidates(PlayType, CandidateRows) override {}
    void exportsWritten(bool ok) override {
        if (!ok) {
            // The writer has logged each file that failed, with its errno.
            logEvent(m_who, "export files not all written in " + m_folder.string());
        }
    }
    void commandDone() override {}
    void openUrl(std::string) override {}
    void closeWindow(std::string reason) override { logEvent(m_who, reason); }

private:
    std::string m_who;
    std::filesystem::path m_folder;
};

using Formulas = std::array<std::int32_t, kPlayTypeCount>;

Formulas formulasOf(const Engine& engine) {
    Formulas formulas{};
    for (PlayType type : allPlayTypes()) {
        formulas[slotOf(type)] = currentFormula(engine, type);
    }
    return formulas;
}

// One watched lottery: its engine and everything its commands run with. It stays where it was
// made: the context refers to its other members.
class Watcher {
public:
    Watcher(const LotterySource& lottery, const AppSettings& app, std::filesystem::path folder,
            bool fixedPeriod, const std::atomic<bool>& stop)
        : m_lottery(lottery), m_fixedPeriod(fixedPeriod),
          m_who(feedName(lottery) + " " + std::string(lottery.label)), m_settings(app),
          m_engine(std::make_unique<Engine>()), m_view(m_who, folder), m_client(stop),
          m_stop(stop), m_context{*m_engine, m_view, m_client, m_settings,
                                  [this](std::chrono::milliseconds pause) {
                                      return pauseBeforeRetry(pause);
                                  }} {
        m_settings.dataDirectory = std::move(folder);
    }

    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    CommandContext& context() { return m_context; }
    bool stopped() const { return m_stop.load(); }
    const std::string& who() const { return m_who; }

    // The lottery's life: its start-up, then its refreshes until stopped.
    void run() {
        guarded("start-up", [this] { startUp(); });
        if (m_fixedPeriod) {
            refreshEveryPeriod();
        } else {
            refreshWhenDue();
        }
        logEvent(m_who, std::to_string(m_client.requests()) + " requests, " +
                            std::to_string(m_client.notModified()) + " answered not modified");
    }

private:
    // A refresh every period, as the window's timer.
    void refreshEveryPeriod() {
        const auto period = std::chrono::milliseconds(m_lottery.refreshPeriodMs);
        Clock::time_point due = Clock::now() + period;
        while (sleepUntil(due, m_stop)) {
            guarded("refresh", [this] { refresh(); });
            // A refresh that overran its period (a slow host) is followed by the next at once,
            // then the pace resumes: no tick is made up twice.
            due += period;
            const Clock::time_point now = Clock::now();
            if (due < now) {
                due = now;
            }
        }
    }

    // A refresh when the planner says a draw is due.
    void refreshWhenDue() {
        RefreshPlanner planner(m_lottery.drawsPerDay,
                               std::chrono::milliseconds(m_lottery.refreshPeriodMs), Clock::now());
        if (!storeIsEmpty(*m_engine)) {
            planner.drawsLoaded(m_engine->FeedLines[0]);
        }
        bool learned = false;
        while (sleepUntil(planner.nextPoll(), m_stop)) {
            const Clock::time_point start = Clock::now();
            std::optional<RefreshOutcome> outcome;
            guarded("refresh", [this, &outcome] { outcome = refresh(); });
            const Clock::time_point end = Clock::now();
            if (m_stop.load()) {
                break;
            }
            const std::int64_t passedOver = planner.drawsPassedOver();
            planner.refreshDone(start, end, outcome, m_engine->FeedLines[0]);
            if (planner.drawsPassedOver() > passedOver) {
                logEvent(m_who, std::to_string(planner.drawsPassedOver() - passedOver) +
                                    " draw(s) before it were not seen");
            }
            const std::optional<Clock::time_point> due = planner.expectedArrival();
            if (due && !learned) {
                const auto interval = planner.interval();
                logEvent(m_who, "draws expected every " + seconds(interval) + ", the next in " +
                                    seconds(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        *due - Clock::now())));
            }
            learned = due.has_value();
        }
    }

    template <typename Step>
    void guarded(const char* name, Step step) {
        // What a command throws ends that command, not the watch: the next tick tries again.
        try {
            step();
        } catch (const std::exception& error) {
            logEvent(m_who, std::string(name) + " failed: " + error.what());
        } catch (...) {
            logEvent(m_who, std::string(name) + " failed: an exception of unknown type");
        }
    }

    bool pauseBeforeRetry(std::chrono::milliseconds pause) {
        if (m_stop.load()) {
            return false;
        }
        logEvent(m_who, "download failed (" + m_client.lastError() + "), trying again in " +
                            seconds(pause));
        return sleepUntil(Clock::now() + pause, m_stop);
    }

    std::string periodText() const {
        return seconds(std::chrono::milliseconds(m_lottery.refreshPeriodMs));
    }

    std::string storedText() const {
        return std::to_string(m_engine->oldestIndex + 1) + " draws stored, newest " +
               m_engine->FeedLines[0];
    }

    void startUp() {
        if (m_stop.load()) {
            return;
        }
        const DownloadOutcome download = runLotteryStartup(m_context, m_lottery.number, true);
        if (m_stop.load() && download.lines == 0) {
            return;
        }
        if (download.lines > 0) {
            logEvent(m_who, "start-up done: " + storedText());
            return;
        }
        const std::string reason = download.loaded ? "the feed holds no draw" : download.error;
        logEvent(m_who, "start-up failed (" + reason + "), retrying every " + periodText());
    }

    RefreshOutcome refresh() {
        const bool wasEmpty = storeIsEmpty(*m_engine);
        const Formulas before = formulasOf(*m_engine);
        const RefreshOutcome outcome = runRefresh(m_context, m_refreshBusy);
        if (m_stop.load() && !outcome.inserted && !outcome.reloaded) {
            // A transfer cut short by the stop is no failure of the feed.
            return outcome;
        }
        if (outcome.reloaded) {
            logEvent(m_who, "draws loaded: " + storedText());
        } else if (outcome.inserted) {
            logEvent(m_who, "new draw " + m_engine->FeedLines[0]);
        } else if (!outcome.error.empty()) {
            logEvent(m_who,
                     (wasEmpty ? "retry failed (" : "refresh failed (") + outcome.error + ")");
        } else if (wasEmpty) {
            logEvent(m_who, "retry failed (the feed holds no draw)");
        }
        const Formulas after = formulasOf(*m_engine);
        for (PlayType type : allPlayTypes()) {
            const std::size_t slot = slotOf(type);
            if (before[slot] != after[slot]) {
                logEvent(m_who, "formula " + std::string(playTypeInfo(type).button) + " " +
                                    std::to_string(before[slot]) + " → " +
                                    std::to_string(after[slot]));
            }
        }
        return outcome;
    }

    const LotterySource& m_lottery;
    bool m_fixedPeriod;
    std::string m_who;
    AppSettings m_settings;
    std::unique_ptr<Engine> m_engine;
    LogView m_view;
    RememberingClient m_client;
    const std::atomic<bool>& m_stop;
    CommandContext m_context;
    // runRefresh clears it; nothing here sets it, since each lottery's refreshes run in turn.
    std::atomic<bool> m_refreshBusy{false};
};

// The promotional line, fetched once: it ends the export files of every lottery.
void fetchPromotion(Watcher& first, const std::vector<std::unique_ptr<Watcher>>& watchers,
                    const AppSettings& app) {
    const PromoOutcome promo = fetchPromoLine(first.context());
    if (first.stopped()) {
        return;
    }
    if (promo == PromoOutcome::Unreachable) {
        logEvent("watch", "the promotional line cannot be fetched from " + app.webHost +
                              ": the export files end without it");
    } else if (promo == PromoOutcome::Refused) {
        logEvent("watch", "the promotional line of " + app.webHost +
                              " is no web address: the export files end without it");
    }
    for (const std::unique_ptr<Watcher>& watcher : watchers) {
        watcher->context().engine.PromoText = first.context().engine.PromoText;
    }
}

} // namespace

// Nothing but the stop ends the watch: a lottery whose feed cannot be loaded, at start-up or
// later, is tried again at every tick of its refresh, so a wrong address shows only in the log
// and no failure status is ever returned (2 only for a request that names no lottery, or one
// twice, which the command line does not pass).
int runWatch(const WatchRequest& request, const std::atomic<bool>& stop) {
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
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        if (error) {
            // Its files fail, and say so, until the folder can be written.
            logEvent(watchers.back()->who(),
                     "cannot make the folder " + folder.string() + ": " + error.message());
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
