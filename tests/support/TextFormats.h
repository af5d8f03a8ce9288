#pragma once

// Fixtures for tests of text file formats: every format, file bytes made by
// glibc's iconv, random file bytes and texts that reach the hard cases, and
// the requests that ask Python's codecs about them.

#include "text/TextFormat.h"
#include "support/Codecs.h"
#include "support/Iconv.h"
#include "support/PyCodecs.h"

#include <QByteArray>
#include <QString>
#include <QTest>

#include <random>
#include <vector>

namespace zezu::test {

inline const QByteArray bomUtf8("\xEF\xBB\xBF");
inline const QByteArray bomLe("\xFF\xFE");
inline const QByteArray bomBe("\xFE\xFF");

// UTF-8 source text as the bytes of an encoding, per iconv.
inline QByteArray iconvTo(const char *encoding, const char *utf8)
{
    const auto bytes = Iconv(encoding, "UTF-8").convert(QByteArray(utf8));
    if (!bytes)
        qFatal("iconv cannot write \"%s\" as %s", utf8, encoding);
    return *bytes;
}
inline QByteArray utf8(const char *text) { return QByteArray(text); }
inline QByteArray cp1251(const char *utf8) { return iconvTo("WINDOWS-1251", utf8); }

inline const char *iconvName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Windows1251: return "WINDOWS-1251";
    case Encoding::Utf8: return "UTF-8";
    case Encoding::Utf16LE: return "UTF-16LE";
    case Encoding::Utf16BE: return "UTF-16BE";
    }
    return "";
}

// A text as a file of the format would hold it: its mark, then iconv's bytes.
inline QByteArray fileBytes(const TextFormat &format, const QString &text)
{
    const QByteArray mark = format.bom ? byteOrderMark(format.encoding).toByteArray() : QByteArray();
    return mark + iconvTo(iconvName(format.encoding), text.toUtf8().constData());
}

// Every format a file can have (Windows-1251 has no mark).
inline const std::vector<TextFormat> &allFormats()
{
    static const std::vector<TextFormat> formats = [] {
        std::vector<TextFormat> all;
        for (const Encoding e : {Encoding::Windows1251, Encoding::Utf8, Encoding::Utf16LE,
                                 Encoding::Utf16BE})
            for (const bool bom : {false, true})
                for (const LineEnds ends : {LineEnds::CrLf, LineEnds::Lf})
                    if (!bom || e != Encoding::Windows1251)
                        all.push_back({e, bom, ends});
        return all;
    }();
    return formats;
}

// A data table with a "format" column, one row per format.
inline void everyFormat()
{
    QTest::addColumn<TextFormat>("format");
    for (const TextFormat &format : allFormats())
        QTest::newRow(formatName(format).toUtf8().constData()) << format;
}

// What Python decodes a file of the format with, the mark included.
inline PyRequest decodeRequest(const QByteArray &bytes, const TextFormat &format)
{
    const char *codec = "cp1251";
    if (format.encoding == Encoding::Utf8)
        codec = format.bom ? "utf-8-sig" : "utf-8";
    else if (format.encoding != Encoding::Windows1251)
        codec = format.bom ? "utf-16" : format.encoding == Encoding::Utf16LE ? "utf-16-le" : "utf-16-be";
    return {"decode", codec, format.lineEnds == LineEnds::Lf ? "lf" : "crlf", bytes};
}

inline PyRequest encodeRequest(const QString &text, const TextFormat &format)
{
    const char *codec = format.encoding == Encoding::Windows1251 ? "cp1251"
        : format.encoding == Encoding::Utf8                   ? "utf-8"
        : format.encoding == Encoding::Utf16LE                ? "utf-16-le"
                                                              : "utf-16-be";
    return {format.bom ? "encode-bom" : "encode", codec,
            format.lineEnds == LineEnds::Lf ? "lf" : "crlf", utf16le(text)};
}

// Random bytes for a file of the format, of about size bytes, with its mark
// when the format has one. They are made of the units that matter: breaks,
// letters, and per encoding its hard cases (sequences cut off, overlong or
// out of range; lone and cut-off surrogates), none in half the inputs so that
// valid UTF-8 comes up too. Never 0x98 in Windows-1251, which Python's codec
// lacks and the editor reads as U+0098.
inline QByteArray randomFileBytes(std::mt19937 &random, const TextFormat &format, int size)
{
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const bool clean = pick(2) == 0;
    const bool noCr = pick(2) == 0;
    QByteArray bytes = format.bom ? byteOrderMark(format.encoding).toByteArray() : QByteArray();
    const bool wide = format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE;
    static const char16_t units[] = {u'a', u' ', u'\r', u'\n', u'Ж', u'ё', 0x0D0A, 0x0A0D, 0xFEFF,
                                     0xD83D, 0xDE00, 0xD800, 0xDC00, 0x0085};
    static const char *const pieces8[] = {"a", " ", "\r", "\n", "\r\n", "\xD0\x96", "\xE2\x82\xAC",
                                          "\xF0\x9F\x98\x80", "\xEF\xBB\xBF", "\xC2\xA0"};
    static const char *const bad8[] = {"\x80", "\xC0\xAF", "\xE2\x82", "\xED\xA0\x80",
                                       "\xF4\x90\x80\x80", "\xE0\x80", "\xF0\x9F\x98", "\xFF",
                                       "\xC2\x85", "\xF5"};
    while (bytes.size() < size) {
        if (wide) {
            char16_t u = units[pick(clean ? 6 : 14)];
            if (pick(8) == 0)
                u = char16_t(random());
            if (noCr && u == u'\r')
                continue;
            const bool little = format.encoding == Encoding::Utf16LE;
            bytes += char(little ? u & 0xFF : u >> 8);
            bytes += char(little ? u >> 8 : u & 0xFF);
        } else if (format.encoding == Encoding::Utf8) {
            const char *piece = !clean && pick(6) == 0 ? bad8[pick(10)] : pieces8[pick(10)];
            if (!(noCr && QByteArray(piece).contains('\r')))
                bytes += piece;
        } else {
            const int b = pick(3) == 0 ? pick(256) : "ab \r\n\xC0\xE6\xFF\xA8\xB8"[pick(10)] & 0xFF;
            if (b != 0x98 && !(noCr && b == '\r'))
                bytes += char(b);
        }
    }
    if (wide && !clean && pick(3) == 0)
        bytes += 'x'; // a unit cut off
    return bytes;
}

// Random text of about size units: breaks and lone CR and LF, letters in and
// out of the page, surrogate pairs, and lone surrogates. Never U+0098, which
// the editor writes as the byte 0x98 and Python's cp1251 as "?".
inline QString randomText(std::mt19937 &random, int size)
{
    static const char16_t units[] = {u'a', u' ', u'\r', u'\n', u'Ж', u'ё', u'№', u'€', u'中',
                                     0xFEFF, 0xFFFD, 0, 0xD83D, 0xDE00, 0xD800, 0xDC00,
                                     0xDC80, 0xDCFF};
    QString text;
    while (text.size() < size) {
        const int k = int(random() % 22);
        if (k < 18)
            text += QChar(units[k]);
        else if (k < 20)
            text += QStringLiteral("\r\n");
        else
            text += QStringLiteral("\U0001F600");
    }
    return text;
}

// The formats this program writes: Windows-1251, UTF-8 with and without the
// mark, UTF-16 with it, each with either line ends.
inline std::vector<TextFormat> writtenFormats()
{
    std::vector<TextFormat> formats;
    for (const TextFormat &f : allFormats())
        if (f.bom || f.encoding == Encoding::Windows1251 || f.encoding == Encoding::Utf8)
            formats.push_back(f);
    return formats;
}

// A text as the editor holds it (lines ending in CR LF; a lone LF only where
// the file keeps CR LF line ends), of ASCII but for exactly nonAscii other
// characters, with no "&": the hard cases of reading a file back, such as
// a lone character whose UTF-8 bytes Windows-1251 reads as two letters, a C1
// control, or U+FEFF at the start. pageOnly keeps to what Windows-1251 holds.
inline QString randomLines(std::mt19937 &random, int nonAscii, bool lfLines, bool pageOnly)
{
    using namespace Qt::StringLiterals;
    static const QStringList page = {u"ё"_s, u"Ж"_s, u"№"_s, u"«"_s, u"—"_s, u"Ё"_s,
                                     u"\u0098"_s, u"\u00A0"_s, u"Ґ"_s, u"€"_s};
    static const QStringList other = {u"é"_s, u"è"_s, u"ø"_s, u"Ÿ"_s, u"и"_s,
                                      u"Ш"_s, u"²"_s, u"ó"_s, u"\u0085"_s,
                                      u"\u00B8"_s, u"中"_s, u"\U0001F600"_s, u"\uFEFF"_s};
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    QStringList parts;
    for (int i = 0, n = pick(12); i < n; ++i)
        parts.append(QString(pick(6) + 1, QChar(u'a' + pick(26))));
    for (int i = 0; i < nonAscii; ++i) {
        const bool fromPage = pageOnly || pick(2) == 0;
        const QStringList &pool = fromPage ? page : other;
        parts.insert(pick(int(parts.size()) + 1), pool[pick(int(pool.size()))]);
    }
    QString text;
    for (const QString &part : parts)
        text += part + (pick(4) == 0 ? u"\r\n"_s : !lfLines && pick(9) == 0 ? u"\n"_s : u" "_s);
    return text.isEmpty() ? text : text + u"\r\n"_s;
}

} // namespace zezu::test
