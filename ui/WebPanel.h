#pragma once

// A web panel of the main window: it shows a page of the maker's web host, which the program
// does not control, so the page is held on a short leash. It lives in a private browser
// profile that keeps nothing on disk; it may go only to http and https addresses; it opens no
// window (a link the user clicks that asks for one goes to the desktop's opener instead, once
// per click); it downloads nothing, is refused every permission and reaches no local file;
// and a page whose renderer crashes or stops answering leaves an empty panel behind.

#include <QElapsedTimer>
#include <QFrame>
#include <QUrl>
#include <cstdint>

class QTimer;
class QWebEngineProfile;
class QWebEngineView;

namespace kestrum {

class WebPanel : public QFrame {
    Q_OBJECT

public:
    // live: the panel shows its pages in a browser engine, started once the window has first
    // been painted; otherwise it only keeps the address (for the window's tests, which need no
    // browser).
    explicit WebPanel(bool live, QWidget* parent = nullptr);
    ~WebPanel() override;

    // Shows the page at url (an http or https address; any other is refused).
    void navigate(const QUrl& url);

    // The address last navigated to.
    QUrl address() const { return m_address; }

    // How often the renderer is asked to answer, and how long it may take before it counts as
    // hung and is killed.
    static constexpr int kProbeIntervalMs = 2000;
    static constexpr int kHungAfterMs = 5000;

signals:
    // The user clicked a link of the page that asks for a new window: the address, an http or
    // https one, for the desktop's opener.
    void openRequested(const QUrl& url);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Starts the browser engine for this panel and shows the last address.
    void createView();
    // The watchdog's beat: asks the renderer for a trivial answer, or kills it when the last
    // question has gone unanswered too long.
    void probeRenderer();
    // A question still open no longer counts (the page changed, or its renderer did).
    void forgetProbe();
    void onRendererGone(int status, int exitCode);

    bool m_live = false;
    QUrl m_address;
    QWebEngineProfile* m_profile = nullptr;
    QWebEngineView* m_view = nullptr;
    QTimer* m_probeTimer = nullptr;
    std::uint64_t m_probeId = 0;
    bool m_probeOpen = false;
    QElapsedTimer m_probeAge;
    // The panel was emptied after its renderer went; it stays empty until the next navigate().
    bool m_emptied = false;
};

} // namespace kestrum
