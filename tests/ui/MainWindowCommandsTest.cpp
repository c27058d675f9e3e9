#include "report/PlanReport.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/ManualClock.h"
#include "support/UserActions.h"
#include "ui/FormulaListDialog.h"
#include "ui/MainWindow.h"
#include "ui/WebPanel.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <chrono>
#include <memory>

using namespace Qt::StringLiterals;

namespace kestrum {

namespace {

// Milliseconds from now (as `clock` tells) until the window's next refresh; -1 when none is due.
qint64 msUntilRefresh(const MainWindow& window, const test::ManualClock& clock) {
    const auto next = window.nextRefresh();
    return next ? std::chrono::duration_cast<std::chrono::milliseconds>(*next - clock.now()).count()
                : -1;
}

} // namespace

class MainWindowCommandsTest : public QObject {
    Q_OBJECT

private:
    QRadioButton* option(ControlId id) { return m_window->option(id); }
    QLineEdit* box(ControlId id) { return m_window->box(id); }
    QPushButton* button(ControlId id) { return m_window->button(id); }
    QString report() { return m_window->pane(ControlId::Report)->toPlainText(); }

    // Waits until the start-up has shown its report.
    void waitForPlans() {
        QTRY_VERIFY_WITH_TIMEOUT(report().contains(QStringLiteral("计划进行中")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
    }

    std::unique_ptr<test::FakeHttpClient> m_clientOwner;
    test::FakeHttpClient* m_client = nullptr;
    std::unique_ptr<MainWindow> m_window;
    QTemporaryDir m_dir;
    test::ManualClock m_clock;

private slots:
    void init() {
        m_clientOwner = std::make_unique<test::FakeHttpClient>();
        m_client = m_clientOwner.get();
        m_client->answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
        m_client->answer("http://feed1.test/ssckj/cq.txt", test::feedLines(30, 90));
        m_client->answer("http://feed2.test/ssckj/jx.txt", test::feedLines(30, 70));
        m_client->answer("http://feed2.test/dbffc.txt",
                         test::feedLines(30, 1000, {.periodDigits = 4}));
        m_client->answer("http://feed1.test/ynffc.txt",
                         test::feedLines(30, 500, {.periodDigits = 4}));
        MainWindowSetup setup;
        setup.settings.feedHosts = {"http://feed1.test", "http://feed2.test"};
        setup.settings.webHost = "http://web.test";
        setup.settings.dataDirectory = m_dir.path().toStdString();
        setup.siteUrl = "http://site.test/";
        // A feed that fails fails at once.
        setup.pacing = DownloadPacing{2, {std::chrono::milliseconds(1)}};
        setup.clock = m_clock.function();
        setup.makeClient = [this](const std::atomic<bool>&) -> std::unique_ptr<HttpClient> {
            return std::move(m_clientOwner);
        };
        m_window = std::make_unique<MainWindow>(std::move(setup));
        m_window->show();
        waitForPlans();
    }
    void cleanup() { m_window.reset(); }

    void badInputIsRefusedWithAMessageAndThePlansAreRecomputed_data() {
        QTest::addColumn<QString>("codeCount");
        QTest::addColumn<QString>("planPeriods");
        QTest::newRow("10") << QStringLiteral("10") << QStringLiteral("3");
        QTest::newRow("0") << QStringLiteral("0") << QStringLiteral("3");
        QTest::newRow("empty") << QString() << QStringLiteral("3");
        QTest::newRow("abc") << QStringLiteral("6") << QStringLiteral("abc");
        QTest::newRow("negative") << QStringLiteral("-6") << QStringLiteral("3");
    }
    void badInputIsRefusedWithAMessageAndThePlansAreRecomputed() {
        QFETCH(QString, codeCount);
        QFETCH(QString, planPeriods);
        test::typeInto(box(ControlId::CodeCount), codeCount);
        test::typeInto(box(ControlId::PlanPeriods), planPeriods);
        m_window->pane(ControlId::Report)->setPlainText(QString());
        QTest::mouseClick(button(ControlId::Search), Qt::LeftButton);
        // The message comes first; the plans are recomputed once it is closed.
        QString message;
        bool busyBeforeClosed = true;
        QVERIFY(test::answerDialog<QMessageBox>([&](QMessageBox& shown) {
            message = shown.text();
            busyBeforeClosed = m_window->busy();
            shown.button(QMessageBox::Ok)->click();
        }));
        QCOMPARE(message, QStringLiteral("请正确输入期数和码数！"));
        QVERIFY(!busyBeforeClosed);
        QVERIFY(m_window->formulaList() == nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(report().contains(QStringLiteral("计划进行中")), 20000);
    }

    void aSearchClosedWithoutChoosingTakesTheBestCandidate() {
        QTest::mouseClick(option(playTypeOption(PlayType::Hou2)), Qt::LeftButton); // 后二
        test::typeInto(box(ControlId::CodeCount), QStringLiteral(" 7"));
        test::typeInto(box(ControlId::PlanPeriods), QStringLiteral("5abc"));
        QTest::mouseClick(button(ControlId::Search), Qt::LeftButton);
        QVERIFY(!button(ControlId::Search)->isEnabled()); // busy until the candidates arrive
        int rows = 0;
        QString best;
        bool theWindowsList = false;
        QVERIFY(test::answerDialog<FormulaListDialog>([&](FormulaListDialog& list) {
            theWindowsList = &list == m_window->formulaList();
            rows = list.list()->rowCount();
            best = list.list()->item(0, 0)->text();
            list.reject();
        }));
        QVERIFY(theWindowsList);
        QCOMPARE(rows, 30);
        QCOMPARE(box(ControlId::Formula)->text(), best);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QTRY_COMPARE_WITH_TIMEOUT(box(ControlId::Formula)->text(),
                                  best.rightJustified(3, QLatin1Char('0')), 20000);
        QVERIFY(report().startsWith(QStringLiteral("后二")));
        // The searched numbers stay with the play type.
        QTest::mouseClick(option(playTypeOption(PlayType::Hou1)), Qt::LeftButton);
        QTest::mouseClick(option(playTypeOption(PlayType::Hou2)), Qt::LeftButton);
        QCOMPARE(box(ControlId::CodeCount)->text(), QStringLiteral("007"));
        QCOMPARE(box(ControlId::PlanPeriods)->text(), QStringLiteral("005"));
    }

    void aTypedFormulaNotInTheListBecomesCurrent() {
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)), Qt::LeftButton); // 十位
        QTest::mouseClick(button(ControlId::Search), Qt::LeftButton);
        QVERIFY(test::answerDialog<FormulaListDialog>([](FormulaListDialog& list) {
            test::typeInto(list.chosenBox(), QStringLiteral("321"));
            QTest::mouseClick(list.chooseButton(), Qt::LeftButton);
        }));
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("321"));
        QTRY_VERIFY_WITH_TIMEOUT(report().contains(QStringLiteral("十位")), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);

        // 使用已有公式 with a typed number.
        test::typeInto(box(ControlId::Formula), QStringLiteral("25"));
        QTest::mouseClick(button(ControlId::UseFormula), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(box(ControlId::Formula)->text(), QStringLiteral("025"), 20000);
    }

    void aMinuteLotteryRefreshesEveryTenSeconds() {
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)),
                          Qt::LeftButton);                           // 十位 before the switch
        QTest::mouseClick(option(lotteryOption(6)), Qt::LeftButton); // 迪拜分分彩, number 6
        QCOMPARE(msUntilRefresh(*m_window, m_clock), -1);            // stopped while it loads
        QVERIFY(option(playTypeOption(PlayType::Hou1))->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QVERIFY(option(playTypeOption(PlayType::Hou1))->isChecked());
        QVERIFY(option(lotteryOption(6))->isChecked());
        QCOMPARE(msUntilRefresh(*m_window, m_clock), 10000);
        // Timer 1 repeats at the new period.
        const auto timers = m_window->findChildren<QTimer*>(QString(), Qt::FindDirectChildrenOnly);
        QCOMPARE(timers.size(), 1);
        QCOMPARE(timers.front()->interval(), 10000);
        QVERIFY(timers.front()->isActive());
        QVERIFY(report().startsWith(QStringLiteral("后一0971-0973期")));
        auto* top = m_window->panel(ControlId::TopPanel);
        QCOMPARE(top->address().toString(), QStringLiteral("http://web.test/add/ptadd.html"));

        // 迪拜五分彩 is number 5, on button lotteryOption(5).
        QCOMPARE(option(lotteryOption(5))->text(), QStringLiteral("迪拜五分彩"));
    }

    void aLotteryChosenByKeyboardKeepsTheFocusAndEscapeStillCloses() {
        option(lotteryOption(6))->setFocus();
        QTest::keyClick(option(lotteryOption(6)), Qt::Key_Space);
        QVERIFY(m_window->busy());
        QVERIFY(!option(lotteryOption(6))->isEnabled());
        // Disabled, the option's focus goes to the window, not down the tab order.
        QCOMPARE(m_window->focusWidget(), m_window.get());
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QCOMPARE(m_window->focusWidget(), option(lotteryOption(6)));

        QSignalSpy finished(m_window.get(), &QDialog::finished);
        QTest::keyClick(m_window->focusWidget(), Qt::Key_Escape);
        QCOMPARE(finished.count(), 1);
    }

    void aPanelFirstLotteryChangesThePageBeforeLoading() {
        auto* top = m_window->panel(ControlId::TopPanel);
        QTest::mouseClick(option(lotteryOption(7)), Qt::LeftButton); // 印尼分分彩
        QCOMPARE(top->address().toString(), QStringLiteral("http://web.test/add/vnadd99.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(report().startsWith(QStringLiteral("后一0471")), 20000);
    }

    void aPlayTypeChosenDuringOrAfterAFailedSwitchShowsOnlyTheNewLottery() {
        const QString footer =
            QString::fromStdString(reportFooter("http://site.test/")).replace("\r\n"_L1, "\n"_L1);
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)),
                          Qt::LeftButton); // 十位 of the first lottery
        QVERIFY(report().startsWith(QStringLiteral("十位")));
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("232"));

        // 新疆时时彩 has no feed. While its switch runs, the window shows its state only.
        QTest::mouseClick(option(lotteryOption(3)), Qt::LeftButton);
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)), Qt::LeftButton);
        QVERIFY(report().startsWith(QStringLiteral("\n\n正在准备数据中")));
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("000"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QCOMPARE(report(),
                 QStringLiteral("\n\n开奖数据暂时无法下载，软件会继续自动重试，请稍候……"));
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)), Qt::LeftButton);
        QCOMPARE(report(), footer);
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("000"));

        // A typed formula is stored for the new lottery, not the previous one.
        test::typeInto(box(ControlId::Formula), QStringLiteral("25"));
        QTest::mouseClick(button(ControlId::UseFormula), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("025"));
        QTest::mouseClick(option(lotteryOption(1)), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)), Qt::LeftButton);
        QVERIFY(report().startsWith(QStringLiteral("十位")));
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("232")); // not the typed 025
        QTest::mouseClick(option(lotteryOption(3)), Qt::LeftButton);
        QTest::mouseClick(option(playTypeOption(PlayType::ShiWei)), Qt::LeftButton);
        QCOMPARE(box(ControlId::Formula)->text(), QStringLiteral("025"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
    }

    void aCommandThatThrowsIsReportedAndTheWindowGoesOn() {
        m_client->throwOn("http://feed2.test/ssckj/tj.txt");
        QTest::mouseClick(option(lotteryOption(4)), Qt::LeftButton); // 天津时时彩
        // The controls come back as the command ends; the failure is told right after.
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(report().startsWith(QStringLiteral("\n\n切换彩种未能完成")),
                                 20000);
        QVERIFY(button(ControlId::Search)->isEnabled());
        QVERIFY(m_window->nextRefresh().has_value());
        // The engine thread runs the next command.
        QTest::mouseClick(option(lotteryOption(2)), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        QVERIFY(report().startsWith(QStringLiteral("后一")));
    }

    void exportFilesThatCannotBeWrittenAreToldOnceUntilTheyAreWrittenAgain() {
        // A folder where a file should be: that file cannot be replaced, even by root.
        const QString blocker = m_dir.filePath(QStringLiteral("geweizd.txt"));
        // (The start-up may still be writing its files.)
        for (int attempt = 0; attempt < 100 && !QFileInfo(blocker).isDir(); ++attempt) {
            QFile::remove(blocker);
            QDir().mkdir(blocker);
        }
        QVERIFY(QFileInfo(blocker).isDir());
        const auto useFormula = [this] {
            QTest::mouseClick(button(ControlId::UseFormula), Qt::LeftButton);
            QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        };
        useFormula();
        QTRY_VERIFY_WITH_TIMEOUT(
            report().startsWith(QStringLiteral("\n\n计划导出文件无法写入文件夹 ") + m_dir.path()),
            20000);
        // Said once: the next failure leaves the report alone.
        QTest::mouseClick(option(playTypeOption(PlayType::Hou1)), Qt::LeftButton);
        useFormula();
        QVERIFY(report().startsWith(QStringLiteral("后一")));
        // Written again, then failing again: told again.
        QVERIFY(QDir().rmdir(blocker));
        useFormula();
        QVERIFY(QFile::remove(blocker));
        QVERIFY(QDir().mkdir(blocker));
        useFormula();
        QTRY_VERIFY_WITH_TIMEOUT(report().startsWith(QStringLiteral("\n\n计划导出文件无法写入")),
                                 20000);
        QVERIFY(QDir().rmdir(blocker));
    }

    void aSwitchWaitsForARunningRefresh() {
        m_window->onRefreshTimer(); // queued first
        QTest::mouseClick(option(lotteryOption(2)), Qt::LeftButton);
        // The switch, submitted after the refresh, ran after it.
        QTRY_VERIFY_WITH_TIMEOUT(!m_window->busy(), 20000);
        const auto& requests = m_client->requests();
        // The promotional line and the start-up download, then the refresh, then the switch.
        QCOMPARE(requests.size(), std::size_t{4});
        QCOMPARE(requests[2].url, std::string("http://feed1.test/ssckj/cq.txt"));
        QCOMPARE(requests[2].maxLines, 1);
        QCOMPARE(requests[3].url, std::string("http://feed2.test/ssckj/jx.txt"));
    }
};

} // namespace kestrum

QTEST_MAIN(kestrum::MainWindowCommandsTest)
#include "MainWindowCommandsTest.moc"
