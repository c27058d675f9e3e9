#include "ui/QtView.h"

#include "ui/CMainDlg.h"

#include <QMetaObject>

namespace kestrum {

void QtView::queue(std::function<void(CMainDlg&)> call) {
    {
        std::lock_guard lock(m_mutex);
        m_calls.push_back(std::move(call));
    }
    // Qt drops the wake-up if the window is gone by then.
    QMetaObject::invokeMethod(m_window, "runQueuedViewCalls", Qt::QueuedConnection);
}

void QtView::runQueued() {
    for (;;) {
        std::function<void(CMainDlg&)> call;
        {
            std::lock_guard lock(m_mutex);
            if (m_calls.empty()) {
                return;
            }
            call = std::move(m_calls.front());
            m_calls.pop_front();
        }
        call(*m_window);
    }
}

void QtView::showDrawList(std::optional<std::string> text) {
    queue([text = std::move(text)](CMainDlg& window) { window.applyDrawList(text); });
}

void QtView::showStatus(std::string text) {
    queue([text = std::move(text)](CMainDlg& window) { window.applyStatus(text); });
}

void QtView::checkOptions(PlayType type, std::int32_t lottery) {
    queue([type, lottery](CMainDlg& window) { window.applyCheckedOptions(type, lottery); });
}

void QtView::showPlans(PlanSnapshot snapshot) {
    auto shared = std::make_shared<PlanSnapshot>(std::move(snapshot));
    queue([shared](CMainDlg& window) { window.applyPlans(std::move(*shared)); });
}

void QtView::showCandidates(PlayType type, CandidateRows candidates) {
    queue([type, candidates](CMainDlg& window) { window.applyCandidates(type, candidates); });
}

void QtView::commandDone() {
    queue([](CMainDlg& window) { window.applyCommandDone(); });
}

void QtView::openUrl(std::string url) {
    queue([url = std::move(url)](CMainDlg& window) { window.applyOpenUrl(url); });
}

void QtView::closeWindow() {
    queue([](CMainDlg& window) { window.accept(); });
}

} // namespace kestrum
