#include "ui/MainWindow.h"

#include "base/Text.h"
#include "commands/EngineThread.h"
#include "draws/DrawSourceClient.h"
#include "draws/LotterySources.h"
#include "draws/LotteryTable.h"
#include "platform/DebugLog.h"
#include "report/PlanReport.h"
#include "ui/AboutDialog.h"
#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"
#include "ui/QtView.h"
#include "ui/WebPanel.h"
#include "ui/WindowText.h"

#include <QAction>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <filesystem>

namespace kestrum {

namespace {

QFont dialogFont() {
    // A Song (Ming) face at 9 points; any CJK face when none is installed.
    QFont font;
    font.setFamilies({QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                      QStringLiteral("SimSun"), QStringLiteral("Noto Sans CJK SC"),
                      QStringLiteral("WenQuanYi Micro Hei")});
    font.setPointSize(9);
    return font;
}

} // namespace

MainWindow::MainWindow(MainWindowSetup setup, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_setup(std::move(setup)),
      m_engineThread(std::make_unique<EngineThread>(
          [this](const std::string& job, const std::string&) { m_view->commandFailed(job); })) {
    setWindowTitle(QStringLiteral("Varnel时时彩软件Ｖ") + versionText());
    setFont(dialogFont());
    createControls();
    setFixedSize(DialogUnits(font()).toPixels(QSize(663, 463)));
    // Centred on the screen, its frame's top never above the screen's: moving a window places
    // its frame, while a dialog's own centring guesses the frame and can push the caption off
    // a short screen.
    const QRect screenArea = screen()->availableGeometry();
    move(screenArea.x() + std::max(0, (screenArea.width() - width()) / 2),
         screenArea.y() + std::max(0, (screenArea.height() - height()) / 2));

    // The about item: on the window's context menu and on Alt+A.
    auto* about = new QAction(QStringLiteral("关于 Kestrum(&A)..."), this);
    about->setShortcut(QKeySequence(Qt::ALT | Qt::Key_A));
    connect(about, &QAction::triggered, this, &MainWindow::showAbout);
    addAction(about);
    // The draws and the plans as pictures.
    auto* trend = new QAction(QStringLiteral("走势图(&T)..."), this);
    trend->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    connect(trend, &QAction::triggered, this, &MainWindow::showDrawTrend);
    addAction(trend);
    auto* stats = new QAction(QStringLiteral("计划统计(&R)..."), this);
    stats->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(stats, &QAction::triggered, this, &MainWindow::showPlanStats);
    addAction(stats);
    // The folder of data1.txt and the export files, in the file manager.
    auto* folder = new QAction(QStringLiteral("打开数据文件夹(&D)"), this);
    connect(folder, &QAction::triggered, this, [this] {
        if (m_setup.openFolder) {
            m_setup.openFolder(QUrl::fromLocalFile(dataFolderText()));
        }
    });
    addAction(folder);
    setContextMenuPolicy(Qt::ActionsContextMenu);

    setWindowIcon(appIcon());

    // A lottery with a source of its own in the settings is read from it; what its reader warns
    // of goes to the debug log, a body that is not draws too (the window says no more than that
    // the draws cannot be downloaded).
    m_client = std::make_unique<DrawSourceClient>(
        m_setup.makeClient(m_engineThread->stopping()),
        drawSourcesOf(m_setup.settings.sources, m_setup.settings.feedHosts),
        [](const std::string& warning, bool) { debugLog("kestrum: warning: " + warning + "\n"); });
    m_view = std::make_unique<QtView>(this);
    m_report->setPlainText(paneText(kStartupText));
    submit("启动", [](CommandContext& context) { runStartup(context); });

    const QString web = fromUtf8(m_setup.settings.webHost);
    m_topPanel->navigate(QUrl(web + QStringLiteral("/add/vnadd1.html")));
    m_rightPanel->navigate(QUrl(web + QStringLiteral("/add/vnadd3.html")));

    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &MainWindow::onRefreshTimer);
    startRefreshTimer(lotteryByNumber(1));

    m_codeCountBox->setText(QStringLiteral("6"));
    m_planPeriodsBox->setText(QStringLiteral("3"));
    m_codeCountBox->setFocus();
}

MainWindow::~MainWindow() {
    // No command may run on after the window, its view and its client are gone; the figures
    // beside chance, which take seconds, end early.
    if (m_figuresUnwanted) {
        m_figuresUnwanted->store(true);
    }
    m_engineThread->stop();
}

void MainWindow::applyOpenUrl(const std::string& url) {
    if (m_setup.openUrl) {
        m_setup.openUrl(QUrl(fromUtf8(url)));
    }
}

void MainWindow::navigateTopPanel(std::string_view page) {
    m_topPanel->navigate(QUrl(fromUtf8(m_setup.settings.webHost + std::string(page))));
}

void MainWindow::applyDrawList(const std::optional<std::string>& text) {
    if (text) {
        m_drawList->setPlainText(paneText(*text));
        updateDrawTrend();
    }
    scrollToEnd(m_drawList);
}

void MainWindow::applyStatus(const std::string& text) {
    m_report->setPlainText(paneText(text));
    scrollToEnd(m_report);
}

void MainWindow::applyCheckedOptions(PlayType type, std::int32_t lottery) {
    checkPlayTypeOption(type);
    option(lotteryOption(lottery))->setChecked(true);
}

void MainWindow::applyPlans(PlanSnapshot snapshot, bool current) {
    // The plan shapes and the formula table are the engine's latest whichever lottery the
    // dispatch was for; the plan lines only when it was for the lottery on show.
    m_planParams = snapshot.planParams;
    m_formulaTable = snapshot.formulaTable;
    m_formulasKnown = true;
    if (current) {
        m_plans = std::move(snapshot);
    }
    writePlanReport();
}

void MainWindow::applyCommandFailed(const std::string& job) {
    applyStatus(
        "\r\n\r\n" + job +
        "未能完成：运行出错（原因已写入调试日志）。\r\n软件仍在运行，开奖数据会继续自动刷新。");
}

void MainWindow::applyExportsWritten(bool ok) {
    if (ok || m_exportsFailing) {
        m_exportsFailing = !ok;
        return;
    }
    m_exportsFailing = true;
    applyStatus(
        "\r\n\r\n计划导出文件无法写入文件夹 " + dataFolderText().toStdString() +
        "（磁盘已满或没有写入权限？）。\r\n软件会在每次更新计划后重试；选择玩法可再次查看计划。");
}

void MainWindow::applyClose(const std::string& reason) {
    debugLog(reason + "\n");
    auto* box = new QMessageBox(QMessageBox::Critical, QString(), QString::fromStdString(reason),
                                QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QDialog::finished, this, [this] { done(kFailedResult); });
    box->open();
}

void MainWindow::selectPlayType(PlayType type) {
    checkPlayTypeOption(type);
    const PlanShape shape = m_planParams[slotOf(type)];
    m_codeCountBox->setText(QString::fromStdString(formatText("%03d", shape.codeCount)));
    m_planPeriodsBox->setText(QString::fromStdString(formatText("%03d", shape.planPeriods)));
    writePlanReport();
}

void MainWindow::writePlanReport() {
    const std::optional<PlayType> type = checkedPlayType();
    if (!m_plans) {
        // Until the lottery's first dispatch the pane keeps its status text (start-up, or the
        // lottery being loaded); the box shows the lottery's own formula once it is known.
        if (type && m_formulasKnown) {
            const auto row = static_cast<std::size_t>(m_lottery);
            m_formulaBox->setText(
                QString::fromStdString(currentFormulaText(m_formulaTable.at(row)[slotOf(*type)])));
        }
        updatePlanStats();
        return;
    }
    std::string text = reportFooter(m_setup.siteUrl);
    if (type) {
        text = planReportText(m_plans->planLines[slotOf(*type)], m_setup.siteUrl);
        m_formulaBox->setText(
            QString::fromStdString(currentFormulaText(m_plans->formulas[slotOf(*type)])));
    }
    m_report->setPlainText(paneText(text));
    scrollToEnd(m_report);
    updatePlanStats();
}

QString MainWindow::dataFolderText() const {
    std::error_code error;
    const std::filesystem::path folder =
        std::filesystem::absolute(m_setup.settings.dataDirectory, error).lexically_normal();
    return QString::fromStdString((error ? m_setup.settings.dataDirectory : folder).string());
}

void MainWindow::showAbout() {
    // Window-modal, and gone once closed; the window's loop runs on meanwhile.
    auto* about = new AboutDialog(dataFolderText(), this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

} // namespace kestrum
