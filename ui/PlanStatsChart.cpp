#include "ui/PlanStatsChart.h"

#include "ui/ChanceFigures.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

namespace kestrum {

namespace {

// The layout in pixels.
constexpr int kWidth = 900;
constexpr int kMargin = 14;
constexpr int kHeadingHeight = 28;
constexpr int kLabelHeight = 24;
constexpr int kCell = 22;
constexpr int kCellStep = 25;
constexpr int kCellsPerRow = (kWidth - 2 * kMargin + kCellStep - kCell) / kCellStep;
constexpr int kLegendHeight = 26;
constexpr int kFiguresHeight = 30;
constexpr int kSectionGap = 14;
constexpr int kAxisWidth = 44;
constexpr int kBarStep = 8;
constexpr int kHistogramLegendHeight = 22;
constexpr int kPlotGap = 22; // room for the top count and the chance line's label above the plot
constexpr int kPlotHeight = 180;
constexpr int kAxisLabelsHeight = 20;
constexpr int kMarkerHeight = 38;
// The words beside chance: a heading, then up to kFigureRows figures of two lines each.
constexpr int kFigureHeadingHeight = 24;
constexpr int kFigureHeight = 19;
constexpr int kMeaningHeight = 17;
constexpr int kFigureGap = 4;
constexpr int kFigureRows = 5;
constexpr int kFiguresSectionHeight =
    kFigureHeadingHeight + kFigureRows * (kFigureHeight + kMeaningHeight + kFigureGap);
// Won plans are coloured by their period up to this one; later periods share its colour.
constexpr int kPeriodColours = 6;

const std::array<QColor, kPeriodColours> kWonColours{
    QColor(0x1e, 0x8a, 0x4c), QColor(0x2c, 0x5f, 0xb0), QColor(0xd3, 0x84, 0x00),
    QColor(0x8e, 0x44, 0xad), QColor(0x13, 0x8d, 0x90), QColor(0x7f, 0x60, 0x00)};
const QColor kFailedColour(0xc0, 0x39, 0x2b);
const QColor kRunningColour(0x88, 0x88, 0x88);
const QColor kBarColour(0x7a, 0x9c, 0xc6);
const QColor kCurrentColour(0xe6, 0x5c, 0x00);
const QColor kText(0x22, 0x22, 0x22);
const QColor kQuiet(0x77, 0x77, 0x77);
const QColor kChanceColour(0x55, 0x33, 0x99);

QColor wonColour(std::int32_t period) {
    return kWonColours[static_cast<std::size_t>(std::clamp(period, 1, kPeriodColours) - 1)];
}

// The step of the count axis: 1, 2 or 5 times a power of ten, giving at most four steps up to
// `tallest`.
std::int32_t countStep(std::int32_t tallest) {
    for (std::int32_t power = 1;; power *= 10) {
        for (std::int32_t step : {power, 2 * power, 5 * power}) {
            if (step * 4 >= tallest) {
                return step;
            }
        }
    }
}

QString formulaText(std::int32_t formula) {
    return QStringLiteral("%1").arg(formula, 3, 10, QLatin1Char('0'));
}

// A cell as the strip and the legend draw it.
void paintCell(QPainter& painter, const QRect& cell, PlanOutcome outcome, std::int32_t period,
               const QFont& font) {
    painter.setFont(font);
    switch (outcome) {
    case PlanOutcome::Won:
        painter.fillRect(cell, wonColour(period));
        painter.setPen(Qt::white);
        painter.drawText(cell, Qt::AlignCenter, QString::number(period));
        break;
    case PlanOutcome::Failed:
        painter.fillRect(cell, kFailedColour);
        painter.setPen(Qt::white);
        painter.drawText(cell, Qt::AlignCenter, QStringLiteral("挂"));
        break;
    case PlanOutcome::Running:
        painter.setPen(QPen(kRunningColour, 1.0, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(cell).adjusted(0.5, 0.5, -0.5, -0.5));
        painter.setPen(kRunningColour);
        painter.drawText(cell, Qt::AlignCenter, QStringLiteral("…"));
        break;
    }
}

// The largest mean count of the spread that chance gives, for the count axis; 0 without one.
double chanceTallest(const std::optional<HonestFigures>& figures) {
    if (!figures || figures->luck.luck.histories == 0) {
        return 0.0;
    }
    const auto& spread = figures->luck.luck.formulasAt;
    return *std::max_element(spread.begin(), spread.end());
}

} // namespace

PlanStatsChart::PlanStatsChart(QWidget* parent) : ChartWidget(parent) {
    setAccessibleName(QStringLiteral("计划统计"));
    setMessage(QStringLiteral("正在初始化软件，请稍等片刻！！"));
}

void PlanStatsChart::setPlans(const QString& heading, PlanStrip strip, std::int32_t planPeriods,
                              std::int32_t formula) {
    m_heading = heading;
    m_message.clear();
    m_strip = std::move(strip);
    m_planPeriods = planPeriods;
    m_formula = formula;
    relayout();
}

void PlanStatsChart::setMessage(const QString& message) {
    m_heading = QStringLiteral("计划统计");
    m_message = message;
    m_strip = {};
    m_histogram.reset();
    m_computing = false;
    m_figures.reset();
    m_figuresComputing = false;
    relayout();
}

void PlanStatsChart::setHonestFigures(std::optional<HonestFigures> figures, bool computing) {
    m_figures = std::move(figures);
    m_figuresComputing = computing;
    describe();
    update();
}

PlanStatsChart::FigureSection PlanStatsChart::figureSection() const {
    if (m_figuresComputing || !m_figures) {
        return {QStringLiteral("当前公式与随机号码相比"),
                {{QStringLiteral("正在计算随机基准……"),
                  QStringLiteral("在 %1 段同样长度的随机号码上重复搜索，并在已存的号码上逐期跟随")
                      .arg(kLuckHistories)}}};
    }
    return {chanceFiguresHeading(*m_figures), chanceFigureLines(*m_figures)};
}

QStringList PlanStatsChart::figureText() const {
    const FigureSection section = figureSection();
    QStringList text{section.heading};
    for (const FigureLine& line : section.lines) {
        text << line.figure << line.meaning;
    }
    return text;
}

void PlanStatsChart::setAccuracies(std::optional<AccuracyHistogram> histogram, FormulaRange range,
                                   bool computing) {
    m_histogram = std::move(histogram);
    m_range = range;
    m_computing = computing;
    relayout();
}

void PlanStatsChart::relayout() {
    const int height = m_message.isEmpty()
                           ? histogramTop() + 2 * kLabelHeight + kHistogramLegendHeight + kPlotGap +
                                 kPlotHeight + kAxisLabelsHeight + kMarkerHeight +
                                 kFiguresSectionHeight + kMargin
                           : kMargin + kHeadingHeight + kLabelHeight + kMargin;
    setFixedSize(kWidth, height);
    describe();
    update();
}

void PlanStatsChart::describe() {
    if (!m_message.isEmpty()) {
        setAccessibleDescription(m_message);
        return;
    }
    QString text = QStringLiteral("%1。中 %2，挂 %3，准确率 %4%，最长连挂 %5。")
                       .arg(m_heading)
                       .arg(m_strip.won)
                       .arg(m_strip.failed)
                       .arg(m_strip.accuracy)
                       .arg(m_strip.longestFailedRun);
    if (m_histogram && !m_computing) {
        text += QStringLiteral("当前公式在 %1 个公式中排第 %2 名。")
                    .arg(m_histogram->formulaCount)
                    .arg(m_histogram->currentRank);
    }
    if (m_histogram || m_computing) {
        for (const QString& line : figureText()) {
            if (!line.isEmpty()) {
                text += line.endsWith(QStringLiteral("。")) ? line : line + QStringLiteral("。");
            }
        }
    }
    setAccessibleDescription(text);
}

int PlanStatsChart::stripRows() const {
    const int cells = static_cast<int>(m_strip.cells.size());
    return std::max(1, (cells + kCellsPerRow - 1) / kCellsPerRow);
}

QRect PlanStatsChart::cellRect(int index) const {
    const int top = kMargin + kHeadingHeight + kLabelHeight;
    return {kMargin + (index % kCellsPerRow) * kCellStep, top + (index / kCellsPerRow) * kCellStep,
            kCell, kCell};
}

int PlanStatsChart::figuresTop() const {
    return kMargin + kHeadingHeight + kLabelHeight + stripRows() * kCellStep + kLegendHeight;
}

int PlanStatsChart::histogramTop() const {
    return figuresTop() + kFiguresHeight + kSectionGap;
}

void PlanStatsChart::paintChart(QPainter& painter) const {
    painter.setPen(kText);
    painter.setFont(chartFont(16, true));
    painter.drawText(QRect(kMargin, kMargin, width() - 2 * kMargin, kHeadingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, m_heading);
    if (!m_message.isEmpty()) {
        painter.setFont(chartFont(14));
        painter.drawText(
            QRect(kMargin, kMargin + kHeadingHeight, width() - 2 * kMargin, kLabelHeight),
            Qt::AlignLeft | Qt::AlignVCenter, m_message);
        return;
    }
    paintStrip(painter);
    paintHistogram(painter);
}

void PlanStatsChart::paintStrip(QPainter& painter) const {
    painter.setPen(kText);
    painter.setFont(chartFont(13));
    painter.drawText(QRect(kMargin, kMargin + kHeadingHeight, width() - 2 * kMargin, kLabelHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("各期计划（每格一个计划，从左到右、从上到下由旧到新）："));
    const QFont cellFont = chartFont(12, true);
    for (std::size_t i = 0; i < m_strip.cells.size(); ++i) {
        const PlanCell& cell = m_strip.cells[i];
        paintCell(painter, cellRect(static_cast<int>(i)), cell.outcome, cell.period, cellFont);
    }
    if (m_strip.cells.empty()) {
        painter.setPen(kQuiet);
        painter.setFont(chartFont(13));
        painter.drawText(cellRect(0).adjusted(0, 0, 400, 0), Qt::AlignLeft | Qt::AlignVCenter,
                         QStringLiteral("还没有计划"));
    }
    paintLegend(painter, figuresTop() - kLegendHeight);

    painter.setPen(kText);
    painter.setFont(chartFont(15, true));
    painter.drawText(QRect(kMargin, figuresTop(), width() - 2 * kMargin, kFiguresHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("中 %1    挂 %2    准确率 %3%    最长连挂 %4")
                         .arg(m_strip.won)
                         .arg(m_strip.failed)
                         .arg(m_strip.accuracy)
                         .arg(m_strip.longestFailedRun));
}

void PlanStatsChart::paintLegend(QPainter& painter, int top) const {
    std::int32_t periods = std::max(m_planPeriods, 1);
    for (const PlanCell& cell : m_strip.cells) {
        periods = std::max(periods, cell.period);
    }
    periods = std::min(periods, kPeriodColours);
    const QFont cellFont = chartFont(11, true);
    const QFont textFont = chartFont(12);
    int left = kMargin;
    auto entry = [&](PlanOutcome outcome, std::int32_t period, const QString& text) {
        const QRect swatch(left, top + 6, 16, 16);
        paintCell(painter, swatch, outcome, period, cellFont);
        painter.setPen(kText);
        painter.setFont(textFont);
        const int textWidth = painter.fontMetrics().horizontalAdvance(text);
        painter.drawText(QRect(left + 20, top + 4, textWidth + 4, 20),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        left += 20 + textWidth + 16;
    };
    for (std::int32_t period = 1; period <= periods; ++period) {
        entry(PlanOutcome::Won, period,
              period == kPeriodColours && periods == kPeriodColours
                  ? QStringLiteral("第 %1 期及以后中").arg(period)
                  : QStringLiteral("第 %1 期中").arg(period));
    }
    entry(PlanOutcome::Failed, 0, QStringLiteral("挂（全部未中）"));
    entry(PlanOutcome::Running, 0, QStringLiteral("进行中"));
}

void PlanStatsChart::paintHistogram(QPainter& painter) const {
    int top = histogramTop();
    painter.setPen(QColor(0xcc, 0xcc, 0xcc));
    painter.drawLine(kMargin, top - kSectionGap / 2, width() - kMargin, top - kSectionGap / 2);
    painter.setPen(kText);
    painter.setFont(chartFont(14, true));
    const int count = std::max(0, m_range.end - m_range.first);
    painter.drawText(QRect(kMargin, top, width() - 2 * kMargin, kLabelHeight),
                     Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("公式 %1–%2（共 %3 个）按当前码数、期数回测的准确率分布")
                         .arg(m_range.first)
                         .arg(m_range.end - 1)
                         .arg(count));
    top += kLabelHeight;
    painter.setFont(chartFont(13));
    painter.setPen(kQuiet);
    QString subtitle;
    if (m_computing) {
        subtitle = QStringLiteral("正在计算各公式的准确率……");
    } else if (!m_histogram) {
        subtitle = QStringLiteral("开奖数据不足两期，无法回测。");
    } else {
        subtitle = QStringLiteral("横轴：准确率（%）；纵轴：公式个数。最高 %1%（公式 %2）。")
                       .arg(m_histogram->best)
                       .arg(formulaText(m_histogram->bestFormula));
    }
    painter.drawText(QRect(kMargin, top, width() - 2 * kMargin, kLabelHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, subtitle);
    top += kLabelHeight;
    paintHistogramLegend(painter, top, count);
    top += kHistogramLegendHeight + kPlotGap;

    const int plotLeft = kMargin + kAxisWidth;
    const int plotWidth = kAccuracySteps * kBarStep;
    const int plotBottom = top + kPlotHeight;
    // The count axis goes up to the first whole step at or above the tallest bar, or the
    // tallest count of the spread that chance gives, with a grid line and its count at every
    // step.
    const std::int32_t tallest =
        std::max({m_histogram ? m_histogram->tallest : 0,
                  static_cast<std::int32_t>(std::ceil(chanceTallest(m_figures))), 1});
    const bool counted = m_histogram || chanceTallest(m_figures) > 0.0;
    const std::int32_t step = countStep(counted ? tallest : 4);
    const std::int32_t steps = counted ? (tallest + step - 1) / step : 4;
    const std::int32_t axisTop = step * steps;
    painter.setFont(chartFont(11));
    for (std::int32_t line = 0; line <= steps; ++line) {
        const int y = plotBottom - line * kPlotHeight / steps;
        painter.setPen(line == 0 ? kText : QColor(0xe4, 0xe4, 0xe4));
        painter.drawLine(plotLeft, y, plotLeft + plotWidth, y);
        if (counted) {
            painter.setPen(kQuiet);
            painter.drawText(QRect(kMargin, y - 8, kAxisWidth - 6, 16),
                             Qt::AlignRight | Qt::AlignVCenter, QString::number(line * step));
        }
    }
    painter.setPen(kText);
    painter.drawLine(plotLeft, top, plotLeft, plotBottom);
    for (int percent = 0; percent <= 100; percent += 10) {
        const int x = plotLeft + percent * kBarStep + kBarStep / 2;
        painter.drawLine(x, plotBottom, x, plotBottom + 4);
        painter.drawText(QRect(x - 20, plotBottom + 4, 40, kAxisLabelsHeight - 4), Qt::AlignCenter,
                         QStringLiteral("%1%").arg(percent));
    }
    const int markTop = plotBottom + kAxisLabelsHeight;
    paintFigures(painter, markTop + kMarkerHeight);
    if (m_histogram) {
        // While it is recomputed the histogram of the same play type and shape stays in view.
        for (int percent = 0; percent < kAccuracySteps; ++percent) {
            const std::int32_t formulas = m_histogram->formulas[static_cast<std::size_t>(percent)];
            if (formulas == 0) {
                continue;
            }
            const int barHeight = std::max(1, formulas * kPlotHeight / axisTop);
            painter.fillRect(QRect(plotLeft + percent * kBarStep + 1, plotBottom - barHeight,
                                   kBarStep - 2, barHeight),
                             percent == m_histogram->current ? kCurrentColour : kBarColour);
        }
    }
    paintChance(painter, plotLeft, top, plotBottom, axisTop);
    if (!m_histogram) {
        return;
    }
    // The formula in use: a mark under its bar and what it says.
    const int x = plotLeft + m_histogram->current * kBarStep + kBarStep / 2;
    QPainterPath mark;
    mark.moveTo(x, markTop);
    mark.lineTo(x - 6, markTop + 10);
    mark.lineTo(x + 6, markTop + 10);
    mark.closeSubpath();
    painter.fillPath(mark, kCurrentColour);
    painter.setPen(kCurrentColour);
    painter.setFont(chartFont(13, true));
    const QString label = QStringLiteral("当前公式 %1：准确率 %2%，在 %3 个公式中排第 %4 名")
                              .arg(formulaText(m_formula))
                              .arg(m_histogram->current)
                              .arg(m_histogram->formulaCount)
                              .arg(m_histogram->currentRank);
    const int labelWidth = painter.fontMetrics().horizontalAdvance(label) + 8;
    const int labelLeft =
        std::clamp(x - labelWidth / 2, kMargin, std::max(kMargin, width() - kMargin - labelWidth));
    painter.drawText(QRect(labelLeft, markTop + 12, labelWidth, 22), Qt::AlignCenter, label);
}

void PlanStatsChart::paintHistogramLegend(QPainter& painter, int top, int formulas) const {
    painter.setFont(chartFont(12));
    int left = kMargin;
    auto entry = [&](auto paintSwatch, const QString& text) {
        paintSwatch(QRect(left, top + 4, 22, 14));
        painter.setPen(kText);
        const int textWidth = painter.fontMetrics().horizontalAdvance(text);
        painter.drawText(QRect(left + 28, top, textWidth + 4, kHistogramLegendHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, text);
        left += 28 + textWidth + 20;
    };
    entry([&](const QRect& swatch) { painter.fillRect(swatch.adjusted(7, 0, -7, 0), kBarColour); },
          QStringLiteral("实际号码上的公式个数"));
    entry(
        [&](const QRect& swatch) {
            painter.setPen(QPen(kChanceColour, 1.5));
            painter.setBrush(Qt::NoBrush);
            painter.drawPolyline(QPolygonF({QPointF(swatch.left(), swatch.bottom()),
                                            QPointF(swatch.left() + 6, swatch.bottom()),
                                            QPointF(swatch.left() + 6, swatch.top() + 3),
                                            QPointF(swatch.right() - 6, swatch.top() + 3),
                                            QPointF(swatch.right() - 6, swatch.bottom()),
                                            QPointF(swatch.right(), swatch.bottom())}));
        },
        QStringLiteral("号码完全随机时 %1 个公式的平均分布").arg(formulas));
    entry(
        [&](const QRect& swatch) {
            painter.setPen(QPen(kChanceColour, 2.0, Qt::DashLine));
            painter.drawLine(swatch.center().x(), swatch.top() - 2, swatch.center().x(),
                             swatch.bottom() + 2);
        },
        QStringLiteral("随机基准（当前公式的计划）"));
}

void PlanStatsChart::paintChance(QPainter& painter, int plotLeft, int plotTop, int plotBottom,
                                 std::int32_t axisTop) const {
    if (!m_figures) {
        return;
    }
    // The spread: an outline over the bars at the mean count of each whole 准确率, from the
    // first to the last that a random search reaches at all.
    const SearchLuck& luck = m_figures->luck.luck;
    if (luck.histories > 0) {
        constexpr double kSeen = 0.005;
        int first = 0;
        int last = kAccuracySteps - 1;
        while (first < last && luck.formulasAt[static_cast<std::size_t>(first)] < kSeen) {
            ++first;
        }
        while (last > first && luck.formulasAt[static_cast<std::size_t>(last)] < kSeen) {
            --last;
        }
        QPolygonF outline;
        outline << QPointF(plotLeft + first * kBarStep, plotBottom);
        for (int percent = first; percent <= last; ++percent) {
            const double y = plotBottom - luck.formulasAt[static_cast<std::size_t>(percent)] *
                                              kPlotHeight / axisTop;
            outline << QPointF(plotLeft + percent * kBarStep, y)
                    << QPointF(plotLeft + (percent + 1) * kBarStep, y);
        }
        outline << QPointF(plotLeft + (last + 1) * kBarStep, plotBottom);
        painter.setPen(QPen(kChanceColour, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPolyline(outline);
    }
    // The chance accuracy of the formula's finished plans: a dashed line with its figure.
    const ChanceRecord& chance = m_figures->luck.formula.chance;
    if (chance.wins + chance.losses == 0) {
        return;
    }
    const double x = plotLeft + chance.chanceAccuracy * kBarStep + kBarStep / 2.0;
    painter.setPen(QPen(kChanceColour, 2.0, Qt::DashLine));
    painter.drawLine(QPointF(x, plotTop - 4), QPointF(x, plotBottom));
    painter.setFont(chartFont(12, true));
    const QString label = QStringLiteral("随机基准 %1").arg(percentText(chance.chanceAccuracy));
    const int labelWidth = painter.fontMetrics().horizontalAdvance(label) + 6;
    // Left of the line, unless that would run into the count axis.
    const int labelLeft = x - labelWidth - 4 >= plotLeft ? static_cast<int>(x) - labelWidth - 4
                                                         : static_cast<int>(x) + 4;
    painter.setPen(kChanceColour);
    painter.drawText(QRect(labelLeft, plotTop - kPlotGap, labelWidth, kPlotGap - 4),
                     Qt::AlignCenter, label);
}

void PlanStatsChart::paintFigures(QPainter& painter, int top) const {
    if (!m_histogram && !m_computing) {
        return;
    }
    painter.setPen(QColor(0xcc, 0xcc, 0xcc));
    painter.drawLine(kMargin, top, width() - kMargin, top);
    const FigureSection section = figureSection();
    const int textWidth = width() - 2 * kMargin;
    painter.setPen(kText);
    painter.setFont(chartFont(14, true));
    painter.drawText(QRect(kMargin, top + 2, textWidth, kFigureHeadingHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, section.heading);
    top += kFigureHeadingHeight + 2;
    for (const FigureLine& line : section.lines) {
        painter.setPen(kText);
        painter.setFont(chartFont(13, true));
        painter.drawText(QRect(kMargin, top, textWidth, kFigureHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, line.figure);
        top += kFigureHeight;
        painter.setPen(kQuiet);
        painter.setFont(chartFont(12));
        painter.drawText(QRect(kMargin + 12, top, textWidth - 12, kMeaningHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, line.meaning);
        top += kMeaningHeight + kFigureGap;
    }
}

} // namespace kestrum
