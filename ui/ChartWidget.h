#pragma once

// A picture painted with QPainter at a fixed size, shown inside a scroll area and saved as an
// image. Subclasses lay out their figures in pixels of the widget.

#include <QImage>
#include <QWidget>

namespace kestrum {

class ChartWidget : public QWidget {
    Q_OBJECT

public:
    explicit ChartWidget(QWidget* parent = nullptr);

    // The whole picture at the widget's size, as it is saved: the parts scrolled out of view
    // included.
    QImage picture() const;

protected:
    // Paints the chart over a white ground that is already laid.
    virtual void paintChart(QPainter& painter) const = 0;
    void paintEvent(QPaintEvent* event) override;

    // The widget's font at a size in pixels, bold or not.
    QFont chartFont(int pixelSize, bool bold = false) const;
};

} // namespace kestrum
