#include "ui/QtView.h"

#include "ui/CMainDlg.h"

#include <QMetaObject>

namespace kestrum {

// Each call runs on the window's thread; Qt drops it if the window is gone by then.

void QtView::showDrawList(std::optional<std::string> text) {
    QMetaObject::invokeMethod(
        m_window, [window = m_window, text = std::move(text)] { window->applyDrawList(text); },
        Qt::QueuedConnection);
}

void QtView::showStatus(std::string text) {
    QMetaObject::invokeMethod(
        m_window, [window = m_window, text = std::move(text)] { window->applyStatus(text); },
        Qt::QueuedConnection);
}

void QtView::checkOptions(PlayType type, std::int32_t lottery) {
    QMetaObject::invokeMethod(
        m_window,
        [window = m_window, type, lottery] { window->applyCheckedOptions(type, lottery); },
        Qt::QueuedConnection);
}

void QtView::showPlans(PlanSnapshot snapshot) {
    auto shared = std::make_shared<PlanSnapshot>(std::move(snapshot));
    QMetaObject::invokeMethod(
        m_window, [window = m_window, shared] { window->applyPlans(std::move(*shared)); },
        Qt::QueuedConnection);
}

void QtView::showCandidates(PlayType type, CandidateRows candidates) {
    QMetaObject::invokeMethod(
        m_window,
        [window = m_window, type, candidates] { window->applyCandidates(type, candidates); },
        Qt::QueuedConnection);
}

void QtView::commandDone() {
    QMetaObject::invokeMethod(
        m_window, [window = m_window] { window->applyCommandDone(); }, Qt::QueuedConnection);
}

void QtView::openUrl(std::string url) {
    QMetaObject::invokeMethod(
        m_window, [window = m_window, url = std::move(url)] { window->applyOpenUrl(url); },
        Qt::QueuedConnection);
}

void QtView::closeWindow() {
    QMetaObject::invokeMethod(
        m_window, [window = m_window] { window->accept(); }, Qt::QueuedConnection);
}

} // namespace kestrum
