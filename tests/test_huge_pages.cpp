// Large outputs (converted text, decoded text, a file's text) ask for huge
// pages before they are first written; small ones do not. Checked in the
// kernel's own account of the mappings: the "hg" flag of /proc/self/smaps.
#include "convert/ReferenceConverter.h"
#include "convert/ReferenceDecoder.h"
#include "core/HugePages.h"
#include "core/PrefaultAhead.h"
#include "document/Cp1251Codec.h"
#include "document/TextCodec.h"
#include "document/TextFile.h"
#include "support/Files.h"

#include <QDir>
#include <QProcess>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <cstdlib>
#include <cstring>
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
            reserveForReferences(out, text);
            for (qsizetype i = 0; i < text.size(); i += 16 * 1024)
                appendReferences(out, QStringView(text).sliced(i).first(
                                          std::min<qsizetype>(16 * 1024, text.size() - i)));
            return out;
        }) << true;
        QTest::newRow("Windows-1251 CR LF bytes, 16 MiB out") << Produce([] {
            return decodeText(encodeText(sample(8 * kMiB)));
        }) << true;
        QTest::newRow("Windows-1251 CR LF bytes, 2 MiB out") << Produce([] {
            return decodeText(encodeText(sample(kMiB)));
        }) << false;
        QTest::newRow("UTF-8 LF bytes, 16 MiB out") << Produce([] {
            const TextFormat utf8{Encoding::Utf8, false, LineEnds::Lf};
            return decodeText(encodeText(sample(8 * kMiB), utf8), utf8);
        }) << true;
        QTest::newRow("Windows-1251 file read, 16 MiB out") << Produce([] {
            QTemporaryDir dir;
            const QString path = dir.filePath(QStringLiteral("big.txt"));
            QString text, reason;
            TextFormat format;
            if (!test::writeBytes(path, encodeText(sample(8 * kMiB)))
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

    // Pages are faulted in a little ahead of the writer and no further, and
    // what the writer wrote meanwhile stays as written.
    void prefaultsAheadOfTheWriterOnly()
    {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
        constexpr std::size_t kBytes = std::size_t(64) << 20;
        constexpr std::size_t kWritten = std::size_t(16) << 20;
        const auto page = std::size_t(sysconf(_SC_PAGESIZE));
        auto *map = static_cast<unsigned char *>(
            mmap(nullptr, kBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        QVERIFY(map != MAP_FAILED);
        // Small pages here, so that residency is counted page by page.
        madvise(map, kBytes, MADV_NOHUGEPAGE);
        auto resident = [&](std::size_t offset) {
            unsigned char in = 0;
            mincore(map + offset / page * page, page, &in);
            return (in & 1) != 0;
        };
        const std::size_t ahead = PrefaultAhead::kAhead;
        {
            PrefaultAhead prefault(map, kBytes);
            prefault.wrote(0);
            QTRY_VERIFY(resident(ahead - page));
            QVERIFY(!resident(ahead + page));
            std::memset(map, 0x5A, kWritten);
            prefault.wrote(kWritten);
            QTRY_VERIFY(resident(kWritten + ahead - page));
            QVERIFY(!resident(kWritten + ahead + page));
        }
        bool asWritten = true;
        for (std::size_t i = 0; i < kWritten + ahead; ++i)
            asWritten = asWritten && map[i] == (i < kWritten ? 0x5A : 0);
        QVERIFY(asWritten);
        QVERIFY(!resident(kBytes - page));
        munmap(map, kBytes);
#else
        QSKIP("no way here to fault pages in without writing them");
#endif
    }

    // The editor starts itself again with glibc told to advise its large
    // allocations, and leaves a choice the user made alone.
    void startsAgainWithHugePageAllocations_data()
    {
        QTest::addColumn<QByteArray>("given");
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<bool>("advisedBlock");
        QTest::newRow("none") << QByteArray() << QByteArray("glibc.malloc.hugetlb=1") << true;
        QTest::newRow("another tunable")
            << QByteArray("glibc.malloc.check=0")
            << QByteArray("glibc.malloc.check=0:glibc.malloc.hugetlb=1") << true;
        QTest::newRow("the user's own choice")
            << QByteArray("glibc.malloc.hugetlb=0") << QByteArray("glibc.malloc.hugetlb=0")
            << false;
    }

    void startsAgainWithHugePageAllocations()
    {
#if defined(__linux__) && defined(__GLIBC__)
        QFETCH(QByteArray, given);
        QFETCH(QByteArray, expected);
        QFETCH(bool, advisedBlock);
        QFile mode(QStringLiteral("/sys/kernel/mm/transparent_hugepage/enabled"));
        if (!mode.open(QIODevice::ReadOnly) || mode.readAll().contains("[never]"))
            QSKIP("this system has no huge pages");
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("GLIBC_TUNABLES"));
        if (!given.isEmpty())
            env.insert(QStringLiteral("GLIBC_TUNABLES"), QString::fromLatin1(given));
        child.setProcessEnvironment(env);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("-child"), QStringLiteral("restart")});
        QVERIFY(child.waitForFinished());
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        QCOMPARE(lines.value(0), expected);
#if defined(__SANITIZE_ADDRESS__)
        Q_UNUSED(advisedBlock); // the sanitizer's allocator is not glibc's
#else
        QCOMPARE(lines.value(1), QByteArray(advisedBlock ? "advised" : "not advised"));
#endif
#endif
    }
};

// A child run: starts itself again as the editor does, then reports the
// tunables it runs with and whether a large allocation was advised.
int main(int argc, char **argv)
{
    if (argc == 3 && qstrcmp(argv[1], "-child") == 0 && qstrcmp(argv[2], "restart") == 0) {
        restartWithHugePageAllocations(argv);
        constexpr std::size_t kBlock = std::size_t(16) << 20;
        void *block = std::malloc(kBlock);
        const char *tunables = std::getenv("GLIBC_TUNABLES");
        std::printf("%s\n%s\n", tunables ? tunables : "",
                    advised(static_cast<char *>(block) + kBlock / 2) ? "advised" : "not advised");
        std::free(block);
        return 0;
    }
    QCoreApplication app(argc, argv);
    TestHugePages tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}

#include "test_huge_pages.moc"
