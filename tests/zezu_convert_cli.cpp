// Reads UTF-8 text from the file named as the argument (standard input when
// there is none) and writes its references to standard output as UTF-8.

#include "convert/ReferenceConverter.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [file]\n", argv[0]);
        return 2;
    }
    QFile in;
    const bool opened = argc == 2 ? (in.setFileName(QString::fromLocal8Bit(argv[1])),
                                     in.open(QIODevice::ReadOnly))
                                  : in.open(stdin, QIODevice::ReadOnly);
    if (!opened) {
        std::fprintf(stderr, "cannot read %s\n", argc == 2 ? argv[1] : "standard input");
        return 1;
    }
    const QByteArray utf8 = in.readAll();
    const QByteArray out = zezu::toReferences(QString::fromUtf8(utf8)).toUtf8();
    if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) != std::size_t(out.size())
        || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "cannot write standard output\n");
        return 1;
    }
    return 0;
}
