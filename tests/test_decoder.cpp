// The decoder: examples from its rule, the round trip through the converter on
// text iconv says is Windows-1251, decoding in pieces. tests/decoder_unescape.py
// holds it against Python's html.unescape.

#include "text/ReferenceConverter.h"
#include "text/Conversion.h"
#include "text/ReferenceDecoder.h"
#include "support/DecodeInPieces.h"
#include "support/Iconv.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QTest>

using namespace zezu;
using zezu::test::decodeInPieces;

namespace {

QString units(std::initializer_list<char32_t> list)
{
    QString out;
    for (const char32_t c : list)
        out += QString::fromUcs4(&c, 1);
    return out;
}

// Random text of the given characters, now and then a reference-like piece.
QString randomText(QRandomGenerator &random, const QStringList &alphabet, int length)
{
    static const QStringList pieces = {
        QStringLiteral("&amp;"), QStringLiteral("&nbsp;"), QStringLiteral("&#1040;"),
        QStringLiteral("&#x410;"), QStringLiteral("&#"), QStringLiteral("&am"),
        QStringLiteral("&lt"), QStringLiteral("&Afr;"), QStringLiteral("&#0000000000065;")};
    QString text;
    while (text.size() < length) {
        if (random.bounded(8) == 0)
            text += pieces[random.bounded(int(pieces.size()))];
        else
            text += alphabet[random.bounded(int(alphabet.size()))];
    }
    return text;
}

QString randomText(QRandomGenerator &random, const QString &alphabet, int length)
{
    QStringList units;
    for (const QChar c : alphabet)
        units.append(c);
    return randomText(random, units, length);
}

} // namespace

class TestDecoder : public QObject
{
    Q_OBJECT

private slots:
    void examples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char *name, const QString &text, const QString &expected) {
            QTest::newRow(name) << text << expected;
        };
        const auto same = [](const char *name, const QString &text) {
            QTest::newRow(name) << text << text;
        };
        row("converter's names", QStringLiteral("&nbsp;&quot;&amp;&lt;&gt;"), QStringLiteral(" \"&<>"));
        row("Cyrillic", QStringLiteral("&#1044;&#1086;&#1084;&#1105;"), QStringLiteral("Домё"));
        row("hex", QStringLiteral("&#x410;&#X44f;&#x00041;"), QStringLiteral("АяA"));
        row("other names", QStringLiteral("&AMP;&NonBreakingSpace;&frac12;&there4;"),
            units({'&', 0xA0, 0xBD, 0x2234}));
        row("two characters", QStringLiteral("&NotNestedGreaterGreater;"), units({0x2AA2, 0x338}));
        row("astral", QStringLiteral("&Afr;&#x1D504;&#65536;"), units({0x1D504, 0x1D504, 0x10000}));
        row("longest name", QStringLiteral("&CounterClockwiseContourIntegral;"), units({0x2233}));
        row("zero", QStringLiteral("&#0;&#x0;&#x000;"), units({0xFFFD, 0xFFFD, 0xFFFD}));
        row("0x80..0x9F", QStringLiteral("&#128;&#x81;&#x8D;&#150;&#x9F;"),
            units({0x20AC, 0x81, 0x8D, 0x2013, 0x178}));
        row("surrogates", QStringLiteral("&#xD800;&#57343;"), units({0xFFFD, 0xFFFD}));
        row("past U+10FFFF", QStringLiteral("&#1114112;&#x110000;"), units({0xFFFD, 0xFFFD}));
        row("huge numbers", QStringLiteral("&#") + QString(300, u'9') + QStringLiteral(";&#x")
                + QString(300, u'F') + u';', units({0xFFFD, 0xFFFD}));
        row("2^32 + 65", QStringLiteral("&#4294967361;&#x100000041;"), units({0xFFFD, 0xFFFD}));
        row("leading zeros", QStringLiteral("&#") + QString(300, u'0') + QStringLiteral("65;"),
            QStringLiteral("A"));
        // HTML calls them errors and keeps them.
        row("controls and noncharacters", QStringLiteral("a&#1;&#x0B;&#x1F;&#127;&#xFDD0;&#xFFFE;&#x10FFFF;b"),
            units({'a', 1, 0xB, 0x1F, 0x7F, 0xFDD0, 0xFFFE, 0xDBFF, 0xDFFF, 'b'}));
        // Past its leading zeros a number has at most kMostDigits digits.
        row("most digits", QStringLiteral("&#") + QString(300, u'0') + QString(kMostDigits, u'9')
                + u';', units({0xFFFD}));
        same("more digits", QStringLiteral("&#") + QString(kMostDigits + 1, u'9') + u';');
        row("kept controls", QStringLiteral("&#9;&#10;&#12;&#13;&#x7E;&#xA0;"),
            units({'\t', '\n', '\f', '\r', '~', 0xA0}));
        row("once only", QStringLiteral("&amp;amp;&&amp;&#&#65;"), QStringLiteral("&amp;&&&#A"));
        same("lone ampersands", QStringLiteral("& && &; a&b"));
        same("no semicolon", QStringLiteral("&amp &lt&gt &nbsp &#65 &#x41 &#65x;"));
        same("no digits", QStringLiteral("&#; &#x; &#X; &# 65; &#xg;"));
        same("not names", QStringLiteral("&Amp; &ampx; &notit; &nbspx; &unknown; &1;"));
        same("name too long", QStringLiteral("&CounterClockwiseContourIntegrals;"));
        same("spaced", QStringLiteral("& amp; &amp ;"));
        // Each converter reference with text around, at every place in and
        // after a block of the scan, so both the quick and the general paths
        // see it.
        const QStringList refs = {QStringLiteral("&#1040;"), QStringLiteral("&nbsp;"),
                                  QStringLiteral("&amp;"), QStringLiteral("&quot;"),
                                  QStringLiteral("&lt;"), QStringLiteral("&gt;")};
        const QString chars = QStringLiteral("А &\"<>");
        for (int k = 0; k <= 17; ++k) {
            for (int r = 0; r < refs.size(); ++r) {
                const QString pad(k, u'x');
                QTest::addRow("%d then %s", k, qPrintable(refs[r]))
                    << pad + refs[r] + pad + refs[r] << pad + chars[r] + pad + chars[r];
            }
            QTest::addRow("%d then &amp", k) << QString(k, u'y') + QStringLiteral("&amp")
                                              << QString(k, u'y') + QStringLiteral("&amp");
        }
    }

    void examples()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(fromReferences(text), expected);
    }

    // decode(convert(t)) = t for every text but lone surrogates and the C1
    // controls (written as "?"), converted and decoded whole or in pieces cut
    // anywhere: iconv's Windows-1251 characters, which owe nothing to our
    // table, and characters from every plane, noncharacters included.
    void roundTripEveryCharacter()
    {
        const QString page = test::windows1251Characters();
        QCOMPARE(page.size(), qsizetype(255));
        QStringList alphabet(page.begin(), page.end());
        QString everything;
        for (char32_t c = 0; c < 0x110000; ++c) {
            if ((c >= 0x80 && c < 0xA0 && c != 0x98) || (c >= 0xD800 && c < 0xE000))
                continue;
            everything += QString::fromUcs4(&c, 1);
            if (c % 4099 == 0 || (c & 0xFFFE) == 0xFFFE || (c >= 0xFDD0 && c <= 0xFDEF))
                alphabet += QString::fromUcs4(&c, 1);
        }
        QCOMPARE(fromReferences(toReferences(everything)), everything);
        QRandomGenerator random(1251);
        for (int round = 0; round < 4000; ++round) {
            const QString text = randomText(random, alphabet, int(random.bounded(200)));
            QString references;
            ConversionStream converter(Conversion::ToReferences);
            for (qsizetype at = 0, next; at < text.size(); at = next) {
                next = std::min(text.size(), at + 1 + random.bounded(9));
                converter.feed(QStringView(text).sliced(at, next - at), references);
            }
            converter.finish(references);
            QCOMPARE(references, toReferences(text));
            QCOMPARE(fromReferences(references), text);
            const qsizetype cut = random.bounded(int(references.size()) + 1);
            QCOMPARE(decodeInPieces(references, {cut}), text);
        }
    }

    // Real prose: the Russian fortunes, UTF-8 files, when they are installed.
    void roundTripFortunes()
    {
        const QDir dir(QStringLiteral("/usr/share/games/fortunes/ru"));
        QString text;
        for (const QFileInfo &info : dir.entryInfoList(QDir::Files)) {
            QFile file(info.filePath());
            if (info.suffix() == u"dat" || info.isSymLink() || !file.open(QIODevice::ReadOnly))
                continue;
            QStringDecoder utf8(QStringConverter::Utf8);
            const QString fortune = utf8(file.readAll());
            QVERIFY2(!utf8.hasError(), qPrintable(info.fileName() + QStringLiteral(" is not UTF-8")));
            for (const QChar c : fortune) {
                if (test::windows1251Units()[c.unicode()])
                    text += c;
            }
        }
        if (text.size() < 100000)
            QSKIP("the Russian fortunes are not installed");
        const QString references = toReferences(text);
        QVERIFY(references.size() > 3 * text.size()); // mostly references
        QCOMPARE(fromReferences(references), text);
    }

    void tail_data()
    {
        QTest::addColumn<QString>("piece");
        QTest::addColumn<int>("tail");
        const QStringList starts = {QStringLiteral("&"), QStringLiteral("x&a"), QStringLiteral("&am"),
                                    QStringLiteral("&amp"), QStringLiteral("&#"), QStringLiteral("&#1"),
                                    QStringLiteral("&#x"), QStringLiteral("&#X1f"),
                                    QStringLiteral("&amp;&Counte"),
                                    QStringLiteral("&CounterClockwiseContourIntegral")};
        const int tails[] = {1, 2, 3, 4, 2, 3, 3, 5, 7, 32};
        for (int i = 0; i < starts.size(); ++i)
            QTest::addRow("%s", qPrintable(starts[i])) << starts[i] << tails[i];
        const QStringList dead = {QString(), QStringLiteral("abc"), QStringLiteral("&amp;"),
                                  QStringLiteral("&ampx"), QStringLiteral("&qz"), QStringLiteral("&1"),
                                  QStringLiteral("& "), QStringLiteral("&#;"), QStringLiteral("&#xg"),
                                  QStringLiteral("&#1a"), QStringLiteral("&#x;"),
                                  QStringLiteral("&CounterClockwiseContourIntegralx"),
                                  QStringLiteral("&#65;deadbeef")};
        for (const QString &piece : dead)
            QTest::addRow("none: %s", qPrintable(piece)) << piece << 0;
        QTest::newRow("long number") << QStringLiteral("a&#") + QString(1000, u'0') << 1002;
    }

    void tail()
    {
        QFETCH(QString, piece);
        QFETCH(int, tail);
        QCOMPARE(incompleteReferenceTail(piece), qsizetype(tail));
    }

    // Cut anywhere, with the unfinished reference carried over, text decodes
    // as it does whole; and nothing ever decodes longer.
    void piecesGiveTheWhole()
    {
        const QString alphabet = QStringLiteral("&#;xX0159aAmpltgqunbsNfrCo ж\U0001F600");
        QRandomGenerator random(20240611);
        for (int round = 0; round < 3000; ++round) {
            const QString text = randomText(random, alphabet, int(random.bounded(80)));
            const QString whole = fromReferences(text);
            QVERIFY(whole.size() <= text.size());
            QList<qsizetype> cuts;
            for (qsizetype at = 0; (at += random.bounded(12)) < text.size();)
                cuts.append(at);
            QCOMPARE(decodeInPieces(text, cuts), whole);
        }
    }

    void appendKeepsExistingText()
    {
        QString out = QStringLiteral("до ");
        const QString shared = out;
        appendText(out, QStringLiteral("&lt;&#1103;&gt;"));
        QCOMPARE(out, QStringLiteral("до <я>"));
        QCOMPARE(shared, QStringLiteral("до "));

        // Reserved once, the output never moves while the pieces go in.
        const QString text = QStringLiteral("Щи да каша — пища наша. ").repeated(3000);
        const QString references = toReferences(text);
        out = QStringLiteral("head ");
        out.reserve(out.size() + convertedLengthBound(Conversion::ToText, references));
        const QChar *const data = out.constData();
        out = decodeInPieces(references, {997, 5000, 20011, 20012}, std::move(out));
        QCOMPARE(out, QStringLiteral("head ") + text);
        QCOMPARE(out.constData(), data);

        // Its own text, which appending may move.
        QString self = QStringLiteral("&lt;b&gt; ").repeated(1000);
        appendText(self, self);
        QCOMPARE(self, QStringLiteral("&lt;b&gt; ").repeated(1000) + QStringLiteral("<b> ").repeated(1000));
    }
};

QTEST_APPLESS_MAIN(TestDecoder)

#include "test_decoder.moc"
