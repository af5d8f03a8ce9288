// Reads UTF-8 text from the file named as the argument (standard input when
// there is none) and writes its references to standard output as UTF-8.
//   zezu_convert_cli [file]                    text to references
//   zezu_convert_cli --decode [file]           references back to text
//   zezu_convert_cli --decode=N [file]         the same in pieces of N units,
//                                              carrying unfinished references over

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"
#include "support/DecodeInPieces.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// Pieces of pieceSize units, as a caller reading a stream would.
QString decodeInPieces(const QString &text, qsizetype pieceSize)
{
    QList<qsizetype> cuts;
    for (qsizetype at = pieceSize; at < text.size(); at += pieceSize)
        cuts.push_back(at);
    QString out;
    zezu::reserveForText(out, text);
    return zezu::test::decodeInPieces(text, cuts, std::move(out));
}

} // namespace

int main(int argc, char **argv)
{
    bool decode = false;
    long pieceSize = 0;
    int arg = 1;
    bool usage = false;
    if (arg < argc && std::strncmp(argv[arg], "--", 2) == 0) {
        decode = std::strcmp(argv[arg], "--decode") == 0;
        if (std::strncmp(argv[arg], "--decode=", 9) == 0) {
            pieceSize = std::strtol(argv[arg] + 9, nullptr, 10);
            decode = pieceSize > 0;
        }
        usage = !decode;
        ++arg;
    }
    if (usage || argc - arg > 1) {
        std::fprintf(stderr, "usage: %s [--decode[=PIECE_UNITS]] [file]\n", argv[0]);
        return 2;
    }
    QFile in;
    const bool opened = arg < argc ? (in.setFileName(QString::fromLocal8Bit(argv[arg])),
                                      in.open(QIODevice::ReadOnly))
                                   : in.open(stdin, QIODevice::ReadOnly);
    if (!opened) {
        std::fprintf(stderr, "cannot read %s\n", arg < argc ? argv[arg] : "standard input");
        return 1;
    }
    const QString text = QString::fromUtf8(in.readAll());
    const QString result = !decode      ? zezu::toReferences(text)
        : pieceSize > 0                 ? decodeInPieces(text, pieceSize)
                                        : zezu::fromReferences(text);
    const QByteArray out = result.toUtf8();
    if (std::fwrite(out.constData(), 1, std::size_t(out.size()), stdout) != std::size_t(out.size())
        || std::fflush(stdout) != 0) {
        std::fprintf(stderr, "cannot write standard output\n");
        return 1;
    }
    return 0;
}
