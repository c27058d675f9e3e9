#include "ui/DrawTrendWindow.h"

#include "ui/DrawTrendChart.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QTimer>

namespace kestrum {

DrawTrendWindow::DrawTrendWindow(QWidget* parent) : DrawTrendWindow(parent, new DrawTrendChart) {}

DrawTrendWindow::DrawTrendWindow(QWidget* parent, DrawTrendChart* chart)
    : ChartWindow(QStringLiteral("走势图"), QStringLiteral("走势图.png"), chart, parent),
      m_chart(chart) {}

void DrawTrendWindow::showDrawList(const QString& lottery, const QString& drawListText) {
    m_chart->setTrend(lottery, drawTrend(drawListText.toStdString()));
    setWindowTitle(QStringLiteral("走势图 - %1").arg(lottery));
    scrollToNewestSoon();
}

void DrawTrendWindow::showEvent(QShowEvent* event) {
    ChartWindow::showEvent(event);
    scrollToNewestSoon();
}

void DrawTrendWindow::scrollToNewestSoon() {
    // As the draw list does: the newest draw at the bottom, in view.
    QTimer::singleShot(0, this, [this] {
        QScrollBar* bar = scrollArea()->verticalScrollBar();
        bar->setValue(bar->maximum());
    });
}

} // namespace kestrum
