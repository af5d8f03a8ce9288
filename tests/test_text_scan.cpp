// Line breaks and characters counted eight units a step, against Qt's own
// counting: every length around the step, every alphabet mix.
#include "text/TextScan.h"

#include <QRandomGenerator>
#include <QTest>

using namespace zezu;

class TestTextScan : public QObject
{
    Q_OBJECT

private slots:
    void countsLikeQt_data()
    {
        QTest::addColumn<QString>("text");
        const QChar alphabet[] = {u'a', u'\r', u'\n', QChar(0xD800), QChar(0xDC00),
                                  QChar(0xDBFF), QChar(0xDFFF), QChar(0xFC00)};
        QRandomGenerator random(20261209);
        for (int length = 0; length <= 40; ++length) {
            for (int round = 0; round < 25; ++round) {
                QString text;
                for (int i = 0; i < length; ++i)
                    text += alphabet[random.bounded(int(std::size(alphabet)))];
                QTest::addRow("%d units, #%d", length, round) << text;
            }
        }
        QTest::newRow("only CR LF") << QStringLiteral("\r\n").repeated(1001);
        QTest::newRow("only pairs") << QString::fromUtf16(u"\U0001F600").repeated(1001);
        // Past what a step's 16-bit counters hold before they are summed.
        QTest::newRow("300,001 CR LF") << QStringLiteral("\r\n").repeated(300001);
        QTest::newRow("300,001 pairs") << QString::fromUtf16(u"\U0001F600").repeated(300001);
    }

    void countsLikeQt()
    {
        QFETCH(QString, text);
        // From every offset, so that the eight-unit steps fall everywhere.
        for (qsizetype from = 0; from <= std::min<qsizetype>(text.size(), 9); ++from) {
            const QStringView part = QStringView(text).sliced(from);
            QCOMPARE(countText(part).lineBreaks, part.count(u"\r\n"));
            QCOMPARE(countCharacters(part), part.toString().toUcs4().size());
        }
    }
};

QTEST_GUILESS_MAIN(TestTextScan)
#include "test_text_scan.moc"
