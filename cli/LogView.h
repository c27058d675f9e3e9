#pragma once

// The view of a watched lottery without a window: of all the window would show, only what went
// wrong reaches the log. Addresses are not opened.

#include "commands/View.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace kestrum::cli {

class LogView final : public View {
public:
    // `who` names the lottery in the log; `folder` is where its export files go.
    LogView(std::string who, std::filesystem::path folder);

    void showDrawList(std::optional<std::string>) override {}
    void showStatus(std::string) override {}
    void checkOptions(PlayType, std::int32_t) override {}
    void showPlans(PlanSnapshot) override {}
    void showCandidates(PlayType, CandidateRows) override {}
    void exportsWritten(bool ok) override;
    void commandDone() override {}
    void openUrl(std::string) override {}
    void closeWindow(std::string reason) override;
    void showAccuracies(std::uint64_t, FormulaAccuracies) override {}
    void showHonestFigures(std::uint64_t, HonestFigures) override {}
    // The watch times its refreshes itself.
    void refreshDone(RefreshRun) override {}

private:
    std::string m_who;
    std::filesystem::path m_folder;
};

} // namespace kestrum::cli
