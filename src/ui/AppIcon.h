#pragma once

#include <QIcon>
#include <QImage>

namespace zezu {

// The program's icon, drawn here rather than shipped as artwork: a grey page
// with a large orange "e" at 32 pixels, the orange "e" alone at 16.
QImage appIconImage(int size);
QIcon appIcon();

} // namespace zezu
