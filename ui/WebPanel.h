#pragma once

// A web panel of the main window. Only navigation to an address is used.

#include <QFrame>
#include <QUrl>

class QWebEngineView;

namespace kestrum {

class WebPanel : public QFrame {
    Q_OBJECT

public:
    // live: the panel shows its pages in a browser engine, started once the window has first
    // been painted; otherwise it only keeps the address (for the window's tests, which need no
    // browser).
    explicit WebPanel(bool live, QWidget* parent = nullptr);

    // Shows the page at url.
    void navigate(const QUrl& url);

    // The address last navigated to.
    QUrl address() const { return m_address; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Starts the browser engine for this panel and shows the last address.
    void createView();

    bool m_live = false;
    QUrl m_address;
    QWebEngineView* m_view = nullptr;
};

} // namespace kestrum
