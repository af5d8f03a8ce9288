// Disk faults and surprising files through the real widgets, headless: the
// menu and its shortcuts, the close button, Qt's own file dialogs and message
// boxes. A scripted user answers every modal window as it comes up and
// counts the messages, so that "exactly one message" is what a user sees.
#include "editor/DocumentTexts.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "files/FileErrors.h"
#include "files/TextFile.h"
#include "support/Codecs.h"
#include "support/Files.h"
#include "support/LineRule.h"
#include "support/MainWindowFixture.h"
#include "support/Messages.h"
#include "support/SaveFaults.h"
#include "support/ScriptedUser.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

using namespace zezu;
using namespace zezu::test;
using namespace Qt::StringLiterals;
using Kind = ScriptedUser::Kind;

namespace {

const char *entryName(Entry entry)
{
    switch (entry) {
    case Entry::Save: return "Ctrl+S";
    case Entry::OpenYes: return "Ctrl+O, Yes";
    case Entry::ExitYes: return "exit, Yes";
    case Entry::CloseYes: return "close button, Yes";
    }
    return "";
}

} // namespace


class TestFaultsUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }
    void init() { QVERIFY(m_main.open()); }
    void cleanup() { m_main.close(); }

    void saveFails_data();
    void saveFails();
    void openFails_data();
    void openFails();
    void fileVanishesAfterTheDialog();
    void surprisingFilesOpen_data();
    void surprisingFilesOpen();
    void namesThroughTheDialogs_data();
    void namesThroughTheDialogs();
    void longTextShowsTheBusyCursor();

private:
    void pressShortcut(Qt::Key key) { QVERIFY(m_main.pressShortcut(key)); }
    // Opens the file through Ctrl+O and the dialog; true when it opened.
    bool openThroughDialog(const QString &file);

    MainWindowFixture m_main;
    QTemporaryDir m_dir;
};

bool TestFaultsUi::openThroughDialog(const QString &file)
{
    ScriptedUser user;
    user.openName = file;
    pressShortcut(Qt::Key_O);
    return user.told().isEmpty() && user.count(Kind::OpenDialog) == 1
        && m_main->windowTitle() == named(QFileInfo(file).fileName());
}

void TestFaultsUi::saveFails_data()
{
    addSaveFailRows(entryName);
}

void TestFaultsUi::saveFails()
{
    QFETCH(Entry, entry);
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QFETCH(qsizetype, textSize);
    QFETCH(qint64, sizeLimit);

    const QString folder = m_dir.filePath(QStringLiteral("save"));
    QDir(folder).removeRecursively();
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/folder.txt/inside")));
    const QString old = QDir(folder).filePath(QStringLiteral("old.txt"));
    QVERIFY(writeBytes(old, "old content\r\n"));
    QVERIFY(writeBytes(QDir(folder).filePath(kLongestName), "long old content\r\n"));
    QCOMPARE(mkfifo(QFile::encodeName(QDir(folder).filePath(QStringLiteral("fifo.txt"))).constData(),
                    0600),
             0);
    QVERIFY(openThroughDialog(old));
    setTextOf(m_main.text(), QString(textSize, u'ж'));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("old.txt*")));
    const QString text = textOf(m_main.text());
    const auto before = snapshot(folder);

    ScriptedUser user;
    user.saveName = QDir(folder).filePath(chosen);
    user.openName = QDir(folder).filePath(QStringLiteral("never.txt"));
    bool closed = false;
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit) {
            limit.emplace(rlim_t(sizeLimit));
            QVERIFY(limit->ok());
        }
        switch (entry) {
        case Entry::Save: pressShortcut(Qt::Key_S); break;
        case Entry::OpenYes: pressShortcut(Qt::Key_O); break;
        case Entry::ExitYes: m_main->menuAction(MenuItem::Exit)->trigger(); break;
        case Entry::CloseYes: closed = m_main->close(); break;
        }
    }

    const QString target = withTextExtension(QDir(folder).filePath(chosen));
    QCOMPARE(user.count(Kind::Prompt), entry == Entry::Save ? 0 : 1);
    QCOMPARE(user.count(Kind::SaveDialog), 1);
    QCOMPARE(user.count(Kind::OpenDialog), 0);
    QCOMPARE(user.told(), QStringList{saveFailed(target, reason)});
    QCOMPARE(user.of(Kind::Message)[0].icon, QMessageBox::Warning);
    QCOMPARE(user.of(Kind::Message)[0].title, QStringLiteral("ZEZU.vexlo"));
    // The save was busy, and is no more: not over the message, not after it.
    QVERIFY(!user.of(Kind::Message)[0].busy);
    QVERIFY(!QGuiApplication::overrideCursor());
    QVERIFY(!closed);
    QVERIFY(m_main->isVisible());
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("old.txt*")));
    QCOMPARE(textOf(m_main.text()), text);
    QVERIFY(snapshot(folder) == before);

    user.leave();

    // The window goes on working: a later save neither fails nor ends it.
    const QString later = m_dir.filePath(QStringLiteral("later.txt"));
    ScriptedUser again;
    again.saveName = later;
    pressShortcut(Qt::Key_S);
    QCOMPARE(again.told(), QStringList());
    QCOMPARE(readBytes(later), encodeCp1251(text));
    QVERIFY(m_main->isVisible());
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("later.txt")));
    QFile::remove(later);
}

void TestFaultsUi::openFails_data()
{
    QTest::addColumn<QString>("chosen"); // relative to the test folder unless absolute
    QTest::addColumn<QString>("reason");
    QTest::newRow("a missing file") << u"none.txt"_s << errorReason(ENOENT);
    QTest::newRow("a FIFO") << u"fifo.txt"_s << kNotRegularReason;
    QTest::newRow("a device without end") << u"/dev/zero"_s << kNotRegularReason;
    QTest::newRow("a device without content") << u"/dev/null"_s << kNotRegularReason;
    QTest::newRow("more than memory holds")
        << u"big.txt"_s << notEnoughMemoryReason((kTextBytesPerUnit + kViewBytesPerUnit) << 40);
}

void TestFaultsUi::openFails()
{
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    const QString fifo = m_dir.filePath(QStringLiteral("fifo.txt"));
    if (!QFileInfo(fifo).exists()) {
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile big(m_dir.filePath(QStringLiteral("big.txt")));
        QVERIFY(big.open(QIODevice::WriteOnly) && big.resize(qint64(1) << 40));
    }
    const QString target = QDir::isAbsolutePath(chosen) ? chosen : m_dir.filePath(chosen);
    setTextOf(m_main.text(), QStringLiteral("before"));
    const QString caption = m_main->windowTitle();

    // A reader blocked on the FIFO would hang the test: a writer that comes
    // after a while lets it go on, and the test fails instead.
    std::atomic<bool> done = false;
    std::thread rescue([&] {
        for (int i = 0; i < 2000 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!done) {
            const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);
            if (fd >= 0)
                ::close(fd);
        }
    });
    ScriptedUser user;
    user.promptAnswer = QMessageBox::No;
    user.openName = target;
    pressShortcut(Qt::Key_O);
    done = true;
    rescue.join();

    QCOMPARE(user.count(Kind::OpenDialog), 1);
    QCOMPARE(user.told(), QStringList{openFailed(target, reason)});
    QCOMPARE(textOf(m_main.text()), QStringLiteral("before"));
    QCOMPARE(m_main->windowTitle(), caption);
    QVERIFY(m_main->isVisible());
}

void TestFaultsUi::fileVanishesAfterTheDialog()
{
    const QString file = m_dir.filePath(QStringLiteral("vanishing.txt"));
    QVERIFY(writeBytes(file, "here"));
    setTextOf(m_main.text(), QStringLiteral("before"));
    const QString caption = m_main->windowTitle();
    ScriptedUser user;
    user.promptAnswer = QMessageBox::No;
    user.openName = file;
    user.afterOpenChosen = [&] { QFile::remove(file); };
    pressShortcut(Qt::Key_O);
    QCOMPARE(user.count(Kind::OpenDialog), 1);
    QVERIFY(!QFileInfo::exists(file));
    QCOMPARE(user.told(), QStringList{openFailed(file, errorReason(ENOENT))});
    QCOMPARE(textOf(m_main.text()), QStringLiteral("before"));
    QCOMPARE(m_main->windowTitle(), caption);
}

void TestFaultsUi::surprisingFilesOpen_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("0 bytes") << QByteArray() << QString();
    QTest::newRow("NUL bytes") << QByteArray("\0a\0\r\n\0", 6)
                               << QString::fromUtf16(u"\0a\0\r\n\0\r\n", 8);
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    QTest::newRow("every byte value") << every << lineRuleText(every);
}

void TestFaultsUi::surprisingFilesOpen()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QString file = m_dir.filePath(QStringLiteral("surprise.txt"));
    QVERIFY(writeBytes(file, bytes));
    QVERIFY(openThroughDialog(file));
    // The text area gives back exactly what was read, every control character
    // and break included.
    QCOMPARE(textOf(m_main.text()), text);

    const QString saved = m_dir.filePath(QStringLiteral("surprise-saved.txt"));
    ScriptedUser user;
    user.saveName = saved;
    setTextOf(m_main.text(), textOf(m_main.text())); // marks, keeps the text
    pressShortcut(Qt::Key_S);
    QCOMPARE(user.told(), QStringList());
    QCOMPARE(readBytes(saved), encodeCp1251(text));
}

void TestFaultsUi::namesThroughTheDialogs_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("typed"); // the name typed in the save dialog
    QTest::addColumn<QString>("saved");
    QTest::newRow("Cyrillic folder and file, spaces")
        << u"Мои документы"_s << u"письмо маме.txt"_s << u"ответ маме"_s << u"ответ маме.txt"_s;
    QTest::newRow("a name of 255 bytes, replaced")
        << u"длинное имя"_s << kLongestName << kLongestName << kLongestName;
}

void TestFaultsUi::namesThroughTheDialogs()
{
    QFETCH(QString, folder);
    QFETCH(QString, file);
    QFETCH(QString, typed);
    QFETCH(QString, saved);
    const QDir dir(m_dir.filePath(folder));
    QVERIFY(QDir().mkpath(dir.path()));
    QVERIFY(writeBytes(dir.filePath(file), "\xC4\xEE\xEC\r\n"));
    QVERIFY(openThroughDialog(dir.filePath(file)));
    QCOMPARE(textOf(m_main.text()), QStringLiteral("Дом\r\n"));

    setTextOf(m_main.text(), QStringLiteral("Дом\r\nсад"));
    QCOMPARE(m_main->windowTitle(), named(file + u'*'));
    ScriptedUser user;
    user.saveName = dir.filePath(typed);
    pressShortcut(Qt::Key_S);
    QCOMPARE(user.told(), QStringList());
    QCOMPARE(readBytes(dir.filePath(saved)), QByteArray("\xC4\xEE\xEC\r\n\xF1\xE0\xE4"));
    QCOMPARE(m_main->windowTitle(), named(saved));
    QCOMPARE(dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(),
             file == saved ? 1 : 2);
}

void TestFaultsUi::longTextShowsTheBusyCursor()
{
    // A long text goes into the text area in pieces, the progress window up
    // and the window answering between them, never under the busy cursor;
    // a short one at once, with neither.
    const QString line = QStringLiteral("Съешь же ещё этих мягких булок\r\n");
    for (const int lines : {100000, 10}) {
        setTextOf(m_main.text(), line.repeated(lines));
        QVERIFY(m_main.pressShortcut(Qt::Key_G));
        int shown = 0;
        bool busy = false;
        ProgressProbe probe([&](frmConv *) {
            ++shown;
            busy = busy || QGuiApplication::overrideCursor();
            return false;
        });
        m_main->menuAction(MenuItem::Undo)->trigger();
        QCOMPARE(textOf(m_main.text()), line.repeated(lines));
        QCOMPARE(shown > 0, lines > 10);
        QVERIFY(!busy && !QGuiApplication::overrideCursor());
    }
}

QTEST_MAIN(TestFaultsUi)
#include "test_faults_ui.moc"
