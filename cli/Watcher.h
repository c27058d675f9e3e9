#pragma once

// One watched lottery: its engine and everything its commands run with, its start-up and then
// its refreshes until stopped, each event a line of the watch log.

#include "cli/LogView.h"
#include "cli/RememberingClient.h"
#include "commands/Commands.h"
#include "draws/LotteryTable.h"

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace kestrum::cli {

class Watcher {
public:
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

} // namespace kestrum::cli
