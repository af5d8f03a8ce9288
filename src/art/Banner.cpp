#include "art/Banner.h"

#include "version/VersionRecord.h"

#include "text/ReferenceConverter.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QStringList>

#include <algorithm>

namespace zezu {

namespace {

QFont monospace(int pixelSize, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                   QStringLiteral("DejaVu Sans Mono")});
    f.setStyleHint(QFont::TypeWriter);
    f.setFixedPitch(true);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

// The ground is what the program makes: real references of Russian text.
QString markup()
{
    const QStringList lines{
        QStringLiteral("<p>Съешь же ещё этих мягких французских булок, да выпей чаю.</p>"),
        QStringLiteral("\"Дом & сад\" <b>ёлка</b> > <i>ZEZU</i>"),
        QStringLiteral("Широкая электрификация южных губерний даст мощный толчок."),
    };
    return toReferences(lines.join(QLatin1Char(' ')));
}

} // namespace

QImage bannerImage()
{
    const int w = kBannerSize.width();
    const int h = kBannerSize.height();
    QImage image(kBannerSize, QImage::Format_RGB888);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QLinearGradient ground(0, 0, 0, h);
    ground.setColorAt(0, QColor(0x22, 0x25, 0x2D));
    ground.setColorAt(1, QColor(0x10, 0x12, 0x16));
    p.fillRect(image.rect(), ground);

    // Faded lines of references, each starting further into the stream.
    const QString refs = markup();
    p.setFont(monospace(7, false));
    p.setPen(QColor(0x3E, 0x46, 0x55));
    const qreal lineHeight = 7;
    for (int i = 0; i * lineHeight < h + lineHeight; ++i) {
        const qsizetype from = (i * 23) % (refs.size() - 60);
        p.drawText(QPointF(-3.0 * (i % 3), 5 + i * lineHeight), refs.mid(from, 60));
    }

    p.end();

    // A calm strip for the version line: the lines fade out under it, with
    // soft edges so that it reads as shade rather than as a bar.
    const QColor shade(0x12, 0x14, 0x19);
    const int vx = kBannerVersionLine.x();
    const int vy = kBannerVersionLine.y();
    auto ramp = [](qreal v) { return std::clamp(v, 0.0, 1.0); };
    for (int y = vy - 3; y < vy + 16; ++y) {
        const qreal across = ramp(std::min(y - (vy - 3), vy + 15 - y) / 3.0);
        auto *row = image.scanLine(y);
        for (int x = vx - 10; x < w; ++x) {
            const qreal a = 0.9 * across * ramp((x - (vx - 10)) / 10.0);
            uchar *px = row + 3 * x;
            px[0] = uchar(px[0] + (shade.red() - px[0]) * a);
            px[1] = uchar(px[1] + (shade.green() - px[1]) * a);
            px[2] = uchar(px[2] + (shade.blue() - px[2]) * a);
        }
    }

    // The title: light typewriter letters with a soft shadow, centred above
    // the version line.
    const QString title = record::kProductName.toString();
    const QFont titleFont = monospace(30, true);
    const QFontMetricsF fm(titleFont);
    const qreal x = (w - fm.horizontalAdvance(title)) / 2;
    const qreal baseline = 25;
    p.begin(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(titleFont);
    p.setPen(QColor(0, 0, 0, 170));
    p.drawText(QPointF(x + 1, baseline + 1), title);
    p.setPen(QColor(0xEE, 0xEA, 0xDE));
    p.drawText(QPointF(x, baseline), title);
    return image;
}

} // namespace zezu
