#include "ui/WebPanel.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineView>

namespace kestrum {

WebPanel::WebPanel(bool live, QWidget* parent) : QFrame(parent), m_live(live) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
}

void WebPanel::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    if (m_live && m_view == nullptr) {
        // The browser engine takes a good part of a second to start: the window goes on screen
        // first, and the engine starts once this paint has reached the screen.
        m_live = false;
        QTimer::singleShot(0, this, &WebPanel::createView);
    }
}

void WebPanel::createView() {
    m_view = new QWebEngineView(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(m_view);
    const bool hadFocus = hasFocus();
    setFocusProxy(m_view);
    if (hadFocus) {
        m_view->setFocus(Qt::OtherFocusReason);
    }
    // The page's own widget appears only when a page loads, and the browser engine may replace
    // it; it would keep every key. Watching the application's events finds it wherever it is.
    qApp->installEventFilter(this);
    if (!m_address.isEmpty()) {
        m_view->load(m_address);
    }
}

void WebPanel::navigate(const QUrl& url) {
    m_address = url;
    if (m_view != nullptr) {
        m_view->load(url);
    }
}

bool WebPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_view == nullptr || event->type() != QEvent::KeyPress || !watched->isWidgetType() ||
        !m_view->isAncestorOf(static_cast<QWidget*>(watched))) {
        return false;
    }
    // Tab, Shift+Tab and Escape belong to the window: they move the focus to the next control
    // or close the window, wherever the focus is, and the page never sees them.
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool windowKey = (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) == 0 &&
                           (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab ||
                            key->key() == Qt::Key_Escape);
    if (!windowKey) {
        return false;
    }
    QKeyEvent copy(QEvent::KeyPress, key->key(), key->modifiers(), key->text());
    QCoreApplication::sendEvent(window(), &copy);
    return true;
}

} // namespace kestrum
