#pragma once

// One watched lottery: its engine and everything its commands run with, its start-up and then
// its refreshes until stopped, each event a line of the watch log.

#include "cli/LogView.h"
#include "cli/RememberingClient.h"
#include "commands/Commands.h"
#include "draws/LotteryTable.h"
#include "web/LotteryDesk.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace kestrum::cli {

// As the desk of the web interface (serve), it also runs the jobs handed to it, between its
// refreshes, on its own thread: the one thread that touches its engine.
class Watcher final : public web::LotteryDesk {
public:
    // Called on the watcher's thread after every change of its draws and plans (start-up, a
    // new draw): the engine, its folder, and when the next refresh is due (none at a fixed
    // pace).
    using Published = std::function<void(const Engine&, const std::filesystem::path&,
                                         std::optional<std::chrono::system_clock::time_point>)>;

    // Its files go into `folder`; with fixedPeriod it refreshes at the lottery's period, else
    // when a draw is due. It stays where it was made: the context refers to its other members.
    Watcher(const LotterySource& lottery, const AppSettings& app, std::filesystem::path folder,
            bool fixedPeriod, const std::atomic<bool>& stop);

    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    CommandContext& context() { return m_context; }
    bool stopped() const { return m_stop.load(); }
    const std::string& who() const { return m_who; }

    // The lottery's life: its start-up, then its refreshes until stopped.
    void run();

    // Set before run(): where its changes are published.
    void publishTo(Published published) { m_published = std::move(published); }

    // Queues a job for the watcher's thread; it runs before the next refresh. False once
    // stopped.
    bool submit(Job job) override;

private:
    // The refreshes, each when the scheduler says it is due.
    void refreshUntilStopped();

    template <typename Step>
    void guarded(const char* name, Step step);

    bool pauseBeforeRetry(std::chrono::milliseconds pause);
    std::string periodText() const;
    std::string storedText() const;
    void startUp();
    RefreshOutcome refresh();
    // Runs the queued jobs, then waits until `until` or a job or the stop; false when stopped.
    bool serveJobsUntil(std::chrono::steady_clock::time_point until);
    void publish();

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
    std::filesystem::path m_folder;
    Published m_published;
    std::optional<std::chrono::system_clock::time_point> m_nextDue;
    std::mutex m_jobsMutex;
    std::condition_variable m_jobsChanged;
    std::deque<Job> m_jobs;
};

} // namespace kestrum::cli
