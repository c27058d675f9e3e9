#include "ui/PlanStatsWindow.h"

#include "report/PlanStrip.h"
#include "ui/PlanStatsChart.h"

namespace kestrum {

PlanStatsWindow::PlanStatsWindow(QWidget* parent) : PlanStatsWindow(parent, new PlanStatsChart) {}

PlanStatsWindow::PlanStatsWindow(QWidget* parent, PlanStatsChart* chart)
    : ChartWindow(QStringLiteral("计划统计"), QStringLiteral("计划统计.png"), chart, parent),
      m_chart(chart) {}

void PlanStatsWindow::showPlans(const QString& lottery, PlayType type, std::int32_t formula,
                                PlanShape shape, const PlanRecordSet& records) {
    const QString playType = QString::fromUtf8(
        playTypeInfo(type).button.data(), static_cast<qsizetype>(playTypeInfo(type).button.size()));
    m_chart->setPlans(QStringLiteral("%1 %2：公式 %3，码数 %4，期数 %5")
                          .arg(lottery, playType)
                          .arg(formula, 3, 10, QLatin1Char('0'))
                          .arg(shape.codeCount)
                          .arg(shape.planPeriods),
                      planStrip(type, records), shape.planPeriods, formula);
    setWindowTitle(QStringLiteral("计划统计 - %1 %2").arg(lottery, playType));

    const Key key{lottery, type, shape};
    // Figures of the same play type and shape stay in view while they are computed again.
    m_chart->setAccuracies(m_key == key ? m_chart->histogram() : std::nullopt,
                           searchedFormulas(type), true);
    m_chart->setHonestFigures(m_key == key ? m_chart->honestFigures() : std::nullopt, true);
    m_key = key;
    m_formula = formula;
    m_unasked = true;
    if (isVisible()) {
        askForAccuracies();
    }
}

void PlanStatsWindow::showEvent(QShowEvent* event) {
    ChartWindow::showEvent(event);
    if (m_unasked) {
        askForAccuracies();
    }
}

void PlanStatsWindow::askForAccuracies() {
    m_unasked = false;
    emit accuraciesWanted(++m_asked, m_key->type, m_key->shape, m_formula);
}

void PlanStatsWindow::showNoPlans(const QString& message) {
    m_key.reset();
    m_unasked = false;
    m_answered = ++m_asked;
    m_figuresAnswered = m_asked;
    m_chart->setMessage(message);
    setWindowTitle(QStringLiteral("计划统计"));
}

void PlanStatsWindow::showAccuracies(std::uint64_t ticket, const FormulaAccuracies& accuracies) {
    if (ticket != m_asked || !m_key) {
        return;
    }
    m_answered = ticket;
    std::optional<AccuracyHistogram> histogram;
    if (!accuracies.accuracy.empty()) {
        histogram = accuracyHistogram(accuracies.accuracy, accuracies.first, accuracies.current);
    }
    m_chart->setAccuracies(histogram, searchedFormulas(m_key->type), false);
}

void PlanStatsWindow::showHonestFigures(std::uint64_t ticket, const HonestFigures& figures) {
    if (ticket != m_asked || !m_key) {
        return;
    }
    m_figuresAnswered = ticket;
    m_chart->setHonestFigures(figures, false);
}

} // namespace kestrum
