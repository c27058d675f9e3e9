// The main window with live web panels showing pages from a local server: the keys that the
// window needs (Tab, Shift+Tab, Escape) work wherever the focus is.

#include "support/FakeHttpClient.h"
#include "support/LocalServer.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWebEngineView>
#include <memory>

namespace kestrum {

namespace {

const char* const kPage = "<html><body><a href='#a'>a</a> <a href='#b'>b</a>"
                          "<input id='field'></body></html>";

// The control of the window that holds the keyboard focus, or None.
ControlId focusedControl(MainWindow& window) {
    return window.controlOf(QApplication::focusWidget());
}

// The ids met by pressing key `count` times, starting at control `from`.
QList<ControlId> walk(MainWindow& window, ControlId from, Qt::Key key, int count) {
    window.control(from)->setFocus(Qt::TabFocusReason);
    QList<ControlId> met;
    for (int i = 0; i < count; ++i) {
        QTest::keyClick(QApplication::focusWidget(), key);
        met.append(focusedControl(window));
    }
    return met;
}

} // namespace

class LivePanelsTest : public QObject {
    Q_OBJECT

private:
    // The panels' browser views, which start once the window has been painted.
    QList<QWebEngineView*> views() {
        QList<QWebEngineView*> found;
        for (ControlId id : {ControlId::TopPanel, ControlId::RightPanel}) {
            QWidget* panel = m_window->control(id);
            [&] { QTRY_VERIFY_WITH_TIMEOUT(panel->findChild<QWebEngineView*>(), 30000); }();
            found.append(panel->findChild<QWebEngineView*>());
        }
        return found;
    }

    // Waits until both panels show a page, whose widget then takes the keys.
    void waitForPages(const QList<QSignalSpy*>& loads, int count) {
        for (QSignalSpy* load : loads) {
            QTRY_VERIFY_WITH_TIMEOUT(load->count() >= count, 30000);
        }
        for (QWebEngineView* view : views()) {
            QTRY_VERIFY_WITH_TIMEOUT(view->focusProxy() != nullptr, 30000);
        }
    }

    test::LocalServer m_web;
    std::unique_ptr<MainWindow> m_window;

private slots:
    void init() {
        for (const char* page : {"/add/vnadd1.html", "/add/vnadd3.html"}) {
            m_web.server().Get(page, [](const httplib::Request&, httplib::Response& response) {
                response.set_content(kPage, "text/html");
            });
        }
        auto client = std::make_unique<test::FakeHttpClient>();
        // No promotion and no draws: these tests need neither, and the window stays open.
        client->answer(m_web.url("/addurl/vn.txt"), {"none"});
        client->fail("http://feed1.test/ssckj/cq.txt", FetchStatus::HttpError, 404);
        MainWindowSetup setup;
        setup.settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        setup.settings.webHost = m_web.url("");
        setup.siteUrl = "http://site.test/";
        setup.webPanels = true;
        setup.makeClient = [&client](const std::atomic<bool>&) -> std::unique_ptr<HttpClient> {
            return std::move(client);
        };
        m_window = std::make_unique<MainWindow>(std::move(setup));
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }
    void cleanup() { m_window.reset(); }

    void tabAndShiftTabKeepTheirOrderOnceThePagesLoadAndReload() {
        QSignalSpy topLoads(views()[0], &QWebEngineView::loadFinished);
        QSignalSpy rightLoads(views()[1], &QWebEngineView::loadFinished);
        const QList<ControlId> ring{
            ControlId::PlanPeriods, ControlId::Search,     ControlId::DrawList,
            ControlId::Report,      ControlId::TopPanel,   ControlId::RightPanel,
            ControlId::Formula,     ControlId::UseFormula, ControlId::CodeCount};
        const QList<ControlId> backwards{
            ControlId::UseFormula, ControlId::Formula,     ControlId::RightPanel,
            ControlId::TopPanel,   ControlId::Report,      ControlId::DrawList,
            ControlId::Search,     ControlId::PlanPeriods, ControlId::CodeCount};

        for (int round = 1; round <= 2; ++round) {
            waitForPages({&topLoads, &rightLoads}, round);
            QCOMPARE(walk(*m_window, ControlId::CodeCount, Qt::Key_Tab, 9), ring);
            QCOMPARE(walk(*m_window, ControlId::Formula, Qt::Key_Tab, 3),
                     (QList<ControlId>{ControlId::UseFormula, ControlId::CodeCount,
                                       ControlId::PlanPeriods}));
            QCOMPARE(walk(*m_window, ControlId::CodeCount, Qt::Key_Backtab, 9), backwards);
            for (QWebEngineView* view : views()) {
                view->reload();
            }
        }
    }

    void escapeInAPanelClosesTheWindow() {
        QSignalSpy load(views()[1], &QWebEngineView::loadFinished);
        waitForPages({&load}, 1);
        m_window->control(ControlId::RightPanel)->setFocus(Qt::TabFocusReason);
        QCOMPARE(focusedControl(*m_window), ControlId::RightPanel);
        QSignalSpy finished(m_window.get(), &QDialog::finished);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!m_window->isVisible());
    }
};

} // namespace kestrum

QTEST_MAIN(kestrum::LivePanelsTest)
#include "LivePanelsTest.moc"
