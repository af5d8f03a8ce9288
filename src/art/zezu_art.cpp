// Writes the artwork drawn in code as the files the build installs or
// compiles in: the icon as PNGs, an SVG and a Windows .ico, and the banner.
//   zezu_art <output directory>
#include "art/AppIcon.h"
#include "art/ArtFiles.h"
#include "art/Banner.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>

#include <cstdio>

namespace {

bool write(const QDir &dir, const QString &name, const QByteArray &data)
{
    QFile file(dir.filePath(name));
    if (file.open(QIODevice::WriteOnly) && file.write(data) == data.size() && file.flush())
        return true;
    std::fprintf(stderr, "zezu_art: cannot write %s: %s\n", qPrintable(file.fileName()),
                 qPrintable(file.errorString()));
    return false;
}

bool write(const QDir &dir, const QString &name, const QImage &image)
{
    if (image.save(dir.filePath(name), "PNG"))
        return true;
    std::fprintf(stderr, "zezu_art: cannot write %s\n", qPrintable(dir.filePath(name)));
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Drawing needs fonts but no screen; this runs inside the build.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: zezu_art <output directory>\n", stderr);
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "zezu_art: cannot create %s\n", argv[1]);
        return 1;
    }
    using namespace zezu;
    const bool ok = write(dir, QStringLiteral("app-16.png"), appIconImage(16))
                    && write(dir, QStringLiteral("app-32.png"), appIconImage(32))
                    && write(dir, QStringLiteral("app-256.png"), appIconImage(256))
                    && write(dir, QStringLiteral("app.svg"), svgFile(appIconShapes(32), 32))
                    && write(dir, QStringLiteral("app.ico"),
                             icoFile({appIconImage(16), appIconImage(32)}))
                    && write(dir, QStringLiteral("banner.png"), bannerImage());
    return ok ? 0 : 1;
}
