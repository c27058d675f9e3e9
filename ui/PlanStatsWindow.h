#pragma once

// The 计划统计 window: the checked play type's plans as the report shows them, the accuracy of
// every formula of the play type, and the formula in use set beside chance. The plans come from
// the main window's last copy of the plan records; the accuracies and the figures beside chance
// are computed on the engine thread, which the window asks for through accuraciesWanted and
// which answers with showAccuracies, then with showHonestFigures.

#include "commands/View.h"
#include "engine/DispatchTables.h"
#include "engine/FormulaAccuracy.h"
#include "engine/PlayType.h"
#include "ui/ChartWindow.h"

#include <cstdint>
#include <optional>

namespace kestrum {

class PlanStatsChart;

class PlanStatsWindow : public ChartWindow {
    Q_OBJECT

public:
    explicit PlanStatsWindow(QWidget* parent = nullptr);

    // The plans of `type` in `lottery` with `formula` and `shape`; asks for the accuracies
    // over the draws they came from, at once when the window is open, else when it opens.
    void showPlans(const QString& lottery, PlayType type, std::int32_t formula, PlanShape shape,
                   const PlanRecordSet& records);
    // No plans to show (before the first dispatch, while a lottery loads, no play type
    // checked), and why. An answer still on its way is dropped.
    void showNoPlans(const QString& message);
    // The answers to the request `ticket`; dropped unless it is the last one asked for.
    void showAccuracies(std::uint64_t ticket, const FormulaAccuracies& accuracies);
    void showHonestFigures(std::uint64_t ticket, const HonestFigures& figures);

    // Whether the last request's accuracies, and its figures beside chance, have been answered.
    bool accuraciesCurrent() const { return m_answered == m_asked && !m_unasked; }
    bool figuresCurrent() const { return m_figuresAnswered == m_asked && !m_unasked; }

    PlanStatsChart* chart() const { return m_chart; }

signals:
    // Asks for the accuracies of every formula of `type` with `shape` and of `formula`, and
    // for `formula` set beside chance, to be given back to showAccuracies and showHonestFigures
    // with `ticket`.
    void accuraciesWanted(std::uint64_t ticket, kestrum::PlayType type, kestrum::PlanShape shape,
                          std::int32_t formula);

protected:
    void showEvent(QShowEvent* event) override;

private:
    PlanStatsWindow(QWidget* parent, PlanStatsChart* chart);
    void askForAccuracies();

    // What a histogram depends on besides the draws: another key clears it at once. None while
    // there are no plans.
    struct Key {
        QString lottery;
        PlayType type;
        PlanShape shape;
        bool operator==(const Key&) const = default;
    };

    PlanStatsChart* m_chart;
    std::optional<Key> m_key;
    std::uint64_t m_asked = 0;
    std::uint64_t m_answered = 0;
    std::uint64_t m_figuresAnswered = 0;
    // Plans came while the window was hidden: it asks when it opens.
    bool m_unasked = false;
    std::int32_t m_formula = 0;
};

} // namespace kestrum
