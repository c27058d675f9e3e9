#include "commands/HonestFiguresCommand.h"
#include "draws/LotteryTable.h"
#include "report/PlanStrip.h"
#include "support/FakeHttpClient.h"
#include "support/Feeds.h"
#include "support/History.h"
#include "support/RecordingView.h"
#include "ui/ChanceFigures.h"
#include "ui/DrawTrendChart.h"
#include "ui/DrawTrendWindow.h"
#include "ui/MainWindow.h"
#include "ui/PlanStatsChart.h"
#include "ui/PlanStatsWindow.h"

#include <QAction>
#include <QImage>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <memory>

namespace kestrum {

namespace {

const std::string kFeed = "http://feed1.test/ssckj/cq.txt";
const FeedHosts kHosts{"http://feed1.test", "http://feed2.test"};

// What the report pane shows of its plans, as a reader counts it: a line per plan (the
// running plan too), won plans marked 期中, failed ones 挂.
struct ShownPlans {
    std::size_t plans = 0;
    std::int32_t won = 0;
    std::int32_t failed = 0;
};

ShownPlans plansShownIn(const QPlainTextEdit* report) {
    ShownPlans shown;
    for (const QString& line : report->toPlainText().split(QLatin1Char('\n'))) {
        if (!line.contains(QStringLiteral("期<"))) {
            continue;
        }
        ++shown.plans;
        shown.won += line.contains(QStringLiteral("期中")) ? 1 : 0;
        shown.failed += line.contains(QStringLiteral(" 挂 ")) ? 1 : 0;
    }
    return shown;
}

} // namespace

class ChartWindowsTest : public QObject {
    Q_OBJECT

private:
    // A window over 30 draws up to period 80 of the first lottery; its first refresh finds
    // period 81. Returns once the first plans are shown.
    void startWindow() {
        m_fake = std::make_unique<test::FakeHttpClient>();
        m_fake->answer(kFeed, test::feedLines(30, 80));
        m_fake->answer(kFeed, test::feedLines(30, 81));
        m_fake->answer("http://web.test/addurl/vn.txt", {"http://web.test/promo.html"});
        MainWindowSetup setup;
        setup.settings.feedHosts = kHosts;
        setup.settings.webHost = "http://web.test";
        setup.settings.dataDirectory = m_dir.path().toStdString();
        setup.makeClient = [this](const std::atomic<bool>&) {
            return std::make_unique<ForwardingClient>(*m_fake);
        };
        m_window = std::make_unique<MainWindow>(std::move(setup));
        m_window->show();
        QTRY_VERIFY_WITH_TIMEOUT(report()->toPlainText().contains(QStringLiteral("计划进行中")),
                                 30000);
    }

    // A key of the main window's context menu, pressed while the main window is active.
    void pressOnMainWindow(Qt::Key key) {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
        QTest::keyClick(m_window.get(), key, Qt::ControlModifier);
    }

    QPlainTextEdit* report() const { return m_window->pane(ControlId::Report); }

    // The strip and the histogram of the stats window agree with the report, for the last
    // plans the window asked about.
    void expectStatsFollowTheReport(PlanStatsWindow& stats) {
        QTRY_VERIFY_WITH_TIMEOUT(stats.accuraciesCurrent(), 30000);
        const ShownPlans expected = plansShownIn(report());
        const PlanStrip& shown = stats.chart()->strip();
        QCOMPARE(shown.cells.size(), expected.plans);
        QCOMPARE(shown.won, expected.won);
        QCOMPARE(shown.failed, expected.failed);
        QVERIFY(!shown.cells.empty());
        QVERIFY(stats.chart()->histogram().has_value());
        QCOMPARE(stats.chart()->histogram()->formulaCount, 499);
        QVERIFY(!stats.chart()->computing());
    }

    // The words beside chance are the stats library's over the same draws, for the play type,
    // shape and formula in use, and the outline over the histogram is its spread.
    void expectFiguresOfTheDraws(PlanStatsWindow& stats, const std::vector<std::string>& feed) {
        QTRY_VERIFY_WITH_TIMEOUT(stats.figuresCurrent(), 60000);
        auto draws = std::make_unique<DrawStore>();
        storeDownloadedLines(*draws, feed);
        const PlanShape shape{m_window->box(ControlId::PlanPeriods)->text().toInt(),
                              m_window->box(ControlId::CodeCount)->text().toInt()};
        const FormulaLuck luck = formulaLuck(*draws, *m_window->checkedPlayType(), shape,
                                             m_window->box(ControlId::Formula)->text().toInt());
        const QStringList shown = stats.chart()->figureText();
        QVERIFY2(shown.contains(QStringLiteral("随机基准 ") +
                                percentText(luck.formula.chance.chanceAccuracy)),
                 qPrintable(shown.join(QLatin1Char('\n'))));
        QVERIFY(shown.contains(QStringLiteral("偶然达到的概率 ") +
                               pValueText(luck.formula.chance.pValue)));
        QVERIFY(shown.contains(QStringLiteral("搜索偶然达到的概率 ") +
                               QString::number(luck.bestOfSearchP, 'f', 2)));
        QVERIFY(stats.chart()->honestFigures()->luck.luck.formulasAt == luck.luck.formulasAt);
    }

    class ForwardingClient final : public HttpClient {
    public:
        explicit ForwardingClient(test::FakeHttpClient& inner) : m_inner(inner) {}
        FetchResult fetchLines(const std::string& url, std::int32_t maxLines) override {
            return m_inner.fetchLines(url, maxLines);
        }

    private:
        test::FakeHttpClient& m_inner;
    };

    QTemporaryDir m_dir;
    std::unique_ptr<test::FakeHttpClient> m_fake;
    std::unique_ptr<MainWindow> m_window;

private slots:
    void cleanup() { m_window.reset(); }
    void bothWindowsFollowARefreshAndALotterySwitch();
    void keysOpenOneWindowEachEscapeClosesItAndThePictureSaves();
    void onlyTheLastRequestsAnswersAreShown();
};

void ChartWindowsTest::bothWindowsFollowARefreshAndALotterySwitch() {
    startWindow();
    QVERIFY(!QTest::currentTestFailed());
    pressOnMainWindow(Qt::Key_T);
    pressOnMainWindow(Qt::Key_R);
    MainWindow& window = *m_window;
    DrawTrendWindow* trend = window.drawTrendWindow();
    PlanStatsWindow* stats = window.planStatsWindow();
    QVERIFY(trend != nullptr && trend->isVisible());
    QVERIFY(stats != nullptr && stats->isVisible());
    QSignalSpy asked(stats, &PlanStatsWindow::accuraciesWanted);

    QCOMPARE(trend->chart()->trend().rows.size(), std::size_t{30});
    QCOMPARE(trend->chart()->trend().rows.front().period, std::string("20150101051"));
    QCOMPARE(trend->chart()->trend().rows.back().period, std::string("20150101080"));
    expectStatsFollowTheReport(*stats);
    QVERIFY(!QTest::currentTestFailed());
    expectFiguresOfTheDraws(*stats, test::feedLines(30, 80));
    QVERIFY(!QTest::currentTestFailed());

    // A refresh brings period 81: the draw list's thirty draws move on by one, new plans, the
    // formulas backtested again.
    const QString before = report()->toPlainText();
    window.onRefreshTimer();
    QTRY_COMPARE_WITH_TIMEOUT(trend->chart()->trend().rows.back().period,
                              std::string("20150101081"), 30000);
    QCOMPARE(trend->chart()->trend().rows.front().period, std::string("20150101052"));
    QTRY_VERIFY_WITH_TIMEOUT(report()->toPlainText() != before, 30000);
    QTRY_VERIFY_WITH_TIMEOUT(asked.count() >= 1, 30000);
    expectStatsFollowTheReport(*stats);

    // Another play type: its plans.
    QTest::mouseClick(window.option(playTypeOption(PlayType::BaiWei)), Qt::LeftButton);
    QVERIFY(stats->chart()->strip().cells.front().header.starts_with("百位"));
    expectStatsFollowTheReport(*stats);

    // Another lottery: its draws and its plans.
    const LotterySource& second = lotteryByNumber(2);
    m_fake->answer(feedUrlOf(second, kHosts), test::feedLines(30, 40));
    window.selectLottery(2);
    QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 60000);
    QCOMPARE(trend->chart()->trend().rows.back().period, std::string("20150101040"));
    QVERIFY(trend->windowTitle().contains(QString::fromUtf8(second.label.data())));
    QVERIFY(stats->windowTitle().contains(QString::fromUtf8(second.label.data())));
    expectStatsFollowTheReport(*stats);
}

void ChartWindowsTest::keysOpenOneWindowEachEscapeClosesItAndThePictureSaves() {
    startWindow();
    QVERIFY(!QTest::currentTestFailed());
    pressOnMainWindow(Qt::Key_T);
    MainWindow& window = *m_window;
    DrawTrendWindow* trend = window.drawTrendWindow();
    QVERIFY(trend != nullptr);
    QVERIFY(QTest::qWaitForWindowExposed(trend));
    QCOMPARE(trend->chart()->accessibleName(), QStringLiteral("走势图"));
    QCOMPARE(trend->focusWidget(), trend->scrollArea());
    QTest::keyClick(trend->scrollArea(), Qt::Key_Escape);
    QVERIFY(!trend->isVisible());
    pressOnMainWindow(Qt::Key_T);
    QCOMPARE(window.drawTrendWindow(), trend);
    QVERIFY(trend->isVisible());

    pressOnMainWindow(Qt::Key_R);
    PlanStatsWindow* stats = window.planStatsWindow();
    QVERIFY(stats != nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(stats->accuraciesCurrent(), 30000);
    // The context menu saves the whole picture, also what is scrolled out of view.
    for (ChartWindow* chartWindow : std::initializer_list<ChartWindow*>{trend, stats}) {
        QCOMPARE(chartWindow->actions().size(), 1);
        QCOMPARE(chartWindow->actions().front()->text(), QStringLiteral("保存图片(&S)..."));
        const QString path = m_dir.filePath(chartWindow->windowTitle() + QStringLiteral(".png"));
        QVERIFY(chartWindow->savePicture(path));
        const QImage saved(path);
        QCOMPARE(saved.size(), chartWindow->scrollArea()->widget()->size());
        QVERIFY(saved.size().width() <= 1280);
    }
    QVERIFY(!trend->savePicture(m_dir.filePath(QStringLiteral("no/such/folder/a.png"))));
}

void ChartWindowsTest::onlyTheLastRequestsAnswersAreShown() {
    // The figures of a history longer than a search's window, where following the method
    // plays plans out of sample.
    std::vector<std::string> lines = test::feedLines(60, 90);
    std::reverse(lines.begin(), lines.end());
    auto engine = std::make_unique<Engine>();
    test::storeOldestFirst(*engine, lines);
    test::RecordingView view;
    test::FakeHttpClient client;
    const AppSettings settings;
    CommandContext context{*engine, view, client, settings,
                           [](std::chrono::milliseconds) { return true; }};
    const PlanShape shape{3, 6};
    runHonestFigures(context, 1, PlayType::Hou1, shape, 23);
    QVERIFY(view.honestFigures.has_value());
    const HonestFigures& figures = *view.honestFigures;
    const OutOfSampleRecord& record = figures.followed.outOfSample;
    QVERIFY(record.wins + record.losses > 0);

    PlanStatsWindow stats;
    stats.show();
    QSignalSpy asked(&stats, &PlanStatsWindow::accuraciesWanted);
    stats.showPlans(QStringLiteral("重庆时时彩"), PlayType::Hou1, 23, shape, PlanRecordSet{});
    stats.showPlans(QStringLiteral("重庆时时彩"), PlayType::Hou1, 23, shape, PlanRecordSet{});
    QCOMPARE(asked.count(), 2);
    const auto first = asked.at(0).at(0).value<std::uint64_t>();
    const auto last = asked.at(1).at(0).value<std::uint64_t>();
    FormulaAccuracies accuracies;
    accuracies.first = 1;
    accuracies.accuracy.assign(499, 50.0f);
    stats.showAccuracies(first, accuracies);
    stats.showHonestFigures(first, figures);
    QVERIFY(stats.chart()->computing());
    QVERIFY(stats.chart()->figuresComputing());
    QVERIFY(!stats.chart()->honestFigures());
    QVERIFY(stats.chart()->figureText().contains(QStringLiteral("正在计算随机基准……")));

    stats.showAccuracies(last, accuracies);
    stats.showHonestFigures(last, figures);
    QVERIFY(stats.figuresCurrent());
    const QStringList shown = stats.chart()->figureText();
    const QString followed =
        QStringLiteral("逐期跟随（样本外）：中 %1 挂 %2，准确率 %3（95% 区间 "
                       "%4–%5），最长连挂 %6")
            .arg(record.wins)
            .arg(record.losses)
            .arg(percentText(record.accuracy), percentText(record.low), percentText(record.high))
            .arg(record.longestLosingRun);
    QVERIFY2(shown.contains(followed), qPrintable(shown.join(QLatin1Char('\n'))));
    QVERIFY(shown.contains(QStringLiteral("同样这些计划：样本内平均准确率 %1，随机基准 %2")
                               .arg(percentText(figures.followed.inSampleAccuracy),
                                    percentText(figures.followed.chanceAccuracy))));
    QVERIFY(stats.chart()->accessibleDescription().contains(followed));
}

} // namespace kestrum

QTEST_MAIN(kestrum::ChartWindowsTest)
#include "ChartWindowsTest.moc"
