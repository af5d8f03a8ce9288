// The command line's pipeline: pieces of every size from one byte up give
// the very bytes of the whole input, for every format, both ways.
#include "text/TextPipeline.h"
#include "support/Iconv.h"
#include "support/LineRule.h"
#include "support/Pipeline.h"
#include "support/TextFormats.h"

#include <QTest>

#include <random>

using namespace zezu;

class TestTextPipeline : public QObject
{
    Q_OBJECT

private slots:
    void piecesConvert_data() { test::everyFormat(); }
    void piecesConvert();
    void piecesDecode_data() { test::everyFormat(); }
    void piecesDecode();
    void bytewiseByCase_data();
    void bytewiseByCase();
    void anotherOutputEncoding_data() { test::everyFormat(); }
    void anotherOutputEncoding();

private:
    static void checkEveryPieceSize(const QByteArray &bytes, const TextFormat &input,
                                    const TextFormat &output, Conversion conversion);
};

void TestTextPipeline::checkEveryPieceSize(const QByteArray &bytes, const TextFormat &input,
                                           const TextFormat &output, Conversion conversion)
{
    const QByteArray whole = test::runPipeline(bytes, input, output, conversion);
    for (qsizetype size = 1; size <= 300; ++size) {
        const QByteArray pieces = test::inPieces(bytes, input, output, conversion, size);
        if (pieces != whole)
            QFAIL(qPrintable(QStringLiteral("%1 -> %2, pieces of %3 bytes of %4: %5 bytes, whole "
                                            "%6 bytes")
                                 .arg(test::formatName(input), test::formatName(output))
                                 .arg(size)
                                 .arg(bytes.size())
                                 .arg(pieces.size())
                                 .arg(whole.size())));
    }
}

void TestTextPipeline::piecesConvert()
{
    QFETCH(TextFormat, format);
    std::mt19937 random(1251);
    for (int round = 0; round < 12; ++round) {
        const QByteArray bytes = test::randomFileBytes(random, format, 40 + 40 * round);
        checkEveryPieceSize(bytes, format, format, Conversion::ToReferences);
    }
}

void TestTextPipeline::piecesDecode()
{
    QFETCH(TextFormat, format);
    std::mt19937 random(1040);
    for (int round = 0; round < 12; ++round) {
        const QString text = test::randomReferences(random, 30 + 30 * round);
        const QByteArray bytes = encodeText(text, format);
        checkEveryPieceSize(bytes, format, format, Conversion::ToText);
    }
}

// Windows-1251 with CR LF goes byte by byte through a table: each case of the
// line rule at a piece boundary, against the model of the rule and glibc's
// account of the page.
void TestTextPipeline::bytewiseByCase_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone CR") << QByteArray("a\rb\r");
    QTest::newRow("lone LF") << QByteArray("a\nb\n");
    QTest::newRow("LF CR") << QByteArray("\n\r\n\r");
    QTest::newRow("no final break") << QByteArray("a b");
    QTest::newRow("CR at the end") << QByteArray("\xC0\r");
    QTest::newRow("every byte") << [] {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all += char(b);
        return all;
    }();
}

void TestTextPipeline::bytewiseByCase()
{
    QFETCH(QByteArray, bytes);
    const TextFormat page;
    // The model: the line rule's text, each character's reference, iconv's
    // byte for each character the page holds.
    QByteArray expected;
    for (const QChar c : test::lineRuleText(bytes)) {
        const char16_t u = c.unicode();
        if (u == u' ')
            expected += "&nbsp;";
        else if (u == u'"')
            expected += "&quot;";
        else if (u == u'&')
            expected += "&amp;";
        else if (u == u'<')
            expected += "&lt;";
        else if (u == u'>')
            expected += "&gt;";
        else if ((u >= 0x0410 && u <= 0x044F) || u == 0x0451)
            expected += "&#" + QByteArray::number(int(u)) + ';';
        else if (const auto byte = test::iconvByteOf(u))
            expected += *byte;
        else // the unassigned 0x98, read as U+0098, is kept
            expected += char(u);
    }
    for (qsizetype size = 1; size <= bytes.size() + 1; ++size) {
        const QByteArray got = test::inPieces(bytes, page, page, Conversion::ToReferences, size);
        qsizetype at = 0;
        while (at < got.size() && at < expected.size() && got[at] == expected[at])
            ++at;
        QVERIFY2(got == expected, qPrintable(QStringLiteral("pieces of %1: differs at byte %2: %3")
                                                 .arg(size)
                                                 .arg(at)
                                                 .arg(QString::fromLatin1(got.mid(at, 16).toHex()))));
    }
    QCOMPARE(test::runPipeline(bytes, page, page, Conversion::ToReferences), expected);
}

// Written in another encoding than read: the pieces still add up.
void TestTextPipeline::anotherOutputEncoding()
{
    QFETCH(TextFormat, format);
    std::mt19937 random(8);
    const QByteArray bytes = test::randomFileBytes(random, format, 200);
    for (const Encoding e : {Encoding::Windows1251, Encoding::Utf8, Encoding::Utf16BE}) {
        TextFormat output = format;
        output.encoding = e;
        output.bom = e == Encoding::Utf16BE;
        checkEveryPieceSize(bytes, format, output, Conversion::ToReferences);
        checkEveryPieceSize(bytes, format, output, Conversion::ToText);
    }
}

QTEST_GUILESS_MAIN(TestTextPipeline)
#include "test_text_pipeline.moc"
