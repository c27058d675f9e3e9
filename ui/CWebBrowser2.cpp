#include "ui/CWebBrowser2.h"

namespace kestrum {

CWebBrowser2::CWebBrowser2(QWidget* parent) : QFrame(parent) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
}

void CWebBrowser2::navigate(const QUrl& url) {
    m_address = url;
}

} // namespace kestrum
