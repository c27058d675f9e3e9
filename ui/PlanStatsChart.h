#pragma once

// The 计划统计 picture: the plans of one play type as a strip of cells (a won plan coloured by
// the period of the plan in which it won, a failed one marked 挂), the figures that judge the
// formula by them, under them the accuracy of every formula of the play type as a histogram
// with the formula in use marked, over it what chance alone gives (the chance accuracy of the
// formula's plans as a line, the spread of a search's formulas on random draws as an outline),
// and last the formula in use set beside chance in words.

#include "commands/View.h"
#include "engine/Search.h"
#include "report/AccuracyHistogram.h"
#include "report/PlanStrip.h"
#include "ui/ChanceFigures.h"
#include "ui/ChartWidget.h"

#include <QString>
#include <optional>

namespace kestrum {

class PlanStatsChart : public ChartWidget {
    Q_OBJECT

public:
    explicit PlanStatsChart(QWidget* parent = nullptr);

    // The plans: `heading` names the lottery, play type and plan shape; `planPeriods` is the
    // 期数 (the legend's colours go up to it).
    void setPlans(const QString& heading, PlanStrip strip, std::int32_t planPeriods,
                  std::int32_t formula);
    // No plans to show, and why; the strip and the histogram are cleared.
    void setMessage(const QString& message);
    // The histogram of the formulas in `range`; nothing while it is being computed, or when no
    // formula could be backtested.
    void setAccuracies(std::optional<AccuracyHistogram> histogram, FormulaRange range,
                       bool computing);
    // The formula in use set beside chance; nothing until they are first computed. While
    // `computing`, the words say so and the line and outline of `figures`, if any, stay.
    void setHonestFigures(std::optional<HonestFigures> figures, bool computing);

    const PlanStrip& strip() const { return m_strip; }
    const std::optional<AccuracyHistogram>& histogram() const { return m_histogram; }
    bool computing() const { return m_computing; }
    const std::optional<HonestFigures>& honestFigures() const { return m_figures; }
    bool figuresComputing() const { return m_figuresComputing; }
    // The words under the histogram as they are painted, a line each: the heading, then each
    // figure and what it means.
    QStringList figureText() const;
    const QString& message() const { return m_message; }

protected:
    void paintChart(QPainter& painter) const override;

private:
    void relayout();
    int stripRows() const;
    QRect cellRect(int index) const;
    int figuresTop() const;
    int histogramTop() const;
    void paintStrip(QPainter& painter) const;
    void paintLegend(QPainter& painter, int top) const;
    void paintHistogram(QPainter& painter) const;
    void paintHistogramLegend(QPainter& painter, int top, int formulas) const;
    // What chance alone gives, over the histogram's plot.
    void paintChance(QPainter& painter, int plotLeft, int plotTop, int plotBottom,
                     std::int32_t axisTop) const;
    void paintFigures(QPainter& painter, int top) const;
    void describe();

    struct FigureSection {
        QString heading;
        QList<FigureLine> lines;
    };
    FigureSection figureSection() const;

    QString m_heading;
    QString m_message;
    PlanStrip m_strip;
    std::int32_t m_planPeriods = 0;
    std::int32_t m_formula = 0;
    std::optional<AccuracyHistogram> m_histogram;
    FormulaRange m_range{0, 0};
    bool m_computing = false;
    std::optional<HonestFigures> m_figures;
    bool m_figuresComputing = false;
};

} // namespace kestrum
