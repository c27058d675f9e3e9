#include "ui/MainWindow.h"

#include "commands/EngineThread.h"
#include "draws/LotteryTable.h"
#include "draws/Text.h"
#include "report/PlanReport.h"
#include "ui/AboutDialog.h"
#include "ui/AppIcon.h"
#include "ui/DialogUnits.h"
#include "ui/FormulaListDialog.h"
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
#include <exception>
#include <iterator>
#include <vector>

namespace kestrum {

namespace {

enum class Kind { Option, GroupStart, Edit, Button, Label, DrawList, Report, WebPanel };

// Whether controls of a kind take the focus with Tab (options take it only with a click).
bool takesTabFocus(Kind kind) {
    return kind == Kind::Edit || kind == Kind::Button || kind == Kind::DrawList ||
           kind == Kind::Report || kind == Kind::WebPanel;
}

struct ControlRow {
    int id; // 0 for a label without id
    Kind kind;
    const char* text;
    int x, y, width, height;
};

// The controls in creation order, which is also the Tab order. Positions in dialog units.
// clang-format off
const ControlRow kControls[] = {
    {1002, Kind::GroupStart, "后一", 19, 184, 35, 14},
    {1003, Kind::Option, "后二", 67, 184, 35, 15},
    {1004, Kind::Option, "后三", 118, 183, 35, 18},
    {1005, Kind::Option, "后三不定位", 167, 186, 52, 13},
    {1006, Kind::Option, "五星不定位", 234, 183, 56, 18},
    {1007, Kind::Edit, "码数", 525, 110, 55, 17},
    {1008, Kind::Edit, "期数", 525, 133, 56, 17},
    {1009, Kind::Button, "搜索公式", 587, 110, 59, 40},
    {0, Kind::Label, "期数：", 492, 136, 25, 12},
    {0, Kind::Label, "码数：", 492, 115, 28, 12},
    {1010, Kind::DrawList, "开奖号码", 7, 212, 108, 244},
    {1011, Kind::Report, "计划", 133, 211, 347, 245},
    {1012, Kind::WebPanel, "", 7, 7, 650, 93},
    {1016, Kind::WebPanel, "", 490, 212, 160, 244},
    {0, Kind::Label, "当前公式：", 477, 161, 42, 10},
    {1017, Kind::Edit, "当前公式", 524, 158, 56, 17},
    {1018, Kind::Option, "十位", 304, 184, 34, 15},
    {1019, Kind::Option, "百位", 353, 184, 33, 15},
    {1020, Kind::Option, "千位", 402, 184, 34, 15},
    {1021, Kind::Option, "万位", 443, 186, 36, 13},
    {1022, Kind::Option, "前三", 485, 184, 33, 15},
    {1000, Kind::Button, "使用已有公式", 588, 156, 59, 21},
    {1023, Kind::GroupStart, "重庆时时彩", 16, 110, 57, 15},
    {1024, Kind::Option, "江西时时彩", 88, 110, 57, 15},
    {1025, Kind::Option, "新疆时时彩", 163, 110, 61, 15},
    {1026, Kind::Option, "天津时时彩", 240, 109, 54, 18},
    {1027, Kind::Option, "迪拜分分彩", 310, 140, 55, 16},
    {1028, Kind::Option, "迪拜五分彩", 310, 108, 56, 20},
    {1032, Kind::Option, "印尼分分彩", 17, 139, 58, 16},
    {1033, Kind::Option, "河内分分彩", 88, 139, 58, 16},
    {1034, Kind::Option, "泰国分分彩", 162, 139, 54, 17},
    {1035, Kind::Option, "西贡分分彩", 238, 142, 52, 13},
    {0, Kind::Label, nullptr, 13, 161, 457, 12}, // the separator
};
// clang-format on

// The play-type options in the order the window examines them, with their play types.
const std::pair<int, PlayType> kPlayTypeOptions[] = {
    {1002, PlayType::Hou1},        {1003, PlayType::Hou2},      {1004, PlayType::SanXing},
    {1005, PlayType::Hou3Any},     {1006, PlayType::WuXingAny}, {1018, PlayType::ShiWei},
    {1019, PlayType::BaiWei},      {1020, PlayType::QianWei},   {1021, PlayType::WanWei},
    {1022, PlayType::QianSanXing},
};

QString fromUtf8(const std::string& text) {
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
    m_timer->start(lotteryByNumber(1).refreshPeriodMs);

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
    QButtonGroup* group = nullptr;
    for (const ControlRow& row : kControls) {
        const QString text =
            row.text != nullptr ? QString::fromUtf8(row.text) : QString(57, QChar(0xFF1D)); // ＝
        QWidget* widget = nullptr;
        switch (row.kind) {
        case Kind::GroupStart:
            group = row.id == 1002 ? m_playTypes : m_lotteries;
            [[fallthrough]];
        case Kind::Option: {
            auto* option = new QRadioButton(text, this);
            option->setFocusPolicy(Qt::ClickFocus);
            group->addButton(option, row.id);
            widget = option;
            break;
        }
        case Kind::Edit: {
            auto* edit = new QLineEdit(this);
            edit->setAccessibleName(text);
            widget = edit;
            break;
        }
        case Kind::Button: {
            auto* button = new QPushButton(text, this);
            // No default button: Return in a box neither searches nor closes the window.
            button->setAutoDefault(false);
            button->setDefault(false);
            widget = button;
            break;
        }
        case Kind::Label:
            widget = new QLabel(text, this);
            break;
        case Kind::DrawList:
        case Kind::Report: {
            auto* pane = new QPlainTextEdit(this);
            pane->setReadOnly(true);
            pane->setTabChangesFocus(true);
            pane->setFocusPolicy(Qt::StrongFocus);
            pane->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
            pane->setLineWrapMode(row.kind == Kind::Report ? QPlainTextEdit::WidgetWidth
                                                           : QPlainTextEdit::NoWrap);
            pane->setAccessibleName(text);
            widget = pane;
            break;
        }
        case Kind::WebPanel:
            widget = new WebPanel(m_setup.webPanels, this);
            break;
        }
        if (row.kind != Kind::Edit && row.kind != Kind::DrawList && row.kind != Kind::Report &&
            row.kind != Kind::WebPanel) {
            widget->setAccessibleName(text);
        }
        widget->setGeometry(units.toPixels(row.x, row.y, row.width, row.height));
        if (row.id != 0) {
            widget->setObjectName(QStringLiteral("control%1").arg(row.id));
            widget->setProperty("controlId", row.id);
            m_controls.insert(row.id, widget);
        }
    }
    m_codeCountBox = static_cast<QLineEdit*>(m_controls.value(1007));
    m_planPeriodsBox = static_cast<QLineEdit*>(m_controls.value(1008));
    m_formulaBox = static_cast<QLineEdit*>(m_controls.value(1017));
    m_drawList = static_cast<QPlainTextEdit*>(m_controls.value(1010));
    m_report = static_cast<QPlainTextEdit*>(m_controls.value(1011));
    m_topPanel = static_cast<WebPanel*>(m_controls.value(1012));
    m_rightPanel = static_cast<WebPanel*>(m_controls.value(1016));
    m_topPanel->setAccessibleName(QStringLiteral("网页"));
    m_rightPanel->setAccessibleName(QStringLiteral("网页"));

    for (const auto& [id, type] : kPlayTypeOptions) {
        connect(static_cast<QRadioButton*>(m_controls.value(id)), &QRadioButton::clicked, this,
                [this, type = type] { selectPlayType(type); });
    }
    for (const LotterySource& lottery : lotteryTable()) {
        connect(static_cast<QRadioButton*>(m_controls.value(lottery.button)),
                &QRadioButton::clicked, this,
                [this, number = lottery.number] { selectLottery(number); });
    }
    connect(static_cast<QPushButton*>(m_controls.value(1009)), &QPushButton::clicked, this,
            &MainWindow::onSearchFormulas);
    connect(static_cast<QPushButton*>(m_controls.value(1000)), &QPushButton::clicked, this,
            &MainWindow::useCurrentFormula);
}

QWidget* MainWindow::control(int id) const {
    return m_controls.value(id, nullptr);
}

std::optional<PlayType> MainWindow::checkedPlayType() const {
    for (const auto& [id, type] : kPlayTypeOptions) {
        if (static_cast<QRadioButton*>(m_controls.value(id))->isChecked()) {
            return type;
        }
    }
    return std::nullopt;
}

bool MainWindow::focusNextPrevChild(bool next) {
    const int count = static_cast<int>(std::size(kControls));
    // The control that has the focus, found from the focused widget up (a web panel's focus is
    // on a widget of its page).
    int from = next ? -1 : count;
    for (QWidget* widget = focusWidget(); widget != nullptr && widget != this;
         widget = widget->parentWidget()) {
        const int id = widget->property("controlId").toInt();
        const auto row = std::find_if(std::begin(kControls), std::end(kControls),
                                      [id](const ControlRow& r) { return r.id == id; });
        if (id != 0 && row != std::end(kControls)) {
            from = static_cast<int>(row - std::begin(kControls));
            break;
        }
    }
    for (int step = 1; step <= count; ++step) {
        const int index = ((from + (next ? step : -step)) % count + count) % count;
        const ControlRow& row = kControls[index];
        QWidget* widget = m_controls.value(row.id);
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
    std::vector<QWidget*> starters{m_controls.value(1009), m_controls.value(1000)};
    for (const LotterySource& lottery : lotteryTable()) {
        starters.push_back(m_controls.value(lottery.button));
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
        m_timer->start(lottery.refreshPeriodMs);
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
        return;
    }
    submit("刷新开奖", [this](CommandContext& context) { runRefresh(context, m_refreshBusy); });
}

void MainWindow::applyDrawList(const std::optional<std::string>& text) {
    if (text) {
        m_drawList->setPlainText(paneText(*text));
    }
    scrollToEnd(m_drawList);
}

void MainWindow::applyStatus(const std::string& text) {
    m_report->setPlainText(paneText(text));
    scrollToEnd(m_report);
}

void MainWindow::applyCheckedOptions(PlayType type, std::int32_t lottery) {
    for (const auto& [id, optionType] : kPlayTypeOptions) {
        static_cast<QRadioButton*>(m_controls.value(id))->setChecked(optionType == type);
    }
    const int lotteryButton = lotteryByNumber(lottery).button;
    static_cast<QRadioButton*>(m_controls.value(lotteryButton))->setChecked(true);
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

void MainWindow::selectPlayType(PlayType type) {
    for (const auto& [id, optionType] : kPlayTypeOptions) {
        static_cast<QRadioButton*>(m_controls.value(id))->setChecked(optionType == type);
    }
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
}

void MainWindow::showAbout() {
    // Window-modal, and gone once closed; the window's loop runs on meanwhile.
    auto* about = new AboutDialog(this);
    about->setAttribute(Qt::WA_DeleteOnClose);
    about->open();
}

} // namespace kestrum
