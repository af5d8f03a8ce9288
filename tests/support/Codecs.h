#pragma once

// The codecs and text files in the default format, Windows-1251 with CR LF
// line ends, and names of formats for test output.

#include "files/TextFile.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QString>

namespace zezu::test {

// The format of a whole file's bytes.
inline TextFormat detectFormat(QByteArrayView bytes)
{
    FormatDetector detector;
    detector.feed(bytes);
    return detector.format();
}

// The whole of bytes decoded at once.
inline QString decodeText(QByteArrayView bytes, const TextFormat &format)
{
    TextDecoder decoder(format, bytes.size());
    decoder.feed(bytes);
    return decoder.finish();
}

inline QString decodeCp1251(QByteArrayView bytes) { return decodeText(bytes, TextFormat{}); }
inline QByteArray encodeCp1251(QStringView text) { return encodeText(text, TextFormat{}); }

// Reads a file whatever its format, as the open command does.
inline bool readTextFile(const QString &path, QString &text, QString &reason)
{
    TextFormat format;
    return zezu::readTextFile(path, text, format, reason);
}

// A text held whole, written as a save writes the text area's.
inline bool writeWholeText(const QString &path, QStringView text, TextFormat &format,
                           QString &reason)
{
    const TextPieces whole = [text](qsizetype, QString &into) {
        into = QString::fromRawData(reinterpret_cast<const QChar *>(text.utf16()), text.size());
        return qsizetype(-1);
    };
    return writeTextFile(path, whole, format, reason);
}

inline bool writeCp1251File(const QString &path, QStringView text, QString &reason)
{
    TextFormat format;
    return writeWholeText(path, text, format, reason);
}

// A short name such as "UTF-8 BOM LF".
inline QString formatName(const TextFormat &format)
{
    QString name;
    switch (format.encoding) {
    case Encoding::Windows1251: name = QStringLiteral("Windows-1251"); break;
    case Encoding::Utf8: name = QStringLiteral("UTF-8"); break;
    case Encoding::Utf16LE: name = QStringLiteral("UTF-16 LE"); break;
    case Encoding::Utf16BE: name = QStringLiteral("UTF-16 BE"); break;
    }
    if (format.bom)
        name += QStringLiteral(" BOM");
    name += format.lineEnds == LineEnds::Lf ? QStringLiteral(" LF") : QStringLiteral(" CRLF");
    return name;
}

} // namespace zezu::test
