// Text file formats: detection, decoding and encoding in each, in pieces and
// whole, and through real files. Python's codecs and glibc's iconv are the
// independent accounts of the encodings; real Russian prose shows that
// Windows-1251 text is not taken for UTF-8.
#include "text/TextCodec.h"
#include "files/TextFile.h"
#include "text/TextFormat.h"
#include "support/Files.h"
#include "support/Iconv.h"
#include "support/PyCodecs.h"
#include "support/TextFormats.h"

#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <random>

using namespace zezu;
using namespace zezu::test;

Q_DECLARE_METATYPE(zezu::TextFormat)

class TestTextFormat : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void detectsAndDecodes_data();
    void detectsAndDecodes();
    void randomBytesDecodeAsPythonSays();
    void randomTextEncodesAsPythonSays();
    void openThenSaveKeepsBytes_data();
    void openThenSaveKeepsBytes();

    void decoderInPiecesAsWhole_data();
    void decoderInPiecesAsWhole();
    void encoderInPiecesAsWhole_data();
    void encoderInPiecesAsWhole();
    void detectorInPiecesAsWhole();


private:
    QTemporaryDir m_dir;
};

void TestTextFormat::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(Iconv("UTF-8", "WINDOWS-1251").isValid());
    if (!runPyCodecs({}))
        QSKIP("python3 is needed as the reference for the codecs");
}

// ---- Detection and decoding, one table ------------------------------------

void TestTextFormat::detectsAndDecodes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextFormat>("format");
    QTest::addColumn<bool>("validUtf8"); // per iconv: the premise of the row
    QTest::addColumn<QString>("text");    // per Python

    const TextFormat cp{}, cpLf{Encoding::Windows1251, false, LineEnds::Lf};
    const TextFormat u8{Encoding::Utf8}, u8Lf{Encoding::Utf8, false, LineEnds::Lf};
    const TextFormat u8Bom{Encoding::Utf8, true}, u8BomLf{Encoding::Utf8, true, LineEnds::Lf};
    const TextFormat le{Encoding::Utf16LE, true}, leLf{Encoding::Utf16LE, true, LineEnds::Lf};
    const TextFormat be{Encoding::Utf16BE, true}, beLf{Encoding::Utf16BE, true, LineEnds::Lf};
    const char *prose = "Съешь же ещё этих мягких французских булок";
    const QByteArray zh = utf8("ЖЖ");

    struct Row
    {
        const char *name;
        QByteArray bytes;
        TextFormat format;
    };
    std::vector<Row> rows;
    auto row = [&](const char *name, const QByteArray &bytes, const TextFormat &format) {
        rows.push_back({name, bytes, format});
    };
    row("empty", "", cp);
    row("ASCII, CR LF", "abc\r\ndef\r\n", cp);
    row("ASCII, LF", "abc\ndef\n", cpLf);
    row("ASCII, LF, no final break", "abc\ndef", cpLf);
    row("one CR anywhere keeps the CR LF rule", "a\nb\nc\r", cp);
    row("lone CR, lone LF", "a\rb\nc\r\n", cp);
    row("no break at all", "abc", cp);
    row("Windows-1251 prose, CR LF", cp1251(prose) + "\r\n", cp);
    row("Windows-1251 prose, LF", cp1251(prose) + "\n" + cp1251(prose) + "\n", cpLf);
    row("UTF-8 prose, CR LF", utf8(prose) + "\r\n", u8);
    row("UTF-8 prose, LF", utf8(prose) + "\n", u8Lf);
    row("UTF-8 prose, lone LF in a CR LF file", utf8(prose) + "\n\r\n", u8);
    row("UTF-8 mark, CR LF", bomUtf8 + utf8(prose) + "\r\n", u8Bom);
    row("UTF-8 mark, LF", bomUtf8 + utf8(prose) + "\n", u8BomLf);
    row("UTF-8 mark, ASCII", bomUtf8 + "abc\n", u8BomLf);
    row("UTF-8 mark alone", bomUtf8, u8Bom);
    row("UTF-8 mark, a C1 control after it", bomUtf8 + "a\xC2\x85\n", u8BomLf);
    // A mark is trusted only when what follows reads in its encoding.
    row("UTF-8 mark, invalid bytes after it", bomUtf8 + "a\xFF\xE2\x82\n", cpLf);
    row("Windows-1251 \"п»ї\" opening prose", cp1251("п»ї") + cp1251(prose) + "\r\n", cp);
    row("UTF-16 LE mark, CR LF", bomLe + iconvTo("UTF-16LE", prose) + iconvTo("UTF-16LE", "\r\n"), le);
    row("UTF-16 LE mark, LF", bomLe + iconvTo("UTF-16LE", "a\nb\n"), leLf);
    row("UTF-16 BE mark, CR LF", bomBe + iconvTo("UTF-16BE", "a\r\nb\rc"), be);
    row("UTF-16 BE mark, LF", bomBe + iconvTo("UTF-16BE", prose) + iconvTo("UTF-16BE", "\n"), beLf);
    // U+0D0A is the bytes 0A 0D in LE and 0D 0A in BE: no break either way.
    row("UTF-16 LE, bytes 0D inside a unit", bomLe + iconvTo("UTF-16LE", "\u0D0A\n"), leLf);
    row("UTF-16 BE, bytes 0D 0A inside a unit", bomBe + iconvTo("UTF-16BE", "\u0D0A\n"), beLf);
    row("UTF-16 LE, one byte after the mark", bomLe + "a", cp);
    // Cut short inside its last unit: that byte is stray, kept and counted.
    row("UTF-16 LE, odd trailing byte", bomLe + QByteArray("a\0b", 3), le);
    row("UTF-16 LE, lone surrogates", bomLe + QByteArray("\x00\xD8" "a\0" "\x00\xDC\n\0", 8), cpLf);
    row("UTF-16 BE, a pair and an A", bomBe + QByteArray("\xD8\x3D\xDE\x00\x00\x41", 6), be);
    row("UTF-16 BE, pair, and a high surrogate cut off",
        bomBe + QByteArray("\xD8\x3D\xDE\x00\xD8\x00\x00", 7), cp);
    row("UTF-16 BE, an A, and a pair cut short", bomBe + QByteArray("\x00\x41\xD8\x3D\xDE", 5), be);
    row("UTF-16 LE \"Привет\" cut by its last byte", bomLe + iconvTo("UTF-16LE", "Привет").chopped(1), le);
    row("UTF-16 LE mark alone", bomLe, le);
    // Letters of one script and the dashes of prose need no space or digit.
    row("UTF-16 LE, no unit with a zero byte", bomLe + iconvTo("UTF-16LE", "ЖЖ"), le);
    row("UTF-16 LE \"Привет\", no space", bomLe + iconvTo("UTF-16LE", "Привет"), le);
    row("UTF-16 BE \"Привет—мир\"", bomBe + iconvTo("UTF-16BE", "Привет—мир"), be);
    row("UTF-16 LE, a letter and a symbol", bomLe + iconvTo("UTF-16LE", "Ж\u2603"), cp);
    // "яю", as in "сияющий", is the UTF-16 LE mark: what follows decides.
    row("Windows-1251 \"яю\", then a UTF-16 \"a\"", cp1251("яю") + QByteArray("a\0", 2), le);
    row("Windows-1251 \"яю\", then one byte", cp1251("яю") + "a", cp);
    row("Windows-1251 \"яю\" opening prose", cp1251("яющий ") + cp1251(prose) + "\r\n", cp);
    row("Windows-1251 \"юя\" opening prose", cp1251("юя ") + cp1251(prose) + "\n", cpLf);
    row("UTF-8 mark cut short", "\xEF\xBB", cp);
    row("Windows-1251 \"я\" alone", "\xFF", cp);
    // Windows-1251 "Её" is C5 B8, valid UTF-8 (U+0178): one sequence that
    // reads as a capital and "ё", "Ё", "і" or "І" is not enough.
    row("one multi-byte sequence: Windows-1251 \"Её\"", cp1251("Её") + "\r\n", cp);
    row("one multi-byte sequence: Windows-1251 \"Гёте\"", cp1251("Гёте") + "\r\n", cp);
    row("one multi-byte sequence: Windows-1251 \"ЧЁТ\"", cp1251("ЧЁТ"), cp);
    row("one multi-byte sequence: Windows-1251 \"на Сі\"", cp1251("на Сі\n"), cpLf);
    row("one multi-byte sequence: UTF-8 \"Ж\"", utf8("Ж") + "\n", u8Lf);
    row("one multi-byte sequence: UTF-8 \"café\"", utf8("café\n"), u8Lf);
    row("one multi-byte sequence: UTF-8 \"—\"", utf8("a — b\r\n"), u8);
    row("one multi-byte sequence: UTF-8 \"😀\"", utf8("\U0001F600"), u8);
    row("two multi-byte sequences: UTF-8 \"ЖЖ\"", zh + "\n", u8Lf);
    row("two: Windows-1251 \"Её Её\" is the chance match", cp1251("Её Её"), u8);
    row("two four-byte sequences", utf8("\U0001F600 \U0001F600"), u8);
    row("C1 control U+0085 among letters", zh + "\xC2\x85", cp);
    row("C1 control U+0080", "\xC2\x80" + zh, cp);
    row("C1 control U+009F", zh + "\xC2\x9F", cp);
    row("U+00A0, just past the C1 controls", "\xC2\xA0" + zh, u8);
    row("U+10FFFF, the last code point", zh + "\xF4\x8F\xBF\xBF", u8);
    row("one bad byte first", "\xFF" + zh + "\r\n", cp);
    row("one bad byte in the middle", utf8("Ж") + "\x80" + utf8("Ж"), cp);
    row("one bad byte last", zh + "\xFE", cp);
    row("sequence cut off at the end", zh + "\xD0", cp);
    row("overlong two-byte form", zh + "\xC0\xAF", cp);
    row("overlong three-byte form", zh + "\xE0\x80\xAF", cp);
    row("overlong four-byte form", zh + "\xF0\x80\x80\xAF", cp);
    row("surrogate in UTF-8", zh + "\xED\xA0\x80", cp);
    row("past U+10FFFF", zh + "\xF4\x90\x80\x80", cp);
    row("F5 lead", zh + "\xF5\x80\x80\x80", cp);
    // Mostly UTF-8: a few stray parts, each among 32 multi-byte sequences.
    const QByteArray many = utf8(prose).repeated(2); // 70 sequences
    row("mostly: one bad byte among many sequences", many + "\xFF" + many, u8);
    row("mostly: a sequence cut off at the end", many + "\xD0", u8);
    row("mostly: a C1 control among many", many + "\xC2\x85\n", u8Lf);
    row("mostly: an overlong form among many", many + "\xC0\xAF" + many, u8);
    row("mostly, after the UTF-8 mark", bomUtf8 + many + "\xFF\n", u8BomLf);
    row("mostly: 32 sequences to a stray", zh.repeated(16) + "\xFF", u8);
    row("not mostly: 31 sequences to a stray", zh.repeated(15) + utf8("Ж") + "\xFF", cp);
    row("not mostly: two strays, 35 sequences", utf8(prose) + "\xFF\xFF", cp);
    row("mostly: 64 strays", QByteArray(64, '\xFF') + zh.repeated(32 * 32), u8);
    row("not mostly: 65 strays", QByteArray(65, '\xFF') + zh.repeated(33 * 32), cp);

    // What Python reads each file as, in the format the row expects.
    std::vector<PyRequest> requests;
    for (const Row &r : rows)
        requests.push_back(decodeRequest(r.bytes, r.format));
    const auto texts = runPyCodecs(requests);
    QVERIFY(texts);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const bool valid = Iconv("UTF-16LE", "UTF-8").convert(rows[i].bytes).has_value();
        QTest::newRow(rows[i].name) << rows[i].bytes << rows[i].format << valid
                                    << fromUtf16le(texts->at(i));
    }
}

void TestTextFormat::detectsAndDecodes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextFormat, format);
    QFETCH(bool, validUtf8);
    QFETCH(QString, text);
    QCOMPARE(formatName(detectFormat(bytes)), formatName(format));
    // An unmarked file is UTF-8 only where iconv finds it valid, or where
    // Python finds bytes it cannot read (which it escapes).
    // Escapes are lone surrogates; Python's text holds none else.
    const qsizetype escaped =
        withEscapesShown(text).count(QChar(kReplacement)) - text.count(QChar(kReplacement));
    if (format.encoding == Encoding::Utf8 && !format.bom)
        QVERIFY(validUtf8 || escaped > 0);
    TextDecoder decoder(format);
    decoder.feed(bytes);
    QCOMPARE(decoder.finish(), text);
    QCOMPARE(decoder.strayBytes().count, qint64(escaped));
}

// ---- Against Python's codecs, in bulk ----------------------------------------

void TestTextFormat::randomBytesDecodeAsPythonSays()
{
    // Forced formats too: invalid UTF-8 (each maximal part of a broken
    // sequence is one U+FFFD), lone and cut-off UTF-16 surrogates. One batch
    // for every format, as Python is slow to start.
    std::mt19937 random(7);
    std::vector<std::pair<TextFormat, QByteArray>> inputs;
    std::vector<PyRequest> requests;
    for (const TextFormat &format : allFormats()) {
        for (int i = 0; i < 300; ++i) {
            inputs.emplace_back(format, randomFileBytes(random, format, 1 + i % 60));
            requests.push_back(decodeRequest(inputs.back().second, format));
        }
    }
    const auto expected = runPyCodecs(requests);
    QVERIFY(expected);
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        const auto &[format, bytes] = inputs[i];
        QVERIFY2(decodeText(bytes, format) == fromUtf16le(expected->at(i)),
                 qPrintable(formatName(format) + u' ' + QLatin1String(bytes.toHex(' '))));
    }
}

void TestTextFormat::randomTextEncodesAsPythonSays()
{
    std::mt19937 random(11);
    std::vector<std::pair<TextFormat, QString>> texts;
    std::vector<PyRequest> requests;
    for (const TextFormat &format : allFormats()) {
        for (int i = 0; i < 300; ++i) {
            texts.emplace_back(format, randomText(random, 1 + i % 60));
            requests.push_back(encodeRequest(texts.back().second, format));
        }
    }
    const auto expected = runPyCodecs(requests);
    QVERIFY(expected);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto &[format, text] = texts[i];
        QVERIFY2(encodeText(text, format) == expected->at(i),
                 qPrintable(formatName(format) + u' ' + QLatin1String(utf16le(text).toHex(' '))));
    }
}

// ---- Open, then save --------------------------------------------------------

void TestTextFormat::openThenSaveKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<TextFormat>("format");
    QTest::addColumn<QByteArray>("saved"); // what saving the text read writes
    const QString prose = QStringLiteral("Мама мыла раму. \"Ёлки\" & <ели>; № 5 ");
    for (const TextFormat &format : allFormats()) {
        const bool unicode = format.encoding != Encoding::Windows1251;
        const bool wide = unicode && format.encoding != Encoding::Utf8;
        if (wide && !format.bom)
            continue; // UTF-16 is told by its mark only
        const bool lf = format.lineEnds == LineEnds::Lf;
        const QString br = lf ? QStringLiteral("\n") : QStringLiteral("\r\n");
        const QByteArray name = formatName(format).toUtf8();
        // The page has no emoji.
        const QString last = unicode ? QStringLiteral("\U0001F600 ") : QStringLiteral("ёж ");
        const QByteArray file = fileBytes(format, prose + br + last + br);
        QTest::newRow(name + ", ends in a break") << file << format << file;
        // A lone LF is a character, kept; a lone CR would make it a CR LF file.
        const QByteArray lone = fileBytes(format, prose + u'\n' + br + prose + br);
        if (!lf)
            QTest::newRow(name + ", lone LF") << lone << format << lone;
        // The mark alone: with it even an empty file keeps its format.
        const QByteArray empty = fileBytes(format, QString());
        if (!lf && (format.bom || !unicode))
            QTest::newRow(name + ", empty") << empty << format << empty;
        // A last line without a break gains one, as it always has.
        const QByteArray open = fileBytes(format, prose + br + QStringLiteral("end"));
        QTest::newRow(name + ", no final break")
            << open << format << fileBytes(format, prose + br + QStringLiteral("end") + br);
    }
}

void TestTextFormat::openThenSaveKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(TextFormat, format);
    QFETCH(QByteArray, saved);
    QCOMPARE(formatName(detectFormat(bytes)), formatName(format));
    const QString text = decodeText(bytes, format);
    QCOMPARE(encodeText(text, format), saved);

    // The same through real files.
    const QString opened = m_dir.filePath(QStringLiteral("opened.txt"));
    const QString written = m_dir.filePath(QStringLiteral("written.txt"));
    QVERIFY(writeBytes(opened, bytes));
    QString read, reason;
    TextFormat found{Encoding::Utf16BE, true, LineEnds::Lf};
    QVERIFY2(zezu::readTextFile(opened, read, found, reason), qPrintable(reason));
    QCOMPARE(formatName(found), formatName(format));
    QCOMPARE(read, text);
    QVERIFY2(writeWholeText(written, read, found, reason), qPrintable(reason));
    QCOMPARE(readBytes(written), saved);
}

// ---- In pieces as whole --------------------------------------------------------

void TestTextFormat::decoderInPiecesAsWhole_data() { everyFormat(); }

void TestTextFormat::decoderInPiecesAsWhole()
{
    QFETCH(TextFormat, format);
    std::mt19937 random(3);
    for (int input = 0; input < 4; ++input) {
        const QByteArray bytes = randomFileBytes(random, format, 700);
        const QString whole = decodeText(bytes, format);
        for (qsizetype size = 1; size <= 300; ++size) {
            TextDecoder decoder(format, input == 0 ? bytes.size() : 0);
            for (qsizetype at = 0; at < bytes.size(); at += size)
                decoder.feed(QByteArrayView(bytes).sliced(at, std::min(size, bytes.size() - at)));
            QVERIFY2(decoder.finish() == whole, qPrintable(QString::number(size)));
        }
    }
}

void TestTextFormat::encoderInPiecesAsWhole_data() { everyFormat(); }

void TestTextFormat::encoderInPiecesAsWhole()
{
    QFETCH(TextFormat, format);
    std::mt19937 random(5);
    for (int input = 0; input < 4; ++input) {
        const QString text = randomText(random, 700);
        const QByteArray whole = encodeText(text, format);
        for (qsizetype size = 1; size <= 300; ++size) {
            TextEncoder encoder(format);
            QByteArray pieces;
            for (qsizetype at = 0; at < text.size(); at += size)
                encoder.feed(QStringView(text).sliced(at, std::min(size, text.size() - at)), pieces);
            encoder.feed(QStringView(), pieces); // an empty piece changes nothing
            encoder.finish(pieces);
            QVERIFY2(pieces == whole, qPrintable(QString::number(size)));
        }
    }
}

void TestTextFormat::detectorInPiecesAsWhole()
{
    std::mt19937 random(9);
    int utf8 = 0;
    for (int input = 0; input < 400; ++input) {
        const TextFormat source = allFormats()[input % allFormats().size()];
        const QByteArray bytes = randomFileBytes(random, source, input % 7 == 0 ? input % 5 : 200);
        const TextFormat whole = detectFormat(bytes);
        utf8 += whole.encoding == Encoding::Utf8 && !whole.bom;
        for (qsizetype size = 1; size <= bytes.size(); ++size) {
            FormatDetector detector;
            for (qsizetype at = 0; at < bytes.size(); at += size)
                detector.feed(QByteArrayView(bytes).sliced(at, std::min(size, bytes.size() - at)));
            QVERIFY2(detector.format() == whole, bytes.toHex(' ').constData());
        }
    }
    QVERIFY(utf8 > 20); // the inputs reach every verdict, unmarked UTF-8 too
}

QTEST_GUILESS_MAIN(TestTextFormat)
#include "test_text_format.moc"
