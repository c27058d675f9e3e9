#include "ui/DrawTrendChart.h"

#include <QPainter>
#include <QPainterPath>
#include <array>

namespace kestrum {

namespace {

// The layout in pixels.
constexpr int kMargin = 8;
constexpr int kCaptionHeight = 26;
constexpr int kHeadHeight = 20; // each of the two heading rows
constexpr int kRowHeight = 20;
constexpr int kCellWidth = 20;
constexpr int kPeriodWidth = 100;
constexpr int kDrawWidth = 64;
constexpr int kGroupGap = 6;
constexpr int kFigureRows = 2;
constexpr int kGroupWidth = kCellWidth * static_cast<int>(kTrendDigits);
constexpr int kGridLeft = kMargin + kPeriodWidth + kDrawWidth;
constexpr int kChartWidth = kGridLeft + static_cast<int>(kTrendPositions) * kGroupWidth +
                            (static_cast<int>(kTrendPositions) - 1) * kGroupGap + kMargin;

const std::array<const char*, kTrendPositions> kPositionNames{"万位", "千位", "百位", "十位",
                                                              "个位"};
// A colour per position for its marks and line, and a light tint of it for its grid.
const std::array<QColor, kTrendPositions> kPositionColours{
    QColor(0xc0, 0x39, 0x2b), QColor(0xd3, 0x54, 0x00), QColor(0x1e, 0x8a, 0x4c),
    QColor(0x13, 0x8d, 0x90), QColor(0x2c, 0x5f, 0xb0)};

QColor tint(const QColor& colour, int alpha) {
    QColor tinted = colour;
    tinted.setAlpha(alpha);
    return tinted;
}

const QColor kGridLine(0xdd, 0xdd, 0xdd);
const QColor kOmissionText(0x9a, 0x9a, 0x9a);
const QColor kText(0x22, 0x22, 0x22);

QString digitsText(const TrendRow& row) {
    QString text;
    for (std::int32_t digit : row.digits) {
        text += QChar(u'0' + digit);
    }
    return text;
}

} // namespace

DrawTrendChart::DrawTrendChart(QWidget* parent) : ChartWidget(parent) {
    setAccessibleName(QStringLiteral("走势图"));
    setTrend(QString(), {});
}

void DrawTrendChart::setTrend(const QString& lottery, DrawTrend trend) {
    m_trend = std::move(trend);
    const int rows = static_cast<int>(m_trend.rows.size());
    if (rows == 0) {
        m_caption = QStringLiteral("%1 走势图：暂无开奖数据").arg(lottery);
    } else {
        const TrendRow& newest = m_trend.rows.back();
        m_caption = QStringLiteral("%1 走势图：%2 期，最新 %3 期开 %4")
                        .arg(lottery)
                        .arg(rows)
                        .arg(QString::fromStdString(newest.period), digitsText(newest));
    }
    setAccessibleDescription(m_caption);
    setFixedSize(kChartWidth, rowTop(rows + kFigureRows) + kMargin);
    update();
}

int DrawTrendChart::rowTop(int row) const {
    return kMargin + kCaptionHeight + 2 * kHeadHeight + row * kRowHeight;
}

QRect DrawTrendChart::cellRect(int row, std::size_t position, std::int32_t digit) const {
    const int left =
        kGridLeft + static_cast<int>(position) * (kGroupWidth + kGroupGap) + digit * kCellWidth;
    return {left, rowTop(row), kCellWidth, kRowHeight};
}

QPoint DrawTrendChart::cellCentre(int row, std::size_t position, std::int32_t digit) const {
    return cellRect(row, position, digit).center();
}

void DrawTrendChart::paintChart(QPainter& painter) const {
    paintHeader(painter);
    paintRows(painter);
    paintFigures(painter);
}

void DrawTrendChart::paintHeader(QPainter& painter) const {
    painter.setPen(kText);
    painter.setFont(chartFont(15, true));
    painter.drawText(QRect(kMargin, kMargin, width() - 2 * kMargin, kCaptionHeight),
                     Qt::AlignLeft | Qt::AlignVCenter, m_caption);

    const int top = kMargin + kCaptionHeight;
    painter.setFont(chartFont(13, true));
    painter.drawText(QRect(kMargin, top, kPeriodWidth, 2 * kHeadHeight), Qt::AlignCenter,
                     QStringLiteral("期号"));
    painter.drawText(QRect(kMargin + kPeriodWidth, top, kDrawWidth, 2 * kHeadHeight),
                     Qt::AlignCenter, QStringLiteral("开奖号码"));
    for (std::size_t position = 0; position < kTrendPositions; ++position) {
        const QRect first = cellRect(0, position, 0);
        const QRect group(first.left(), top, kGroupWidth, kHeadHeight);
        painter.fillRect(group, kPositionColours[position]);
        painter.setPen(Qt::white);
        painter.setFont(chartFont(13, true));
        painter.drawText(group, Qt::AlignCenter, QString::fromUtf8(kPositionNames[position]));
        painter.setFont(chartFont(12, true));
        for (std::int32_t digit = 0; digit < static_cast<std::int32_t>(kTrendDigits); ++digit) {
            const QRect cell(cellRect(0, position, digit).left(), top + kHeadHeight, kCellWidth,
                             kHeadHeight);
            painter.fillRect(cell, tint(kPositionColours[position], 60));
            painter.setPen(kText);
            painter.drawText(cell, Qt::AlignCenter, QString::number(digit));
        }
    }
}

void DrawTrendChart::paintRows(QPainter& painter) const {
    const int rows = static_cast<int>(m_trend.rows.size());
    // The grounds: a band per row, a tint per position, the grid lines.
    for (int row = 0; row < rows + kFigureRows; ++row) {
        if (row % 2 == 1 || row >= rows) {
            painter.fillRect(QRect(kMargin, rowTop(row), width() - 2 * kMargin, kRowHeight),
                             row >= rows ? QColor(0xee, 0xee, 0xee) : QColor(0xf6, 0xf6, 0xf6));
        }
    }
    for (std::size_t position = 0; position < kTrendPositions; ++position) {
        const QRect first = cellRect(0, position, 0);
        const QRect group(first.left(), rowTop(0), kGroupWidth, rowTop(rows) - rowTop(0));
        painter.fillRect(group, tint(kPositionColours[position], 14));
    }
    painter.setPen(kGridLine);
    for (int row = 0; row <= rows + kFigureRows; ++row) {
        painter.drawLine(kMargin, rowTop(row), width() - kMargin, rowTop(row));
    }

    painter.setFont(chartFont(12));
    for (int row = 0; row < rows; ++row) {
        const TrendRow& draw = m_trend.rows[static_cast<std::size_t>(row)];
        painter.setPen(kText);
        painter.drawText(QRect(kMargin, rowTop(row), kPeriodWidth, kRowHeight), Qt::AlignCenter,
                         QString::fromStdString(draw.period));
        painter.setFont(chartFont(13, true));
        painter.drawText(QRect(kMargin + kPeriodWidth, rowTop(row), kDrawWidth, kRowHeight),
                         Qt::AlignCenter, digitsText(draw));
        painter.setFont(chartFont(11));
        painter.setPen(kOmissionText);
        for (std::size_t position = 0; position < kTrendPositions; ++position) {
            for (std::int32_t digit = 0; digit < static_cast<std::int32_t>(kTrendDigits); ++digit) {
                const std::int32_t omission =
                    draw.omission[position][static_cast<std::size_t>(digit)];
                if (omission != 0) {
                    painter.drawText(cellRect(row, position, digit), Qt::AlignCenter,
                                     QString::number(omission));
                }
            }
        }
        painter.setFont(chartFont(12));
    }

    // The line through each position's marks, under the marks.
    for (std::size_t position = 0; position < kTrendPositions && rows > 1; ++position) {
        QPainterPath path(cellCentre(0, position, m_trend.rows[0].digits[position]));
        for (int row = 1; row < rows; ++row) {
            path.lineTo(cellCentre(row, position,
                                   m_trend.rows[static_cast<std::size_t>(row)].digits[position]));
        }
        painter.setPen(QPen(tint(kPositionColours[position], 170), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
    }
    painter.setFont(chartFont(12, true));
    for (int row = 0; row < rows; ++row) {
        const TrendRow& draw = m_trend.rows[static_cast<std::size_t>(row)];
        for (std::size_t position = 0; position < kTrendPositions; ++position) {
            const QRect cell = cellRect(row, position, draw.digits[position]);
            painter.setPen(Qt::NoPen);
            painter.setBrush(kPositionColours[position]);
            painter.drawEllipse(cell.center() + QPointF(0.5, 0.5), 8.5, 8.5);
            painter.setPen(Qt::white);
            painter.drawText(cell, Qt::AlignCenter, QString::number(draw.digits[position]));
        }
    }
    painter.setBrush(Qt::NoBrush);
}

void DrawTrendChart::paintFigures(QPainter& painter) const {
    const int rows = static_cast<int>(m_trend.rows.size());
    const std::array<const char*, kFigureRows> labels{"出现次数", "当前遗漏"};
    const std::array<const DigitTable*, kFigureRows> tables{&m_trend.counts,
                                                            &m_trend.currentOmission};
    for (int figure = 0; figure < kFigureRows; ++figure) {
        const int row = rows + figure;
        painter.setPen(kText);
        painter.setFont(chartFont(13, true));
        painter.drawText(QRect(kMargin, rowTop(row), kPeriodWidth + kDrawWidth, kRowHeight),
                         Qt::AlignCenter,
                         QString::fromUtf8(labels[static_cast<std::size_t>(figure)]));
        painter.setFont(chartFont(12));
        const DigitTable& table = *tables[static_cast<std::size_t>(figure)];
        for (std::size_t position = 0; position < kTrendPositions; ++position) {
            painter.setPen(kPositionColours[position]);
            for (std::int32_t digit = 0; digit < static_cast<std::int32_t>(kTrendDigits); ++digit) {
                painter.drawText(cellRect(row, position, digit), Qt::AlignCenter,
                                 QString::number(table[position][static_cast<std::size_t>(digit)]));
            }
        }
    }
}

} // namespace kestrum
