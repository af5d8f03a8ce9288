#include "art/AppIcon.h"

#include <QPainter>
#include <QPainterPathStroker>

namespace zezu {

namespace {

const QColor kOrange(0xF0, 0x7A, 0x10);
const QColor kOrangeDark(0xA8, 0x4A, 0x00);
const QColor kPage(0xD6, 0xD6, 0xD6);
const QColor kPageEdge(0x6E, 0x6E, 0x6E);
const QColor kFold(0xA8, 0xA8, 0xA8);
const QColor kRule(0xA0, 0xA0, 0xA0);

// A bold lower-case "e" drawn as geometry, so that the icon looks the same
// whatever fonts a machine has: an open ring around the centre, cut at the
// lower right, and a bar across the middle.
QPainterPath letterE(QPointF centre, qreal rx, qreal ry, qreal stroke, qreal bar)
{
    // The ring's centre line runs half a stroke inside the outer edge.
    const QRectF ring(centre.x() - rx + stroke / 2, centre.y() - ry + stroke / 2,
                      2 * rx - stroke, 2 * ry - stroke);
    QPainterPath arc;
    arc.arcMoveTo(ring, 0);
    arc.arcTo(ring, 0, 322);
    QPainterPathStroker stroker;
    stroker.setWidth(stroke);
    stroker.setCapStyle(Qt::FlatCap);
    stroker.setJoinStyle(Qt::MiterJoin);
    QPainterPath letter = stroker.createStroke(arc);

    // The bar runs out to the ring's outer edge, where the ring begins.
    QPainterPath crossbar;
    crossbar.addRect(QRectF(centre.x() - rx + stroke / 2, centre.y() - bar / 2,
                            2 * rx - stroke / 2, bar));
    letter = letter.united(crossbar).simplified();
    letter.setFillRule(Qt::WindingFill);
    return letter;
}

} // namespace

QList<IconShape> appIconShapes(int size)
{
    if (size < 32) {
        // Too small for a page to read: the letter alone fills the square.
        const qreal s = size / 16.0;
        return {{letterE(QPointF(8 * s, 8 * s), 7.2 * s, 7.4 * s, 3.1 * s, 2.3 * s), kOrange,
                 kOrangeDark, 0.8 * s}};
    }

    // Coordinates are those of the 32-pixel design; outlines sit on pixel
    // centres so that they stay one pixel wide.
    const qreal s = size / 32.0;
    QPainterPath page;
    page.moveTo(5.5 * s, 1.5 * s);
    page.lineTo(20.5 * s, 1.5 * s);
    page.lineTo(26.5 * s, 7.5 * s);
    page.lineTo(26.5 * s, 30.5 * s);
    page.lineTo(5.5 * s, 30.5 * s);
    page.closeSubpath();

    QPainterPath fold;
    fold.moveTo(20.5 * s, 1.5 * s);
    fold.lineTo(20.5 * s, 7.5 * s);
    fold.lineTo(26.5 * s, 7.5 * s);
    fold.closeSubpath();

    // Two lines of text above the letter make the page read as a document.
    QPainterPath rules;
    rules.addRect(QRectF(8 * s, 4 * s, 10 * s, 1 * s));
    rules.addRect(QRectF(8 * s, 7 * s, 8 * s, 1 * s));

    return {
        {page, kPage, kPageEdge, 1.0 * s},
        {fold, kFold, kPageEdge, 1.0 * s},
        {rules, kRule, QColor(), 0},
        {letterE(QPointF(16 * s, 19.5 * s), 9 * s, 9.5 * s, 4.2 * s, 3.2 * s), kOrange,
         kOrangeDark, 1.0 * s},
    };
}

QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (const IconShape &shape : appIconShapes(size)) {
        p.setBrush(shape.fill);
        if (shape.outlineWidth > 0)
            p.setPen(QPen(shape.outline, shape.outlineWidth, Qt::SolidLine, Qt::FlatCap,
                          Qt::RoundJoin));
        else
            p.setPen(Qt::NoPen);
        p.drawPath(shape.path);
    }
    return image;
}

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}

} // namespace zezu
