#pragma once

// A web panel of the main window. Only navigation to an address is used.

#include <QFrame>
#include <QUrl>

namespace kestrum {

class CWebBrowser2 : public QFrame {
    Q_OBJECT

public:
    explicit CWebBrowser2(QWidget* parent = nullptr);

    // Shows the page at url.
    void navigate(const QUrl& url);

    // The address last navigated to.
    QUrl address() const { return m_address; }

private:
    QUrl m_address;
};

} // namespace kestrum
