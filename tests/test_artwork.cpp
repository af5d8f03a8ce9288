// The artwork drawn in code: the icon at both sizes, the .ico and SVG made
// from it, the about box's banner, and the files the build wrote from them.
#include "art/AppIcon.h"
#include "art/ArtFiles.h"
#include "art/Banner.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QPainter>
#include <QTest>
#include <QXmlStreamReader>

using namespace zezu;

namespace {

bool isOrange(QRgb c)
{
    return qAlpha(c) > 200 && qRed(c) > 200 && qGreen(c) > 80 && qGreen(c) < 170
           && qBlue(c) < 80;
}

bool isPageGrey(QRgb c)
{
    return qAlpha(c) > 200 && std::abs(qRed(c) - qGreen(c)) < 8
           && std::abs(qGreen(c) - qBlue(c)) < 8 && qRed(c) >= 150 && qRed(c) <= 235;
}

int luminance(QRgb c) { return qGray(c); }

// Reads SVG path data back ("M x y L x y C x1 y1 x2 y2 x y Z").
QPainterPath parsePathData(const QByteArray &d)
{
    const QList<QByteArray> t = d.split(' ');
    QPainterPath path;
    auto num = [&](qsizetype i) { return t.at(i).toDouble(); };
    for (qsizetype i = 0; i < t.size();) {
        const QByteArray &cmd = t.at(i);
        if (cmd == "M") {
            path.moveTo(num(i + 1), num(i + 2));
            i += 3;
        } else if (cmd == "L") {
            path.lineTo(num(i + 1), num(i + 2));
            i += 3;
        } else if (cmd == "C") {
            path.cubicTo(num(i + 1), num(i + 2), num(i + 3), num(i + 4), num(i + 5), num(i + 6));
            i += 7;
        } else if (cmd == "Z") {
            path.closeSubpath();
            i += 1;
        } else {
            qWarning("unexpected token %s", cmd.constData());
            return {};
        }
    }
    return path;
}

void saveShot(const QString &name, const QImage &image, int scale = 1)
{
    const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR");
    if (dir.isEmpty())
        return;
    const QImage shot = image.scaled(image.size() * scale, Qt::IgnoreAspectRatio,
                                     Qt::FastTransformation);
    QVERIFY(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(name)));
}

} // namespace

class TestArtwork : public QObject
{
    Q_OBJECT

private slots:
    void iconLooksAsDescribed_data();
    void iconLooksAsDescribed();
    void iconLetterIsAnE_data();
    void iconLetterIsAnE();
    void icoHoldsBothImagesWithMasks();
    void svgPathDataRoundTrips_data();
    void svgPathDataRoundTrips();
    void svgDrawsTheWholeDesign();
    void bannerLooksAsDescribed();
    void buildWroteCurrentImages_data();
    void buildWroteCurrentImages();
    void buildWroteCurrentIconFiles();
};

void TestArtwork::iconLooksAsDescribed_data()
{
    QTest::addColumn<int>("size");
    QTest::addColumn<double>("minGrey");
    QTest::addColumn<double>("maxGrey");
    QTest::addColumn<double>("minOrange");
    // 32: a grey page bearing a large orange e; 16: the orange e alone.
    QTest::newRow("16") << 16 << 0.0 << 0.02 << 0.25;
    QTest::newRow("32") << 32 << 0.20 << 1.0 << 0.15;
}

void TestArtwork::iconLooksAsDescribed()
{
    QFETCH(int, size);
    QFETCH(double, minGrey);
    QFETCH(double, maxGrey);
    QFETCH(double, minOrange);
    const QImage image = appIconImage(size).convertToFormat(QImage::Format_ARGB32);
    saveShot(QStringLiteral("icon-%1.png").arg(size), image);
    saveShot(QStringLiteral("icon-%1-x8.png").arg(size), image, 8);
    QCOMPARE(image.size(), QSize(size, size));
    QVERIFY(image.hasAlphaChannel());

    int grey = 0;
    int orange = 0;
    QRect orangeBox;
    QRect greyBox;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb c = image.pixel(x, y);
            if (isPageGrey(c)) {
                ++grey;
                greyBox |= QRect(x, y, 1, 1);
            }
            if (isOrange(c)) {
                ++orange;
                orangeBox |= QRect(x, y, 1, 1);
            }
        }
    }
    const double area = size * size;
    QVERIFY2(grey >= minGrey * area && grey <= maxGrey * area, qPrintable(QString::number(grey)));
    QVERIFY2(orange >= minOrange * area, qPrintable(QString::number(orange)));
    // The corners show what lies behind the icon.
    QCOMPARE(qAlpha(image.pixel(0, size - 1)), 0);
    QCOMPARE(qAlpha(image.pixel(size - 1, size - 1)), 0);
    // A large letter: at least half the icon high, and on the page where
    // there is one.
    QVERIFY(orangeBox.height() >= size / 2);
    if (grey)
        QVERIFY(greyBox.contains(orangeBox));
}

void TestArtwork::iconLetterIsAnE_data()
{
    // Points of the letter in the 16-pixel design, and as scaled in the 32.
    QTest::addColumn<int>("size");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<bool>("inked");
    QTest::newRow("16: the bar at the centre") << 16 << QPoint(8, 8) << true;
    QTest::newRow("16: the ring's left") << 16 << QPoint(1, 8) << true;
    QTest::newRow("16: the bowl above the bar") << 16 << QPoint(8, 5) << false;
    QTest::newRow("16: the opening at the lower right") << 16 << QPoint(13, 10) << false;
    QTest::newRow("32: the bowl above the bar") << 32 << QPoint(16, 14) << false;
    QTest::newRow("32: the opening at the lower right") << 32 << QPoint(23, 22) << false;
}

void TestArtwork::iconLetterIsAnE()
{
    QFETCH(int, size);
    QFETCH(QPoint, point);
    QFETCH(bool, inked);
    const QImage image = appIconImage(size).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(isOrange(image.pixel(point)), inked);
}

void TestArtwork::icoHoldsBothImagesWithMasks()
{
    const QList<QImage> images{appIconImage(16), appIconImage(32)};
    const QByteArray ico = icoFile(images);

    QBuffer buffer;
    buffer.setData(ico);
    QVERIFY(buffer.open(QIODevice::ReadOnly));
    QImageReader reader(&buffer, "ico");
    QCOMPARE(reader.imageCount(), 2);
    for (int i = 0; i < 2; ++i) {
        QVERIFY(reader.jumpToImage(i));
        const QImage read = reader.read();
        QVERIFY2(!read.isNull(), qPrintable(reader.errorString()));
        QCOMPARE(read.convertToFormat(QImage::Format_ARGB32),
                 images[i].convertToFormat(QImage::Format_ARGB32));
    }

    // The AND mask marks transparent pixels for readers that ignore alpha.
    auto le32 = [&](qsizetype at) {
        return quint32(quint8(ico[at])) | quint32(quint8(ico[at + 1])) << 8
               | quint32(quint8(ico[at + 2])) << 16 | quint32(quint8(ico[at + 3])) << 24;
    };
    for (int i = 0; i < 2; ++i) {
        const int size = images[i].width();
        const qsizetype entry = 6 + 16 * i;
        QCOMPARE(int(quint8(ico[entry])), size);
        QCOMPARE(int(quint8(ico[entry + 6])), 32); // bits per pixel, low byte
        const qsizetype mask = le32(entry + 12) + 40 + size * size * 4;
        const int stride = (size + 31) / 32 * 4;
        auto masked = [&](int x, int y) {
            const quint8 byte = quint8(ico[mask + (size - 1 - y) * stride + x / 8]);
            return bool(byte & (0x80 >> (x % 8)));
        };
        const QImage argb = images[i].convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                QCOMPARE(masked(x, y), qAlpha(argb.pixel(x, y)) < 128);
    }
}

void TestArtwork::svgPathDataRoundTrips_data()
{
    QTest::addColumn<QPainterPath>("path");
    QTest::addColumn<int>("closes");
    QPainterPath triangle;
    triangle.moveTo(0, 0);
    triangle.lineTo(10, 0);
    triangle.lineTo(5, 8.125);
    triangle.closeSubpath();
    QPainterPath open;
    open.moveTo(-1, 2);
    open.lineTo(3, 4);
    open.lineTo(7, 2);
    QPainterPath twoParts = triangle;
    twoParts.addPath(open);
    QTest::newRow("closed triangle") << triangle << 1;
    QTest::newRow("open line") << open << 0;
    QTest::newRow("closed then open") << twoParts << 1;
    QTest::newRow("the 16-pixel letter") << appIconShapes(16).constFirst().path << -1;
    QTest::newRow("the 32-pixel letter") << appIconShapes(32).constLast().path << -1;
}

void TestArtwork::svgPathDataRoundTrips()
{
    QFETCH(QPainterPath, path);
    QFETCH(int, closes);
    const QByteArray d = svgPathData(path);
    if (closes >= 0)
        QCOMPARE(d.count(" Z"), closes);
    const QPainterPath back = parsePathData(d);
    QCOMPARE(back.elementCount(), path.elementCount());
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element a = path.elementAt(i);
        const QPainterPath::Element b = back.elementAt(i);
        QCOMPARE(b.type, a.type);
        QVERIFY2(std::abs(a.x - b.x) < 1e-3 && std::abs(a.y - b.y) < 1e-3,
                 qPrintable(QStringLiteral("element %1: %2,%3 read back as %4,%5")
                                .arg(i).arg(a.x).arg(a.y).arg(b.x).arg(b.y)));
    }
}

void TestArtwork::svgDrawsTheWholeDesign()
{
    const QList<IconShape> shapes = appIconShapes(32);
    QXmlStreamReader xml(svgFile(shapes, 32));
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QStringLiteral("svg"));
    QCOMPARE(xml.namespaceUri(), QStringLiteral("http://www.w3.org/2000/svg"));
    QCOMPARE(xml.attributes().value(QStringLiteral("viewBox")), QStringLiteral("0 0 32 32"));
    QCOMPARE(xml.attributes().value(QStringLiteral("width")), QStringLiteral("32"));

    // Drawn back from what the SVG says, the icon is the one painted in code.
    QImage drawn(32, 32, QImage::Format_ARGB32_Premultiplied);
    drawn.fill(Qt::transparent);
    QPainter p(&drawn);
    p.setRenderHint(QPainter::Antialiasing);
    int paths = 0;
    while (xml.readNextStartElement()) {
        QCOMPARE(xml.name(), QStringLiteral("path"));
        const QXmlStreamAttributes a = xml.attributes();
        QPainterPath path = parsePathData(a.value(QStringLiteral("d")).toLatin1());
        path.setFillRule(a.value(QStringLiteral("fill-rule")) == QStringLiteral("evenodd")
                             ? Qt::OddEvenFill
                             : Qt::WindingFill);
        p.setBrush(QColor::fromString(a.value(QStringLiteral("fill"))));
        if (a.hasAttribute(QStringLiteral("stroke")))
            p.setPen(QPen(QColor::fromString(a.value(QStringLiteral("stroke"))),
                          a.value(QStringLiteral("stroke-width")).toDouble(), Qt::SolidLine,
                          Qt::FlatCap, Qt::RoundJoin));
        else
            p.setPen(Qt::NoPen);
        p.drawPath(path);
        ++paths;
        xml.skipCurrentElement();
    }
    p.end();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
    QCOMPARE(paths, shapes.size());

    const QImage painted = appIconImage(32);
    int worst = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const QRgb a = drawn.pixel(x, y);
            const QRgb b = painted.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
        }
    }
    QVERIFY2(worst <= 4, qPrintable(QString::number(worst)));
}

void TestArtwork::bannerLooksAsDescribed()
{
    const QImage banner = bannerImage();
    saveShot(QStringLiteral("banner.png"), banner);
    saveShot(QStringLiteral("banner-x4.png"), banner, 4);
    QCOMPARE(banner.size(), QSize(200, 50));
    QCOMPARE(banner.format(), QImage::Format_RGB888);
    QCOMPARE(banner.depth(), 24);

    qint64 sum = 0;
    int lightAbove = 0;   // title letters, above the version line
    int lightBelow = 0;
    int stripMax = 0;     // the strip the version line is written on
    int fadedLines = 0;   // markup drawn on the ground, left of the strip
    int groundMax = 0;
    const QRect strip(kBannerVersionLine, QSize(200 - kBannerVersionLine.x(), 12));
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 200; ++x) {
            const int l = luminance(banner.pixel(x, y));
            sum += l;
            if (l > 200)
                ++(y < kBannerVersionLine.y() ? lightAbove : lightBelow);
            if (strip.contains(x, y))
                stripMax = std::max(stripMax, l);
            if (x < kBannerVersionLine.x() - 10 && y >= kBannerVersionLine.y()) {
                groundMax = std::max(groundMax, l);
                if (l > 45)
                    ++fadedLines;
            }
        }
    }
    QVERIFY2(sum / (200 * 50) < 60, "the ground is dark");
    QVERIFY2(lightAbove > 300, qPrintable(QString::number(lightAbove)));
    QCOMPARE(lightBelow, 0);
    // Light grey text (224) stands out on the strip.
    QVERIFY2(stripMax < 100, qPrintable(QString::number(stripMax)));
    QVERIFY2(fadedLines > 50, qPrintable(QString::number(fadedLines)));
    QVERIFY2(groundMax < 120, "the lines are faded");
}

void TestArtwork::buildWroteCurrentImages_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage>("expected");
    QTest::newRow("16-pixel icon") << "app-16.png" << appIconImage(16);
    QTest::newRow("32-pixel icon") << "app-32.png" << appIconImage(32);
    QTest::newRow("256-pixel icon") << "app-256.png" << appIconImage(256);
    QTest::newRow("banner") << "banner.png" << bannerImage();
}

void TestArtwork::buildWroteCurrentImages()
{
    QFETCH(QString, name);
    QFETCH(QImage, expected);
    const QDir dir(QStringLiteral(ZEZU_ART_DIR));
    const QImage read(dir.filePath(name));
    QVERIFY2(!read.isNull(), qPrintable(dir.filePath(name)));
    QCOMPARE(read.convertToFormat(QImage::Format_ARGB32),
             expected.convertToFormat(QImage::Format_ARGB32));
}

void TestArtwork::buildWroteCurrentIconFiles()
{
    const QDir dir(QStringLiteral(ZEZU_ART_DIR));
    QFile svg(dir.filePath(QStringLiteral("app.svg")));
    QVERIFY(svg.open(QIODevice::ReadOnly));
    QCOMPARE(svg.readAll(), svgFile(appIconShapes(32), 32));
    QFile ico(dir.filePath(QStringLiteral("app.ico")));
    QVERIFY(ico.open(QIODevice::ReadOnly));
    QCOMPARE(ico.readAll(), icoFile({appIconImage(16), appIconImage(32)}));
}

QTEST_MAIN(TestArtwork)
#include "test_artwork.moc"
