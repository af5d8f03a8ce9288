// Open, save, the save-changes prompt and close, for real and headless:
// through the menu and its shortcuts, with Qt's own dialogs answered by a
// scripted user.
#include "files/FileErrors.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"
#include "support/Messages.h"
#include "support/ScriptedUser.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QFileSystemModel>
#include <QTemporaryDir>
#include <QTreeView>
#include <QUrl>

#include <cerrno>

using namespace zezu;
using namespace zezu::test;
using namespace Qt::StringLiterals;
using Kind = ScriptedUser::Kind;

class TestDocumentsUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid() && m_config.isValid());
        // Where settings would go: the program keeps none.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
    }
    // After every dialog of every case, not a setting was written.
    void cleanupTestCase()
    {
        QCOMPARE(QDir(m_config.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList());
    }
    void init() { QVERIFY(m_main.open()); }
    void cleanup() { m_main.close(); }
    void droppedFileOpensDroppedTextIsInserted();

    void openTypeSaveThroughShortcuts();
    void promptBoxAsShown();
    void closeWithEditsThatStays_data();
    void closeWithEditsThatStays();
    void closeOrExitThatEnds_data();
    void closeOrExitThatEnds();
    void failedSaveIsToldAndKeepsTheMarker();
    void saveStartsInTheFolderOfTheOpenedFile();
    void fileChangedOnDiskIsKeptByEnter();
    void typedCharactersAreSavedAsTyped();
    void fileDialogShowsItsListInFull();

private:
    MainWindowFixture m_main;
    QTemporaryDir m_dir;
    QTemporaryDir m_config;
};

void TestDocumentsUi::openTypeSaveThroughShortcuts()
{
    const QString in = m_dir.filePath(QStringLiteral("in.txt"));
    QVERIFY(writeBytes(in, "\xC4\xEE\xEC\r\n\xF1\xE0\xE4"));
    QCOMPARE(m_main->windowTitle(), kFresh);

    {
        ScriptedUser user;
        user.openName = in;
        QVERIFY(m_main.pressShortcut(Qt::Key_O));
        QCOMPARE(user.seen.size(), size_t(1));
        const ScriptedUser::Seen &d = user.seen[0];
        QCOMPARE(d.kind, Kind::OpenDialog);
        QCOMPARE(d.title, QStringLiteral("::открытие файл..."));
        QCOMPARE(d.filters, QStringList({QStringLiteral("текстовые файлы (*.txt)"),
                                         QStringLiteral("все файлы (*)")}));
    }
    QCOMPARE(textOf(m_main.text()), QStringLiteral("Дом\r\nсад\r\n"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("in.txt")));

    m_main.typeAtEnd(QStringLiteral("ёж"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("in.txt*")));

    ScriptedUser user;
    user.saveName = m_dir.filePath(QStringLiteral("out"));
    user.onShown = [](QWidget *d) { shoot(d, QStringLiteral("save-dialog")); };
    QVERIFY(m_main.pressShortcut(Qt::Key_S));
    QCOMPARE(user.seen.size(), size_t(1));
    const ScriptedUser::Seen &d = user.seen[0];
    QCOMPARE(d.kind, Kind::SaveDialog);
    QCOMPARE(d.title, QStringLiteral("::сохранение файла..."));
    QCOMPARE(d.filters, QStringList{QStringLiteral("текстовые файлы (*.txt)")});
    QCOMPARE(d.proposed, QStringLiteral("in.txt"));
    // The save dialog starts in the folder the file was opened from.
    QCOMPARE(d.folder, QDir(m_dir.path()).absolutePath());
    QCOMPARE(readBytes(m_dir.filePath(QStringLiteral("out.txt"))),
             QByteArray("\xC4\xEE\xEC\r\n\xF1\xE0\xE4\r\n\xB8\xE6"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("out.txt")));
    QVERIFY(m_main->isVisible());
}

void TestDocumentsUi::promptBoxAsShown()
{
    m_main.typeAtEnd(QStringLiteral("x"));
    ScriptedUser user;
    user.promptAnswer = QMessageBox::NoButton; // Escape
    user.onShown = [](QWidget *box) { shoot(box, QStringLiteral("save-changes-prompt")); };
    m_main->menuAction(MenuItem::Exit)->trigger();
    QCOMPARE(user.seen.size(), size_t(1));
    const ScriptedUser::Seen &box = user.seen[0];
    QCOMPARE(box.kind, Kind::Prompt);
    QCOMPARE(box.text, QStringLiteral("вы хотите сохранить изменения в ''Безымянный''?"));
    QCOMPARE(box.title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(box.icon, QMessageBox::NoIcon);
    QCOMPARE(box.buttons, QStringList({QStringLiteral("Да"), QStringLiteral("Нет"),
                                       QStringLiteral("Отмена")}));
    QVERIFY(box.escapeCancels);
    QVERIFY(m_main->isVisible());
}

void TestDocumentsUi::closeWithEditsThatStays_data()
{
    // How the prompt is answered: "escape", "cancel", "yes, dialog cancelled",
    // "yes, save fails".
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("viaClose");
    for (const bool viaClose : {true, false}) {
        const char *via = viaClose ? "close button" : "exit";
        for (const char *how : {"escape", "cancel", "yes, dialog cancelled", "yes, save fails"})
            QTest::addRow("%s: %s", via, how) << QString::fromLatin1(how) << viaClose;
    }
}

void TestDocumentsUi::closeWithEditsThatStays()
{
    QFETCH(QString, how);
    QFETCH(bool, viaClose);
    m_main.typeAtEnd(QStringLiteral("правка"));
    const QString target = m_dir.filePath(QStringLiteral("missing/out.txt"));
    {
        ScriptedUser user;
        user.promptAnswer = how == u"escape" ? QMessageBox::NoButton
            : how == u"cancel"               ? QMessageBox::Cancel
                                             : QMessageBox::Yes;
        if (how == u"yes, save fails")
            user.saveName = target;
        if (viaClose)
            QVERIFY(!m_main->close());
        else
            m_main->menuAction(MenuItem::Exit)->trigger();
        QCOMPARE(user.count(Kind::Prompt), 1);
        QCOMPARE(user.count(Kind::SaveDialog), how.startsWith(u"yes") ? 1 : 0);
        if (how == u"yes, save fails")
            QCOMPARE(user.told(), QStringList{saveFailed(target, errorReason(ENOENT))});
        else
            QCOMPARE(user.told(), QStringList());
    }

    QVERIFY(m_main->isVisible());
    QCOMPARE(textOf(m_main.text()), QStringLiteral("правка"));
    QCOMPARE(m_main->windowTitle(), kFreshModified);
    QVERIFY(!QFileInfo::exists(target));

    // The window goes on working: a later save does not end the program.
    const QString later = m_dir.filePath(QStringLiteral("later.txt"));
    ScriptedUser user;
    user.saveName = later;
    QVERIFY(m_main.pressShortcut(Qt::Key_S));
    QCOMPARE(user.count(Kind::SaveDialog), 1);
    QCOMPARE(readBytes(later), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
    QVERIFY(m_main->isVisible());
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("later.txt")));
}

void TestDocumentsUi::closeOrExitThatEnds_data()
{
    // "unmodified": no prompt; "no"; "yes, saved".
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("viaClose");
    for (const bool viaClose : {true, false}) {
        const char *via = viaClose ? "close button" : "exit";
        for (const char *how : {"unmodified", "no", "yes, saved"})
            QTest::addRow("%s: %s", via, how) << QString::fromLatin1(how) << viaClose;
    }
}

void TestDocumentsUi::closeOrExitThatEnds()
{
    QFETCH(QString, how);
    QFETCH(bool, viaClose);
    const QString out = m_dir.filePath(QStringLiteral("ends.txt"));
    QFile::remove(out);
    if (how != u"unmodified")
        m_main.typeAtEnd(QStringLiteral("правка"));
    ScriptedUser user;
    user.promptAnswer = how == u"no" ? QMessageBox::No : QMessageBox::Yes;
    user.saveName = out;
    if (viaClose)
        QVERIFY(m_main->close());
    else
        m_main->menuAction(MenuItem::Exit)->trigger();

    QCOMPARE(user.count(Kind::Prompt), how == u"unmodified" ? 0 : 1);
    QCOMPARE(user.count(Kind::SaveDialog), how == u"yes, saved" ? 1 : 0);
    QVERIFY(!m_main->isVisible());
    QCOMPARE(QFileInfo::exists(out), how == u"yes, saved");
    if (how == u"yes, saved")
        QCOMPARE(readBytes(out), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
}

void TestDocumentsUi::failedSaveIsToldAndKeepsTheMarker()
{
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.txt")));
    m_main.typeAtEnd(QStringLiteral("x"));
    ScriptedUser user;
    // A folder typed with its name only: the dialog would enter it.
    user.saveName = m_dir.filePath(QStringLiteral("folder"));
    user.onShown = [](QWidget *w) {
        if (qobject_cast<QMessageBox *>(w))
            shoot(w, QStringLiteral("save-failed"));
    };
    QVERIFY(m_main.pressShortcut(Qt::Key_S));
    const auto told = user.of(Kind::Message);
    QCOMPARE(told.size(), size_t(1));
    QCOMPARE(told[0].title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(told[0].text, saveFailed(m_dir.filePath(QStringLiteral("folder.txt")), kFolderReason));
    QCOMPARE(m_main->windowTitle(), kFreshModified);
    QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("folder.txt"))).isDir());
}

// A drop as the window system delivers it, onto the text area.
// A file opened from another working folder, as from a command line: Ctrl+S
// and Enter save that very file, never one of its name in the working folder.
void TestDocumentsUi::saveStartsInTheFolderOfTheOpenedFile()
{
    const QDir top(m_dir.path());
    QVERIFY(top.mkpath(QStringLiteral("home")) && top.mkpath(QStringLiteral("docs")));
    const QString other = top.filePath(QStringLiteral("home/notes.txt"));
    const QString opened = top.filePath(QStringLiteral("docs/notes.txt"));
    QVERIFY(writeBytes(other, "other\r\n"));
    QVERIFY(writeBytes(opened, "doc\r\n"));
    const QString workingFolder = QDir::currentPath();
    QVERIFY(QDir::setCurrent(top.filePath(QStringLiteral("home"))));
    m_main->editor().openFile(QStringLiteral("../docs/notes.txt"));
    m_main.typeAtEnd(QStringLiteral("X"));
    {
        ScriptedUser user;
        user.saveName = QStringLiteral("notes.txt"); // the name proposed: Enter
        QVERIFY(m_main.pressShortcut(Qt::Key_S));
        QCOMPARE(user.of(Kind::SaveDialog).size(), size_t(1));
        QCOMPARE(user.of(Kind::SaveDialog)[0].proposed, QStringLiteral("notes.txt"));
        QCOMPARE(user.of(Kind::SaveDialog)[0].folder, top.filePath(QStringLiteral("docs")));
    }
    QVERIFY(QDir::setCurrent(workingFolder));
    QCOMPARE(readBytes(other), QByteArray("other\r\n"));
    QCOMPARE(readBytes(opened), QByteArray("doc\r\nX"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("notes.txt")));
}

// Open, another program writes the file, type, Ctrl+S onto the same name:
// the question comes, and Enter, its default, keeps the other bytes.
void TestDocumentsUi::fileChangedOnDiskIsKeptByEnter()
{
    const QString file = m_dir.filePath(QStringLiteral("shared.txt"));
    QVERIFY(writeBytes(file, "old\r\n"));
    {
        ScriptedUser user;
        user.openName = file;
        QVERIFY(m_main.pressShortcut(Qt::Key_O));
    }
    QVERIFY(writeBytes(file + u".new"_s, "theirs\r\n") && QFile::remove(file)
            && QFile::rename(file + u".new"_s, file));
    m_main.typeAtEnd(QStringLiteral("ours"));
    ScriptedUser user;
    user.saveName = file;
    user.promptAnswer = ScriptedUser::Enter;
    user.onShown = [](QWidget *w) { shoot(w, QStringLiteral("changed-on-disk")); };
    QVERIFY(m_main.pressShortcut(Qt::Key_S));
    QCOMPARE(user.count(Kind::Prompt), 1);
    const ScriptedUser::Seen box = user.of(Kind::Prompt).front();
    QVERIFY(box.text.startsWith(u"файл \""_s + file + u"\" изменён другой программой"_s));
    QCOMPARE(box.buttons, QStringList({QStringLiteral("Да"), QStringLiteral("Нет")}));
    QCOMPARE(box.defaultButton, QStringLiteral("Нет"));
    QCOMPARE(readBytes(file), QByteArray("theirs\r\n"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("shared.txt*")));
}

// Characters the view shows otherwise, or shows as stand-ins, typed and
// saved in UTF-8 (the Yes of the question about Windows-1251), are the file's.
void TestDocumentsUi::typedCharactersAreSavedAsTyped()
{
    const QString typed = QStringLiteral("a\u240Ab\u2028c\u2029d\u23CEe");
    m_main.typeAtEnd(typed);
    ScriptedUser user;
    user.saveName = m_dir.filePath(QStringLiteral("typed.txt"));
    QVERIFY(m_main.pressShortcut(Qt::Key_S));
    QCOMPARE(user.count(Kind::Prompt), 1);
    QCOMPARE(readBytes(user.saveName), typed.toUtf8());
}

// The open dialog's list says what a folder is in Russian, and shows every
// size, type and date whole.
void TestDocumentsUi::fileDialogShowsItsListInFull()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("папка")));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("большой.txt")), QByteArray(52000, 'x')));
    QStringList types;
    QStringList cut;
    ScriptedUser user;
    user.onShown = [&](QWidget *w) {
        auto *list = w->findChild<QTreeView *>(QStringLiteral("treeView"));
        auto *files = list ? qobject_cast<QFileSystemModel *>(list->model()) : nullptr;
        if (!files)
            return;
        static_cast<QFileDialog *>(w)->setDirectory(dir.path());
        const QModelIndex root = files->index(dir.path());
        QTRY_COMPARE(files->rowCount(root), 2);
        QTest::qWait(200); // sizes and dates come after the names
        shoot(w, QStringLiteral("open-dialog"));
        // A text's room in its column, as the list's items draw it.
        const int margins = 2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 1);
        for (int row = 0; row < 2; ++row) {
            types << files->index(row, 2, root).data().toString();
            for (int column = 1; column < 4; ++column) {
                const QString text = files->index(row, column, root).data().toString();
                if (list->fontMetrics().horizontalAdvance(text) + margins > list->columnWidth(column))
                    cut << text;
            }
        }
    };
    m_main->menuAction(MenuItem::Open)->trigger();
    QVERIFY(types.contains(QStringLiteral("Папка")));
    QCOMPARE(cut, QStringList());
}

void TestDocumentsUi::droppedFileOpensDroppedTextIsInserted()
{
    const QString file = m_dir.filePath(QStringLiteral("dropped.txt"));
    QVERIFY(writeBytes(file, QStringLiteral("ёж\nда\n").toUtf8()));
    QMimeData text;
    text.setText(QStringLiteral("вставка"));
    drop(m_main.text()->viewport(), &text);
    QCOMPARE(textOf(m_main.text()), QStringLiteral("вставка"));

    // Unsaved edits: the prompt first; No gives them up.
    ScriptedUser user;
    user.promptAnswer = QMessageBox::No;
    QMimeData urls;
    urls.setUrls({QUrl::fromLocalFile(file)});
    drop(m_main.text()->viewport(), &urls);
    QTRY_COMPARE(textOf(m_main.text()), QStringLiteral("ёж\r\nда\r\n"));
    QCOMPARE(m_main->windowTitle(), named(QStringLiteral("dropped.txt")));
    QCOMPARE(user.seen.size(), size_t(1));
}

QTEST_MAIN(TestDocumentsUi)
#include "test_documents_ui.moc"
