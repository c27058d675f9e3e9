#pragma once

// The main window: the lottery and play-type options, the 码数, 期数 and 当前公式 boxes with
// their buttons, the draw list, the plan report and the two web panels. It owns the engine
// thread and shows what the commands running there tell it.
//
// Its definitions go by concern: MainWindow.cpp (building the window, the panes, the report),
// MainWindowControls.cpp (the controls and the tab order), MainWindowCommands.cpp (submitting
// commands, the busy state, the search and the lottery switch), MainWindowRefresh.cpp (timer 1
// and the refresh scheduler) and MainWindowCharts.cpp (the 走势图 and 计划统计 windows).

#include "commands/Commands.h"
#include "commands/View.h"
#include "draws/RefreshScheduler.h"
#include "engine/FormulaAccuracy.h"
#include "platform/HttpClient.h"
#include "ui/ControlTable.h"

#include <QDialog>
#include <QHash>
#include <QPointer>
#include <QUrl>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QButtonGroup;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;

namespace kestrum {

class WebPanel;
class EngineThread;
class DrawTrendWindow;
class PlanStatsWindow;

// What the window needs from around it: the addresses, and how to make the HTTP client (tests
// put their own in).
struct MainWindowSetup {
    AppSettings settings;
    std::string siteUrl;
    // Makes the client the engine thread uses; given the flag that cancels transfers.
    std::function<std::unique_ptr<HttpClient>(const std::atomic<bool>& cancelled)> makeClient;
    DownloadPacing pacing{};
    // Hands a web address to the desktop's opener.
    std::function<void(const QUrl&)> openUrl;
    // Opens a local folder in the desktop's file manager.
    std::function<void(const QUrl&)> openFolder;
    // Whether the web panels show their pages (a browser engine each) or only keep the address.
    bool webPanels = false;
    // Refresh when a draw is due (the refresh planner) instead of at the lottery's period.
    bool followDraws = false;
    // The time the refreshes are scheduled by; read on both threads.
    RefreshClock clock = steadyNow;
};

class MainWindow : public QDialog {
    Q_OBJECT

public:
    explicit MainWindow(MainWindowSetup setup, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The control with this id, or nullptr; the typed ones also nullptr for a control of
    // another kind.
    QWidget* control(ControlId id) const;
    QRadioButton* option(ControlId id) const;
    QLineEdit* box(ControlId id) const;
    QPushButton* button(ControlId id) const;
    QPlainTextEdit* pane(ControlId id) const;
    WebPanel* panel(ControlId id) const;

    // The control that holds `widget` (a web panel's focus is on a widget of its page), or
    // None when it is no control's or not in this window.
    ControlId controlOf(const QWidget* widget) const;

    // The checked play type, if any.
    std::optional<PlayType> checkedPlayType() const;

    // "搜索公式": the typed 码数 and 期数, the search, the formula list, the new plans.
    void onSearchFormulas();
    // "使用已有公式": the typed formula becomes current, the plans are recomputed.
    void useCurrentFormula();
    // A lottery option: its draws, formulas and plans, its refresh pace and panel page.
    void selectLottery(std::int32_t number);

    // Counts the lotteries chosen since the window opened; a command keeps the count of its
    // submission.
    std::uint64_t lotteryEpoch() const { return m_lotteryEpoch; }

    // The window's result (QDialog::finished) when it closed on a failure; the program then
    // ends with status 1. Closed by the user, its result is QDialog::Rejected.
    static constexpr int kFailedResult = 2;

    // Whether a command the user started is still running (its controls are disabled).
    bool busy() const { return m_busyCommands > 0; }

    // The formula list of the search under way, while it is open.
    class FormulaListDialog* formulaList() const {
        return m_formulaList;
    }

    // Shows a play type: checks its option, writes its 码数 and 期数 and its report.
    void selectPlayType(PlayType type);

    // Timer 1: starts a refresh unless one is still running. It repeats at the lottery's
    // period; when following the draws it is a single shot, set after each refresh to the
    // moment the refresh scheduler names.
    void onRefreshTimer();

    // When timer 1 is next due, as the refresh scheduler names it; nothing while it is stopped
    // (a newly chosen lottery is being loaded).
    std::optional<RefreshScheduler::Moment> nextRefresh() const;

    // Opens the about box.
    void showAbout();

    // The data folder as an absolute path.
    QString dataFolderText() const;

    // Opens the 走势图 and 计划统计 windows (Ctrl+T, Ctrl+R), or raises them. Each exists once,
    // from its first opening on, and follows the draws and plans the window receives.
    void showDrawTrend();
    void showPlanStats();
    DrawTrendWindow* drawTrendWindow() const { return m_drawTrend; }
    PlanStatsWindow* planStatsWindow() const { return m_planStats; }

protected:
    // Tab and Shift+Tab follow the order of the controls, not Qt's focus chain, which the web
    // panels' page widgets join at its end whenever their pages load.
    bool focusNextPrevChild(bool next) override;

private:
    // The window's View carries out what the commands tell the window, on the window's thread.
    friend class QtView;
    void applyDrawList(const std::optional<std::string>& text);
    void applyStatus(const std::string& text);
    void applyCheckedOptions(PlayType type, std::int32_t lottery);
    // The plans of a dispatch. `current` is false for the commands submitted before the user
    // last chose a lottery: what they show of the previous lottery is dropped.
    void applyPlans(PlanSnapshot snapshot, bool current);
    void applyCandidates(PlayType type, const CandidateRows& candidates);
    void applyCommandDone();
    void applyOpenUrl(const std::string& url);
    // The report pane says that a command failed (the debug log says why).
    void applyCommandFailed(const std::string& job);
    // Says once that the export files cannot be written, until they are written again.
    void applyExportsWritten(bool ok);
    // Tells the user `reason`, then closes with kFailedResult.
    void applyClose(const std::string& reason);
    // The accuracies the 计划统计 window asked for under `ticket`.
    void applyAccuracies(std::uint64_t ticket, const FormulaAccuracies& accuracies);
    // The figures beside chance that the 计划统计 window asked for under `ticket`.
    void applyHonestFigures(std::uint64_t ticket, const HonestFigures& figures);
    // What a timed refresh of the lottery on show found: the scheduler learns from it and,
    // following the draws, names the next moment (unless a lottery is being loaded, whose
    // switch starts the timer when it is done).
    void applyRefreshDone(const RefreshRun& run);

    void createControls();
    QWidget* createControl(const ControlRow& row);
    void checkPlayTypeOption(PlayType type);
    void writePlanReport();
    // Queues a command for the engine thread under a name for the log and the report pane.
    void submit(std::string name, std::function<void(CommandContext&)> command);
    // Submits a command that the user started: the controls that start another wait for it.
    void submitUserCommand(std::string name, std::function<void(CommandContext&)> command);
    // Enables or disables the controls that start a command ("搜索公式", "使用已有公式" and the
    // lottery options), keeping the keyboard focus out of the web panels.
    void setStartersEnabled(bool enabled);
    void navigateTopPanel(std::string_view page);
    // Starts timer 1 for `lottery` with a new scheduler: repeating at its period, or when
    // following the draws a single shot at the first moment the scheduler names.
    void startRefreshTimer(const LotterySource& lottery);
    // Sets the single shot of timer 1 to the scheduler's next moment.
    void scheduleRefresh();
    // Shows the draw list in the 走势图 window, once it exists.
    void updateDrawTrend();
    // Shows the plans of the report in the 计划统计 window, once it exists.
    void updatePlanStats();
    // Has the engine thread backtest every formula of `type` for the 计划统计 window, then set
    // `formula` beside chance; the figures asked for before are no longer wanted.
    void computeAccuracies(std::uint64_t ticket, PlayType type, PlanShape shape,
                           std::int32_t formula);

    MainWindowSetup m_setup;
    std::unique_ptr<EngineThread> m_engineThread;
    std::unique_ptr<HttpClient> m_client;
    std::unique_ptr<class QtView> m_view;

    QHash<int, QWidget*> m_controls;
    QButtonGroup* m_playTypes = nullptr;
    QButtonGroup* m_lotteries = nullptr;
    QLineEdit* m_codeCountBox = nullptr;
    QLineEdit* m_planPeriodsBox = nullptr;
    QLineEdit* m_formulaBox = nullptr;
    QPlainTextEdit* m_drawList = nullptr;
    QPlainTextEdit* m_report = nullptr;
    WebPanel* m_topPanel = nullptr;
    WebPanel* m_rightPanel = nullptr;
    QTimer* m_timer = nullptr;
    // When the refreshes of the lottery on show are due.
    std::optional<RefreshScheduler> m_scheduler;

    std::atomic<bool> m_refreshBusy{false};
    // The plans of the last dispatch of the lottery on show, which every report is built from;
    // none until its first dispatch.
    std::optional<PlanSnapshot> m_plans;
    PlanParamsTable m_planParams = defaultPlanParams();
    // The current formulas of every lottery, as the last dispatch left them.
    FormulaTable m_formulaTable{};
    bool m_formulasKnown = false;
    // The lottery on show (1 to 10), and the count of lotteries chosen.
    std::int32_t m_lottery = 1;
    std::uint64_t m_lotteryEpoch = 0;
    // The last writing of the export files failed, and the user was told.
    bool m_exportsFailing = false;
    int m_busyCommands = 0;
    // The disabled control that had the focus, which gets it back when it is enabled again.
    QPointer<QWidget> m_parkedFocus;
    // The lottery being loaded, until its command is done.
    std::optional<std::int32_t> m_pendingLottery;
    class FormulaListDialog* m_formulaList = nullptr;
    // The chart windows, once opened; hidden, not deleted, when closed.
    DrawTrendWindow* m_drawTrend = nullptr;
    PlanStatsWindow* m_planStats = nullptr;
    // Set when the figures beside chance that the engine thread computes last are no longer
    // wanted, which ends their seconds of work early.
    std::shared_ptr<std::atomic<bool>> m_figuresUnwanted;
};

} // namespace kestrum
