#include "ui/WebPanel.h"

#include "base/Text.h"
#include "base/WebAddress.h"
#include "platform/DebugLog.h"
#include "platform/Process.h"

#include <QApplication>
#include <QAuthenticator>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>
#include <QVBoxLayout>
#include <QWebEngineClientCertificateSelection>
#include <QWebEngineDownloadRequest>
#include <QWebEngineFileSystemAccessRequest>
#include <QWebEngineFullScreenRequest>
#include <QWebEngineNewWindowRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineQuotaRequest>
#include <QWebEngineRegisterProtocolHandlerRequest>
#include <QWebEngineScript>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <functional>

namespace kestrum {

namespace {

// A click of the user opens at most one address in this time, however many windows the page's
// click handler asks for.
constexpr qint64 kOpenIntervalMs = 1000;

// Where a panel's page may go: http and https addresses, and the empty page the panel shows
// when it has none (about:srcdoc is a frame of the page's own text).
bool mayShow(const QUrl& url) {
    const QString scheme = url.scheme();
    if (scheme == QStringLiteral("http") || scheme == QStringLiteral("https")) {
        return !url.host().isEmpty();
    }
    return scheme == QStringLiteral("about") &&
           (url.path() == QStringLiteral("blank") || url.path() == QStringLiteral("srcdoc"));
}

// The panels' pages share nothing with the rest of the desktop: cookies and cache stay in
// memory and go with the panel; no local file, window, clipboard, plugin or full screen.
void restrict(QWebEngineSettings& settings) {
    settings.setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings.setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings.setAttribute(QWebEngineSettings::JavascriptCanPaste, false);
    settings.setAttribute(QWebEngineSettings::LocalContentCanAccessFileUrls, false);
    settings.setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);
    settings.setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings.setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings.setAttribute(QWebEngineSettings::FullScreenSupportEnabled, false);
    settings.setAttribute(QWebEngineSettings::ScreenCaptureEnabled, false);
    settings.setAttribute(QWebEngineSettings::AllowWindowActivationFromJavaScript, false);
    settings.setAttribute(QWebEngineSettings::AllowGeolocationOnInsecureOrigins, false);
    settings.setAttribute(QWebEngineSettings::AllowRunningInsecureContent, false);
    settings.setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings.setAttribute(QWebEngineSettings::HyperlinkAuditingEnabled, false);
}

// The page of a panel: what the engine would ask the user, the page is refused.
class PanelPage : public QWebEnginePage {
public:
    PanelPage(QWebEngineProfile* profile, QObject* parent, std::function<void(const QUrl&)> open)
        : QWebEnginePage(profile, parent), m_open(std::move(open)) {
        connect(this, &QWebEnginePage::featurePermissionRequested, this,
                [this](const QUrl& origin, QWebEnginePage::Feature feature) {
                    setFeaturePermission(origin, feature, QWebEnginePage::PermissionDeniedByUser);
                });
        connect(this, &QWebEnginePage::fileSystemAccessRequested, this,
                [](QWebEngineFileSystemAccessRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::registerProtocolHandlerRequested, this,
                [](QWebEngineRegisterProtocolHandlerRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::quotaRequested, this,
                [](QWebEngineQuotaRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::fullScreenRequested, this,
                [](QWebEngineFullScreenRequest request) { request.reject(); });
        connect(this, &QWebEnginePage::selectClientCertificate, this,
                [](QWebEngineClientCertificateSelection selection) { selection.selectNone(); });
        // No password is given: a null authenticator cancels the request.
        connect(
            this, &QWebEnginePage::authenticationRequired, this,
            [](const QUrl&, QAuthenticator* authenticator) { *authenticator = QAuthenticator(); });
        connect(this, &QWebEnginePage::proxyAuthenticationRequired, this,
                [](const QUrl&, QAuthenticator* authenticator, const QString&) {
                    *authenticator = QAuthenticator();
                });
        connect(this, &QWebEnginePage::newWindowRequested, this,
                [this](QWebEngineNewWindowRequest& request) { onNewWindow(request); });
    }

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        return mayShow(url);
    }

    // The request is left unanswered, so no window is made (see onNewWindow).
    QWebEnginePage* createWindow(WebWindowType) override { return nullptr; }

    // A page's dialogs would each hold the window in a modal loop: none is shown.
    void javaScriptAlert(const QUrl&, const QString&) override {}
    bool javaScriptConfirm(const QUrl&, const QString&) override { return false; }
    bool javaScriptPrompt(const QUrl&, const QString&, const QString&, QString*) override {
        return false;
    }
    // A file input gets no file.
    QStringList chooseFiles(FileSelectionMode, const QStringList&, const QStringList&) override {
        return {};
    }

private:
    // A link that asks for a new window goes to the desktop's opener when the user clicked
    // it, never when a script alone asks, and once per click.
    void onNewWindow(const QWebEngineNewWindowRequest& request) {
        const QUrl url = request.requestedUrl();
        if (!request.isUserInitiated() ||
            !isWebAddress(url.toString(QUrl::FullyEncoded).toStdString())) {
            return;
        }
        if (m_lastOpen.isValid() && m_lastOpen.elapsed() < kOpenIntervalMs) {
            return;
        }
        m_lastOpen.start();
        m_open(url);
    }

    std::function<void(const QUrl&)> m_open;
    QElapsedTimer m_lastOpen;
};

} // namespace

WebPanel::WebPanel(bool live, QWidget* parent) : QFrame(parent), m_live(live) {
    setFrameShape(QFrame::StyledPanel);
    setFocusPolicy(Qt::StrongFocus);
}

WebPanel::~WebPanel() {
    // The page (a child of the view) must go before the profile it lives in.
    delete m_view;
    m_view = nullptr;
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
    // A profile without a storage name keeps everything in memory. Each panel has its own, so
    // that its pages run in renderers of their own: one killed as hung leaves the other panel.
    m_profile = new QWebEngineProfile(this);
    restrict(*m_profile->settings());
    connect(m_profile, &QWebEngineProfile::downloadRequested, this,
            [](QWebEngineDownloadRequest* download) { download->cancel(); });

    m_view = new QWebEngineView(this);
    m_view->setPage(new PanelPage(m_profile, m_view, [this](const QUrl& url) {
        // Handed on once the engine's call has returned.
        QTimer::singleShot(0, this, [this, url] { emit openRequested(url); });
    }));
    QWebEnginePage* page = m_view->page();
    connect(page, &QWebEnginePage::loadStarted, this, &WebPanel::forgetProbe);
    connect(page, &QWebEnginePage::loadFinished, this, &WebPanel::forgetProbe);
    connect(page, &QWebEnginePage::renderProcessPidChanged, this, &WebPanel::forgetProbe);
    // A page's renderer runs below the window's priority: a page that spins cannot take the
    // processor from the window on a machine with few cores.
    connect(page, &QWebEnginePage::renderProcessPidChanged, this, [](qint64 pid) {
        if (pid > 0 && pid != QCoreApplication::applicationPid()) {
            lowerPriority(pid, 10);
        }
    });
    connect(page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status, int exitCode) {
                onRendererGone(static_cast<int>(status), exitCode);
            });
    m_probeTimer = new QTimer(this);
    connect(m_probeTimer, &QTimer::timeout, this, &WebPanel::probeRenderer);
    m_probeTimer->start(kProbeIntervalMs);

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
        navigate(m_address);
    }
}

void WebPanel::navigate(const QUrl& url) {
    m_address = url;
    if (m_view == nullptr) {
        return;
    }
    m_emptied = false;
    // The page refuses any other address itself; this keeps the last page from staying on
    // show under an address that was never loaded.
    m_view->load(mayShow(url) ? url : QUrl(QStringLiteral("about:blank")));
}

void WebPanel::probeRenderer() {
    QWebEnginePage* page = m_view->page();
    const qint64 pid = page->renderProcessPid();
    if (m_probeOpen) {
        if (m_probeAge.elapsed() < kHungAfterMs) {
            return;
        }
        // Killed, the renderer ends as a crashed one would: renderProcessTerminated follows.
        // Never this process itself, which the engine's single-process mode would name.
        forgetProbe();
        if (pid > 0 && pid != QCoreApplication::applicationPid()) {
            debugLog(formatText("web panel: the page's renderer (pid %lld) has not answered for "
                                "%d s, killed\n",
                                static_cast<long long>(pid), kHungAfterMs / 1000));
            killProcess(pid);
        }
        return;
    }
    if (pid <= 0) {
        return;
    }
    m_probeOpen = true;
    m_probeAge.start();
    const std::uint64_t id = m_probeId;
    // In the application's own script world, which the page's scripts cannot reach.
    page->runJavaScript(QStringLiteral("0"), QWebEngineScript::ApplicationWorld,
                        [self = QPointer<WebPanel>(this), id](const QVariant&) {
                            if (self && self->m_probeId == id) {
                                self->m_probeOpen = false;
                            }
                        });
}

void WebPanel::forgetProbe() {
    ++m_probeId;
    m_probeOpen = false;
}

void WebPanel::onRendererGone(int status, int exitCode) {
    forgetProbe();
    debugLog(formatText("web panel: the page's renderer ended (status %d, code %d)%s\n", status,
                        exitCode, m_emptied ? "" : "; the panel is left empty"));
    if (m_emptied) {
        // The empty page's own renderer went: nothing more is loaded until the next address.
        return;
    }
    // Not the page again, which could crash or hang its renderer over and over: the empty page,
    // loaded once the engine's call has returned.
    m_emptied = true;
    QTimer::singleShot(0, this, [this] { m_view->load(QUrl(QStringLiteral("about:blank"))); });
}

bool WebPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_view == nullptr || event->type() != QEvent::KeyPress) {
        return false;
    }
    // A key goes to the focus widget first. The watched object is only compared, never called:
    // the engine's own objects, built without type information, get keys too (its page widget
    // passes the focus on with a Tab when a new renderer replaces it).
    QWidget* focus = QApplication::focusWidget();
    if (focus == nullptr || watched != focus || !m_view->isAncestorOf(focus)) {
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
