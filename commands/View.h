#pragma once

// What the commands tell the window. The window implements it by queuing each call to its own
// thread; tests implement it with a recorder. Every call hands over values, never a reference
// into the engine.

#include "draws/RefreshScheduler.h"
#include "engine/DispatchTables.h"
#include "engine/EngineState.h"
#include "engine/FormulaAccuracy.h"
#include "engine/PlayType.h"
#include "stats/FormulaLuck.h"
#include "stats/WalkForward.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace kestrum {

// The formula in use set beside chance over the stored draws, and the method followed over them
// out of sample, for the 计划统计 window.
struct HonestFigures {
    // The stored draws both figures read.
    std::int32_t draws = 0;
    // The formula's finished plans beside chance, and the search on random histories as long as
    // the stored ones.
    FormulaLuck luck;
    // The method followed over the stored draws: at each step the search over the `window`
    // draws before it, its plan played on the draws after. No plan when `draws` is not more
    // than `window`.
    std::int32_t window = 0;
    PlayEvaluation followed;
};

// A copy of what the plan report needs, taken after a dispatch.
struct PlanSnapshot {
    PlanLinesTable planLines;
    // The records of the plans that planLines carries, per play type.
    PlanRecordsTable planRecords;
    // The current formula of every play type for the selected lottery.
    std::array<std::int32_t, kPlayTypeCount> formulas{};
    // The current formulas of every lottery.
    FormulaTable formulaTable{};
    PlanParamsTable planParams{};
};

class View {
public:
    virtual ~View() = default;

    // The draw list: its new text, or nothing when it is unchanged; scrolled to its end.
    virtual void showDrawList(std::optional<std::string> text) = 0;

    // A message in the report pane, in place of the report (start-up, progress, failures).
    virtual void showStatus(std::string text) = 0;

    // Checks the option of a play type and that of lottery number 1 to 10, and clears the
    // other options of both groups.
    virtual void checkOptions(PlayType type, std::int32_t lottery) = 0;

    // The plans after a dispatch: the report pane shows the checked play type's plans (only
    // the footer when none is checked) and the 当前公式 box its formula.
    virtual void showPlans(PlanSnapshot snapshot) = 0;

    // The candidates of a search of `type`, for the user to choose from.
    virtual void showCandidates(PlayType type, CandidateRows candidates) = 0;

    // Whether the export files were all written just now. The window tells the user once when
    // they cannot be, until they are written again.
    virtual void exportsWritten(bool ok) = 0;

    // A command that the user started has ended; the window may start the next one.
    virtual void commandDone() = 0;

    // Hands a web address to the desktop's opener (the user's browser).
    virtual void openUrl(std::string url) = 0;

    // Closes the window, which ends the program with a failure status, after telling the user
    // `reason`.
    virtual void closeWindow(std::string reason) = 0;

    // The backtest of every formula of a play type that the 计划统计 window asked for under
    // `ticket`.
    virtual void showAccuracies(std::uint64_t ticket, FormulaAccuracies accuracies) = 0;

    // The formula in use set beside chance, asked for under the same `ticket`; it follows the
    // accuracies.
    virtual void showHonestFigures(std::uint64_t ticket, HonestFigures figures) = 0;

    // A timed refresh ended, also one that threw: what it found, for the refresh scheduler.
    virtual void refreshDone(RefreshRun run) = 0;
};

} // namespace kestrum
