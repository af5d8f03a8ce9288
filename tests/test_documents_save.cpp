// What a save keeps of the file it replaces, and what a save and a read tell
// when they fail. The tests run as root; the cases that need an ordinary user
// or a signal at its default run in a child process of this program.
#include "support/EditorProbe.h"
#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/TemporaryFiles.h"
#include "files/TextFile.h"
#include "support/Child.h"
#include "support/Codecs.h"
#include "support/Doc.h"
#include "support/Files.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <clocale>
#include <csignal>
#include <cstdio>

using namespace zezu;
using namespace Qt::StringLiterals;
using zezu::test::FileSizeLimit;
using zezu::test::RunnableCopy;
using zezu::test::readBytes;
using zezu::test::runChild;
using zezu::test::writeBytes;

namespace {

// The child's side. "save file text" saves the text; 0 when it was saved.
// "size-limit file" saves a text of 100 000 bytes over the file with at most
// 4096 bytes allowed, SIGXFSZ at its default as in a program just started;
// 0 when the save failed for that reason. Either prints the reason.
int childMain(const QStringList &args)
{
    if (args.size() == 2 && args[0] == QLatin1String("save-large")) {
        // As the editor starts, then a save long enough to be interrupted.
        removeTemporaryFilesOnSignals();
        QString reason;
        return !test::writeCp1251File(args[1], QString(qsizetype(400) << 20, u'ж'), reason);
    }
    if (args.size() == 3 && args[0] == QLatin1String("save")) {
        QString reason;
        const bool saved = test::writeCp1251File(args[1], args[2], reason);
        std::printf("%s", qPrintable(reason));
        return !saved;
    }
    if (args.size() != 2 || args[0] != QLatin1String("size-limit"))
        return 2;
    std::signal(SIGXFSZ, SIG_DFL);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 4096;
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0)
        return 2;
    QString reason;
    const bool saved = test::writeCp1251File(args[1], QString(100000, u'ж'), reason);
    std::printf("%s", qPrintable(reason));
    return saved || reason != errorReason(EFBIG);
}

} // namespace

class TestDocumentsSave : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void reasons_data();
    void reasons();
    void englishReasonIsReplaced_data();
    void englishReasonIsReplaced();
    void sizeLimitDoesNotEndTheProgram();
    void signalDuringSaveLeavesNoTemporaryFile_data();
    void signalDuringSaveLeavesNoTemporaryFile();

    void saveKeepsTheFile_data();
    void saveKeepsTheFile();
    void inPlaceWithoutRoomChangesNothing();
    void fileChangedOnDiskIsAskedFirst_data();
    void fileChangedOnDiskIsAskedFirst();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }

    QTemporaryDir m_dir;
    RunnableCopy m_copy;
    int m_cases = 0;
};

void TestDocumentsSave::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Children that run as another user must reach the folder and the program.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777)));
    QVERIFY(m_copy.make());
}

void TestDocumentsSave::reasons_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<QString>("reason");
    QTest::newRow("ENOENT") << ENOENT << QStringLiteral("файл или папка не найдены");
    QTest::newRow("EACCES") << EACCES << QStringLiteral("нет доступа");
    QTest::newRow("EPERM") << EPERM << QStringLiteral("нет доступа");
    QTest::newRow("EROFS") << EROFS << QStringLiteral("файловая система только для чтения");
    QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("нет места на диске");
    QTest::newRow("EFBIG") << EFBIG << QStringLiteral("превышен предельный размер файла или квота");
    QTest::newRow("EDQUOT") << EDQUOT << QStringLiteral("превышен предельный размер файла или квота");
    QTest::newRow("ENAMETOOLONG") << ENAMETOOLONG << QStringLiteral("слишком длинное имя");
    QTest::newRow("ELOOP") << ELOOP << QStringLiteral("слишком много символических ссылок");
    QTest::newRow("EIO") << EIO << QStringLiteral("ошибка ввода-вывода");
    QTest::newRow("EISDIR") << EISDIR << QStringLiteral("это папка, а не файл");
    QTest::newRow("EBADF") << EBADF << QStringLiteral("файл не открыт для этого действия");
    QTest::newRow("EPIPE") << EPIPE << QStringLiteral("читающая сторона канала закрыта");
    // A rare one by its number.
    QTest::newRow("ENOTRECOVERABLE") << ENOTRECOVERABLE
                                     << QStringLiteral("системная ошибка %1").arg(ENOTRECOVERABLE);
}

void TestDocumentsSave::reasons()
{
    QFETCH(int, error);
    QFETCH(QString, reason);
    QCOMPARE(errorReason(error), reason);
    // No error the system knows is told in another language.
    for (int e = 1; e < 150; ++e) {
        const QString told = errorReason(e);
        QVERIFY2(std::none_of(told.begin(), told.end(), [](QChar c) { return c.unicode() < 128 && c.isLetter(); }),
                 qPrintable(told));
    }
}

void TestDocumentsSave::englishReasonIsReplaced_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("open") << false;
    QTest::newRow("save") << true;
}

void TestDocumentsSave::englishReasonIsReplaced()
{
    QFETCH(bool, save);
    // Where the C library has no Russian messages, as in the C locale.
    const QByteArray locale = std::setlocale(LC_MESSAGES, nullptr);
    std::setlocale(LC_MESSAGES, "C");
    const auto restore = qScopeGuard([&] { std::setlocale(LC_MESSAGES, locale.constData()); });
    QCOMPARE(qt_error_string(ELOOP), QStringLiteral("Too many levels of symbolic links"));

    const QString loop = path(QStringLiteral("loop.txt"));
    QVERIFY(QFileInfo(loop).isSymLink() || QFile::link(loop, loop));
    QString text = QStringLiteral("untouched");
    QString reason;
    QVERIFY(save ? !test::writeCp1251File(loop, text, reason) : !test::readTextFile(loop, text, reason));
    QCOMPARE(reason, QStringLiteral("слишком много символических ссылок"));
    QVERIFY(QFileInfo(loop).isSymLink());
}

void TestDocumentsSave::sizeLimitDoesNotEndTheProgram()
{
    const QString folder = path(QStringLiteral("limited"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("old.txt"));
    const QByteArray old("old content\r\n");
    QVERIFY(writeBytes(file, old));
    const auto [code, output] =
        runChild({}, QCoreApplication::applicationFilePath(), {QStringLiteral("size-limit"), file});
    QVERIFY2(code == 0, qPrintable(output));
    QCOMPARE(readBytes(file), old);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
}

void TestDocumentsSave::saveKeepsTheFile_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("asNobody"); // saved as user 65534 instead of root
    QTest::addColumn<bool>("inPlace");  // the old file written, not a new one renamed in
    QTest::addColumn<QString>("text");

    const QString shorter = QStringLiteral("new\r\n");
    // Longer than the old text, and than one piece written.
    const QString longer = QString(kWriteChunk + 5, u'n');
    QTest::newRow("ordinary file: a new file renamed in") << u"ordinary"_s << false << false << shorter;
    QTest::newRow("hard link: the other name sees the text") << u"hard link"_s << false << true << longer;
    QTest::newRow("as root, a file of another owner and group: kept")
        << u"other owner"_s << false << false << shorter;
    QTest::newRow("through a symbolic link: the link stays") << u"symlink"_s << false << false << longer;
    QTest::newRow("as a user, a folder that takes no new file")
        << u"locked folder"_s << true << true << shorter;
    QTest::newRow("as a user, a group-writable file of root's: owner kept")
        << u"other owner"_s << true << true << shorter;
}

void TestDocumentsSave::saveKeepsTheFile()
{
    QFETCH(QString, kind);
    QFETCH(bool, asNobody);
    QFETCH(bool, inPlace);
    QFETCH(QString, text);

    const QString folder = path(QStringLiteral("case-%1").arg(++m_cases));
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("old.txt"));
    const QByteArray fileName = QFile::encodeName(file);
    QVERIFY(writeBytes(file, "old content, longer than the short new one\r\n"));
    uid_t owner = asNobody ? 65534 : 0;
    gid_t group = asNobody ? 65534 : 0;
    mode_t mode = 0640;
    if (kind == u"other owner") {
        owner = asNobody ? 0 : 1234;
        group = asNobody ? 65534 : 5678;
        mode = asNobody ? 0664 : 0640;
    }
    QCOMPARE(::chown(fileName.constData(), owner, group), 0);
    QCOMPARE(::chmod(fileName.constData(), mode), 0);
    const QString other = QDir(folder).filePath(QStringLiteral("other.txt"));
    if (kind == u"hard link")
        QCOMPARE(::link(fileName.constData(), QFile::encodeName(other).constData()), 0);
    QString chosen = file;
    if (kind == u"symlink") {
        chosen = QDir(folder).filePath(QStringLiteral("link.txt"));
        QCOMPARE(::symlink("old.txt", QFile::encodeName(chosen).constData()), 0);
    }
    QCOMPARE(::chmod(QFile::encodeName(folder).constData(), kind == u"locked folder" ? 0555 : 0777), 0);
    struct stat before;
    QCOMPARE(::stat(fileName.constData(), &before), 0);
    const QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    const QStringList entries = QDir(folder).entryList(all);

    if (asNobody) {
        const auto [code, output] =
            runChild(zezu::test::asNobody(), m_copy.program, {u"save"_s, chosen, text});
        QVERIFY2(code == 0, qPrintable(output));
    } else {
        QString reason;
        QVERIFY2(test::writeCp1251File(chosen, text, reason), qPrintable(reason));
    }

    // The text is ASCII: its bytes are its Latin-1.
    QCOMPARE(readBytes(file), text.toLatin1());
    struct stat after;
    QCOMPARE(::stat(fileName.constData(), &after), 0);
    QCOMPARE(after.st_uid, before.st_uid);
    QCOMPARE(after.st_gid, before.st_gid);
    QCOMPARE(after.st_mode, before.st_mode);
    QCOMPARE(after.st_ino == before.st_ino, inPlace);
    if (kind == u"hard link")
        QCOMPARE(readBytes(other), text.toLatin1());
    if (kind == u"symlink")
        QVERIFY(QFileInfo(chosen).isSymLink());
    QCOMPARE(QDir(folder).entryList(all), entries);
}

void TestDocumentsSave::inPlaceWithoutRoomChangesNothing()
{
    // A hard-linked file is written in place; a size limit under the new
    // text's size must stop the save before the first old byte is touched.
    const QString folder = path(QStringLiteral("no-room"));
    QVERIFY(QDir().mkpath(folder));
    const QString file = QDir(folder).filePath(QStringLiteral("old.txt"));
    const QString other = QDir(folder).filePath(QStringLiteral("other.txt"));
    const QByteArray old("old content\r\n");
    QVERIFY(writeBytes(file, old));
    QCOMPARE(::link(QFile::encodeName(file).constData(), QFile::encodeName(other).constData()), 0);
    QString reason;
    bool saved;
    {
        FileSizeLimit limit(4096);
        QVERIFY(limit.ok());
        saved = test::writeCp1251File(file, QString(100000, u'n'), reason);
    }
    QVERIFY(!saved);
    QCOMPARE(reason, errorReason(EFBIG));
    QCOMPARE(readBytes(file), old);
    QCOMPARE(readBytes(other), old);
}

void TestDocumentsSave::signalDuringSaveLeavesNoTemporaryFile_data()
{
    QTest::addColumn<bool>("linked");
    QTest::newRow("a new file renamed over it") << false;
    QTest::newRow("in place, for its other name") << true;
}

// The editor's save ended by SIGTERM (a logout) leaves the old file whole, or
// in place the new one whole, and nothing beside it, and the program ends as
// the signal would.
void TestDocumentsSave::signalDuringSaveLeavesNoTemporaryFile()
{
    QFETCH(bool, linked);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved.txt"));
    QVERIFY(writeBytes(file, "old"));
    if (linked)
        QVERIFY(::link(QFile::encodeName(file).constData(),
                       QFile::encodeName(dir.filePath(QStringLiteral("other.txt"))).constData())
                == 0);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("-child"), QStringLiteral("save-large"), file});
    QVERIFY(child.waitForStarted());
    QVERIFY(test::interruptWhileWriting(child, dir.path(), SIGTERM));
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QCOMPARE(child.exitCode(), SIGTERM);
    QCOMPARE(test::temporaryFiles(dir.path()), QStringList());
    QFile saved(file);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    if (!linked || saved.size() == 3) {
        QCOMPARE(saved.readAll(), QByteArray("old"));
        return;
    }
    // In place, once begun: the new bytes, all of them.
    QCOMPARE(saved.size(), qint64(400) << 20);
    QVERIFY(saved.read(1) == "\xE6" && saved.seek(saved.size() - 1) && saved.read(1) == "\xE6");
}

void TestDocumentsSave::fileChangedOnDiskIsAskedFirst_data()
{
    QTest::addColumn<QString>("other");  // how another program writes the file, if it does
    QTest::addColumn<bool>("replace");   // the answer to the question, when asked
    for (const char *other : {"in place", "a new file renamed over it", "the same size"}) {
        QTest::addRow("%s, kept", other) << QString::fromLatin1(other) << false;
        QTest::addRow("%s, replaced", other) << QString::fromLatin1(other) << true;
    }
    QTest::newRow("unchanged") << QString() << false;
}

// A save over the document's file that another program wrote since this
// document read it asks first (the default keeps the other bytes); an
// unchanged file, or another file chosen, is saved without a word.
void TestDocumentsSave::fileChangedOnDiskIsAskedFirst()
{
    QFETCH(QString, other);
    QFETCH(bool, replace);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("doc.txt"));
    QVERIFY(writeBytes(file, "old\r\n"));
    test::Doc doc;
    doc.editor.openFile(file);
    doc.type(QStringLiteral("ours\r\n"));
    const QByteArray theirs = other == u"the same size" ? "new\r\n" : "theirs\r\n";
    if (other == u"a new file renamed over it") {
        QVERIFY(writeBytes(file + u".new"_s, theirs) && QFile::remove(file)
                && QFile::rename(file + u".new"_s, file));
    } else if (!other.isEmpty()) {
        QTest::qWait(10); // a write a moment later
        QVERIFY(writeBytes(file, theirs));
    }
    doc.w.saveChoices.push_back(file);
    if (!other.isEmpty())
        doc.w.answers.push_back(replace ? Answer::Yes : Answer::No);
    doc.editor.save();
    QCOMPARE(doc.w.asked.size(), size_t(other.isEmpty() ? 0 : 1));
    if (!other.isEmpty())
        QCOMPARE(doc.w.asked[0].message, changedOnDiskMessage(shownPath(file)));
    const bool saved = other.isEmpty() || replace;
    QCOMPARE(readBytes(file), saved ? QByteArray("old\r\nours\r\n") : theirs);
    QCOMPARE(zezu::test::documentOf(doc.editor).isModified(), !saved);
    if (!saved)
        return;
    // What this document wrote is its own: a second save asks nothing, nor
    // does a save over another file.
    doc.type(QStringLiteral("more"));
    doc.w.saveChoices.push_back(file);
    doc.editor.save();
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("another.txt")), "x"));
    doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("another.txt")));
    doc.editor.save();
    QCOMPARE(doc.w.asked.size(), size_t(other.isEmpty() ? 0 : 1));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("another.txt"))), readBytes(file));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "-child") == 0)
        return childMain(QCoreApplication::arguments().mid(2));
    TestDocumentsSave tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}
#include "test_documents_save.moc"
