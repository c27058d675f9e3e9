#pragma once

// The View of the main window: every call is queued to the window's thread, in order, and
// the caller does not wait for it.

#include "commands/View.h"

#include <QPointer>

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

private:
    CMainDlg* m_window;
};

} // namespace kestrum
