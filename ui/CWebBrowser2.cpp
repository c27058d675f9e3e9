#include "ui/CWebBrowser2.h"

#include <QVBoxLayout>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace kestrum {

CWebBrowser2::CWebBrowser2(bool live, QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    if (live) {
        m_view = new QWebEngineView(this);
        // A page that loads leaves the keyboard focus where the user put it: choosing a lottery
        // navigates the top panel, and Escape must still close the window after that.
        m_view->settings()->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
        auto* layout = new QVBoxLayout(this);
        layout->setContentsMargins(1, 1, 1, 1);
        layout->addWidget(m_view);
        setFocusProxy(m_view);
    }
}

void CWebBrowser2::navigate(const QUrl& url) {
    m_address = url;
    if (m_view != nullptr) {
        m_view->load(url);
    }
}

} // namespace kestrum
