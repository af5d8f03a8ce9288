// A signal at any moment of a write, to the real zezu-convert: whatever ends
// the program, the target holds all of its old bytes or all of its new ones,
// and nothing is left beside it. Every way a file is written (a new file
// renamed over it; in place, for another name, a folder that takes no new
// file, an owner that could not be kept; standard output) meets every signal
// that ends a program, at a moment drawn at random through the run.
#include "support/Child.h"
#include "support/ConvertCommand.h"
#include "support/Files.h"
#include "support/RussianCorpus.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>

using namespace zezu;
using namespace Qt::StringLiterals;

namespace {

const QString kProgram = QStringLiteral(ZEZU_CONVERT);

enum class Path { Rename, HardLink, ClosedFolder, OtherOwner, StandardOutput };

const char *pathName(Path path)
{
    switch (path) {
    case Path::Rename: return "new file renamed over it";
    case Path::HardLink: return "in place, for its other name";
    case Path::ClosedFolder: return "in place, its folder takes no file";
    case Path::OtherOwner: return "in place, its owner kept";
    case Path::StandardOutput: return "standard output";
    }
    return "";
}

// The signals whose default ends a program, real-time ones among them.
QList<int> endingSignals()
{
    QList<int> all = {SIGHUP,  SIGINT,  SIGQUIT, SIGILL,  SIGTRAP,   SIGABRT, SIGBUS,
                      SIGFPE,  SIGUSR1, SIGSEGV, SIGUSR2, SIGPIPE,   SIGALRM, SIGTERM,
                      SIGXCPU, SIGVTALRM, SIGPROF, SIGIO, SIGPWR,    SIGSYS};
    all << SIGRTMIN << SIGRTMAX << SIGKILL;
    return all;
}

QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System)
        .filter(QStringLiteral("zezu"));
}

} // namespace

Q_DECLARE_METATYPE(Path)

class TestInterruptedWrites : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oldBytesOrNew_data();
    void oldBytesOrNew();

private:
    QByteArray m_input;
    QByteArray m_converted;
    qint64 m_runMs = 0;
};

void TestInterruptedWrites::initTestCase()
{
    const auto corpus = test::russianCorpus1251();
    if (!corpus)
        QSKIP("the fortunes-ru package's texts are missing");
    m_input = corpus->bytes.repeated(4).left(8 << 20);
    QTemporaryDir dir;
    QVERIFY(test::writeBytes(dir.filePath(QStringLiteral("in.txt")), m_input));
    QElapsedTimer clock;
    clock.start();
    const test::Run run = test::runProgram(kProgram, {QStringLiteral("in.txt")}, dir.path());
    m_runMs = clock.elapsed();
    QCOMPARE(run.status, 0);
    m_converted = run.out;
}

void TestInterruptedWrites::oldBytesOrNew_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<int>("signal");
    for (const Path path : {Path::Rename, Path::HardLink, Path::ClosedFolder, Path::OtherOwner,
                            Path::StandardOutput})
        for (const int signal : endingSignals())
            QTest::addRow("%s, signal %d", pathName(path), signal) << path << signal;
}

void TestInterruptedWrites::oldBytesOrNew()
{
    QFETCH(Path, path);
    QFETCH(int, signal);
    const bool asNobody = path == Path::ClosedFolder || path == Path::OtherOwner;
    if (asNobody && ::geteuid() != 0)
        QSKIP("needs root, to write as another user");
    QTemporaryDir dir;
    QTemporaryDir temporary; // the program's temporary folder
    QVERIFY(QFile::setPermissions(temporary.path(), QFileDevice::Permissions(0x7777)));
    const QString folder = dir.filePath(QStringLiteral("folder"));
    const QString target = folder + QStringLiteral("/target.txt");
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::Permissions(0x7755)));
    const bool inPlace = path != Path::Rename && path != Path::StandardOutput;
    const QByteArray old = inPlace ? m_input : QByteArray("old\r\n");
    QVERIFY(test::writeBytes(target, old));
    QVERIFY(test::writeBytes(dir.filePath(QStringLiteral("in.txt")), m_input));
    const QByteArray folderBytes = QFile::encodeName(folder);
    const QByteArray targetBytes = QFile::encodeName(target);
    if (path == Path::HardLink)
        QVERIFY(::link(targetBytes.constData(), (folderBytes + "/other.txt").constData()) == 0);
    if (path == Path::ClosedFolder) {
        QVERIFY(::chown(targetBytes.constData(), 65534, 65534) == 0);
        QVERIFY(::chmod(folderBytes.constData(), 0755) == 0);
    }
    if (path == Path::OtherOwner) {
        QVERIFY(::chmod(targetBytes.constData(), 0666) == 0);
        QVERIFY(::chmod(folderBytes.constData(), 0777) == 0);
    }

    QProcess run;
    run.setWorkingDirectory(dir.path());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    // A sanitized build's runtime would take the fault signals for its own.
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS"))
                           + QStringLiteral(":handle_segv=0:handle_sigbus=0:handle_sigfpe=0:handle_sigill=0"));
    run.setProcessEnvironment(environment);
    QStringList command = asNobody ? test::asNobody() : QStringList();
    if (path == Path::StandardOutput) {
        command << QStringLiteral("/bin/sh") << QStringLiteral("-c")
                << QStringLiteral("exec \"$0\" in.txt > folder/target.txt") << kProgram;
    } else {
        command << kProgram;
        command << (inPlace ? QStringList{QStringLiteral("-i"), QStringLiteral("folder/target.txt")}
                            : QStringList{QStringLiteral("in.txt"), QStringLiteral("-o"),
                                          QStringLiteral("folder/target.txt")});
    }
    // A moment through the run, the same for the same case each time.
    std::mt19937 random(unsigned(int(path) * 100 + signal));
    const auto delayUs = std::uniform_int_distribution<qint64>(0, m_runMs * 1000)(random);
    run.start(command.takeFirst(), command);
    QVERIFY(run.waitForStarted());
    QThread::usleep(std::uint64_t(delayUs));
    ::kill(pid_t(run.processId()), signal);
    QVERIFY(run.waitForFinished(60000));
    const bool ended = run.exitStatus() == QProcess::CrashExit || run.exitCode() == 0;
    QVERIFY2(ended, run.readAllStandardError().constData());

    const QByteArray now = test::readBytes(target);
    const QStringList beside = leftovers(folder) + leftovers(temporary.path());
    if (path == Path::StandardOutput) {
        QCOMPARE(beside, QStringList());
        return;
    }
    if (signal == SIGKILL && now != old && now != m_converted) {
        // Nothing can wait for SIGKILL: the old bytes are in their copy.
        const QStringList copies = QStringList{leftovers(folder).filter(u"zezu-old-"_s).value(0)
                                                   .prepend(folder + u'/'),
                                               leftovers(temporary.path()).filter(u"zezu-old-"_s)
                                                   .value(0).prepend(temporary.path() + u'/')};
        QVERIFY(test::readBytes(copies[0]) == old || test::readBytes(copies[1]) == old);
        return;
    }
    QVERIFY2(now == old || now == m_converted,
             qPrintable(QStringLiteral("%1 bytes, neither old nor new").arg(now.size())));
    if (signal != SIGKILL)
        QCOMPARE(beside, QStringList());
}

QTEST_GUILESS_MAIN(TestInterruptedWrites)
#include "test_interrupted_writes.moc"
