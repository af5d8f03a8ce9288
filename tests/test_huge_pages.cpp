// Large outputs (converted text, decoded text, a file's text) ask for huge
// pages before they are first written; small ones do not. Checked in the
// kernel's own account of the mappings: the "hg" flag of /proc/self/smaps.
#include "files/TextFile.h"
#include "text/Conversion.h"
#include "support/Codecs.h"
#include "support/Files.h"
#include "text/HugePages.h"
#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#ifdef __linux__
#include <sys/mman.h>
#include <unistd.h>
#endif

using namespace zezu;

namespace {

// Whether the mapping that holds address was advised to take huge pages.
bool advised(const void *address)
{
    QFile smaps(QStringLiteral("/proc/self/smaps"));
    if (!smaps.open(QIODevice::ReadOnly))
        return false;
    const auto at = quintptr(address);
    bool inside = false;
    for (const QByteArray &line : smaps.readAll().split('\n')) {
        // A mapping's line starts "from-to perms ..."; its fields' "Name: ...".
        const qsizetype dash = line.indexOf('-');
        const qsizetype space = line.indexOf(' ');
        if (dash > 0 && space > dash && line[space - 1] != ':') {
            bool okFrom = false, okTo = false;
            const quintptr from = line.left(dash).toULongLong(&okFrom, 16);
            const quintptr to = line.mid(dash + 1, space - dash - 1).toULongLong(&okTo, 16);
            inside = okFrom && okTo && at >= from && at < to;
        } else if (inside && line.startsWith("VmFlags:")) {
            return line.mid(8).split(' ').contains("hg");
        }
    }
    return false;
}

// Text of n units: Cyrillic, spaces, markup and CR LF breaks.
QString sample(qsizetype units)
{
    const QString piece = QStringLiteral("Съешь <ещё> & \"этих\" булок\r\n");
    QString text;
    text.reserve(units + piece.size());
    while (text.size() < units)
        text += piece;
    text.truncate(units);
    return text;
}

constexpr qsizetype kMiB = qsizetype(1) << 20;

using Produce = std::function<QString()>;

} // namespace

class TestHugePages : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
#if !defined(__linux__) || !defined(MADV_HUGEPAGE)
        QSKIP("no huge-page advice on this system");
#else
        if (!QDir(QStringLiteral("/sys/kernel/mm/transparent_hugepage")).exists())
            QSKIP("the kernel has no transparent huge pages");
#endif
#ifdef __GLIBC__
        // Every large block a mapping of its own, unmapped when freed: an
        // output's flags are then its own, not those of a block before it.
        mallopt(M_MMAP_THRESHOLD, 256 << 10);
#endif
    }

    void outputs_data()
    {
        QTest::addColumn<Produce>("produce");
        QTest::addColumn<bool>("expected");

        // The converter writes about six units per unit of this text; the
        // decoder's output is as long as the references it reads.
        QTest::newRow("converter, 48 MiB out") << Produce([] {
            return toReferences(sample(4 * kMiB));
        }) << true;
        QTest::newRow("converter, 1.5 MiB out") << Produce([] {
            return toReferences(sample(kMiB / 8));
        }) << false;
        QTest::newRow("decoder, 12 MiB of references") << Produce([] {
            return fromReferences(toReferences(sample(kMiB)));
        }) << true;
        QTest::newRow("decoder, 1.5 MiB of references") << Produce([] {
            return fromReferences(toReferences(sample(kMiB / 8)));
        }) << false;
        // As the convert command does: room reserved first, then pieces.
        QTest::newRow("converter in pieces, 48 MiB out") << Produce([] {
            const QString text = sample(4 * kMiB);
            QString out;
            reserveForConverted(Conversion::ToReferences, out,
                                convertedLengthBound(Conversion::ToReferences, text));
            for (qsizetype i = 0; i < text.size(); i += 16 * 1024)
                appendReferences(out, QStringView(text).sliced(i).first(
                                          std::min<qsizetype>(16 * 1024, text.size() - i)));
            return out;
        }) << true;
        QTest::newRow("Windows-1251 CR LF bytes, 16 MiB out") << Produce([] {
            return test::decodeCp1251(test::encodeCp1251(sample(8 * kMiB)));
        }) << true;
        QTest::newRow("Windows-1251 CR LF bytes, 2 MiB out") << Produce([] {
            return test::decodeCp1251(test::encodeCp1251(sample(kMiB)));
        }) << false;
        QTest::newRow("UTF-8 LF bytes, 16 MiB out") << Produce([] {
            const TextFormat utf8{Encoding::Utf8, false, LineEnds::Lf};
            return test::decodeText(encodeText(sample(8 * kMiB), utf8), utf8);
        }) << true;
        QTest::newRow("Windows-1251 file read, 16 MiB out") << Produce([] {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("big.txt"));
            QString text, reason;
            TextFormat format;
            if (!test::writeBytes(path, test::encodeCp1251(sample(8 * kMiB)))
                || !readTextFile(path, text, format, reason))
                return QString();
            return text;
        }) << true;
    }

    void outputs()
    {
        QFETCH(Produce, produce);
        QFETCH(bool, expected);
        const QString out = produce();
        QVERIFY(!out.isEmpty());
        const QChar *begin = out.constData();
        const QChar *last = begin + out.size() - 4096;
        QCOMPARE(advised(begin + out.size() / 2), expected);
        QCOMPARE(advised(last), expected);
    }

    void adviceTakesOnlyLargeRanges_data()
    {
        QTest::addColumn<qsizetype>("bytes");
        QTest::addColumn<bool>("expected");
        QTest::newRow("one byte under the limit") << qsizetype(kHugePagesFrom - 1) << false;
        QTest::newRow("at the limit") << qsizetype(kHugePagesFrom) << true;
        QTest::newRow("8 MiB") << 8 * kMiB << true;
    }

    void adviceTakesOnlyLargeRanges()
    {
#ifdef __linux__
        QFETCH(qsizetype, bytes);
        QFETCH(bool, expected);
        // A mapping of twice the size, so that the range has neighbours.
        const std::size_t length = 2 * std::size_t(bytes) + 8 * 4096;
        void *map = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                         -1, 0);
        QVERIFY(map != MAP_FAILED);
        char *const begin = static_cast<char *>(map) + 4096 + 100; // not page-aligned
        adviseHugePages(begin, std::size_t(bytes));
        const bool inRange = advised(begin + bytes / 2);
        // Past the range's last whole page: never advised.
        const bool after = advised(begin + bytes + 4096);
        munmap(map, length);
        QCOMPARE(inRange, expected);
        QCOMPARE(after, false);
#endif
    }
};

QTEST_GUILESS_MAIN(TestHugePages)
#include "test_huge_pages.moc"
