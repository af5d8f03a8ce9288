#pragma once

#include "art/AppIcon.h"

#include <QByteArray>
#include <QImage>
#include <QList>

namespace zezu {

// A Windows icon file holding the images given (at most 256 pixels square),
// each as 32-bit colour with alpha plus the 1-bit transparency mask.
QByteArray icoFile(const QList<QImage> &images);

// An SVG document of the shapes, drawn in a square of the given size.
QByteArray svgFile(const QList<IconShape> &shapes, int size);

// SVG path data ("M x y L x y C ... Z") of a painter path.
QByteArray svgPathData(const QPainterPath &path);

} // namespace zezu
