#include "ui/AppIcon.h"

#include <QFont>
#include <QPainter>
#include <QPainterPath>

namespace zezu {

namespace {

const QColor kOrange(0xF0, 0x7A, 0x10);
const QColor kOrangeDark(0xB0, 0x50, 0x00);

void drawLetter(QPainter &p, const QRectF &box, qreal pixelSize)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(int(pixelSize));
    font.setStyleStrategy(QFont::PreferAntialias);
    QPainterPath path;
    path.addText(0, 0, font, QStringLiteral("e"));
    const QRectF bounds = path.boundingRect();
    path.translate(box.center() - bounds.center());
    p.setPen(QPen(kOrangeDark, pixelSize > 20 ? 1.0 : 0.6));
    p.setBrush(kOrange);
    p.drawPath(path);
}

} // namespace

QImage appIconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (size >= 32) {
        // A page with a folded top-right corner.
        const qreal s = size / 32.0;
        QPainterPath page;
        page.moveTo(5 * s, 1.5 * s);
        page.lineTo(20 * s, 1.5 * s);
        page.lineTo(27 * s, 8.5 * s);
        page.lineTo(27 * s, 30.5 * s);
        page.lineTo(5 * s, 30.5 * s);
        page.closeSubpath();
        p.setPen(QPen(QColor(0x70, 0x70, 0x70), 1.0));
        p.setBrush(QColor(0xD4, 0xD4, 0xD4));
        p.drawPath(page);
        QPainterPath fold;
        fold.moveTo(20 * s, 1.5 * s);
        fold.lineTo(20 * s, 8.5 * s);
        fold.lineTo(27 * s, 8.5 * s);
        fold.closeSubpath();
        p.setBrush(QColor(0xA8, 0xA8, 0xA8));
        p.drawPath(fold);
        drawLetter(p, QRectF(5 * s, 8 * s, 22 * s, 22 * s), 26 * s);
    } else {
        drawLetter(p, QRectF(0, 0, size, size), size * 1.25);
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
