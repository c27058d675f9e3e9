#pragma once

// The View of a program without a window: it keeps what the window would show last (the
// plans, the candidates) for the output, and whether every writing of the export files
// succeeded; the report pane's progress and status texts go nowhere. It opens nothing: the
// promotional address only ends the export files.

#include "commands/View.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kestrum::cli {

class HeadlessView final : public View {
public:
    void showDrawList(std::optional<std::string>) override {}
    void showStatus(std::string) override {}
    void checkOptions(PlayType, std::int32_t) override {}
    void showPlans(PlanSnapshot snapshot) override { plans = std::move(snapshot); }
    void showCandidates(PlayType, CandidateRows rows) override { candidates = rows; }
    void exportsWritten(bool ok) override { exportsFailed = exportsFailed || !ok; }
    void commandDone() override {}
    void openUrl(std::string) override {}
    void closeWindow(std::string) override {}
    void showAccuracies(std::uint64_t, FormulaAccuracies) override {}
    void showHonestFigures(std::uint64_t, HonestFigures) override {}
    void refreshDone(RefreshRun) override {}

    std::optional<PlanSnapshot> plans;
    std::optional<CandidateRows> candidates;
    // Some writing of the export files failed.
    bool exportsFailed = false;
};

} // namespace kestrum::cli
