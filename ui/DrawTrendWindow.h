#pragma once

// The 走势图 window: the trend chart of the draws the main window's draw list shows. It only
// reads the text the draw list received, so it never waits on the engine.

#include "ui/ChartWindow.h"

namespace kestrum {

class DrawTrendChart;

class DrawTrendWindow : public ChartWindow {
    Q_OBJECT

public:
    explicit DrawTrendWindow(QWidget* parent = nullptr);

    // The draw list's text (lines oldest first) of `lottery`; the chart scrolls to the newest
    // draw and the figures below it.
    void showDrawList(const QString& lottery, const QString& drawListText);

    DrawTrendChart* chart() const { return m_chart; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    DrawTrendWindow(QWidget* parent, DrawTrendChart* chart);
    // Once the chart has its new size: the newest draw and the figures in view.
    void scrollToNewestSoon();

    DrawTrendChart* m_chart;
};

} // namespace kestrum
