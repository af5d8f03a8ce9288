// The converter and the code page, checked against glibc's iconv as an
// independent account of Windows-1251.

#include "text/ReferenceConverter.h"
#include "text/Conversion.h"
#include "text/CodePage1251.h"
#include "text/TextFormat.h"
#include "support/Iconv.h"

#include <QRandomGenerator>
#include <QString>
#include <QTest>

#include <iconv.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <vector>

using namespace zezu;

namespace {

// The rule, stated once more from its description, on a code found by iconv.
// Python's xmlcharrefreplace is the reference for what is outside the page.
QString expectedFor(int code, QStringView character)
{
    const char16_t first = character[0].unicode();
    if (character.size() == 1 && first == 0x98) // the page's byte 0x98, which iconv lacks
        return character.toString();
    if (code < 0 && character.size() == 1 && (character[0].isSurrogate() || (first >= 0x80 && first < 0xA0)))
        return QStringLiteral("?");
    if (code < 0)
        return QStringLiteral("&#%1;").arg(character.toUcs4().value(0));
    if (code >= 192 && code <= 255)
        return QStringLiteral("&#%1;").arg(code + 848);
    switch (code) {
    case 32: return QStringLiteral("&nbsp;");
    case 34: return QStringLiteral("&quot;");
    case 38: return QStringLiteral("&amp;");
    case 60: return QStringLiteral("&lt;");
    case 62: return QStringLiteral("&gt;");
    case 184: return QStringLiteral("&#1105;");
    default: return character.toString();
    }
}

QString units(std::initializer_list<char16_t> list)
{
    return QString(reinterpret_cast<const QChar *>(list.begin()), qsizetype(list.size()));
}

} // namespace

class TestConverter : public QObject
{
    Q_OBJECT

private:
    // The Windows-1251 code of each BMP code unit per iconv, or -1.
    std::array<int, 65536> m_iconvCode{};

    // The expected output for any text, one character at a time.
    QString oracle(QStringView text) const
    {
        QString out;
        for (qsizetype i = 0; i < text.size();) {
            const char16_t u = text[i].unicode();
            const bool pair = QChar::isHighSurrogate(u) && i + 1 < text.size()
                && text[i + 1].isLowSurrogate();
            if (pair) {
                out += expectedFor(-1, text.mid(i, 2));
                i += 2;
                continue;
            }
            out += expectedFor(m_iconvCode[u], text.mid(i, 1));
            ++i;
        }
        return out;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(test::Iconv("WINDOWS-1251", "UTF-16LE").isValid(),
                 "iconv cannot convert UTF-16LE to WINDOWS-1251");
        for (int u = 0; u < 65536; ++u) {
            const char16_t unit = static_cast<char16_t>(u);
            const auto byte = QChar::isSurrogate(unit) ? std::nullopt : test::iconvByteOf(unit);
            m_iconvCode[std::size_t(u)] = byte ? static_cast<unsigned char>(*byte) : -1;
        }
        // A sanity check of the reference itself: glibc leaves 0x98 unassigned.
        QCOMPARE(m_iconvCode[0x0098], -1);
        QCOMPARE(m_iconvCode[0x0410], 192);
    }

    void examples_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("house and garden") << QStringLiteral("Дом & сад")
            << QStringLiteral("&#1044;&#1086;&#1084;&nbsp;&amp;&nbsp;&#1089;&#1072;&#1076;");
        QTest::newRow("first capital") << QStringLiteral("А") << QStringLiteral("&#1040;");
        QTest::newRow("last small") << QStringLiteral("я") << QStringLiteral("&#1103;");
        QTest::newRow("small yo and digit") << QStringLiteral("ё5") << QStringLiteral("&#1105;5");
        QTest::newRow("capital yo copied") << QStringLiteral("Ё") << QStringLiteral("Ё");
        QTest::newRow("two spaces") << QStringLiteral("  ") << QStringLiteral("&nbsp;&nbsp;");
        QTest::newRow("reference escaped again") << QStringLiteral("&amp;")
                                                 << QStringLiteral("&amp;amp;");
        QTest::newRow("markup") << QStringLiteral("<a href=\"x\">'b'</a>")
            << QStringLiteral("&lt;a&nbsp;href=&quot;x&quot;&gt;'b'&lt;/a&gt;");
        QTest::newRow("tab CR LF") << QStringLiteral("a\tb\r\nc") << QStringLiteral("a\tb\r\nc");
        QTest::newRow("NUL copied") << units({u'a', 0, u'b'}) << units({u'a', 0, u'b'});
        QTest::newRow("U+0098, the page's byte 0x98, copied") << units({0x98}) << units({0x98});
        // No reference carries a C1 control: "&#150;" reads as "–".
        QTest::newRow("C1 controls") << units({0x80, 0x96, 0x9F}) << QStringLiteral("???");
        QTest::newRow("U+00A0 in the page") << units({0xA0}) << units({0xA0});
        QTest::newRow("euro and numero copied") << QStringLiteral("€№") << QStringLiteral("€№");
        QTest::newRow("CJK outside") << QStringLiteral("x\u4E00y") << QStringLiteral("x&#19968;y");
        QTest::newRow("e acute outside") << QStringLiteral("caf\u00E9") << QStringLiteral("caf&#233;");
        QTest::newRow("last BMP unit") << units({0xFFFF}) << QStringLiteral("&#65535;");
        QTest::newRow("lone high") << units({u'a', 0xD800, u'b'}) << QStringLiteral("a?b");
        QTest::newRow("lone low") << units({u'a', 0xDC00, u'b'}) << QStringLiteral("a?b");
        QTest::newRow("low then high") << units({0xDC00, 0xD800}) << QStringLiteral("??");
        QTest::newRow("pair is one character") << units({u'a', 0xD83D, 0xDE00, u'b'})
                                               << QStringLiteral("a&#128512;b");
        QTest::newRow("pair at the end") << units({u'a', 0xD83D, 0xDE00})
                                         << QStringLiteral("a&#128512;");
        QTest::newRow("lone high at the end") << units({u'a', 0xDBFF}) << QStringLiteral("a?");
        QTest::newRow("two pairs") << units({0xD83D, 0xDE00, 0xDBFF, 0xDFFF})
                                   << QStringLiteral("&#128512;&#1114111;");
        QTest::newRow("high high low") << units({0xD800, 0xD800, 0xDC00})
                                       << QStringLiteral("?&#65536;");

        // Markup, a pair and a character outside the page at every position
        // around the converter's blocks of text.
        const QString yo = QStringLiteral("ё");
        for (int k = 0; k <= 34; ++k) {
            const QString ascii(k, u'x');
            const QString cyrillic = QStringLiteral("ж").repeated(k);
            const QString cyrillicOut = QStringLiteral("&#1078;").repeated(k);
            QTest::addRow("%d ASCII then <", k) << ascii + u'<' + ascii << ascii + QStringLiteral("&lt;") + ascii;
            QTest::addRow("%d ASCII then pair", k)
                << ascii + units({0xD83D, 0xDE00}) + ascii
                << ascii + QStringLiteral("&#128512;") + ascii;
            QTest::addRow("%d ASCII then lone high", k)
                << ascii + units({0xD83D}) + ascii << ascii + u'?' + ascii;
            QTest::addRow("%d ASCII then CJK", k)
                << ascii + u'\u4E00' + yo << ascii + QStringLiteral("&#19968;&#1105;");
            QTest::addRow("%d Cyrillic then pair", k)
                << cyrillic + units({0xD83D, 0xDE00}) + cyrillic
                << cyrillicOut + QStringLiteral("&#128512;") + cyrillicOut;
            QTest::addRow("%d Cyrillic then em dash", k)
                << cyrillic + u'\u2014' + u' ' << cyrillicOut + u'\u2014' + QStringLiteral("&nbsp;");
            QTest::addRow("%d plain ASCII", k) << ascii << ascii;
        }

        // Long enough to cross the limits of the length count's partial sums.
        QTest::newRow("long Cyrillic") << QStringLiteral("я").repeated(200003)
                                       << QStringLiteral("&#1103;").repeated(200003);
        QTest::newRow("long spaces") << QString(150001, u' ')
                                     << QStringLiteral("&nbsp;").repeated(150001);
        QTest::newRow("long pairs") << units({0xD83D, 0xDE00}).repeated(70001)
                                    << QStringLiteral("&#128512;").repeated(70001);
        QTest::newRow("long CJK") << QString(90001, u'\uFFFD')
                                  << QStringLiteral("&#65533;").repeated(90001);
    }

    void examples()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(toReferences(text), expected);
    }

    // Each code unit alone, against the rule applied to iconv's answer.
    void everyCodeUnit()
    {
        int failures = 0;
        for (int u = 0; u < 65536; ++u) {
            const QChar unit(static_cast<char16_t>(u));
            const QString expected = expectedFor(m_iconvCode[std::size_t(u)], QStringView(&unit, 1));
            const QString actual = toReferences(QStringView(&unit, 1));
            if (actual != expected && ++failures <= 10)
                qWarning("U+%04X: got \"%s\", expected \"%s\"", u, qUtf8Printable(actual),
                         qUtf8Printable(expected));
        }
        QCOMPARE(failures, 0);
    }

    // Written as UTF-8 without the mark, references read back as themselves
    // whatever the text: the converter copies no C1 control (U+0098 is no
    // sign of Windows-1251) and no character that reads as two letters of it.
    void referencesNeedNoMark()
    {
        for (int u = 0x80; u < 0x10000; ++u) {
            const QChar unit(static_cast<char16_t>(u));
            if (toReferences(QStringView(&unit, 1)) != QStringView(&unit, 1))
                continue;
            const QByteArray bytes = QString(unit).toUtf8().repeated(1 + u % 2);
            UnmarkedUtf8 written;
            written.feed(bytes);
            QVERIFY2(!written.needsMark(), qPrintable(QString::number(u, 16)));
        }
    }

    void codeOfEveryUnit()
    {
        const CodePage1251 &page = CodePage1251::instance();
        int failures = 0;
        for (int u = 0; u < 65536; ++u) {
            const int actual = page.codeOf(static_cast<char16_t>(u));
            if (actual != m_iconvCode[std::size_t(u)] && ++failures <= 10)
                qWarning("codeOf(U+%04X) = %d, iconv says %d", u, actual,
                         m_iconvCode[std::size_t(u)]);
        }
        QCOMPARE(failures, 0);
    }

    void charOfEveryByte()
    {
        QVERIFY(test::Iconv("UTF-16LE", "WINDOWS-1251").isValid());
        const CodePage1251 &page = CodePage1251::instance();
        for (int byte = 0; byte < 256; ++byte) {
            const char16_t actual = page.charOf(static_cast<std::uint8_t>(byte));
            const auto reference = test::iconvCharOf(byte);
            if (!reference) {
                // Unassigned: read as the Latin-1 character of the byte, and
                // never the code of any character.
                QCOMPARE(int(actual), byte);
                QCOMPARE(page.codeOf(actual), -1);
                continue;
            }
            QCOMPARE(reference->size(), qsizetype(1));
            QCOMPARE(int(actual), int(reference->at(0).unicode()));
            QCOMPARE(page.codeOf(actual), byte);
        }
    }

    // Random text of the characters that matter, against the character-at-a-
    // time account, so that every mix meets every position in a block.
    void randomText()
    {
        static const char16_t alphabet[] = {
            u'a', u'Z', u'0', u' ', u'"', u'&', u'<', u'>', u'\'', u'\t', u'\r', u'\n', 0,
            0x0410, 0x044F, 0x0430, 0x0451, 0x0401, 0x0098, 0x00A0, 0x00AB, 0x00E9, 0x0490,
            0x045F, 0x0460, 0x07FF, 0x0800, 0x2014, 0x2116, 0x20AC, 0x4E00, 0xFFFD, 0xFFFF,
            0xD800, 0xDBFF, 0xDC00, 0xDFFF,
        };
        QRandomGenerator random(20240611);
        for (int round = 0; round < 3000; ++round) {
            const int length = int(random.bounded(120));
            QString text;
            for (int i = 0; i < length; ++i) {
                const quint32 pick = random.bounded(quint32(std::size(alphabet)) + 2);
                if (pick >= std::size(alphabet)) {
                    // Mostly runs, which take the block paths.
                    const int run = int(random.bounded(20));
                    text += pick == std::size(alphabet) ? QString(run, u'q')
                                                        : QStringLiteral("щ").repeated(run);
                } else {
                    text += QChar(alphabet[pick]);
                }
            }
            const QString expected = oracle(text);
            const QString actual = toReferences(text);
            if (actual != expected) {
                QString hex;
                for (QChar c : text)
                    hex += QString::number(c.unicode(), 16) + u' ';
                QFAIL(qPrintable(QStringLiteral("round %1, text %2\n got %3\n expected %4")
                                     .arg(round).arg(hex, actual, expected)));
            }
        }
    }

    void characterLength_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::addColumn<int>("expected");

        const QString pair = units({0xD83D, 0xDE00});
        QTest::newRow("ASCII") << QStringLiteral("ab") << 0 << 1;
        QTest::newRow("Cyrillic") << QStringLiteral("жы") << 1 << 1;
        QTest::newRow("pair") << pair << 0 << 2;
        QTest::newRow("second half of a pair") << pair << 1 << 1;
        QTest::newRow("pair after text") << u'a' + pair << 1 << 2;
        QTest::newRow("lone high at the end") << units({u'a', 0xD800}) << 1 << 1;
        QTest::newRow("high then high") << units({0xD800, 0xD800, 0xDC00}) << 0 << 1;
        QTest::newRow("high then high then low") << units({0xD800, 0xD800, 0xDC00}) << 1 << 2;
        QTest::newRow("lone low") << units({0xDC00, 0xD800}) << 0 << 1;
        QTest::newRow("high then BMP") << units({0xD800, u'x'}) << 0 << 1;
        QTest::newRow("past the end") << QStringLiteral("ab") << 2 << 0;
        QTest::newRow("negative") << QStringLiteral("ab") << -1 << 0;
        QTest::newRow("empty") << QString() << 0 << 0;
    }

    void characterLength()
    {
        QFETCH(QString, text);
        QFETCH(int, index);
        QFETCH(int, expected);
        QCOMPARE(zezu::characterLength(text, index), qsizetype(expected));
    }

    void appendKeepsExistingText()
    {
        QString out = QStringLiteral("до ");
        const QString shared = out;
        appendReferences(out, QStringLiteral("<я>"));
        QCOMPARE(out, QStringLiteral("до &lt;&#1103;&gt;"));
        QCOMPARE(shared, QStringLiteral("до ")); // a copy sharing the data is untouched

        appendReferences(out, QString());
        QCOMPARE(out, QStringLiteral("до &lt;&#1103;&gt;"));

        // Many small appends give what one conversion of the whole gives.
        const QString piece = QStringLiteral("Щи да каша — пища наша. ");
        QString whole;
        QString pieces;
        for (int i = 0; i < 500; ++i) {
            whole += piece;
            appendReferences(pieces, piece);
        }
        QCOMPARE(pieces, toReferences(whole));
    }

    void reservedRoomTakesEveryPiece()
    {
        // Reserved once, the output never moves while the pieces go in.
        const QString text = QString::fromUtf16(u"Ёж & ёж: \"<\U0001F600>\" ").repeated(3000);
        QString out = QStringLiteral("head ");
        out.reserve(out.size() + convertedLengthBound(Conversion::ToReferences, text));
        const QChar *const data = out.constData();
        const qsizetype capacity = out.capacity();
        const QStringView view(text);
        for (qsizetype at = 0; at < text.size(); at += 997) {
            qsizetype end = qMin(text.size(), at + 997);
            if (end < text.size() && view[end - 1].isHighSurrogate())
                ++end;
            appendReferences(out, view.sliced(at, end - at));
            at = end - 997;
        }
        QCOMPARE(out, QStringLiteral("head ") + toReferences(text));
        QCOMPARE(out.constData(), data);
        QCOMPARE(out.capacity(), capacity);
    }

    void appendOfItsOwnText()
    {
        QString out = QStringLiteral("a<b ");
        appendReferences(out, out);
        QCOMPARE(out, QStringLiteral("a<b a&lt;b&nbsp;"));

        QString longer = QStringLiteral("ж ").repeated(1000);
        const QString expected = longer + QStringLiteral("&#1078;&nbsp;").repeated(500);
        appendReferences(longer, QStringView(longer).sliced(1000));
        QCOMPARE(longer, expected);
    }
};

QTEST_APPLESS_MAIN(TestConverter)

#include "test_converter.moc"
