#include "cli/Watcher.h"

#include "cli/Watch.h"
#include "draws/DrawSourceClient.h"
#include "draws/LotterySources.h"
#include "draws/RefreshScheduler.h"
#include "engine/Dispatch.h"
#include "platform/HttpClient.h"
#include "report/Names.h"

#include <array>
#include <chrono>
#include <exception>
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

using Formulas = std::array<std::int32_t, kPlayTypeCount>;

Formulas formulasOf(const Engine& engine) {
    Formulas formulas{};
    for (PlayType type : allPlayTypes()) {
        formulas[slotOf(type)] = currentFormula(engine, type);
    }
    return formulas;
}

} // namespace

template <typename Step>
void Watcher::guarded(const char* name, Step step) {
    // What a command throws ends that command, not the watch: the next tick tries again.
    try {
        step();
    } catch (const std::exception& error) {
        logEvent(m_who, std::string(name) + " failed: " + error.what());
    } catch (...) {
        logEvent(m_who, std::string(name) + " failed: an exception of unknown type");
    }
}

Watcher::Watcher(const LotterySource& lottery, const AppSettings& app, std::filesystem::path folder,
                 bool fixedPeriod, const std::atomic<bool>& stop)
    : m_lottery(lottery), m_fixedPeriod(fixedPeriod),
      m_who(feedName(lottery) + " " + std::string(lottery.label)), m_settings(app),
      m_engine(std::make_unique<Engine>()), m_view(m_who, folder),
      m_client(std::make_unique<DrawSourceClient>(
          makeHttpClient(HttpLimits{}, &stop), drawSourcesOf(app.sources, app.feedHosts),
          [this](const std::string& warning, bool fetchFailed) {
              // A failed fetch is logged with its error already.
              if (!fetchFailed) {
                  logEvent(m_who, "warning: " + warning);
              }
          })),
      m_stop(stop), m_context{*m_engine, m_view, m_client, m_settings,
                              [this](std::chrono::milliseconds pause) {
                                  return pauseBeforeRetry(pause);
                              }} {
    m_folder = folder;
    m_settings.dataDirectory = std::move(folder);
}

bool Watcher::submit(Job job) {
    const std::lock_guard<std::mutex> lock(m_jobsMutex);
    if (m_stop.load()) {
        return false;
    }
    m_jobs.push_back(std::move(job));
    m_jobsChanged.notify_all();
    return true;
}

bool Watcher::serveJobsUntil(Clock::time_point until) {
    for (;;) {
        std::unique_lock<std::mutex> lock(m_jobsMutex);
        // The stop flag is set by a signal handler, which cannot notify: look again at least
        // every kStopPoll.
        m_jobsChanged.wait_until(lock, std::min(until, Clock::now() + kStopPoll),
                                 [this] { return !m_jobs.empty() || m_stop.load(); });
        if (m_stop.load()) {
            m_jobs.clear();
            return false;
        }
        if (m_jobs.empty()) {
            if (Clock::now() >= until) {
                return true;
            }
            continue;
        }
        Job job = std::move(m_jobs.front());
        m_jobs.pop_front();
        lock.unlock();
        guarded("web request", [this, &job] { job(m_context, [this] { publish(); }); });
    }
}

void Watcher::publish() {
    if (m_published && !storeIsEmpty(*m_engine)) {
        m_published(*m_engine, m_folder, m_nextDue);
    }
}

void Watcher::run() {
    guarded("start-up", [this] { startUp(); });
    refreshUntilStopped();
    {
        // Jobs that came too late are dropped; their handlers stop waiting for them.
        const std::lock_guard<std::mutex> lock(m_jobsMutex);
        m_jobs.clear();
    }
    logEvent(m_who, std::to_string(m_client.requests()) + " requests, " +
                        std::to_string(m_client.notModified()) + " answered not modified");
}

void Watcher::refreshUntilStopped() {
    RefreshScheduler scheduler(m_lottery.drawsPerDay,
                               std::chrono::milliseconds(m_lottery.refreshPeriodMs), !m_fixedPeriod,
                               steadyNow, drawScheduleOf(m_lottery.number, m_settings.sources));
    if (!storeIsEmpty(*m_engine)) {
        scheduler.drawsLoaded(m_engine->FeedLines[0]);
    }
    const auto noteNextDue = [this, &scheduler] {
        if (!m_fixedPeriod) {
            m_nextDue = std::chrono::system_clock::now() +
                        std::chrono::duration_cast<std::chrono::system_clock::duration>(
                            scheduler.nextRefresh() - Clock::now());
        }
    };
    noteNextDue();
    guarded("publication", [this] { publish(); });
    while (serveJobsUntil(scheduler.nextRefresh())) {
        RefreshRun run{scheduler.now(), {}, std::nullopt, {}};
        guarded("refresh", [this, &run] { run.outcome = refresh(); });
        run.end = scheduler.now();
        if (m_stop.load()) {
            break;
        }
        run.newestLine = m_engine->FeedLines[0];
        const RefreshEvents events = scheduler.refreshDone(run);
        if (events.drawsPassedOver > 0) {
            logEvent(m_who,
                     std::to_string(events.drawsPassedOver) + " draw(s) before it were not seen");
        }
        if (events.learned) {
            logEvent(m_who, "draws expected every " + secondsText(events.learned->interval) +
                                ", the next in " + secondsText(events.learned->nextIn));
        }
        noteNextDue();
        if (run.outcome && (run.outcome->inserted || run.outcome->reloaded)) {
            guarded("publication", [this] { publish(); });
        }
    }
}

bool Watcher::pauseBeforeRetry(std::chrono::milliseconds pause) {
    if (m_stop.load()) {
        return false;
    }
    logEvent(m_who, "download failed (" + m_client.lastError() + "), trying again in " +
                        secondsText(pause));
    return sleepUntil(Clock::now() + pause, m_stop);
}

std::string Watcher::periodText() const {
    return secondsText(std::chrono::milliseconds(m_lottery.refreshPeriodMs));
}

std::string Watcher::storedText() const {
    return std::to_string(m_engine->oldestIndex + 1) + " draws stored, newest " +
           m_engine->FeedLines[0];
}

void Watcher::startUp() {
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

RefreshOutcome Watcher::refresh() {
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
        logEvent(m_who, (wasEmpty ? "retry failed (" : "refresh failed (") + outcome.error + ")");
    } else if (wasEmpty) {
        logEvent(m_who, "retry failed (the feed holds no draw)");
    }
    const Formulas after = formulasOf(*m_engine);
    for (PlayType type : allPlayTypes()) {
        const std::size_t slot = slotOf(type);
        if (before[slot] != after[slot]) {
            logEvent(m_who, "formula " + std::string(playTypeInfo(type).button) + " " +
                                std::to_string(before[slot]) + " → " + std::to_string(after[slot]));
        }
    }
    return outcome;
}

} // namespace kestrum::cli
