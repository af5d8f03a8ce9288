// Faults of the disk and surprising files, through the document commands and
// the window-services double: every failure is told once, loses no byte and
// leaves the program running. The tests run as root, which no permission bit
// stops, so the cases that need an ordinary user or a really full disk run in
// a child process of this program (see runChild()): as user 65534 through
// setpriv, or in a mount namespace of its own over a tiny tmpfs.
#include "support/EditorProbe.h"
#include "editor/Editor.h"
#include "editor/Caption.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "editor/DocumentTexts.h"
#include "files/FileErrors.h"
#include "files/TextFile.h"
#include "support/History.h"
#include "support/Child.h"
#include "support/Doc.h"
#include "support/FakeWindowServices.h"
#include "support/Codecs.h"
#include "support/Files.h"
#include "support/LineRule.h"
#include "support/Messages.h"
#include "support/SaveFaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

using namespace zezu;
using namespace Qt::StringLiterals;
using namespace zezu::test;

namespace {

// What a child run answers when its fault cannot be set up here.
constexpr int kChildCannotSetUp = 77;

// Runs rescue on another thread unless the guarded scope ends first, so that a
// read that would block for ever ends in a failed test instead of a hang.
class Watchdog
{
public:
    Watchdog(std::chrono::seconds patience, std::function<void()> rescue)
        : m_thread([this, patience, rescue = std::move(rescue)] {
            std::unique_lock lock(m_mutex);
            if (!m_done.wait_for(lock, patience, [this] { return m_finished; })) {
                m_fired = true;
                rescue();
            }
        })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_all();
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;
    bool fired() const { return m_fired; }

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::atomic<bool> m_fired = false;
    std::thread m_thread;
};

// A reader blocked in opening the FIFO goes on once a writer comes; the
// writer leaves at once, so the reader sees an empty file.
void unblockReaderOf(const QString &fifo)
{
    for (int tries = 0; tries < 1000; ++tries) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
        if (fd >= 0) {
            ::close(fd);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// ---- Failing saves ---------------------------------------------------------

// A child run is told the way in by its name.
const char *entryName(Entry entry)
{
    switch (entry) {
    case Entry::Save: return "save";
    case Entry::OpenYes: return "open-yes";
    case Entry::ExitYes: return "exit-yes";
    case Entry::CloseYes: return "close-yes";
    }
    return "";
}

// One row for each way into a save.
void addEntryRows()
{
    QTest::addColumn<Entry>("entry");
    for (const Entry e : kEntries)
        QTest::addRow("%s", entryName(e)) << e;
}

std::optional<Entry> entryNamed(const QString &name)
{
    for (const Entry e : kEntries)
        if (name == QLatin1String(entryName(e)))
            return e;
    return std::nullopt;
}

struct SaveFault
{
    QString folder;    // everything under it must stay as it was
    QString chosen;    // what the save dialog answers
    QString reason;    // the reason the message must give
    qsizetype textSize = 10;
    rlim_t sizeLimit = 0; // 0: none
    QString laterSave; // where a later save must succeed
};

// Opens old.txt from the folder, edits it, and saves through the entry into a
// save that fails. Returns what went wrong, in words; empty when nothing did.
QStringList failingSave(Entry entry, const SaveFault &fault)
{
    QStringList problems;
    auto expect = [&](bool ok, const QString &what) {
        if (!ok)
            problems << what;
    };

    Doc doc;
    doc.w.openChoices.push_back(QDir(fault.folder).filePath(QStringLiteral("old.txt")));
    doc.editor.open();
    if (!doc.w.told.empty())
        return {QStringLiteral("old.txt did not open: ") + doc.w.told[0].message};
    doc.w.setText(QString(fault.textSize, u'ж'));
    const QString text = doc.w.textValue;
    const auto before = snapshot(fault.folder);
    const int filesOpen = openFileCount();

    doc.w.saveChoices.push_back(fault.chosen);
    if (entry != Entry::Save)
        doc.w.answers.push_back(Answer::Yes);
    bool closed = false;
    {
        std::optional<FileSizeLimit> limit;
        if (fault.sizeLimit) {
            limit.emplace(fault.sizeLimit);
            expect(limit->ok(), QStringLiteral("the file size limit could not be set"));
        }
        switch (entry) {
        case Entry::Save: doc.editor.save(); break;
        case Entry::OpenYes: doc.editor.open(); break;
        case Entry::ExitYes: doc.editor.exit(); break;
        case Entry::CloseYes: closed = doc.editor.closeRequested(); break;
        }
    }

    const QString target = withTextExtension(fault.chosen);
    expect(doc.w.told.size() == 1,
           QStringLiteral("%1 messages instead of one").arg(doc.w.told.size()));
    if (!doc.w.told.empty()) {
        expect(doc.w.told[0].title == QLatin1String("ZEZU.vexlo"),
               QStringLiteral("message title: ") + doc.w.told[0].title);
        expect(doc.w.told[0].message == saveFailed(target, fault.reason),
               QStringLiteral("message: ") + doc.w.told[0].message + QStringLiteral(" / expected: ")
                   + saveFailed(target, fault.reason));
    }
    expect(doc.w.captionValue == named(QStringLiteral("old.txt*")),
           QStringLiteral("caption: ") + doc.w.captionValue);
    expect(doc.w.textValue == text, QStringLiteral("the text changed"));
    expect(doc.w.ended == 0, QStringLiteral("the program ended"));
    expect(!closed, QStringLiteral("the window may close"));
    expect(doc.w.openRequests.size() == 1, QStringLiteral("open went on after the failed save"));
    expect(doc.w.saveChoices.empty() && doc.w.answers.empty(),
           QStringLiteral("a dialog or prompt was not shown"));
    expect(snapshot(fault.folder) == before, QStringLiteral("files changed on disk"));
    expect(openFileCount() == filesOpen, QStringLiteral("a file was left open"));

    // The program goes on: a later save works and ends nothing.
    doc.w.saveChoices.push_back(fault.laterSave);
    doc.editor.save();
    expect(doc.w.told.size() == 1, QStringLiteral("the later save failed"));
    expect(doc.w.ended == 0, QStringLiteral("the later save ended the program"));
    expect(doc.w.captionValue == named(QFileInfo(fault.laterSave).fileName()),
           QStringLiteral("caption after the later save: ") + doc.w.captionValue);
    expect(readBytes(fault.laterSave) == encodeCp1251(text),
           QStringLiteral("the later save wrote other bytes"));
    QFile::remove(fault.laterSave);
    return problems;
}

// ---- Child runs --------------------------------------------------------------

// The child's side. args: case, entry, folder. Prints what went wrong.
int childMain(const QStringList &args)
{
    auto fail = [](const QStringList &problems) {
        for (const QString &p : problems)
            std::fprintf(stderr, "%s\n", qPrintable(p));
        return problems.isEmpty() ? 0 : 1;
    };
    if (args.size() != 3)
        return fail({QStringLiteral("child: case, entry and folder expected")});
    const QString which = args[0];
    const std::optional<Entry> entry = entryNamed(args[1]);
    const QString folder = args[2];
    if (!entry && args[1] != QLatin1String("-"))
        return fail({QStringLiteral("child: no entry ") + args[1]});

    if (which == QLatin1String("full-disk")) {
        // A tmpfs of 256 KiB in a mount namespace of this child's own: a
        // really full disk, gone with the child.
        const QString disk = QDir(folder).filePath(QStringLiteral("disk"));
        if (!QDir().mkpath(disk)
            || ::mount("tmpfs", QFile::encodeName(disk).constData(), "tmpfs", 0, "size=256k")
                != 0) {
            std::perror("mount");
            return kChildCannotSetUp;
        }
        if (!writeBytes(QDir(disk).filePath(QStringLiteral("old.txt")), "old content\r\n"))
            return fail({QStringLiteral("cannot write old.txt")});
        SaveFault fault;
        fault.folder = disk;
        fault.chosen = QDir(disk).filePath(QStringLiteral("old.txt"));
        fault.reason = errorReason(ENOSPC);
        fault.textSize = 400 * 1024;
        fault.laterSave = QDir(folder).filePath(QStringLiteral("later.txt"));
        return fail(failingSave(*entry, fault));
    }
    if (geteuid() == 0)
        return fail({QStringLiteral("child: expected to run as an ordinary user")});
    if (which == QLatin1String("not-writable")) {
        // Neither the old file nor its folder may be written: the save has
        // no way to put the text down.
        SaveFault fault;
        fault.folder = QDir(folder).filePath(QStringLiteral("locked"));
        fault.chosen = QDir(fault.folder).filePath(QStringLiteral("old.txt"));
        fault.reason = errorReason(EACCES);
        fault.laterSave = QDir(folder).filePath(QStringLiteral("later.txt"));
        return fail(failingSave(*entry, fault));
    }
    if (which == QLatin1String("unreadable")) {
        Doc doc;
        doc.type(QStringLiteral("edits"));
        const QString path = QDir(folder).filePath(QStringLiteral("secret.txt"));
        doc.w.answers.push_back(Answer::No);
        doc.w.openChoices.push_back(path);
        doc.editor.open();
        QStringList problems;
        if (doc.w.told.size() != 1 || doc.w.told[0].message != openFailed(path, errorReason(EACCES)))
            problems << QStringLiteral("expected one message for the unreadable file");
        if (doc.w.textValue != QLatin1String("edits") || doc.w.captionValue != named(QStringLiteral("Безымянный*")))
            problems << QStringLiteral("the document changed");
        return fail(problems);
    }
    return fail({QStringLiteral("child: no case ") + which});
}

// ---- Reads -------------------------------------------------------------------

// Makes a file of this size without writing its bytes.
bool makeSparse(const QString &path, qint64 size)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.resize(size);
}

// The size that used to be the largest file the editor would open.
constexpr qint64 kOldOpenLimit = qint64(128) << 20;

} // namespace


class TestFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void saveFails_data();
    void saveFails();
    void saveFailsOnAFullDisk_data();
    void saveFailsOnAFullDisk();
    void saveFailsAsAnOrdinaryUser_data();
    void saveFailsAsAnOrdinaryUser();

    void openFails_data();
    void openFails();
    void openFailsAsAnOrdinaryUser();
    void fifoSwappedInIsNeverWaitedOn();
    void sizeLimitOfOpen_data();
    void sizeLimitOfOpen();
    void fileThatSaysItIsEmptyReadsWhole();

    void surprisingFilesOpenAndSaveBack_data();
    void surprisingFilesOpenAndSaveBack();

    void names_data();
    void names();

private:
    QString path(const QString &relative) const { return m_dir.filePath(relative); }
    // A fresh folder, open to every user, with old.txt in it.
    QString freshFolder(const QString &name);

    QTemporaryDir m_dir;
    RunnableCopy m_copy;
};

void TestFaults::initTestCase()
{
    QVERIFY(m_dir.isValid());
    // Children that run as another user must reach the folder and the program.
    QVERIFY(QFile::setPermissions(m_dir.path(), QFileDevice::Permissions(0x7777)));
    QVERIFY(m_copy.make());
}

QString TestFaults::freshFolder(const QString &name)
{
    const QString folder = path(name);
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder) || !writeBytes(QDir(folder).filePath(QStringLiteral("old.txt")),
                                              "old content\r\n"))
        return {};
    QFile::setPermissions(folder, QFileDevice::Permissions(0x7777));
    return folder;
}

void TestFaults::saveFails_data()
{
    addSaveFailRows(entryName);
    // A size limit exactly where a second piece would begin.
    for (const Entry e : kEntries)
        QTest::addRow("%s: disk full between writes", entryName(e))
            << e << u"old.txt"_s << errorReason(EFBIG) << kWriteChunk + 1000
            << qint64(kWriteChunk);
}

void TestFaults::saveFails()
{
    QFETCH(Entry, entry);
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QFETCH(qsizetype, textSize);
    QFETCH(qint64, sizeLimit);

    const QString folder = freshFolder(QStringLiteral("save"));
    QVERIFY(!folder.isEmpty());
    QVERIFY(QDir(folder).mkpath(QStringLiteral("folder.txt/inside")));
    QCOMPARE(mkfifo(QFile::encodeName(QDir(folder).filePath(QStringLiteral("fifo.txt"))).constData(),
                    0600),
             0);
    QVERIFY(writeBytes(QDir(folder).filePath(kLongestName), "long old content\r\n"));
    SaveFault fault;
    fault.folder = folder;
    fault.chosen = QDir(folder).filePath(chosen);
    fault.reason = reason;
    fault.textSize = textSize;
    fault.sizeLimit = rlim_t(sizeLimit);
    fault.laterSave = path(QStringLiteral("later.txt"));
    const QStringList problems = failingSave(entry, fault);
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join(u'\n')));
}

void TestFaults::saveFailsOnAFullDisk_data() { addEntryRows(); }

void TestFaults::saveFailsOnAFullDisk()
{
    QFETCH(Entry, entry);
    const QString folder = path(QStringLiteral("full-%1").arg(QLatin1String(entryName(entry))));
    QVERIFY(QDir().mkpath(folder));
    const auto [code, output] = runChild(
        {QStringLiteral("unshare"), QStringLiteral("--mount"), QStringLiteral("--propagation"),
         QStringLiteral("private")},
        QCoreApplication::applicationFilePath(),
        {QStringLiteral("full-disk"), QLatin1String(entryName(entry)), folder});
    if (code == kChildCannotSetUp)
        QSKIP(qPrintable(QStringLiteral("no tmpfs can be mounted here: ") + output));
    QVERIFY2(code == 0, qPrintable(output));
}

void TestFaults::saveFailsAsAnOrdinaryUser_data() { addEntryRows(); }

void TestFaults::saveFailsAsAnOrdinaryUser()
{
    QFETCH(Entry, entry);
    const QString folder = freshFolder(QStringLiteral("user-%1").arg(QLatin1String(entryName(entry))));
    QVERIFY(!folder.isEmpty());
    const QString locked = QDir(folder).filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkpath(locked));
    QVERIFY(writeBytes(QDir(locked).filePath(QStringLiteral("old.txt")), "old content\r\n"));
    QVERIFY(QFile::setPermissions(QDir(locked).filePath(QStringLiteral("old.txt")),
                                  QFileDevice::Permissions(0x4444)));
    QVERIFY(QFile::setPermissions(locked, QFileDevice::Permissions(0x5555)));
    const auto [code, output] = runChild(asNobody(), m_copy.program,
                                         {QStringLiteral("not-writable"),
                                          QLatin1String(entryName(entry)), folder});
    QVERIFY2(code == 0, qPrintable(output));
}

void TestFaults::openFails_data()
{
    QTest::addColumn<QString>("chosen"); // relative to the test folder unless absolute
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("modified"); // edits in the document; the prompt is answered No

    for (const bool modified : {false, true}) {
        const char *doc = modified ? "edited, No" : "unmodified";
        QTest::addRow("%s: a missing file", doc) << u"none.txt"_s << errorReason(ENOENT) << modified;
        QTest::addRow("%s: under a missing folder", doc)
            << u"none/a.txt"_s << errorReason(ENOENT) << modified;
        QTest::addRow("%s: under a regular file", doc)
            << u"good.txt/a.txt"_s << errorReason(ENOTDIR) << modified;
        QTest::addRow("%s: a folder", doc) << u"folder"_s << kFolderReason << modified;
        // Opening a FIFO waits for a writer, and a device may never end.
        QTest::addRow("%s: a FIFO", doc) << u"fifo.txt"_s << kNotRegularReason << modified;
        QTest::addRow("%s: /dev/zero", doc) << u"/dev/zero"_s << kNotRegularReason << modified;
        QTest::addRow("%s: /dev/null", doc) << u"/dev/null"_s << kNotRegularReason << modified;
        QTest::addRow("%s: a link to a FIFO", doc)
            << u"link-to-fifo.txt"_s << kNotRegularReason << modified;
        QTest::addRow("%s: a read error", doc) << u"/proc/self/mem"_s << errorReason(EIO)
                                               << modified;
        QTest::addRow("%s: more than memory holds", doc)
            << u"big.txt"_s << notEnoughMemoryReason((kTextBytesPerUnit + kViewBytesPerUnit) << 40)
            << modified;
    }
}

void TestFaults::openFails()
{
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QFETCH(bool, modified);

    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder")));
    const QString fifo = path(QStringLiteral("fifo.txt"));
    if (!QFileInfo(fifo).exists()) {
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QVERIFY(QFile::link(fifo, path(QStringLiteral("link-to-fifo.txt"))));
        QVERIFY(makeSparse(path(QStringLiteral("big.txt")), qint64(1) << 40));
        QVERIFY(writeBytes(path(QStringLiteral("good.txt")), "good"));
    }
    const QString target = QDir::isAbsolutePath(chosen) ? chosen : path(chosen);

    Doc doc;
    doc.recordConversion(QStringLiteral("snapshot"));
    doc.showFile(QStringLiteral("before.txt"));
    if (modified)
        doc.type(QStringLiteral("edits"));
    else
        doc.w.textValue = QStringLiteral("text");
    const QString text = doc.w.textValue;
    const QString caption = doc.w.captionValue;
    const QStringList captions = doc.w.captions;
    const int textSets = doc.w.setTextCalls;
    const int filesOpen = openFileCount();

    if (modified)
        doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(target);
    {
        Watchdog watchdog(std::chrono::seconds(20), [&] { unblockReaderOf(fifo); });
        doc.editor.open();
        QVERIFY2(!watchdog.fired(), "the open blocked until a writer came");
    }

    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(doc.w.told[0].title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(doc.w.told[0].message, openFailed(target, reason));
    QCOMPARE(doc.w.textValue, text);
    QCOMPARE(doc.w.setTextCalls, textSets);
    QCOMPARE(doc.w.captions, captions);
    QCOMPARE(doc.w.captionValue, caption);
    QCOMPARE(zezu::test::historyOf(doc.editor).count(), 1);
    QCOMPARE(test::snapshots(zezu::test::historyOf(doc.editor))[0], QStringLiteral("snapshot"));
    QCOMPARE(openFileCount(), filesOpen);
    QCOMPARE(doc.w.ended, 0);

    // The failure blocks no later open.
    doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(path(QStringLiteral("good.txt")));
    doc.editor.open();
    QCOMPARE(doc.w.textValue, QStringLiteral("good\r\n"));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("good.txt")));
}

void TestFaults::openFailsAsAnOrdinaryUser()
{
    const QString folder = path(QStringLiteral("unreadable"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7777)));
    QVERIFY(writeBytes(QDir(folder).filePath(QStringLiteral("secret.txt")), "secret"));
    QVERIFY(QFile::setPermissions(QDir(folder).filePath(QStringLiteral("secret.txt")),
                                  QFileDevice::Permissions()));
    const auto [code, output] = runChild(asNobody(), m_copy.program,
                                         {QStringLiteral("unreadable"), QStringLiteral("-"), folder});
    QVERIFY2(code == 0, qPrintable(output));
}

void TestFaults::fifoSwappedInIsNeverWaitedOn()
{
    // A FIFO that takes the file's place after the check and before the open
    // must be refused too, not waited on. Another thread keeps swapping a
    // regular file and a FIFO under one name while it is read again and
    // again; a third lets any reader that blocked on the FIFO go on, so that
    // a blocked open shows as a wrong result instead of a hang.
    const QString folder = path(QStringLiteral("swap"));
    QVERIFY(QDir().mkpath(folder));
    const QByteArray regular = QFile::encodeName(QDir(folder).filePath(QStringLiteral("regular")));
    const QByteArray fifo = QFile::encodeName(QDir(folder).filePath(QStringLiteral("fifo")));
    const QByteArray staged = QFile::encodeName(QDir(folder).filePath(QStringLiteral("staged")));
    const QString target = QDir(folder).filePath(QStringLiteral("target.txt"));
    const QByteArray targetName = QFile::encodeName(target);
    QVERIFY(writeBytes(QString::fromLocal8Bit(regular), "content"));
    QCOMPARE(mkfifo(fifo.constData(), 0600), 0);
    QCOMPARE(::link(regular.constData(), targetName.constData()), 0);

    std::atomic<bool> stop = false;
    std::thread swapper([&] {
        while (!stop) {
            for (const QByteArray &source : {fifo, regular}) {
                if (::link(source.constData(), staged.constData()) == 0)
                    ::rename(staged.constData(), targetName.constData());
            }
        }
    });
    // A read that is still going after a second has blocked on the FIFO
    // (the file is 7 bytes): a writer lets it go on, and it is counted.
    using Clock = std::chrono::steady_clock;
    std::atomic<Clock::rep> readSince = 0; // 0: no read going on
    std::atomic<int> blocked = 0;
    std::thread unblocker([&] {
        while (!stop) {
            const Clock::rep since = readSince;
            if (since && Clock::now().time_since_epoch().count() - since
                    > Clock::duration(std::chrono::seconds(1)).count()) {
                const int fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
                if (fd >= 0) {
                    ++blocked;
                    ::close(fd);
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    int regularReads = 0;
    int refusals = 0;
    QStringList wrong;
    for (int i = 0; i < 20000 && wrong.size() < 3 && !blocked; ++i) {
        QString text = QStringLiteral("untouched");
        QString reason;
        readSince = Clock::now().time_since_epoch().count();
        const bool ok = test::readTextFile(target, text, reason);
        readSince = 0;
        if (ok && text == QLatin1String("content\r\n"))
            ++regularReads;
        else if (!ok && reason == kNotRegularReason && text == QLatin1String("untouched"))
            ++refusals;
        else
            wrong << QStringLiteral("read %1: %2 \"%3\" (%4)").arg(i).arg(ok).arg(text, reason);
    }
    stop = true;
    swapper.join();
    unblocker.join();
    qInfo("%d reads of the regular file, %d refusals of the FIFO", regularReads, refusals);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
    QCOMPARE(blocked.load(), 0);
}

void TestFaults::sizeLimitOfOpen_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("opens");
    // No fixed limit: only what memory cannot hold is refused.
    QTest::newRow("at the old limit") << kOldOpenLimit << true;
    QTest::newRow("one byte over the old limit") << kOldOpenLimit + 1 << true;
    QTest::newRow("200 MB") << (qint64(200) << 20) << true;
    QTest::newRow("far too big for memory") << (qint64(1) << 40) << false;
}

void TestFaults::sizeLimitOfOpen()
{
    QFETCH(qint64, size);
    QFETCH(bool, opens);
    const QString file = path(QStringLiteral("sized.txt"));
    QVERIFY(makeSparse(file, size));

    Doc doc;
    doc.w.openChoices.push_back(file);
    doc.editor.open();
    QFile::remove(file);
    if (opens) {
        QVERIFY(doc.w.told.empty());
        // NUL bytes, and the break the last line gets.
        QCOMPARE(doc.w.textValue.size(), size + 2);
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("sized.txt")));
    } else {
        QCOMPARE(doc.w.told.size(), size_t(1));
        QCOMPARE(doc.w.told[0].message,
                 openFailed(file, notEnoughMemoryReason((kTextBytesPerUnit + kViewBytesPerUnit) * size)));
        QCOMPARE(doc.w.textValue, QString());
    }
}

void TestFaults::fileThatSaysItIsEmptyReadsWhole()
{
    // A file may say it is empty and be long (as under /proc): what is read
    // counts, not the size it gives.
    const QString maps = QStringLiteral("/proc/self/maps");
    QCOMPARE(QFileInfo(maps).size(), 0);
    QString text;
    QString reason;
    QVERIFY2(test::readTextFile(maps, text, reason), qPrintable(reason));
    QVERIFY(text.size() > 64);
}

void TestFaults::surprisingFilesOpenAndSaveBack_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved"); // what saving the opened text writes

    QTest::newRow("0 bytes") << QByteArray() << QByteArray();
    QTest::newRow("only NUL bytes") << QByteArray(1000, '\0') << QByteArray(1000, '\0') + "\r\n";
    QTest::newRow("NUL bytes around breaks")
        << QByteArray("\0\r\n\0\r\0\n\0", 8) << QByteArray("\0\r\n\0\r\n\0\n\0\r\n", 11);
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    // 0x0D has no LF after it: it becomes a break; the last line gets one.
    QTest::newRow("every byte value") << every << lineRuleBytes(every);
    // Every byte value after every other, in a fixed random order: each pair
    // of neighbours once, CR and LF in every position.
    QByteArray pairs;
    QRandomGenerator random(1251);
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            pairs += char(a), pairs += char(b);
    for (qsizetype i = pairs.size() - 2; i > 0; i -= 2) {
        const qsizetype j = qsizetype(random.bounded(quint32(i / 2 + 1))) * 2;
        std::swap(pairs[i], pairs[j]);
        std::swap(pairs[i + 1], pairs[j + 1]);
    }
    QTest::newRow("every pair of byte values") << pairs << lineRuleBytes(pairs);
}

void TestFaults::surprisingFilesOpenAndSaveBack()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    const QString in = path(QStringLiteral("surprise.txt"));
    const QString out = path(QStringLiteral("surprise-saved.txt"));
    QVERIFY(writeBytes(in, bytes));

    const int filesOpen = openFileCount();
    Doc doc;
    doc.w.openChoices.push_back(in);
    doc.editor.open();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(openFileCount(), filesOpen);
    QCOMPARE(doc.w.textValue, lineRuleText(bytes));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("surprise.txt")));

    doc.w.saveChoices.push_back(out);
    doc.editor.save();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(openFileCount(), filesOpen);
    QCOMPARE(readBytes(out), saved);
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("surprise-saved.txt")));

    // What was saved opens as the same text, and saves as the same bytes.
    doc.w.openChoices.push_back(out);
    doc.editor.open();
    QCOMPARE(doc.w.textValue, lineRuleText(bytes));
    doc.w.saveChoices.push_back(out);
    doc.editor.save();
    QCOMPARE(readBytes(out), saved);
}

void TestFaults::names_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("chosen"); // the name typed for the save
    QTest::addColumn<QString>("saved");  // the name the save gives

    QTest::newRow("Cyrillic folder and file, spaces")
        << u"Мои документы"_s << u"письмо маме.txt"_s << u"ответ от мамы"_s << u"ответ от мамы.txt"_s;
    QTest::newRow("spaces at both ends") << u" a b "_s << u" c d .txt"_s << u" e f "_s << u" e f .txt"_s;
    QTest::newRow("a name of 255 bytes")
        << u"длинное"_s << kLongestName << kLongestName << kLongestName;
    QTest::newRow("quotes and apostrophes")
        << u"it's"_s << u"\"кавычки\" и 'апострофы'.txt"_s << u"l'été"_s << u"l'été.txt"_s;
}

void TestFaults::names()
{
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QCOMPARE(QFile::encodeName(QStringLiteral("ж")).size(), 2); // names are UTF-8 here
    if (file.size() > 100)
        QCOMPARE(QFile::encodeName(file).size(), 255);

    QVERIFY(QDir(m_dir.path()).mkpath(folder));
    const QString in = QDir(path(folder)).filePath(file);
    QVERIFY(writeBytes(in, "\xC4\xEE\xEC\r\n"));
    // A save that replaces the file keeps who may read and write it.
    const auto permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QVERIFY(QFile::setPermissions(in, permissions));

    Doc doc;
    doc.w.openChoices.push_back(in);
    doc.editor.open();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.textValue, QStringLiteral("Дом\r\n"));
    QCOMPARE(doc.w.captionValue, named(file));

    doc.type(QStringLiteral("сад"));
    QCOMPARE(doc.w.captionValue, named(file + u'*'));
    // The dialog is offered the document's name.
    doc.w.saveChoices.push_back(QDir(path(folder)).filePath(chosen));
    doc.editor.save();
    QVERIFY2(doc.w.told.empty(), doc.w.told.empty() ? "" : qPrintable(doc.w.told[0].message));
    QCOMPARE(doc.w.saveRequests.back().fileName, file);
    QCOMPARE(readBytes(QDir(path(folder)).filePath(saved)), QByteArray("\xC4\xEE\xEC\r\n\xF1\xE0\xE4"));
    QCOMPARE(doc.w.captionValue, named(saved));
    if (saved == file)
        QCOMPARE(QFileInfo(in).permissions() & 0x7077, permissions);
    // Nothing but the files themselves is left in the folder.
    QDir::Filters all = QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot;
    QCOMPARE(QDir(path(folder)).entryList(all).size(), saved == file ? 1 : 2);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "-child") == 0)
        return childMain(QCoreApplication::arguments().mid(2));
    TestFaults tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}

#include "test_faults.moc"
