// Real Russian prose, every piece of it at every offset, through format
// detection: Windows-1251 text people write is never taken for UTF-8, nor
// for UTF-16 where a mark's "яю" opens a word. A long, exhaustive check of
// its own (label corpus), which CI runs as every other.
#include "support/RussianCorpus.h"

#include <QElapsedTimer>
#include <QTest>

using namespace zezu;
using namespace zezu::test;

class TestProseDetection : public QObject
{
    Q_OBJECT

private slots:
    void russianProseIsNeverTakenForUtf8();
};

void TestProseDetection::russianProseIsNeverTakenForUtf8()
{
    const auto corpus = russianCorpus1251();
    if (!corpus)
        QSKIP("the fortunes-ru package's texts are missing from /usr/share/games/fortunes/ru");
    QElapsedTimer timer;
    timer.start();
    const CorpusScan scan = scanCorpus(corpus->bytes, 64);
    qInfo("corpus: %d files, %lld lines (%lld left out: outside the page), %lld bytes",
          corpus->files, qlonglong(corpus->lines), qlonglong(corpus->linesLeftOut),
          qlonglong(corpus->bytes.size()));
    qInfo("detectFormat on every piece of 1..64 bytes at every offset: %lld pieces, "
          "%lld taken for UTF-8; %lld open with a UTF-16 mark (\"яю\" or \"юя\" inside a "
          "word, at %lld offsets), %lld of them at a word's start",
          qlonglong(scan.pieces), qlonglong(scan.utf8), qlonglong(scan.marked),
          qlonglong(scan.markedOffsets), qlonglong(scan.markedAtWordStart));
    qInfo("every length at every offset, by the resumable check: %lld pieces, "
          "%lld taken for UTF-8; %lld valid UTF-8 with one multi-byte sequence, "
          "at most %lld in a valid piece, at most %lld lead bytes in a piece with no more "
          "strays than mostly UTF-8 allows; %.1f s",
          qlonglong(scan.allPieces), qlonglong(scan.allUtf8), qlonglong(scan.allOneSequence),
          qlonglong(scan.mostSequences), qlonglong(scan.mostlySequences),
          double(timer.elapsed()) / 1000);
    QVERIFY2(corpus->linesLeftOut * 20 < corpus->lines, "most of the prose is in the page");
    QCOMPARE(scan.utf8, 0);
    QCOMPARE(scan.allUtf8, 0);
    QCOMPARE(scan.markedAtWordStart, 0);
    // A mark is trusted only with nothing after it, or plausible UTF-16.
    QCOMPARE(scan.marked, scan.markedOffsets);
}

QTEST_GUILESS_MAIN(TestProseDetection)
#include "test_prose_detection.moc"
