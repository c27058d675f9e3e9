#include "ui/DialogUnits.h"

#include <QFontMetrics>

namespace kestrum {

DialogUnits::DialogUnits(const QFont& font) {
    const QFontMetrics metrics(font);
    // The average width of the 52 Latin letters, rounded, and the font's height.
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_base = QSize((letters / 26 + 1) / 2, metrics.height());
}

int DialogUnits::toPixelsX(int units) const {
    return (units * m_base.width() + 2) / 4;
}

int DialogUnits::toPixelsY(int units) const {
    return (units * m_base.height() + 4) / 8;
}

QRect DialogUnits::toPixels(int x, int y, int width, int height) const {
    return {toPixelsX(x), toPixelsY(y), toPixelsX(width), toPixelsY(height)};
}

QSize DialogUnits::toPixels(QSize units) const {
    return {toPixelsX(units.width()), toPixelsY(units.height())};
}

} // namespace kestrum
