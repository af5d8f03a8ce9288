// The text file format: Windows-1251 with the line rule, read and written in
// pieces, on real files in a temporary folder. glibc's iconv is the
// independent account of Windows-1251.
#include "files/StreamInput.h"
#include "files/TextFile.h"
#include "support/Codecs.h"
#include "support/Files.h"
#include "support/Iconv.h"
#include "support/LineRule.h"
#include "support/TextFormats.h"

#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace zezu;
using namespace zezu::test;
using namespace Qt::StringLiterals;

class TestTextFile : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void readsLines_data();
    void readsLines();
    void everyByteReadsAsIconvSays_data();
    void everyByteReadsAsIconvSays();
    void everyCharacterWritesAsIconvSays();
    void writesText_data();
    void writesText();
    void breaksAcrossReads_data();
    void breaksAcrossReads();
    void surrogatePairAcrossWrites();
    void fileChangedWhileReadIsReadAgain_data();
    void fileChangedWhileReadIsReadAgain();
    void everyWrittenFileReadsBack();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestTextFile::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(Iconv("UTF-16LE", "WINDOWS-1251").isValid());
}

void TestTextFile::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, QByteArray bytes, const char16_t *text) {
        QTest::newRow(name) << bytes << QString::fromUtf16(text);
    };
    row("empty file", "", u"");
    row("one line, no break", "a", u"a\r\n");
    row("two lines, no final break", "a\r\nb", u"a\r\nb\r\n");
    row("final CR LF", "a\r\nb\r\n", u"a\r\nb\r\n");
    row("lone CR ends a line", "a\rb", u"a\r\nb\r\n");
    row("final lone CR", "a\r", u"a\r\n");
    row("lone LF is a character", "a\nb", u"a\nb\r\n");
    row("only an LF", "\n", u"\n\r\n");
    row("LF at the end of a line", "a\n\r\n", u"a\n\r\n");
    row("LF CR", "a\n\rb", u"a\n\r\nb\r\n");
    row("only a CR", "\r", u"\r\n");
    row("only CR LF", "\r\n", u"\r\n");
    row("CR CR LF", "\r\r\n", u"\r\n\r\n");
    row("empty lines", "\r\n\r\n\r\n", u"\r\n\r\n\r\n");
    row("CR LF LF", "a\r\n\nb", u"a\r\n\nb\r\n");
    row("CR CR", "\r\r", u"\r\n\r\n");
    row("Cyrillic", "\xC4\xEE\xEC \xE8 \xB8\xE6\r\n\xA8\xEB\xEA\xE0", u"Дом и ёж\r\nЁлка\r\n");
    row("no-break space and euro", "\xA0\x88", u"\u00A0\u20AC\r\n");
    row("unassigned 0x98", "\x98", u"\u0098\r\n");
    QTest::newRow("NUL bytes") << QByteArray("\0a\0\r\n\0", 6)
                               << QString::fromUtf16(u"\0a\0\r\n\0\r\n", 8);
    QTest::newRow("only NUL") << QByteArray(1, '\0') << QString::fromUtf16(u"\0\r\n", 3);
}

void TestTextFile::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeCp1251(bytes), text);

    // Read in two pieces at every split, and byte by byte: a CR LF pair may
    // straddle two reads.
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        TextDecoder decoder{TextFormat{}};
        decoder.feed(QByteArrayView(bytes).first(split));
        decoder.feed(QByteArrayView(bytes).sliced(split));
        QVERIFY2(decoder.finish() == text, qPrintable(QStringLiteral("split at %1").arg(split)));
    }
    TextDecoder bytewise{TextFormat{}};
    for (const char c : bytes)
        bytewise.feed(QByteArrayView(&c, 1));
    QCOMPARE(bytewise.finish(), text);
}

void TestTextFile::everyByteReadsAsIconvSays_data()
{
    QTest::addColumn<int>("byte");
    for (int b = 0; b < 256; ++b)
        QTest::addRow("0x%02X", b) << b;
}

void TestTextFile::everyByteReadsAsIconvSays()
{
    QFETCH(int, byte);
    const QByteArray bytes(1, char(byte));
    // The one byte the page leaves unassigned reads as the C1 control of its
    // value, so that a file holding it survives a save; a CR is a line break,
    // nothing more.
    if (byte == 0x98)
        QVERIFY(!iconvCharOf(byte));
    QCOMPARE(decodeCp1251(bytes), lineRuleText(bytes));
    // And the character is written back as the same byte.
    QCOMPARE(encodeCp1251(decodeCp1251(bytes)), lineRuleBytes(bytes));
}

void TestTextFile::everyCharacterWritesAsIconvSays()
{
    int mismatches = 0;
    for (int unit = 0; unit < 0x10000; ++unit) {
        if (QChar::isSurrogate(char16_t(unit)))
            continue;
        std::optional<char> expected = iconvByteOf(char16_t(unit));
        if (unit == 0x98) {
            QVERIFY(!expected);
            expected = char(0x98);
        }
        const QByteArray written = encodeCp1251(QString(QChar(char16_t(unit))));
        const QByteArray want(1, expected ? *expected : '?');
        if (written != want && ++mismatches <= 5)
            qWarning("U+%04X written as 0x%02X, iconv says 0x%02X", unit,
                     written.isEmpty() ? 0 : quint8(written.at(0)), quint8(want.at(0)));
    }
    QCOMPARE(mismatches, 0);
}

void TestTextFile::writesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char *name, const char16_t *text, QByteArray bytes) {
        QTest::newRow(name) << QString::fromUtf16(text) << bytes;
    };
    row("empty", u"", "");
    row("nothing is added at the end", u"a\r\nb", "a\r\nb");
    row("breaks as they stand", u"a\nb\rc\r\n", "a\nb\rc\r\n");
    row("Cyrillic", u"Дом и ёж", "\xC4\xEE\xEC \xE8 \xB8\xE6");
    row("euro, numero, no-break space", u"€№\u00A0", "\x88\xB9\xA0");
    row("U+0098 as the unassigned byte", u"\u0098", "\x98");
    row("a question mark is itself", u"?", "?");
    row("outside the page", u"中é", "??");
    row("a surrogate pair is one character", u"a\U0001F600b", "a?b");
    row("two pairs", u"\U0001F600\U0001F601", "??");
    QTest::newRow("lone high surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) << QByteArray("?");
    QTest::newRow("high, high, low")
        << QString::fromUtf16(u"\xD800\xD800\xDC00", 3) << QByteArray("??");
    QTest::newRow("low before high is no pair")
        << QString::fromUtf16(u"\xDC00\xD800", 2) << QByteArray("??");
    QTest::newRow("high at the very end") << QString::fromUtf16(u"a\xD800", 2)
                                          << QByteArray("a?");
    QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3) << QByteArray("a\0b", 3);
}

void TestTextFile::writesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeCp1251(text), bytes);
    const QString file = path(QStringLiteral("writesText.txt"));
    QString reason;
    QVERIFY2(writeCp1251File(file, text, reason), qPrintable(reason));
    QCOMPARE(readBytes(file), bytes);
}

void TestTextFile::breaksAcrossReads_data()
{
    // Bytes placed around the boundary between the first and second read.
    QTest::addColumn<QByteArray>("around");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF split") << QByteArray("\r|\n") << QStringLiteral("\r\n");
    QTest::newRow("lone CR before the split") << QByteArray("\r|x") << QStringLiteral("\r\nx");
    QTest::newRow("CR LF just before") << QByteArray("\r\n|x") << QStringLiteral("\r\nx");
    QTest::newRow("LF just after a split line") << QByteArray("x|\n")
                                                << QStringLiteral("x\n");
    QTest::newRow("CR right after") << QByteArray("x|\r\n") << QStringLiteral("x\r\n");
}

void TestTextFile::breaksAcrossReads()
{
    QFETCH(QByteArray, around);
    QFETCH(QString, expected);
    const qsizetype bar = around.indexOf('|');
    around.remove(bar, 1);
    QByteArray bytes(StreamInput::kPiece - bar, 'a');
    bytes += around;
    bytes += "zz\r\n";
    const QString file = path(QStringLiteral("breaksAcrossReads.txt"));
    QVERIFY(writeBytes(file, bytes));

    QString text;
    QString reason;
    QVERIFY2(readTextFile(file, text, reason), qPrintable(reason));
    QCOMPARE(text.size(), StreamInput::kPiece - bar + expected.size() + 4);
    QCOMPARE(text.sliced(StreamInput::kPiece - bar), expected + QStringLiteral("zz\r\n"));
    QVERIFY(text.first(StreamInput::kPiece - bar) == QString(StreamInput::kPiece - bar, u'a'));
}

void TestTextFile::surrogatePairAcrossWrites()
{
    // A pair whose high half is the last unit of one written piece.
    QString text(kWriteChunk - 1, u'b');
    text += QString::fromUtf16(u"\U0001F600z");
    const QString file = path(QStringLiteral("surrogatePairAcrossWrites.txt"));
    QString reason;
    QVERIFY2(writeCp1251File(file, text, reason), qPrintable(reason));
    QByteArray expected(kWriteChunk - 1, 'b');
    expected += "?z";
    QCOMPARE(readBytes(file), expected);
}

// A file written to while it is read, which may change its format, is read
// again, and the reader tells it.
void TestTextFile::fileChangedWhileReadIsReadAgain_data()
{
    QTest::addColumn<QByteArray>("first");
    QTest::addColumn<QByteArray>("changed");
    QTest::addColumn<QString>("text");
    QTest::newRow("LF line ends, then a CR") << QByteArray("a\nb") << QByteArray("c\rd\ne")
                                             << QStringLiteral("c\r\nd\ne\r\n");
    QTest::newRow("plain, then UTF-8") << QByteArray("plain")
                                       << QStringLiteral("привет мир").toUtf8()
                                       << QStringLiteral("привет мир\r\n");
}

void TestTextFile::fileChangedWhileReadIsReadAgain()
{
    QFETCH(QByteArray, first);
    QFETCH(QByteArray, changed);
    QFETCH(QString, text);
    const QString file = path(QStringLiteral("changed.txt"));

    QVERIFY(writeBytes(file, first));
    StreamInput input;
    TextFormat format;
    QString reason;
    QByteArrayView piece;
    // Told from the whole file, then changed before the rest is read.
    QVERIFY2(input.openFile(file, reason) && input.next(piece, format, reason), qPrintable(reason));
    QVERIFY(writeBytes(file, changed));
    while (input.next(piece, format, reason) && !piece.isEmpty()) {
    }
    QVERIFY(input.changedWhileRead());

    QVERIFY(writeBytes(file, first));
    int pieces = 0;
    bool rewritten = false;
    QString read;
    QVERIFY2(readTextFile(file, read, format, reason, [&] {
                 if (++pieces == 1)
                     rewritten = writeBytes(file, changed);
                 return true;
             }),
             qPrintable(reason));
    QVERIFY(rewritten);
    QCOMPARE(read, text);
}

// Every file the editor's save writes, in every format it writes, reads back
// through its open as the text it wrote: texts with no character past
// ASCII, one (the hard case), two and many.
void TestTextFile::everyWrittenFileReadsBack()
{
    std::mt19937 random(2701);
    const QString file = path(QStringLiteral("readsBack.txt"));
    int marked = 0;
    for (const TextFormat &format : writtenFormats()) {
        for (int round = 0; round < 120; ++round) {
            const bool page = format.encoding == Encoding::Windows1251;
            const int nonAscii = round % 4 == 3 ? 2 + round % 7 : round % 4 == 2 ? 1 : round % 2;
            const QString text =
                randomLines(random, nonAscii, format.lineEnds == LineEnds::Lf, page);
            TextFormat written = format;
            QString reason, read;
            QVERIFY2(writeWholeText(file, text, written, reason), qPrintable(reason));
            marked += written.bom != format.bom;
            TextFormat found;
            QVERIFY2(readTextFile(file, read, found, reason), qPrintable(reason));
            QVERIFY2(read == text, qPrintable(formatName(format) + u": "_s + text));
        }
    }
    QVERIFY(marked > 0); // some UTF-8 needed its mark
}

QTEST_GUILESS_MAIN(TestTextFile)
#include "test_text_file.moc"
