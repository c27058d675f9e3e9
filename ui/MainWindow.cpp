#include "ui/MainWindow.h"

#include "base/Text.h"
#include "commands/EngineThread.h"
#include "draws/LotteryTable.h"
#include "platform/DebugLog.h"
#include "report/PlanReport.h"
#include "ui/AboutDialog.h"
#include "ui/AppIcon.h"
#include "ui/ControlTable.h"
#include "ui/DialogUnits.h"
#include "ui/DrawTrendWindow.h"
#include "ui/FormulaListDialog.h"
#include "ui/PlanStatsWindow.h"
#include "ui/QtView.h"
#include "ui/WebPanel.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <exception>
#include <filesystem>
#include <iterator>
#include <limits>
#include <span>
#include <vector>

namespace kestrum {

namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Pane texts join their lines with CR LF; the text box takes LF alone.
QString paneText(const std::string& text) {
    QString shown = fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.remove(QLatin1Char('\r'));
    return shown;
}

void scrollToEnd(QPlainTextEdit* pane) {
    pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
}

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

    m_client = m_setup.makeClient(m_engineThread->stopping());
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
    // No command may run on after the window, its view and its client are gone.
    m_engineThread->stop();
}

void MainWindow::createControls() {
    const DialogUnits units(font());
    m_playTypes = new QButtonGroup(this);
    m_lotteries = new QButtonGroup(this);
    for (const ControlRow& row : controlRows()) {
        QWidget* widget = createControl(row);
        widget->setGeometry(units.toPixels(row.x, row.y, row.width, row.height));
        if (row.id != ControlId::None) {
            const int id = static_cast<int>(row.id);
            widget->setObjectName(QStringLiteral("control%1").arg(id));
            widget->setProperty("controlId", id);
            m_controls.insert(id, widget);
        }
        if (row.kind == ControlKind::PlayTypeOption) {
            connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
                    [this, type = row.playType] { selectPlayType(type); });
        } else if (row.kind == ControlKind::LotteryOption) {
            connect(static_cast<QRadioButton*>(widget), &QRadioButton::clicked, this,
                    [this, number = row.lottery] { selectLottery(number); });
        }
    }
    m_codeCountBox = box(ControlId::CodeCount);
    m_planPeriodsBox = box(ControlId::PlanPeriods);
    m_formulaBox = box(ControlId::Formula);
    m_drawList = pane(ControlId::DrawList);
    m_report = pane(ControlId::Report);
    m_topPanel = panel(ControlId::TopPanel);
    m_rightPanel = panel(ControlId::RightPanel);
    // A link the user clicked in a panel that asks for a new window opens in the desktop's
    // browser.
    for (WebPanel* webPanel : {m_topPanel, m_rightPanel}) {
        connect(webPanel, &WebPanel::openRequested, this, [this](const QUrl& url) {
            if (m_setup.openUrl) {
                m_setup.openUrl(url);
            }
        });
    }
    connect(button(ControlId::Search), &QPushButton::clicked, this, &MainWindow::onSearchFormulas);
    connect(button(ControlId::UseFormula), &QPushButton::clicked, this,
            &MainWindow::useCurrentFormula);
}

QWidget* MainWindow::createControl(const ControlRow& row) {
    const QString text = fromUtf8(captionOf(row));
    QWidget* widget = nullptr;
    switch (row.kind) {
    case ControlKind::PlayTypeOption:
    case ControlKind::LotteryOption: {
        auto* option = new QRadioButton(text, this);
        option->setFocusPolicy(Qt::ClickFocus);
        QButtonGroup* group = row.kind == ControlKind::PlayTypeOption ? m_playTypes : m_lotteries;
        group->addButton(option, static_cast<int>(row.id));
        widget = option;
        break;
    }
    case ControlKind::Edit:
        widget = new QLineEdit(this);
        break;
    case ControlKind::Button: {
        auto* button = new QPushButton(text, this);
        // No default button: Return in a box neither searches nor closes the window.
        button->setAutoDefault(false);
        button->setDefault(false);
        widget = button;
        break;
    }
    case ControlKind::Label:
        widget = new QLabel(text, this);
        break;
    case ControlKind::Separator:
        widget = new QLabel(QString(57, QChar(0xFF1D)), this); // a row of "＝"
        break;
    case ControlKind::DrawList:
    case ControlKind::Report: {
        auto* pane = new QPlainTextEdit(this);
        pane->setReadOnly(true);
        pane->setTabChangesFocus(true);
        pane->setFocusPolicy(Qt::StrongFocus);
        pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        pane->setLineWrapMode(row.kind == ControlKind::Report ? QPlainTextEdit::WidgetWidth
                                                              : QPlainTextEdit::NoWrap);
        widget = pane;
        break;
    }
    case ControlKind::WebPanel:
        widget = new WebPanel(m_setup.webPanels, this);
        break;
    }
    widget->setAccessibleName(
        row.kind == ControlKind::Separator ? static_cast<QLabel*>(widget)->text() : text);
    return widget;
}

QWidget* MainWindow::control(ControlId id) const {
    return m_controls.value(static_cast<int>(id), nullptr);
}

QRadioButton* MainWindow::option(ControlId id) const {
    return qobject_cast<QRadioButton*>(control(id));
}

QLineEdit* MainWindow::box(ControlId id) const {
    return qobject_cast<QLineEdit*>(control(id));
}

QPushButton* MainWindow::button(ControlId id) const {
    return qobject_cast<QPushButton*>(control(id));
}

QPlainTextEdit* MainWindow::pane(ControlId id) const {
    return qobject_cast<QPlainTextEdit*>(control(id));
}

WebPanel* MainWindow::panel(ControlId id) const {
    return qobject_cast<WebPanel*>(control(id));
}

ControlId MainWindow::controlOf(const QWidget* widget) const {
    if (widget == nullptr || !isAncestorOf(widget)) {
        return ControlId::None;
    }
    for (; widget != this; widget = widget->parentWidget()) {
        if (const auto id = ControlId{widget->property("controlId").toInt()};
            id != ControlId::None) {
            return id;
        }
    }
    return ControlId::None;
}

std::optional<PlayType> MainWindow::checkedPlayType() const {
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::PlayTypeOption && option(row.id)->isChecked()) {
            return row.playType;
        }
    }
    return std::nullopt;
}

bool MainWindow::focusNextPrevChild(bool next) {
    const std::span<const ControlRow> rows = controlRows();
    const int count = static_cast<int>(rows.size());
    // The row of the control that has the focus; none: before the first or after the last.
    const ControlId focused = controlOf(focusWidget());
    const auto focusedRow = std::find_if(rows.begin(), rows.end(), [focused](const ControlRow& r) {
        return focused != ControlId::None && r.id == focused;
    });
    const int from = focusedRow != rows.end() ? static_cast<int>(focusedRow - rows.begin())
                     : next                   ? -1
                                              : count;
    for (int step = 1; step <= count; ++step) {
        const int index = ((from + (next ? step : -step)) % count + count) % count;
        const ControlRow& row = rows[static_cast<std::size_t>(index)];
        QWidget* widget = control(row.id);
        if (takesTabFocus(row.kind) && widget->isEnabled() && widget->isVisible()) {
            widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
            return true;
        }
    }
    return false;
}

void MainWindow::submit(std::string name, std::function<void(CommandContext&)> command) {
    const std::uint64_t epoch = m_lotteryEpoch;
    m_engineThread->submit(std::move(name),
                           [this, epoch, command = std::move(command)](Engine& engine) {
                               m_view->beginCommand(epoch);
                               CommandContext context{engine,
                                                      *m_view,
                                                      *m_client,
                                                      m_setup.settings,
                                                      [this](std::chrono::milliseconds pause) {
                                                          return m_engineThread->wait(pause);
                                                      },
                                                      m_setup.pacing};
                               command(context);
                           });
}

void MainWindow::submitUserCommand(std::string name, std::function<void(CommandContext&)> command) {
    if (m_busyCommands++ == 0) {
        setStartersEnabled(false);
        QApplication::setOverrideCursor(Qt::BusyCursor);
    }
    submit(std::move(name), [command = std::move(command)](CommandContext& context) {
        // A command that throws still ends: the controls it disabled come back.
        struct DoneOnThrow {
            View& view;
            int uncaught = std::uncaught_exceptions();
            ~DoneOnThrow() {
                if (std::uncaught_exceptions() > uncaught) {
                    view.commandDone();
                }
            }
        } doneOnThrow{context.view};
        command(context);
    });
}

void MainWindow::setStartersEnabled(bool enabled) {
    std::vector<QWidget*> starters{control(ControlId::Search), control(ControlId::UseFormula)};
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::LotteryOption) {
            starters.push_back(control(row.id));
        }
    }
    for (QWidget* starter : starters) {
        if (!enabled && starter == focusWidget()) {
            // Disabled, the focused control would pass the focus on down the tab order, as
            // far as a web panel, which keeps Escape and Tab to itself: the window holds the
            // focus meanwhile.
            m_parkedFocus = starter;
            setFocus(Qt::OtherFocusReason);
        }
        starter->setEnabled(enabled);
    }
    if (enabled) {
        if (m_parkedFocus != nullptr && focusWidget() == this) {
            m_parkedFocus->setFocus(Qt::OtherFocusReason);
        }
        m_parkedFocus.clear();
    }
}

void MainWindow::applyCommandDone() {
    if (m_busyCommands == 0 || --m_busyCommands > 0) {
        return;
    }
    setStartersEnabled(true);
    QApplication::restoreOverrideCursor();
    if (m_pendingLottery) {
        const LotterySource& lottery = lotteryByNumber(*m_pendingLottery);
        m_pendingLottery.reset();
        startRefreshTimer(lottery);
        if (!lottery.panelFirst) {
            navigateTopPanel(lottery.panelPage);
        }
    }
}

void MainWindow::applyOpenUrl(const std::string& url) {
    if (m_setup.openUrl) {
        m_setup.openUrl(QUrl(fromUtf8(url)));
    }
}

void MainWindow::navigateTopPanel(std::string_view page) {
    m_topPanel->navigate(QUrl(fromUtf8(m_setup.settings.webHost + std::string(page))));
}

void MainWindow::onSearchFormulas() {
    const std::optional<PlanShape> shape = parseSearchInput(m_codeCountBox->text().toStdString(),
                                                            m_planPeriodsBox->text().toStdString());
    const std::optional<PlayType> type = checkedPlayType();
    if (!shape) {
        QMessageBox::information(this, QString(), QString::fromUtf8(kBadSearchInputText));
    }
    if (!shape || !type) {
        // Nothing to search; the plans are recomputed all the same.
        submitUserCommand(
            "搜索公式", [](CommandContext& context) { runStoreFormula(context, std::nullopt, 0); });
        return;
    }
    submitUserCommand("搜索公式", [type = *type, shape = *shape](CommandContext& context) {
        runSearch(context, type, shape);
    });
}

void MainWindow::applyCandidates(PlayType type, const CandidateRows& candidates) {
    m_formulaList = new FormulaListDialog(candidates, this);
    m_formulaList->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_formulaList, &QDialog::finished, this, [this, type, candidates] {
        const std::int32_t chosen = m_formulaList->chosenFormula();
        m_formulaList = nullptr;
        // Closed without a choice: the best candidate.
        const std::int32_t formula = chosen >= 0 ? chosen : candidates.formula[0];
        m_formulaBox->setText(QString::fromStdString(formatText("%d", formula)));
        submitUserCommand("选定公式", [type, formula](CommandContext& context) {
            runStoreFormula(context, type, formula);
        });
    });
    m_formulaList->open();
}

void MainWindow::useCurrentFormula() {
    submitUserCommand("使用已有公式",
                      [type = checkedPlayType(), text = m_formulaBox->text().toStdString()](
                          CommandContext& context) { runUseFormula(context, type, text); });
}

void MainWindow::selectLottery(std::int32_t number) {
    const LotterySource& lottery = lotteryByNumber(number);
    if (number != 1) {
        m_timer->stop();
        if (lottery.panelFirst) {
            navigateTopPanel(lottery.panelPage);
        }
    }
    // From here on the window shows only the chosen lottery: what the commands submitted before
    // show of the previous one is dropped when it arrives, and its plans are gone.
    ++m_lotteryEpoch;
    m_lottery = number;
    m_plans.reset();
    m_formulasKnown = true;
    applyCheckedOptions(PlayType::Hou1, number);
    applyStatus(kPreparingText);
    writePlanReport();
    m_pendingLottery = number;
    submitUserCommand("切换彩种",
                      [number](CommandContext& context) { runSelectLottery(context, number); });
}

void MainWindow::onRefreshTimer() {
    if (m_refreshBusy.exchange(true)) {
        // Following the draws, the refresh that runs sets the next moment when it ends.
        return;
    }
    if (!m_planner) {
        submit("刷新开奖", [this](CommandContext& context) { runRefresh(context, m_refreshBusy); });
        return;
    }
    const std::uint64_t epoch = m_lotteryEpoch;
    submit("刷新开奖", [this, epoch](CommandContext& context) {
        const auto start = RefreshPlanner::Clock::now();
        // The window hears of every refresh, also one that throws, for it sets the next
        // moment then.
        const auto tell = [this, epoch, start, &context](std::optional<RefreshOutcome> outcome) {
            QMetaObject::invokeMethod(
                this,
                [this, epoch, start, end = RefreshPlanner::Clock::now(),
                 outcome = std::move(outcome), newest = context.engine.FeedLines[0]] {
                    applyRefreshDone(epoch, start, end, outcome, newest);
                },
                Qt::QueuedConnection);
        };
        try {
            tell(runRefresh(context, m_refreshBusy));
        } catch (...) {
            tell(std::nullopt);
            throw;
        }
    });
}

void MainWindow::startRefreshTimer(const LotterySource& lottery) {
    if (!m_setup.followDraws) {
        m_timer->start(lottery.refreshPeriodMs);
        return;
    }
    m_planner.emplace(lottery.drawsPerDay, std::chrono::milliseconds(lottery.refreshPeriodMs),
                      RefreshPlanner::Clock::now());
    m_timer->setSingleShot(true);
    scheduleRefresh();
}

void MainWindow::scheduleRefresh() {
    const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
        m_planner->nextPoll() - RefreshPlanner::Clock::now());
    m_timer->start(static_cast<int>(std::clamp<std::chrono::milliseconds::rep>(
        wait.count(), 0, std::numeric_limits<int>::max())));
}

void MainWindow::applyRefreshDone(std::uint64_t epoch, RefreshPlanner::Moment start,
                                  RefreshPlanner::Moment end,
                                  const std::optional<RefreshOutcome>& outcome,
                                  const std::string& newestLine) {
    if (epoch != m_lotteryEpoch || !m_planner) {
        // A lottery was chosen since: its switch starts the timer when it is done.
        return;
    }
    m_planner->refreshDone(start, end, outcome, newestLine);
    if (!m_pendingLottery) {
        scheduleRefresh();
    }
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

void MainWindow::checkPlayTypeOption(PlayType type) {
    // Each option explicitly, whatever the group does.
    for (const ControlRow& row : controlRows()) {
        if (row.kind == ControlKind::PlayTypeOption) {
            option(row.id)->setChecked(row.playType == type);
        }
    }
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

void MainWindow::showDrawTrend() {
    if (m_drawTrend == nullptr) {
        m_drawTrend = new DrawTrendWindow(this);
        updateDrawTrend();
    }
    m_drawTrend->present();
}

void MainWindow::showPlanStats() {
    if (m_planStats == nullptr) {
        m_planStats = new PlanStatsWindow(this);
        connect(m_planStats, &PlanStatsWindow::accuraciesWanted, this,
                &MainWindow::computeAccuracies);
        updatePlanStats();
    }
    m_planStats->present();
}

void MainWindow::updateDrawTrend() {
    if (m_drawTrend != nullptr) {
        m_drawTrend->showDrawList(fromUtf8(lotteryByNumber(m_lottery).label),
                                  m_drawList->toPlainText());
    }
}

void MainWindow::updatePlanStats() {
    // Also while it is hidden, so that it opens again with the plans of the report; it asks for
    // the formulas' accuracies only while it is open.
    if (m_planStats == nullptr) {
        return;
    }
    const std::optional<PlayType> type = checkedPlayType();
    if (!m_plans) {
        m_planStats->showNoPlans(QStringLiteral("还没有计划：开奖数据载入、公式选定后显示。"));
    } else if (!type) {
        m_planStats->showNoPlans(QStringLiteral("请在主窗口中选择玩法。"));
    } else {
        const std::size_t slot = slotOf(*type);
        m_planStats->showPlans(fromUtf8(lotteryByNumber(m_lottery).label), *type,
                               m_plans->formulas[slot], m_planParams[slot],
                               m_plans->planRecords[slot]);
    }
}

void MainWindow::computeAccuracies(std::uint64_t ticket, PlayType type, PlanShape shape,
                                   std::int32_t formula) {
    submit("公式准确率", [this, ticket, type, shape, formula](CommandContext& context) {
        // Reads the draws only; the answer goes back through the window, which outlives every
        // command.
        FormulaAccuracies accuracies = formulaAccuracies(context.engine, type, shape, formula);
        QMetaObject::invokeMethod(
            this,
            [this, ticket, accuracies = std::move(accuracies)] {
                if (m_planStats != nullptr) {
                    m_planStats->showAccuracies(ticket, accuracies);
                }
            },
            Qt::QueuedConnection);
    });
}

} // namespace kestrum
