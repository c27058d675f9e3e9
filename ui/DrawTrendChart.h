#pragma once

// The trend chart (走势图): one row per draw, oldest at the top, with its period and digits and
// for each position a grid of the digits 0 to 9, the drawn one marked and joined to the marks
// of the rows above and below, every other cell showing its omission. Below the rows, per
// position and digit, 出现次数 and 当前遗漏.

#include "report/DrawTrend.h"
#include "ui/ChartWidget.h"

#include <QString>

namespace kestrum {

class DrawTrendChart : public ChartWidget {
    Q_OBJECT

public:
    explicit DrawTrendChart(QWidget* parent = nullptr);

    // The draws of `lottery` (its name, for the caption); the chart takes the size they need.
    void setTrend(const QString& lottery, DrawTrend trend);

    const DrawTrend& trend() const { return m_trend; }
    const QString& caption() const { return m_caption; }

    // The centre of the cell of `digit` (0 to 9) at `position` (0 is 万位) in row `row` (0 is
    // the oldest draw), in the chart's pixels; rows past the last are the rows of figures.
    QPoint cellCentre(int row, std::size_t position, std::int32_t digit) const;

protected:
    void paintChart(QPainter& painter) const override;

private:
    void paintHeader(QPainter& painter) const;
    void paintRows(QPainter& painter) const;
    void paintFigures(QPainter& painter) const;
    QRect cellRect(int row, std::size_t position, std::int32_t digit) const;
    int rowTop(int row) const;

    DrawTrend m_trend;
    QString m_caption;
};

} // namespace kestrum
