#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QList>
#include <QPainterPath>

namespace zezu {

// One filled and outlined shape of the icon.
struct IconShape
{
    QPainterPath path;
    QColor fill;
    QColor outline;
    qreal outlineWidth = 0;
};

// The program's icon, drawn here rather than shipped as artwork: a grey page
// bearing a large orange "e" at 32 pixels and up, the orange "e" alone below
// that. The shapes are the one source of the pixels, the .ico and the SVG.
QList<IconShape> appIconShapes(int size);
QImage appIconImage(int size);
QIcon appIcon();

} // namespace zezu
