#include "ui/AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPixmap>

namespace kestrum {

namespace {

QPixmap drawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xB7, 0x1C, 0x1C));
    painter.drawRoundedRect(QRectF(0, 0, size, size), size / 6.0, size / 6.0);
    QFont font;
    font.setBold(true);
    font.setPixelSize(size * 5 / 8);
    painter.setFont(font);
    painter.setPen(QColor(0xFF, 0xD5, 0x4F));
    painter.drawText(QRect(0, 0, size, size), Qt::AlignCenter, QStringLiteral("K"));
    return pixmap;
}

} // namespace

QIcon appIcon() {
    static const QIcon icon = [] {
        QIcon drawn;
        for (int size : {16, 24, 32, 48, 64, 128}) {
            drawn.addPixmap(drawIcon(size));
        }
        return drawn;
    }();
    return icon;
}

} // namespace kestrum
