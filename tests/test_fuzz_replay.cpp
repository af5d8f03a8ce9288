// The fuzz targets' checks, replayed in the ordinary build: on every seed of
// the corpus and on every input that once made a target fail.
#include "FuzzChecks.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace zezu;

class TestFuzzReplay : public QObject
{
    Q_OBJECT

private slots:
    // The converter target checks the decoder too.
    void converter_data() { addRows(fuzz::converterSeeds(), QStringLiteral("converter")); }
    void converter();
    void textFile_data() { addRows(fuzz::textFileSeeds(), QStringLiteral("text_file")); }
    void textFile();

private:
    static void addRows(const fuzz::Seeds &seeds, const QString &target);
};

void TestFuzzReplay::addRows(const fuzz::Seeds &seeds, const QString &target)
{
    QTest::addColumn<QByteArray>("input");
    for (const auto &[name, bytes] : seeds)
        QTest::addRow("seed %s", qPrintable(name)) << bytes;
    const QDir regressions(QStringLiteral(ZEZU_FUZZ_REGRESSIONS "/") + target);
    const QStringList files = regressions.entryList(QDir::Files, QDir::Name);
    for (const QString &file : files) {
        QFile in(regressions.filePath(file));
        QVERIFY(in.open(QIODevice::ReadOnly));
        QTest::addRow("regression %s", qPrintable(file)) << in.readAll();
    }
}

void TestFuzzReplay::converter()
{
    QFETCH(QByteArray, input);
    const QString problem = fuzz::checkConverter(input);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestFuzzReplay::textFile()
{
    QFETCH(QByteArray, input);
    QTemporaryDir scratch;
    QVERIFY(scratch.isValid());
    const QString problem = fuzz::checkTextFile(input, scratch.path());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "test_fuzz_replay.moc"
