#pragma once

// The View of the main window. Every call is queued, in order, and carried out on the window's
// thread; the caller does not wait for it. The calls pass through a queue of this class's own,
// under its own lock, and Qt's event loop only wakes the window to run them.

#include "commands/View.h"

#include <deque>
#include <functional>
#include <mutex>

namespace kestrum {

class CMainDlg;

class QtView final : public View {
public:
    explicit QtView(CMainDlg* window) : m_window(window) {}

    void showDrawList(std::optional<std::string> text) override;
    void showStatus(std::string text) override;
    void checkOptions(PlayType type, std::int32_t lottery) override;
    void showPlans(PlanSnapshot snapshot) override;
    void showCandidates(PlayType type, CandidateRows candidates) override;
    void commandDone() override;
    void openUrl(std::string url) override;
    void closeWindow() override;

    // On the window's thread: carries out the calls queued so far.
    void runQueued();

private:
    void queue(std::function<void(CMainDlg&)> call);

    CMainDlg* m_window;
    std::mutex m_mutex;
    std::deque<std::function<void(CMainDlg&)>> m_calls;
};

} // namespace kestrum
