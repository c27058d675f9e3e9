#include "ui/MainWindow.h"

#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/ManualClock.h"
#include "support/UserActions.h"
#include "ui/AboutDialog.h"
#include "ui/DialogUnits.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace kestrum {

namespace {

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";

// The draws of this feed hold 1 and 2 in their second and third places.
const test::FeedStyle kFeedStyle{.digits = [](std::int32_t period) {
    return std::to_string(period % 10) + "12" + std::to_string((period * 7) % 10) +
           std::to_string((period * 3) % 10);
}};

// Holds the fetches that come while it is closed until it opens.
class Gate {
public:
    void open() {
        {
            std::lock_guard lock(m_mutex);
            m_open = true;
        }
        m_opened.notify_all();
    }
    void close() {
        std::lock_guard lock(m_mutex);
        m_open = false;
    }
    void pass() {
        std::unique_lock lock(m_mutex);
        m_opened.wait(lock, [this] { return m_open; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_opened;
    bool m_open = false;
};

// Holds every fetch at the gate, so that a test sees the window before any command, or a
// refresh while it runs.
class GatedHttpClient final : public HttpClient {
public:
    GatedHttpClient(test::FakeHttpClient& inner, Gate& gate) : m_inner(inner), m_gate(gate) {}
    FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
        m_gate.pass();
        return m_inner.fetchLines(url, maxLines);
    }

private:
    test::FakeHttpClient& m_inner;
    Gate& m_gate;
};

// Timer 1, the window's only timer of its own.
QTimer* refreshTimerOf(MainWindow& window) {
    const auto timers = window.findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
    return timers.size() == 1 ? timers.front() : nullptr;
}

// Milliseconds from now (as `clock` tells) until the window's next refresh; -1 when none is due.
qint64 msUntilRefresh(const MainWindow& window, const test::ManualClock& clock) {
    const auto next = window.nextRefresh();
    return next ? std::chrono::duration_cast<std::chrono::milliseconds>(*next - clock.now()).count()
                : -1;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    // A new window whose fetches wait until openGate(); cleanup() opens it and closes the
    // window, whatever the test did.
    std::unique_ptr<MainWindow>& makeWindow(bool promotionReachable = true,
                                            bool followDraws = false) {
        m_fake = std::make_unique<test::FakeHttpClient>();
        m_fake->answer(kFeed, test::feedLines(30, 80, kFeedStyle));
        if (promotionReachable) {
            m_fake->answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
        } else {
            m_fake->fail("http://web.test/addurl/vn.txt", FetchStatus::NetworkError);
        }
        m_opened.clear();
        m_gate.close();
        MainWindowSetup setup;
        setup.settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        setup.settings.webHost = "http://web.test";
        setup.settings.dataDirectory = m_dir.path().toStdString();
        setup.siteUrl = "http://site.test/";
        setup.followDraws = followDraws;
        setup.clock = m_clock.function();
        setup.openUrl = [this](const QUrl& url) { m_opened.append(url); };
        setup.openFolder = [this](const QUrl& url) { m_openedFolders.append(url); };
        setup.makeClient = [this](const std::atomic<bool>&) {
            return std::make_unique<GatedHttpClient>(*m_fake, m_gate);
        };
        m_window = std::make_unique<MainWindow>(std::move(setup));
        return m_window;
    }

    void openGate() { m_gate.open(); }

    // Waits until every command submitted so far has run: a user command runs after them.
    void waitForCommands(MainWindow& window) {
        QTest::mouseClick(window.button(ControlId::UseFormula), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 20000);
    }

    QRadioButton* option(MainWindow& window, ControlId id) { return window.option(id); }

    QTemporaryDir m_dir;
    std::unique_ptr<test::FakeHttpClient> m_fake;
    Gate m_gate;
    test::ManualClock m_clock;
    QList<QUrl> m_opened;
    QList<QUrl> m_openedFolders;
    std::unique_ptr<MainWindow> m_window;

private slots:
    void cleanup() {
        openGate();
        m_window.reset();
    }
    void controlsHaveTheirIdsTextsAndPlaces_data();
    void controlsHaveTheirIdsTextsAndPlaces();
    void tabVisitsTheBoxesPanesPanelsAndButtonsInOrder();
    void beforeTheFirstDispatchNothingIsChecked();
    void choosingHou3ShowsItsNumbers();
    void returnInABoxStartsNothingAndEscapeCloses();
    void startupShowsTheDrawsAndTheReport();
    void aTickWhileARefreshRunsStartsNothing();
    void followingTheDrawsTheTimerWaitsForThePlannersMoment();
    void thePromotionIsOpenedOnceOrItsAbsenceClosesTheWindow();
    void altAOpensTheAboutBox();
};

void MainWindowTest::controlsHaveTheirIdsTextsAndPlaces_data() {
    QTest::addColumn<ControlId>("id");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("units");
    QTest::newRow("Hou1 option") << playTypeOption(PlayType::Hou1) << QStringLiteral("后一")
                                 << QRect(19, 184, 35, 14);
    QTest::newRow("WuXingAny option") << playTypeOption(PlayType::WuXingAny)
                                      << QStringLiteral("五星不定位") << QRect(234, 183, 56, 18);
    QTest::newRow("CodeCount") << ControlId::CodeCount << QString() << QRect(525, 110, 55, 17);
    QTest::newRow("Search") << ControlId::Search << QStringLiteral("搜索公式")
                            << QRect(587, 110, 59, 40);
    QTest::newRow("DrawList") << ControlId::DrawList << QString() << QRect(7, 212, 108, 244);
    QTest::newRow("Report") << ControlId::Report << QString() << QRect(133, 211, 347, 245);
    QTest::newRow("TopPanel") << ControlId::TopPanel << QString() << QRect(7, 7, 650, 93);
    QTest::newRow("RightPanel") << ControlId::RightPanel << QString() << QRect(490, 212, 160, 244);
    QTest::newRow("Formula") << ControlId::Formula << QString() << QRect(524, 158, 56, 17);
    QTest::newRow("QianSanXing option") << playTypeOption(PlayType::QianSanXing)
                                        << QStringLiteral("前三") << QRect(485, 184, 33, 15);
    QTest::newRow("UseFormula") << ControlId::UseFormula << QStringLiteral("使用已有公式")
                                << QRect(588, 156, 59, 21);
    QTest::newRow("lottery 6") << lotteryOption(6) << QStringLiteral("迪拜分分彩")
                               << QRect(310, 140, 55, 16);
    QTest::newRow("lottery 5") << lotteryOption(5) << QStringLiteral("迪拜五分彩")
                               << QRect(310, 108, 56, 20);
    QTest::newRow("lottery 10") << lotteryOption(10) << QStringLiteral("西贡分分彩")
                                << QRect(238, 142, 52, 13);
}

void MainWindowTest::controlsHaveTheirIdsTextsAndPlaces() {
    QFETCH(ControlId, id);
    QFETCH(QString, text);
    QFETCH(QRect, units);
    auto& window = makeWindow();
    QWidget* widget = window->control(id);
    QVERIFY(widget != nullptr);
    QCOMPARE(ControlId{widget->property("controlId").toInt()}, id);
    if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
        QCOMPARE(button->text(), text);
        QCOMPARE(button->accessibleName(), text);
    }
    const DialogUnits du(window->font());
    QCOMPARE(widget->geometry(), du.toPixels(units.x(), units.y(), units.width(), units.height()));
    QCOMPARE(window->size(), du.toPixels(QSize(663, 463)));
    QCOMPARE(window->windowTitle(), QStringLiteral("Varnel时时彩软件Ｖ1.160615"));
}

void MainWindowTest::tabVisitsTheBoxesPanesPanelsAndButtonsInOrder() {
    auto& window = makeWindow();
    QList<ControlId> order;
    QWidget* widget = window->control(ControlId::CodeCount);
    do {
        const auto id = ControlId{widget->property("controlId").toInt()};
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && id != ControlId::None &&
            widget->isVisibleTo(window.get())) {
            order.append(id);
        }
        widget = widget->nextInFocusChain();
    } while (widget != window->control(ControlId::CodeCount));
    QCOMPARE(order,
             (QList<ControlId>{ControlId::CodeCount, ControlId::PlanPeriods, ControlId::Search,
                               ControlId::DrawList, ControlId::Report, ControlId::TopPanel,
                               ControlId::RightPanel, ControlId::Formula, ControlId::UseFormula}));
    QCOMPARE(window->control(ControlId::CodeCount)->accessibleName(), QStringLiteral("码数"));
    QCOMPARE(window->control(ControlId::PlanPeriods)->accessibleName(), QStringLiteral("期数"));
    QCOMPARE(window->control(ControlId::Formula)->accessibleName(), QStringLiteral("当前公式"));
    QCOMPARE(window->control(ControlId::DrawList)->accessibleName(), QStringLiteral("开奖号码"));
    QCOMPARE(window->control(ControlId::Report)->accessibleName(), QStringLiteral("计划"));
}

void MainWindowTest::beforeTheFirstDispatchNothingIsChecked() {
    auto& window = makeWindow();
    window->show();
    for (ControlId id : {playTypeOption(PlayType::Hou1),
                         playTypeOption(PlayType::Hou2),
                         playTypeOption(PlayType::SanXing),
                         playTypeOption(PlayType::Hou3Any),
                         playTypeOption(PlayType::WuXingAny),
                         playTypeOption(PlayType::ShiWei),
                         playTypeOption(PlayType::BaiWei),
                         playTypeOption(PlayType::QianWei),
                         playTypeOption(PlayType::WanWei),
                         playTypeOption(PlayType::QianSanXing),
                         lotteryOption(1),
                         lotteryOption(2),
                         lotteryOption(3),
                         lotteryOption(4),
                         lotteryOption(6),
                         lotteryOption(5),
                         lotteryOption(7),
                         lotteryOption(8),
                         lotteryOption(9),
                         lotteryOption(10)}) {
        QVERIFY2(!option(*window, id)->isChecked(),
                 qPrintable(QString::number(static_cast<int>(id))));
    }
    auto* report = window->pane(ControlId::Report);
    QCOMPARE(report->toPlainText(), QStringLiteral("\n\n正在初始化软件，请稍等片刻！！"));
    QCOMPARE(window->box(ControlId::CodeCount)->text(), QStringLiteral("6"));
    QCOMPARE(window->box(ControlId::PlanPeriods)->text(), QStringLiteral("3"));
    QCOMPARE(msUntilRefresh(*window, m_clock), 35000);
    QTimer* timer = refreshTimerOf(*window);
    QVERIFY(timer != nullptr);
    QVERIFY(!timer->isSingleShot());
    QCOMPARE(timer->interval(), 35000);
    QVERIFY(timer->isActive());
}

void MainWindowTest::choosingHou3ShowsItsNumbers() {
    auto& window = makeWindow();
    window->show();
    QTest::mouseClick(option(*window, playTypeOption(PlayType::SanXing)), Qt::LeftButton);
    QVERIFY(option(*window, playTypeOption(PlayType::SanXing))->isChecked());
    QCOMPARE(window->box(ControlId::CodeCount)->text(), QStringLiteral("008"));
    QCOMPARE(window->box(ControlId::PlanPeriods)->text(), QStringLiteral("004"));
}

void MainWindowTest::returnInABoxStartsNothingAndEscapeCloses() {
    auto& window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QSignalSpy search(window->button(ControlId::Search), &QPushButton::clicked);
    QSignalSpy use(window->button(ControlId::UseFormula), &QPushButton::clicked);
    QSignalSpy finished(window.get(), &QDialog::finished);
    auto* box = window->box(ControlId::CodeCount);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return);
    QTest::keyClick(box, Qt::Key_Enter);
    QCOMPARE(search.count(), 0);
    QCOMPARE(use.count(), 0);
    QCOMPARE(finished.count(), 0);
    QVERIFY(window->isVisible());

    QTest::keyClick(box, Qt::Key_Escape);
    QCOMPARE(finished.count(), 1);
    QVERIFY(!window->isVisible());
}

void MainWindowTest::startupShowsTheDrawsAndTheReport() {
    auto& window = makeWindow();
    window->show();
    openGate();
    QTRY_VERIFY_WITH_TIMEOUT(option(*window, playTypeOption(PlayType::Hou1))->isChecked(), 20000);
    QVERIFY(option(*window, lotteryOption(1))->isChecked());
    auto* report = window->pane(ControlId::Report);
    QTRY_VERIFY_WITH_TIMEOUT(report->toPlainText().contains(QStringLiteral("计划进行中")), 20000);
    QVERIFY(report->toPlainText().endsWith(QStringLiteral("软件官网:http://site.test/\n\n")));
    auto* draws = window->pane(ControlId::DrawList);
    QVERIFY(draws->toPlainText().endsWith(
        QString::fromStdString(test::feedLines(1, 80, kFeedStyle)[0]) + QLatin1Char('\n')));
    QCOMPARE(window->box(ControlId::Formula)->text().size(), 3);
}

void MainWindowTest::aTickWhileARefreshRunsStartsNothing() {
    auto& window = makeWindow();
    openGate();
    QTRY_VERIFY_WITH_TIMEOUT(option(*window, playTypeOption(PlayType::Hou1))->isChecked(), 20000);
    auto* report = window->pane(ControlId::Report);
    QTRY_VERIFY_WITH_TIMEOUT(report->toPlainText().contains(QStringLiteral("计划进行中")), 20000);

    m_gate.close();
    window->onRefreshTimer(); // a refresh is running, held at the gate
    window->onRefreshTimer();
    openGate();
    waitForCommands(*window);
    // The promotional line, the start-up download, then one refresh of a single line.
    QCOMPARE(m_fake->requests().size(), std::size_t{3});
    QCOMPARE(m_fake->requests().back().maxLines, 1);
    // Once it is over, the next tick refreshes again.
    window->onRefreshTimer();
    waitForCommands(*window);
    QCOMPARE(m_fake->requests().size(), std::size_t{4});
}

// Following the draws, timer 1 is a single shot: first a period away, as the fixed timer, then
// after every refresh the planner's next moment, also after one that threw; the new draw a
// refresh brings teaches it.
void MainWindowTest::followingTheDrawsTheTimerWaitsForThePlannersMoment() {
    auto& window = makeWindow(true, true);
    QCOMPARE(msUntilRefresh(*window, m_clock), 35000);
    QTimer* timer = refreshTimerOf(*window);
    QVERIFY(timer != nullptr);
    QVERIFY(timer->isSingleShot());
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 35000);
    openGate();
    auto* report = window->pane(ControlId::Report);
    QTRY_VERIFY_WITH_TIMEOUT(report->toPlainText().contains(QStringLiteral("计划进行中")), 20000);

    m_fake->answer(kFeed, test::feedLines(30, 81, kFeedStyle));
    window->onRefreshTimer();
    QTRY_VERIFY_WITH_TIMEOUT(
        window->pane(ControlId::DrawList)
            ->toPlainText()
            .endsWith(QString::fromStdString(test::feedLines(1, 81, kFeedStyle)[0]) +
                      QLatin1Char('\n')),
        20000);
    // It learns from this first draw: the next is expected twelve minutes on (120 draws a day),
    // so the next look is the longest quiet stretch away, half of that.
    QTRY_COMPARE_WITH_TIMEOUT(msUntilRefresh(*window, m_clock), 360000, 20000);
    QCOMPARE(timer->interval(), 360000);

    // A refresh that throws still sets the next moment: the single shot would otherwise never
    // fire again.
    // The clock goes past the moment set before, so only a new one is still ahead.
    m_fake->throwOn(kFeed);
    m_clock.advance(std::chrono::seconds(370));
    QVERIFY(msUntilRefresh(*window, m_clock) < 0);
    window->onRefreshTimer();
    waitForCommands(*window);
    QTRY_VERIFY_WITH_TIMEOUT(msUntilRefresh(*window, m_clock) > 0, 20000);
    const std::size_t requests = m_fake->requests().size();
    window->onRefreshTimer();
    waitForCommands(*window);
    QCOMPARE(m_fake->requests().size(), requests + 1);
}

void MainWindowTest::thePromotionIsOpenedOnceOrItsAbsenceClosesTheWindow() {
    {
        auto& window = makeWindow();
        openGate();
        QTRY_VERIFY_WITH_TIMEOUT(option(*window, playTypeOption(PlayType::Hou1))->isChecked(),
                                 20000);
        QCOMPARE(m_opened, (QList<QUrl>{QUrl(QStringLiteral("http://web.test/promo.html"))}));
        cleanup();
    }
    auto& window = makeWindow(false);
    window->show();
    QSignalSpy finished(window.get(), &QDialog::finished);
    openGate();
    // The window says why, naming the host, and closes once the user has read it.
    QString text;
    qsizetype finishedBefore = -1;
    QVERIFY(test::answerDialog<QMessageBox>([&](QMessageBox& box) {
        text = box.text();
        finishedBefore = finished.count();
        box.button(QMessageBox::Ok)->click();
    }));
    QCOMPARE(text,
             QStringLiteral("无法连接到软件服务器 http://web.test，取不到推荐地址，程序将关闭。"));
    QCOMPARE(finishedBefore, 0);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
    QCOMPARE(finished.front().front().toInt(), MainWindow::kFailedResult);
    QVERIFY(!window->isVisible());
    QVERIFY(m_opened.isEmpty());
}

void MainWindowTest::altAOpensTheAboutBox() {
    auto& window = makeWindow();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QString title;
    QString folder;
    QTest::keyClick(window.get(), Qt::Key_A, Qt::AltModifier);
    // The box opens without a loop of its own: the window's loop answers it.
    QVERIFY(test::answerDialog<AboutDialog>([&title, &folder](AboutDialog& about) {
        title = about.windowTitle();
        folder = about.findChild<QLabel*>(QStringLiteral("dataFolder"))->text();
        for (auto* button : about.findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("确定")) {
                button->click();
            }
        }
    }));
    QCOMPARE(title, QStringLiteral("关于 Kestrum"));
    QTRY_VERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window->isVisible());
    // The box and the second item of the context menu name the data folder in use.
    QCOMPARE(folder, QStringLiteral("数据文件夹：") + m_dir.path());
    QCOMPARE(window->actions().size(), 4);
    QCOMPARE(window->actions().front()->text(), QStringLiteral("关于 Kestrum(&A)..."));
    QCOMPARE(window->actions().back()->text(), QStringLiteral("打开数据文件夹(&D)"));
    window->actions().back()->trigger();
    QCOMPARE(m_openedFolders, QList<QUrl>{QUrl::fromLocalFile(m_dir.path())});
}

} // namespace kestrum

QTEST_MAIN(kestrum::MainWindowTest)
#include "MainWindowTest.moc"
