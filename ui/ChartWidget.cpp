#include "ui/ChartWidget.h"

#include <QPainter>

namespace kestrum {

ChartWidget::ChartWidget(QWidget* parent) : QWidget(parent) {
    setAutoFillBackground(false);
}

QImage ChartWidget::picture() const {
    QImage image(size(), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintChart(painter);
    return image;
}

void ChartWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
    painter.setRenderHint(QPainter::Antialiasing);
    paintChart(painter);
}

QFont ChartWidget::chartFont(int pixelSize, bool bold) const {
    QFont chart = font();
    chart.setPixelSize(pixelSize);
    chart.setBold(bold);
    return chart;
}

} // namespace kestrum
