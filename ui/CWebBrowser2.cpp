#include "ui/CWebBrowser2.h"

#include <QVBoxLayout>
#include <QWebEngineView>

namespace kestrum {

CWebBrowser2::CWebBrowser2(bool live, QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
    if (live) {
        m_view = new QWebEngineView(this);
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
