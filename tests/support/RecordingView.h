#pragma once

// A View that records every call, in order, as text, and keeps the last snapshot.

#include "commands/View.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kestrum::test {

class RecordingView final : public View {
public:
    void showDrawList(std::optional<std::string> text) override {
        calls.push_back(text ? "drawList" : "drawList unchanged");
        if (text) {
            drawList = *text;
        }
    }
    void showStatus(std::string text) override {
        calls.push_back("status");
        statuses.push_back(std::move(text));
    }
    void checkOptions(PlayType type, std::int32_t lottery) override {
        calls.push_back("check " + std::string(playTypeInfo(type).button) + " " +
                        std::to_string(lottery));
    }
    void showPlans(PlanSnapshot snapshot) override {
        calls.push_back("plans");
        plans = std::move(snapshot);
    }

    void showCandidates(PlayType type, CandidateRows rows) override {
        calls.push_back("candidates " + std::string(playTypeInfo(type).button));
        candidates = rows;
    }
    void exportsWritten(bool ok) override { exportResults.push_back(ok); }
    void commandDone() override { calls.push_back("done"); }
    void openUrl(std::string url) override {
        calls.push_back("open " + url);
        opened.push_back(std::move(url));
    }
    void closeWindow(std::string reason) override {
        calls.push_back("close");
        closeReason = std::move(reason);
    }
    void showAccuracies(std::uint64_t ticket, FormulaAccuracies shown) override {
        calls.push_back("accuracies " + std::to_string(ticket));
        accuracies = std::move(shown);
    }
    void showHonestFigures(std::uint64_t ticket, HonestFigures shown) override {
        calls.push_back("honest figures " + std::to_string(ticket));
        honestFigures = std::move(shown);
    }
    void refreshDone(RefreshRun run) override {
        calls.push_back("refresh done");
        refreshes.push_back(std::move(run));
    }

    // The calls without the status messages between them.
    std::vector<std::string> callsWithoutStatus() const {
        std::vector<std::string> result;
        for (const std::string& call : calls) {
            if (call != "status") {
                result.push_back(call);
            }
        }
        return result;
    }

    std::vector<std::string> calls;
    std::vector<std::string> statuses;
    std::string drawList;
    std::optional<PlanSnapshot> plans;
    std::optional<CandidateRows> candidates;
    std::vector<std::string> opened;
    std::string closeReason;
    std::optional<FormulaAccuracies> accuracies;
    std::optional<HonestFigures> honestFigures;
    std::vector<RefreshRun> refreshes;
    // Outside `calls`: whether each writing of the export files succeeded.
    std::vector<bool> exportResults;
};

} // namespace kestrum::test
