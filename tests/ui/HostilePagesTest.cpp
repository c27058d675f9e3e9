// The main window's web panels against the local feed server's hostile pages (feedsim
// --hostile, run here in the test's own process): nothing reaches the desktop's opener but one
// address per click of the user, no download lands, every permission is refused, no local file
// loads, and a renderer that crashes or hangs leaves an empty panel and a window that goes on.

#include "draws/LotteryTable.h"
#include "feedsim/FeedServer.h"
#include "support/FakeHttpClient.h"
#include "ui/EventLoopWatch.h"
#include "ui/MainWindow.h"
#include "ui/WebPanel.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <chrono>
#include <csignal>
#include <memory>

namespace kestrum {

// What the desktop's opener was asked to open outside the window's own path: addresses of
// other programs' schemes, local files, web addresses.
class DesktopOpener : public QObject {
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.append(url); }
};

class HostilePagesTest : public QObject {
    Q_OBJECT

private:
    QWebEngineView* view(ControlId id) {
        QWidget* panel = m_window->control(id);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(panel->findChild<QWebEngineView*>(), 30000); }();
        return panel->findChild<QWebEngineView*>();
    }
    QWebEnginePage* page(ControlId id) { return view(id)->page(); }

    QString web(std::string_view path) const {
        return QStringLiteral("http://127.0.0.1:%1").arg(m_server->port(feedsim::Host::Web)) +
               QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
    }

    // The downloads the panels' profiles were asked for, as they stood once the panel had
    // seen them.
    struct Download {
        QUrl url;
        QWebEngineDownloadRequest::DownloadState state;
    };

    std::unique_ptr<feedsim::FeedServer> m_server;
    QTemporaryDir m_downloads;
    DesktopOpener m_desktop;
    QList<QUrl> m_openUrl;
    QList<Download> m_downloadRequests;
    // Every address a panel's page loaded.
    QList<QUrl> m_loads;
    std::unique_ptr<MainWindow> m_window;

private slots:
    void initTestCase() {
        QVERIFY(m_downloads.isValid());
        feedsim::ServerOptions options;
        options.webPort = 0;
        options.feed1Port = 0;
        options.feed2Port = 0;
        options.hostile = true;
        m_server = std::make_unique<feedsim::FeedServer>(std::move(options));
        std::string error;
        QVERIFY2(m_server->bind(error), error.c_str());
        QVERIFY(m_server->start());

        for (const char* scheme : {"kestrum-hostile", "file", "http", "https"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_desktop, "open");
        }
        auto client = std::make_unique<test::FakeHttpClient>();
        // No promotion and no draws: the window stays open and its panels keep their pages.
        client->answer(web("/addurl/vn.txt").toStdString(), {"none"});
        client->fail("http://feed1.test/ssckj/cq.txt", FetchStatus::HttpError, 404);
        MainWindowSetup setup;
        setup.settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        setup.settings.webHost = web("").toStdString();
        setup.siteUrl = "http://site.test/";
        setup.webPanels = true;
        setup.makeClient = [&client](const std::atomic<bool>&) -> std::unique_ptr<HttpClient> {
            return std::move(client);
        };
        setup.openUrl = [this](const QUrl& url) { m_openUrl.append(url); };
        m_window = std::make_unique<MainWindow>(std::move(setup));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

        for (ControlId id : {ControlId::TopPanel, ControlId::RightPanel}) {
            QWebEngineProfile* profile = page(id)->profile();
            QVERIFY(profile->isOffTheRecord());
            QVERIFY(profile !=
                    page(id == ControlId::TopPanel ? ControlId::RightPanel : ControlId::TopPanel)
                        ->profile());
            profile->setDownloadPath(m_downloads.path());
            connect(profile, &QWebEngineProfile::downloadRequested, this,
                    [this](QWebEngineDownloadRequest* download) {
                        m_downloadRequests.append({download->url(), download->state()});
                    });
            connect(page(id), &QWebEnginePage::loadingChanged, this,
                    [this](const QWebEngineLoadingInfo& info) {
                        if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus) {
                            m_loads.append(info.url());
                        }
                    });
        }
    }

    void cleanupTestCase() {
        m_window.reset();
        for (const char* scheme : {"kestrum-hostile", "file", "http", "https"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
        if (m_server) {
            m_server->stop();
        }
    }

    // Round after round the top page opens windows by script, clicks its links by script,
    // goes to a local file and to another program's scheme, and downloads three ways.
    void aHostilePageGetsNothingOut() {
        QWebEnginePage* top = page(ControlId::TopPanel);
        QTRY_COMPARE_WITH_TIMEOUT(top->title(), QStringLiteral("hostile: done"), 60000);
        // The rounds' last navigations and downloads have had their time.
        QTest::qWait(1000);

        QCOMPARE(m_openUrl, QList<QUrl>{});
        QCOMPARE(m_desktop.opened, QList<QUrl>{});
        // All three ways to download were tried, and each was cancelled.
        QSet<QString> kinds;
        for (const Download& download : m_downloadRequests) {
            kinds.insert(download.url.scheme() == QStringLiteral("blob") ? download.url.scheme()
                                                                         : download.url.path());
            QVERIFY2(download.state == QWebEngineDownloadRequest::DownloadCancelled,
                     qPrintable(download.url.toString()));
        }
        QCOMPARE(kinds, (QSet<QString>{QStringLiteral("/add/download.bin"), QStringLiteral("blob"),
                                       QStringLiteral("/add/attachment.txt")}));
        QCOMPARE(QDir(m_downloads.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{});
        for (const QUrl& load : m_loads) {
            QVERIFY2(load.scheme() == QStringLiteral("http"), qPrintable(load.toString()));
        }
        QCOMPARE(top->url(), QUrl(web("/add/vnadd1.html")));
    }

    // The whole top page is a link with target=_blank whose click handler loops on
    // window.open: a double click of the user opens one address.
    void aDoubleClickOfTheUserOpensOneAddress() {
        QWidget* pageWidget = view(ControlId::TopPanel)->focusProxy();
        QVERIFY(pageWidget != nullptr);
        QTest::mouseClick(pageWidget, Qt::LeftButton, {}, pageWidget->rect().center());
        QTest::mouseClick(pageWidget, Qt::LeftButton, {}, pageWidget->rect().center());
        QTRY_COMPARE_WITH_TIMEOUT(m_openUrl.size(), 1, 10000);
        // Whatever else the clicks asked for has arrived by now.
        QTest::qWait(1500);
        QCOMPARE(m_openUrl.size(), 1);
        QCOMPARE(m_openUrl[0].path(), QStringLiteral("/promo.html"));
        QCOMPARE(m_desktop.opened, QList<QUrl>{});
        QCOMPARE(page(ControlId::TopPanel)->url(), QUrl(web("/add/vnadd1.html")));
    }

    // The right page asks for the location, notifications, camera and microphone and the
    // clipboard; each request unanswered would leave its outcome missing from the title.
    void everyPermissionIsRefused() {
        QTRY_COMPARE_WITH_TIMEOUT(page(ControlId::RightPanel)->title(),
                                  QStringLiteral("permissions geo=denied notify=denied "
                                                 "media=NotAllowedError clipboard=denied "
                                                 "paste=refused"),
                                  30000);
    }

    void aLocalFileNeverLoads() {
        const QString file = m_downloads.filePath(QStringLiteral("local.html"));
        {
            QFile local(file);
            QVERIFY(local.open(QIODevice::WriteOnly));
            local.write("<html><head><title>local file</title></head><body>local</body></html>");
        }
        QWebEnginePage* top = page(ControlId::TopPanel);
        QSignalSpy finished(top, &QWebEnginePage::loadFinished);
        top->load(QUrl::fromLocalFile(file));
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 10000);
        QCOMPARE(finished[0][0].toBool(), false);
        QCOMPARE(top->title(), QStringLiteral("hostile: done"));
        QVERIFY(QFile::remove(file));
    }

    // Killed from outside, the right panel's renderer is gone as a crashed one would be: the
    // panel is left empty, and its page is not loaded again. The panel has the keyboard focus,
    // which the page's widget, replaced with the renderer, hands on.
    void aCrashedRendererLeavesAnEmptyPanel() {
        QWebEnginePage* right = page(ControlId::RightPanel);
        m_window->control(ControlId::RightPanel)->setFocus(Qt::TabFocusReason);
        QCOMPARE(m_window->controlOf(QApplication::focusWidget()), ControlId::RightPanel);
        const qint64 pid = right->renderProcessPid();
        QVERIFY(pid > 0);
        QSignalSpy terminated(right, &QWebEnginePage::renderProcessTerminated);
        const qsizetype loadsBefore = m_loads.size();
        QCOMPARE(::kill(static_cast<pid_t>(pid), SIGKILL), 0);
        QTRY_COMPARE_WITH_TIMEOUT(terminated.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(right->url(), QUrl(QStringLiteral("about:blank")), 10000);
        QTest::qWait(1000);
        QCOMPARE(m_loads.mid(loadsBefore), QList<QUrl>{QUrl(QStringLiteral("about:blank"))});
        // The other panel, in a renderer of its own, still answers.
        auto answer = std::make_shared<QVariant>();
        page(ControlId::TopPanel)
            ->runJavaScript(QStringLiteral("document.title"),
                            [answer](const QVariant& result) { *answer = result; });
        QTRY_COMPARE_WITH_TIMEOUT(answer->toString(), QStringLiteral("hostile: done"), 10000);
    }

    // A web host that answers later than the watchdog waits for the renderer is not taken
    // for a hung page: the page arrives.
    void aSlowHostIsNoHungRenderer() {
        feedsim::ServerOptions options;
        options.webPort = 0;
        options.feed1Port = 0;
        options.feed2Port = 0;
        options.webDelay =
            std::chrono::milliseconds(WebPanel::kHungAfterMs + 2 * WebPanel::kProbeIntervalMs);
        feedsim::FeedServer slow(std::move(options));
        std::string error;
        QVERIFY2(slow.bind(error), error.c_str());
        QVERIFY(slow.start());
        const QUrl url(QStringLiteral("http://127.0.0.1:%1/add/vnadd3.html")
                           .arg(slow.port(feedsim::Host::Web)));
        WebPanel panel(true);
        panel.resize(240, 366);
        panel.navigate(url);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QTRY_VERIFY_WITH_TIMEOUT(panel.findChild<QWebEngineView*>(), 30000);
        QWebEnginePage* slowPage = panel.findChild<QWebEngineView*>()->page();
        QSignalSpy terminated(slowPage, &QWebEnginePage::renderProcessTerminated);
        QSignalSpy finished(slowPage, &QWebEnginePage::loadFinished);
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), 60000);
        QCOMPARE(finished[0][0].toBool(), true);
        QCOMPARE(terminated.size(), 0);
        QCOMPARE(slowPage->url(), url);
    }

    // The page of another lottery loops forever in its script: the watchdog kills its
    // renderer, the panel is left empty, and the window's loop never waits on it.
    void aHungRendererIsKilledAndTheWindowGoesOn() {
        WebPanel* panel = m_window->panel(ControlId::TopPanel);
        QWebEnginePage* top = page(ControlId::TopPanel);
        QSignalSpy terminated(top, &QWebEnginePage::renderProcessTerminated);
        panel->navigate(QUrl(web(lotteryByNumber(5).panelPage)));
        QTRY_COMPARE_WITH_TIMEOUT(top->title(), QStringLiteral("hang: now"), 30000);

        EventLoopWatch watch;
        QTRY_COMPARE_WITH_TIMEOUT(terminated.size(), 1,
                                  2 * (WebPanel::kProbeIntervalMs + WebPanel::kHungAfterMs));
        QCOMPARE(terminated[0][0].value<QWebEnginePage::RenderProcessTerminationStatus>(),
                 QWebEnginePage::KilledTerminationStatus);
        QTRY_COMPARE_WITH_TIMEOUT(top->url(), QUrl(QStringLiteral("about:blank")), 10000);
        QTest::qWait(500);
        QVERIFY2(watch.longestStallMs() <= 100,
                 qPrintable(QStringLiteral("stalled %1 ms").arg(watch.longestStallMs())));
        QCOMPARE(terminated.size(), 1);
        QCOMPARE(m_openUrl.size(), 1);
        QCOMPARE(m_desktop.opened, QList<QUrl>{});
    }
};

} // namespace kestrum

QTEST_MAIN(kestrum::HostilePagesTest)
#include "HostilePagesTest.moc"
