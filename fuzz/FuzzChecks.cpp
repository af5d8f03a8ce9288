#include "FuzzChecks.h"
#include "text/Conversion.h"

#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"
#include "files/TextFile.h"
#include "text/TextPipeline.h"
#include "support/Codecs.h"
#include "support/DecodeInPieces.h"
#include "support/Iconv.h"
#include "support/LineRule.h"
#include "support/Pipeline.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <array>
#include <cstdint>

namespace zezu::fuzz {

namespace {

bool isHigh(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool isLow(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

// The rule, one character at a time.
QString modelReferences(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (isHigh(u) && i + 1 < text.size() && isLow(text[i + 1].unicode())) {
            out += QStringLiteral("&#%1;").arg(QChar::surrogateToUcs4(u, text[i + 1].unicode()));
            ++i;
            continue;
        }
        switch (u) {
        case u' ': out += QLatin1String("&nbsp;"); continue;
        case u'"': out += QLatin1String("&quot;"); continue;
        case u'&': out += QLatin1String("&amp;"); continue;
        case u'<': out += QLatin1String("&lt;"); continue;
        case u'>': out += QLatin1String("&gt;"); continue;
        default: break;
        }
        if ((u >= 0x0410 && u <= 0x044F) || u == 0x0451)
            out += QLatin1String("&#") + QString::number(int(u)) + QLatin1Char(';');
        else if (test::windows1251Units()[u] || u == 0x98) // the page's byte 0x98
            out += QChar(u);
        else if (isHigh(u) || isLow(u) || (u >= 0x80 && u < 0xA0))
            out += u'?';
        else
            out += QStringLiteral("&#%1;").arg(int(u));
    }
    return out;
}

// What a browser reads back from the references of text: text itself, but
// for a lone surrogate and a C1 control other than the page's U+0098, which
// are written as "?".
QString readBack(QStringView text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (isHigh(u) && i + 1 < text.size() && isLow(text[i + 1].unicode())) {
            out += text.sliced(i, 2);
            ++i;
        } else if (isHigh(u) || isLow(u) || (u >= 0x80 && u < 0xA0 && u != 0x98)) {
            out += u'?';
        } else {
            out += QChar(u);
        }
    }
    return out;
}

// Cut points steered by the input, so that the fuzzer explores them too.
std::vector<qsizetype> cutPoints(QByteArrayView data, qsizetype length)
{
    std::vector<qsizetype> cuts;
    if (length == 0)
        return cuts;
    std::uint32_t h = 2166136261u;
    for (const char c : data)
        h = (h ^ std::uint8_t(c)) * 16777619u;
    qsizetype at = 0;
    while (at < length) {
        at += 1 + qsizetype(h % 7u) * qsizetype(h % 3u == 0 ? 1 : 5);
        h = h * 1103515245u + 12345u;
        cuts.push_back(std::min(at, length));
    }
    return cuts;
}

QString diff(const char *what, const QString &got, const QString &expected)
{
    qsizetype at = 0;
    while (at < got.size() && at < expected.size() && got[at] == expected[at])
        ++at;
    return QStringLiteral("%1: differs at unit %2 (lengths %3 and %4)")
        .arg(QLatin1String(what))
        .arg(at)
        .arg(got.size())
        .arg(expected.size());
}

QString utf16Units(QByteArrayView data)
{
    const qsizetype units = data.size() / 2;
    QString text(units, Qt::Uninitialized);
    for (qsizetype i = 0; i < units; ++i)
        text[i] = QChar(char16_t(std::uint8_t(data[2 * i]) | std::uint8_t(data[2 * i + 1]) << 8));
    return text;
}

} // namespace

QString checkDecoder(QByteArrayView data)
{
    // As UTF-16, and as Latin-1, where references are quicker to come by.
    for (const QString &text : {utf16Units(data), QString::fromLatin1(data)}) {
        const QString whole = fromReferences(text);
        if (whole.size() > text.size())
            return QStringLiteral("decoded text is longer than its references");
        const std::vector<qsizetype> cuts = cutPoints(data, text.size());
        const QString pieces = test::decodeInPieces(text, QList<qsizetype>(cuts.begin(), cuts.end()));
        if (pieces != whole)
            return diff("fromReferences in pieces", pieces, whole);
    }
    // Each byte as a character of Windows-1251 (iconv's): the references the
    // converter writes for them decode back to them.
    const QString &page = test::windows1251Characters();
    QString text;
    for (const char c : data)
        text += page[std::uint8_t(c) % page.size()];
    const QString back = fromReferences(toReferences(text));
    if (back != text)
        return diff("fromReferences of the converted text", back, text);
    // Any text, the page's or not: back as a browser reads it.
    const QString any = utf16Units(data);
    const QString anyBack = fromReferences(toReferences(any));
    if (anyBack != readBack(any))
        return diff("fromReferences of any converted text", anyBack, readBack(any));
    return {};
}

namespace {

QString checkConverterOnly(QByteArrayView data)
{
    const QString text = utf16Units(data);
    const qsizetype units = text.size();

    const QString expected = modelReferences(text);
    const QString whole = toReferences(text);
    if (whole != expected)
        return diff("toReferences against the model", whole, expected);

    // In pieces, as the convert command does, into room reserved once: the
    // output must never move, and no piece may split a surrogate pair.
    QString pieces;
    pieces.reserve(convertedLengthBound(Conversion::ToReferences, text));
    const QChar *const base = pieces.constData();
    qsizetype from = 0;
    for (qsizetype cut : cutPoints(data, units)) {
        if (cut < units && cut > from && text[cut - 1].isHighSurrogate() && text[cut].isLowSurrogate())
            ++cut;
        if (cut <= from)
            continue;
        appendReferences(pieces, QStringView(text).sliced(from, cut - from));
        from = cut;
    }
    if (pieces != expected)
        return diff("appendReferences in pieces", pieces, expected);
    if (units > 0 && pieces.constData() != base)
        return QStringLiteral("the reserved output moved while pieces were appended");

    // Appending the output's own text to itself.
    QString self = whole;
    appendReferences(self, QStringView(self).first(std::min<qsizetype>(self.size(), units)));
    const QString selfExpected = whole + modelReferences(QStringView(whole).first(
                                             std::min<qsizetype>(whole.size(), units)));
    if (self != selfExpected)
        return diff("appendReferences of its own text", self, selfExpected);

    if (characterLength(text, units) != 0 || characterLength(text, -1) != 0)
        return QStringLiteral("characterLength outside the text is not 0");
    return {};
}

} // namespace

QString checkConverter(QByteArrayView data)
{
    const QString problem = checkConverterOnly(data);
    return problem.isEmpty() ? checkDecoder(data) : problem;
}

QString checkPipeline(QByteArrayView data)
{
    // The format the bytes are detected as, and formats they are forced into,
    // the byte-by-byte Windows-1251 path among them.
    const TextFormat formats[] = {test::detectFormat(data), TextFormat{},
                                  {Encoding::Utf8, false, LineEnds::Lf},
                                  {Encoding::Utf16BE, true, LineEnds::CrLf}};
    for (const TextFormat &input : formats) {
        for (const TextFormat &output : {input, TextFormat{}, formats[2]}) {
            for (const Conversion conversion : {Conversion::ToReferences, Conversion::ToText}) {
                const QByteArray whole = test::runPipeline(data, input, output, conversion);
                TextPipeline pipeline(input, output, conversion);
                QByteArray pieces;
                qsizetype from = 0;
                for (const qsizetype cut : cutPoints(data, data.size())) {
                    pipeline.feed(data.sliced(from, cut - from), pieces);
                    from = cut;
                }
                pipeline.finish(pieces);
                if (pieces != whole)
                    return QStringLiteral("the pipeline %1 -> %2 (%3) in pieces gives other bytes")
                        .arg(test::formatName(input), test::formatName(output),
                             conversion == Conversion::ToReferences ? QLatin1String("convert")
                                                             : QLatin1String("decode"));
            }
        }
    }
    return {};
}

QString checkTextFile(QByteArrayView data, const QString &scratchDir)
{
    if (const QString problem = checkPipeline(data); !problem.isEmpty())
        return problem;
    const QString expected = test::lineRuleText(data);
    const QString text = test::decodeCp1251(data);
    if (text != expected)
        return diff("decodeText against the line rule", text, expected);

    TextDecoder decoder(TextFormat{}, data.size());
    qsizetype from = 0;
    for (const qsizetype cut : cutPoints(data, data.size())) {
        decoder.feed(data.sliced(from, cut - from));
        from = cut;
    }
    if (const QString pieces = decoder.finish(); pieces != expected)
        return diff("TextDecoder fed in pieces", pieces, expected);

    // Saving what was read and reading it again changes nothing more.
    const QByteArray saved = test::encodeCp1251(text);
    if (test::decodeCp1251(saved) != text)
        return diff("decode of the saved bytes", test::decodeCp1251(saved), text);
    if (test::encodeCp1251(test::decodeCp1251(saved)) != saved)
        return QStringLiteral("a second save gives other bytes");
    // The bytes come back exactly when the file already followed the line
    // rule: every CR with its LF, and a break at the end unless empty.
    if (test::followsLineRule(data) && saved != QByteArray(data.data(), data.size()))
        return QStringLiteral("a file that follows the line rule did not keep its bytes");

    // The same through real files.
    const QString path = QDir(scratchDir).filePath(QStringLiteral("fuzz.txt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || file.write(data.data(), data.size()) != data.size())
            return QStringLiteral("cannot write the scratch file ") + path;
    }
    // The open reads the file in the format its bytes tell, and a save writes
    // that format back.
    QString read, reason;
    TextFormat format;
    if (!readTextFile(path, read, format, reason))
        return QStringLiteral("readTextFile failed: ") + reason;
    if (format != test::detectFormat(data))
        return QStringLiteral("readTextFile told another format than detectFormat");
    if (const QString whole = test::decodeText(data, format); read != whole)
        return diff("readTextFile against decodeText", read, whole);
    if (!test::writeWholeText(path, read, format, reason))
        return QStringLiteral("writeTextFile failed: ") + reason;
    QString again;
    TextFormat formatAgain;
    if (!readTextFile(path, again, formatAgain, reason))
        return QStringLiteral("readTextFile after saving failed: ") + reason;
    // The one way a save can change how its file reads: Windows-1251 text
    // that opens like a UTF-16 mark, whose line breaks the save made whole,
    // so that its bytes now bear the mark out (an even length, a zero byte).
    const bool markBorneOutNow = format.encoding == Encoding::Windows1251
        && (formatAgain.encoding == Encoding::Utf16LE || formatAgain.encoding == Encoding::Utf16BE);
    // UTF-16 cannot hold the stray byte of a file cut short: it is written
    // as U+FFFD.
    const bool utf16 = format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE;
    const QString expectedAgain = utf16 ? withEscapesShown(read) : read;
    if (again != expectedAgain && !markBorneOutNow)
        return diff("read after save", again, expectedAgain);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.readAll() != encodeText(read, format))
        return QStringLiteral("writeTextFile wrote other bytes than encodeText");
    return {};
}

namespace {

QByteArray utf16le(QStringView text)
{
    QByteArray bytes;
    for (const QChar c : text) {
        bytes += char(c.unicode() & 0xFF);
        bytes += char(c.unicode() >> 8);
    }
    return bytes;
}

QByteArray units(std::initializer_list<char16_t> list)
{
    return utf16le(QStringView(list.begin(), qsizetype(list.size())));
}

} // namespace

Seeds converterSeeds()
{
    Seeds seeds;
    seeds.emplace_back(QStringLiteral("empty"), QByteArray());
    seeds.emplace_back(QStringLiteral("ascii"), utf16le(u"plain ASCII text, 0123456789!"));
    seeds.emplace_back(QStringLiteral("markup"), utf16le(u"<a href=\"x\">&amp; b</a> > <"));
    seeds.emplace_back(QStringLiteral("cyrillic"),
                       utf16le(u"Съешь же ещё этих мягких французских булок, Ёж\r\n"));
    seeds.emplace_back(QStringLiteral("outside-page"), utf16le(u"€ ‰ № ™ ½ ĀāŒ中文 ̈"));
    // A pair, a lone high, a lone low, a low before a high, a high at the end.
    seeds.emplace_back(QStringLiteral("surrogates"),
                       units({u'a', 0xD83D, 0xDE00, u'b', 0xD800, u'c', 0xDC00, 0xDC00, 0xD800,
                              u' ', 0xD801}));
    seeds.emplace_back(QStringLiteral("unassigned"), units({0x98, 0xA0, 0xAD, 0x450, 0x452, 0x40F}));
    seeds.emplace_back(QStringLiteral("edges"),
                       units({0x7F, 0x80, 0x7FF, 0x800, 0x40F, 0x410, 0x44F, 0x450, 0x451, 0xFFFF,
                              0, 0x2029, 0xFDD0}));
    QByteArray all;
    for (int unit = 0; unit < 0x500; ++unit) {
        all += char(unit & 0xFF);
        all += char(unit >> 8);
    }
    seeds.emplace_back(QStringLiteral("first-units"), all);
    seeds.emplace_back(QStringLiteral("odd-length"), utf16le(u"ж ж") + 'x');
    // References for the decoder, as UTF-16 and as Latin-1.
    const char *references = "&#1044;&nbsp;&amp;&lt;&gt;&quot;&#x410;&#X44F;&Afr;&#0;&#128;"
                             "&#x110000;&#00000000000000000000065;&amp&#65&#;&#x;&;&unknown;"
                             "&NotNestedGreaterGreater;&CounterClockwiseContourIntegral;&am";
    seeds.emplace_back(QStringLiteral("references-utf16"), utf16le(QString::fromLatin1(references)));
    seeds.emplace_back(QStringLiteral("references-latin1"), QByteArray(references));
    return seeds;
}

Seeds textFileSeeds()
{
    Seeds seeds;
    seeds.emplace_back(QStringLiteral("empty"), QByteArray());
    seeds.emplace_back(QStringLiteral("lines"), QByteArray("one\r\ntwo\r\n\r\nfour\r\n"));
    seeds.emplace_back(QStringLiteral("no-final-break"), QByteArray("a\r\nb"));
    seeds.emplace_back(QStringLiteral("lone-cr"), QByteArray("a\rb\r\r\nc\r"));
    seeds.emplace_back(QStringLiteral("lone-lf"), QByteArray("a\nb\n\r\n\n\r"));
    seeds.emplace_back(QStringLiteral("cyrillic"),
                       QByteArray("\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xA8\r\n"));
    seeds.emplace_back(QStringLiteral("nul"), QByteArray("\0a\0\r\n\0", 6));
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    seeds.emplace_back(QStringLiteral("every-byte"), every);
    std::reverse(every.begin(), every.end());
    seeds.emplace_back(QStringLiteral("every-byte-backwards"), every);
    seeds.emplace_back(QStringLiteral("breaks-only"), QByteArray("\r\n\r\r\n\n\n\r"));
    // References for the pipeline's decoding, cut wherever the pieces fall.
    seeds.emplace_back(QStringLiteral("references"),
                       QByteArray("&#1040;&#x410;&amp;&nbsp;&notin;&not &#00000065;&#65\r\n&"));
    seeds.emplace_back(QStringLiteral("utf8-references"),
                       QByteArray("\xD0\x96&#1105;\xF0\x9F\x98\x80&Afr;\n&#x1F600;\xD0\x96"));
    return seeds;
}

} // namespace zezu::fuzz
