#pragma once

// Dialog units: positions and sizes measured in the dialog font, a quarter of its average
// character width across and an eighth of its height down, so that the layout scales with the
// font and the screen's resolution.

#include <QFont>
#include <QRect>
#include <QSize>

namespace kestrum {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);

    int toPixelsX(int units) const;
    int toPixelsY(int units) const;
    QRect toPixels(int x, int y, int width, int height) const;
    QSize toPixels(QSize units) const;

    // The font's average character width and height in pixels.
    QSize baseUnits() const { return m_base; }

private:
    QSize m_base;
};

} // namespace kestrum
