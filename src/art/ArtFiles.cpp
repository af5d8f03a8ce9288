#include "art/ArtFiles.h"

#include <QDataStream>
#include <QIODevice>

namespace zezu {

namespace {

// Writes one image as an icon resource: a bitmap header, the colours bottom
// row first, then the AND mask (1 = transparent), rows padded to 32 bits.
QByteArray icoImage(const QImage &source)
{
    const QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const int w = image.width();
    const int h = image.height();
    const int maskStride = (w + 31) / 32 * 4;

    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint32(40) << qint32(w) << qint32(2 * h) // colours and mask stacked
        << quint16(1) << quint16(32) << quint32(0)
        << quint32(w * h * 4 + maskStride * h) << qint32(0) << qint32(0) << quint32(0)
        << quint32(0);
    for (int y = h - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            out << quint8(qBlue(row[x])) << quint8(qGreen(row[x])) << quint8(qRed(row[x]))
                << quint8(qAlpha(row[x]));
    }
    for (int y = h - 1; y >= 0; --y) {
        const auto *row = reinterpret_cast<const QRgb *>(image.constScanLine(y));
        QByteArray mask(maskStride, '\0');
        for (int x = 0; x < w; ++x) {
            if (qAlpha(row[x]) < 128)
                mask[x / 8] = char(quint8(mask[x / 8]) | (0x80 >> (x % 8)));
        }
        out.writeRawData(mask.constData(), int(mask.size()));
    }
    return data;
}

QByteArray number(qreal v)
{
    QByteArray s = QByteArray::number(v, 'f', 3);
    while (s.endsWith('0'))
        s.chop(1);
    if (s.endsWith('.'))
        s.chop(1);
    return s == "-0" ? QByteArray("0") : s;
}

QByteArray point(qreal x, qreal y) { return number(x) + ' ' + number(y); }

QByteArray colour(const QColor &c) { return c.name(QColor::HexRgb).toLatin1(); }

} // namespace

QByteArray icoFile(const QList<QImage> &images)
{
    QList<QByteArray> bodies;
    for (const QImage &image : images)
        bodies << icoImage(image);

    QByteArray file;
    QDataStream out(&file, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << quint16(0) << quint16(1) << quint16(images.size());
    quint32 offset = 6 + 16 * quint32(images.size());
    for (qsizetype i = 0; i < images.size(); ++i) {
        // 256 is written as 0.
        out << quint8(images[i].width() & 0xFF) << quint8(images[i].height() & 0xFF)
            << quint8(0) << quint8(0) << quint16(1) << quint16(32)
            << quint32(bodies[i].size()) << offset;
        offset += quint32(bodies[i].size());
    }
    for (const QByteArray &body : bodies)
        out.writeRawData(body.constData(), int(body.size()));
    return file;
}

QByteArray svgPathData(const QPainterPath &path)
{
    QByteArray d;
    QPointF start;
    QPointF last;
    auto closeIfBack = [&] {
        // Qt strokes a subpath that ends where it began as closed; so does Z.
        if (!d.isEmpty() && last == start)
            d += " Z";
    };
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        switch (e.type) {
        case QPainterPath::MoveToElement:
            closeIfBack();
            if (!d.isEmpty())
                d += ' ';
            d += "M " + point(e.x, e.y);
            start = last = e;
            break;
        case QPainterPath::LineToElement:
            d += " L " + point(e.x, e.y);
            last = e;
            break;
        case QPainterPath::CurveToElement: {
            const QPainterPath::Element c2 = path.elementAt(i + 1);
            const QPainterPath::Element end = path.elementAt(i + 2);
            d += " C " + point(e.x, e.y) + ' ' + point(c2.x, c2.y) + ' ' + point(end.x, end.y);
            last = end;
            i += 2;
            break;
        }
        case QPainterPath::CurveToDataElement:
            break; // consumed with its curve
        }
    }
    closeIfBack();
    return d;
}

QByteArray svgFile(const QList<IconShape> &shapes, int size)
{
    const QByteArray n = QByteArray::number(size);
    QByteArray svg = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                     "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + n + "\" height=\""
                     + n + "\" viewBox=\"0 0 " + n + ' ' + n + "\">\n";
    for (const IconShape &shape : shapes) {
        svg += "  <path d=\"" + svgPathData(shape.path) + "\" fill=\"" + colour(shape.fill)
               + "\" fill-rule=\""
               + (shape.path.fillRule() == Qt::WindingFill ? "nonzero" : "evenodd") + '"';
        if (shape.outlineWidth > 0)
            svg += " stroke=\"" + colour(shape.outline) + "\" stroke-width=\""
                   + number(shape.outlineWidth) + "\" stroke-linejoin=\"round\"";
        svg += "/>\n";
    }
    svg += "</svg>\n";
    return svg;
}

} // namespace zezu
