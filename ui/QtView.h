#pragma once

// The View of the main window. Every call is queued, in order, and carried out on the window's
// thread; the caller does not wait for it. The calls pass through a queue of this class's own,
// under its own lock, and Qt's event loop only wakes the window to run them.

#include "commands/View.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

namespace kestrum {

class MainWindow;

class QtView final : public View {
public:
    explicit QtView(MainWindow* window) : m_window(window) {}

    void showDrawList(std::optional<std::string> text) override;
    void showStatus(std::string text) override;
    void checkOptions(PlayType type, std::int32_t lottery) override;
    void showPlans(PlanSnapshot snapshot) override;
    void showCandidates(PlayType type, CandidateRows candidates) override;
    void exportsWritten(bool ok) override;
    void commandDone() override;
    void openUrl(std::string url) override;
    void closeWindow(std::string reason) override;
    void showAccuracies(std::uint64_t ticket, FormulaAccuracies accuracies) override;
    void showHonestFigures(std::uint64_t ticket, HonestFigures figures) override;
    void refreshDone(RefreshRun run) override;

    // On the engine thread, before each command: the window's lottery epoch when the command
    // was submitted. What the command shows of a lottery is dropped when the user has chosen
    // another since.
    void beginCommand(std::uint64_t epoch) { m_commandEpoch = epoch; }

    // On the engine thread: the running command failed.
    void commandFailed(std::string job);

    // On the window's thread: carries out the calls queued so far.
    void runQueued();

private:
    // A call and whether it comes from a command of the lottery epoch on show.
    using Call = std::function<void(MainWindow&, bool current)>;
    struct Queued {
        std::uint64_t epoch;
        Call call;
    };

    void queue(Call call);

    MainWindow* m_window;
    // Only the engine thread touches it.
    std::uint64_t m_commandEpoch = 0;
    std::mutex m_mutex;
    std::deque<Queued> m_calls;
};

} // namespace kestrum
