#pragma once

#include <QIcon>

namespace kestrum {

// The program's icon (icon 128), drawn once at the sizes window managers ask for.
QIcon appIcon();

} // namespace kestrum
