#include "app/StartupFlow.h"

#include "app/UpdateCheckThread.h"
#include "commands/Updates.h"
#include "support/FakeHttpClient.h"
#include "support/UserActions.h"
#include "ui/UpdateCheckWindow.h"

#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <atomic>
#include <chrono>
#include <thread>

namespace kestrum {

namespace {

using namespace std::chrono_literals;

const std::string kWebHost = "http://web.test";
const std::string kVersionFile = kWebHost + "/setting/vnupdata.txt";

// A web host that never answers: the fetch returns only once the check is cancelled.
class HangingHttpClient final : public HttpClient {
public:
    HangingHttpClient(const std::atomic<bool>& cancelled, std::atomic<bool>& gaveUp)
        : m_cancelled(cancelled), m_gaveUp(gaveUp) {}

    FetchResult fetchLines(const std::string&, std::int32_t) override {
        while (!m_cancelled.load()) {
            std::this_thread::sleep_for(1ms);
        }
        m_gaveUp = true;
        FetchResult result;
        result.error = "cancelled";
        return result;
    }

private:
    const std::atomic<bool>& m_cancelled;
    std::atomic<bool>& m_gaveUp;
};

// Notes the class of every window that shows, in order.
class ShownWindows final : public QObject {
public:
    ShownWindows() { qApp->installEventFilter(this); }
    ~ShownWindows() override { qApp->removeEventFilter(this); }
    QStringList classes;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(object);
        if (event->type() == QEvent::Show && widget != nullptr && widget->isWindow()) {
            classes.append(QString::fromLatin1(widget->metaObject()->className()));
        }
        return false;
    }
};

} // namespace

class StartupFlowTest : public QObject {
    Q_OBJECT

private:
    StartupSetup setup() {
        StartupSetup made;
        made.makeMainWindow = [] { return std::make_unique<QDialog>(); };
        made.openUrl = [this](const QUrl& url) { m_opened.append(url); };
        return made;
    }

    QList<QUrl> m_opened;

private slots:
    void init() { m_opened.clear(); }
    void aHangingCheckShowsTheCheckingWindow_data();
    void aHangingCheckShowsTheCheckingWindow();
    void aQuickAnswerOpensTheMainWindowOrTheUpdate_data();
    void aQuickAnswerOpensTheMainWindowOrTheUpdate();
};

void StartupFlowTest::aHangingCheckShowsTheCheckingWindow_data() {
    QTest::addColumn<bool>("skip");
    QTest::newRow("跳过 opens the main window") << true;
    QTest::newRow("the close box ends the program") << false;
}

void StartupFlowTest::aHangingCheckShowsTheCheckingWindow() {
    QFETCH(bool, skip);
    std::atomic<bool> gaveUp{false};
    StartupFlow flow(setup());
    QSignalSpy finished(&flow, &StartupFlow::finished);
    flow.start(std::make_unique<UpdateCheckThread>(
        [&gaveUp](const std::atomic<bool>& cancelled) {
            return std::make_unique<HangingHttpClient>(cancelled, gaveUp);
        },
        kWebHost));

    // The check hangs on its own thread while the loop runs on and brings up the window.
    QTRY_VERIFY(flow.checkingWindow() != nullptr);
    QVERIFY(flow.mainWindow() == nullptr);
    if (skip) {
        QTest::mouseClick(flow.checkingWindow()->skipButton(), Qt::LeftButton);
        QVERIFY(flow.mainWindow() != nullptr);
        QVERIFY(flow.mainWindow()->isVisible());
        // An ordinary window on the application's loop, not a modal one.
        QCOMPARE(flow.mainWindow()->windowModality(), Qt::NonModal);
        QCOMPARE(finished.count(), 0);
    } else {
        QVERIFY(flow.checkingWindow()->close());
        QVERIFY(flow.mainWindow() == nullptr);
        QCOMPARE(finished.count(), 1);
    }
    QVERIFY(flow.checkingWindow() == nullptr);
    // The check was told to stop.
    QTRY_VERIFY(gaveUp.load());
    if (skip) {
        // Closing the main window (Escape, the close box) ends the program.
        flow.mainWindow()->reject();
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.front().front().toInt(), 0);
    }
    QVERIFY(m_opened.isEmpty());
}

void StartupFlowTest::aQuickAnswerOpensTheMainWindowOrTheUpdate_data() {
    QTest::addColumn<QString>("versionFile");
    QTest::addColumn<bool>("newer");
    // The check ended before the flow took it over, its delay long past (the program starts
    // the check before the application object, which takes a while to build).
    QTest::addColumn<bool>("endedBeforeStart");
    QTest::newRow("this version") << QStringLiteral("20160615") << false << false;
    QTest::newRow("a newer one") << QStringLiteral("20160616") << true << false;
    QTest::newRow("this version, in before the start")
        << QStringLiteral("20160615") << false << true;
    QTest::newRow("a newer one, in before the start") << QStringLiteral("20160616") << true << true;
}

void StartupFlowTest::aQuickAnswerOpensTheMainWindowOrTheUpdate() {
    QFETCH(QString, versionFile);
    QFETCH(bool, newer);
    QFETCH(bool, endedBeforeStart);
    auto check = std::make_unique<UpdateCheckThread>(
        [&versionFile](const std::atomic<bool>&) {
            auto client = std::make_unique<test::FakeHttpClient>();
            client->answer(kVersionFile, {versionFile.toStdString()});
            return client;
        },
        kWebHost);
    StartupSetup quick = setup();
    if (endedBeforeStart) {
        check->join();
        quick.checkingWindowDelay = 0ms;
    } else {
        // Longer than any check here.
        quick.checkingWindowDelay = 1h;
    }
    ShownWindows shown;
    StartupFlow flow(std::move(quick));
    QSignalSpy finished(&flow, &StartupFlow::finished);
    flow.start(std::move(check));

    if (!newer) {
        QTRY_VERIFY(flow.mainWindow() != nullptr);
        QVERIFY(flow.mainWindow()->isVisible());
        // No checking window flashes up before it.
        QCOMPARE(shown.classes, QStringList{QStringLiteral("QDialog")});
        QCOMPARE(finished.count(), 0);
        QVERIFY(m_opened.isEmpty());
        // A main window that closes on a failure ends the program with status 1.
        flow.mainWindow()->done(2);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.front().front().toInt(), 1);
        return;
    }
    QString message;
    bool openedBeforeClosed = true;
    QVERIFY(test::answerDialog<QMessageBox>([&](QMessageBox& box) {
        message = box.text();
        openedBeforeClosed = !m_opened.isEmpty();
        QTest::mouseClick(box.button(QMessageBox::Ok), Qt::LeftButton);
    }));
    QCOMPARE(message, QString::fromUtf8(kUpdateMessage));
    // The package opens once the user has closed the message.
    QVERIFY(!openedBeforeClosed);
    QCOMPARE(m_opened, QList<QUrl>{QUrl(QStringLiteral("http://web.test/xiazai/vnssc.rar"))});
    QCOMPARE(finished.count(), 1);
    QVERIFY(flow.mainWindow() == nullptr);
    QCOMPARE(shown.classes, QStringList{QStringLiteral("QMessageBox")});
}

} // namespace kestrum

QTEST_MAIN(kestrum::StartupFlowTest)
#include "StartupFlowTest.moc"
