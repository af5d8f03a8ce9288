// Open, save, the save-changes prompt and close, for real and headless:
// through the menu and its shortcuts, with Qt's own dialogs answered here.
#include "document/FileErrors.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmMain.h"
#include "support/Files.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextCursor>
#include <QTimer>

#include <cerrno>
#include <functional>
#include <utility>

using namespace zezu;
using zezu::test::readBytes;
using zezu::test::writeBytes;

namespace {

const QString kFresh = QStringLiteral("ZEZU.vexlo - Безымянный");

QString named(const QString &title) { return QStringLiteral("ZEZU.vexlo - ") + title; }

// Saves a picture of the widget when ZEZU_SCREENSHOT_DIR names a folder.
void shoot(QWidget *widget, const QString &name)
{
    const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR");
    if (!dir.isEmpty()) {
        const QDir folder(QString::fromLocal8Bit(dir));
        widget->grab().save(folder.filePath(name + QStringLiteral(".png")));
    }
}

// Timers waiting for a dialog; none may outlive its test.
QList<QPointer<QTimer>> g_waiting;

// Once a modal dialog of type T is up, hands it to act. The act runs inside
// the dialog's own event loop, as a user's clicks would.
template<typename T>
void whenShown(std::function<void(T *)> act)
{
    auto *timer = new QTimer(qApp);
    timer->setInterval(10);
    g_waiting << timer;
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act] {
        T *dialog = qobject_cast<T *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        timer->stop();
        timer->deleteLater();
        act(dialog);
    });
    timer->start();
}

// Types a name into a file dialog and accepts it.
void chooseFile(QFileDialog *dialog, const QString &path)
{
    auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(edit);
    // Typing into the focused field deselects a file picked in the list; the
    // test's field has no focus, so the selection is cleared first.
    dialog->selectFile(path);
    edit->setText(path);
    // As pressing Enter in the name field: the dialog's own accept runs.
    QMetaObject::invokeMethod(dialog, "accept");
}

QString withoutMnemonic(QString text) { return text.remove(u'&'); }

} // namespace

class TestDocumentsUi : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openTypeSaveThroughShortcuts();
    void promptBoxAsShown();
    void closeWithEditsThatStays_data();
    void closeWithEditsThatStays();
    void closeOrExitThatEnds_data();
    void closeOrExitThatEnds();
    void failedSaveIsToldAndKeepsTheMarker();

private:
    // Runs the command to its end: whatever it shows must have been given
    // an answer by whenShown beforehand.
    void pressShortcut(Qt::Key key);
    void typeAtEnd(const QString &typed);

    frmMain *m_window = nullptr;
    QTemporaryDir m_dir;
};

void TestDocumentsUi::initTestCase()
{
    QVERIFY(m_dir.isValid());
    setUpApplication(*qApp);
}

void TestDocumentsUi::init()
{
    m_window = new frmMain;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestDocumentsUi::cleanup()
{
    int neverShown = 0;
    for (const QPointer<QTimer> &timer : std::as_const(g_waiting)) {
        if (timer && timer->isActive()) {
            ++neverShown;
            delete timer;
        }
    }
    g_waiting.clear();
    delete m_window;
    m_window = nullptr;
    // A program end asks every event loop to quit, and the next one to start
    // would return at once: let one loop run and take that request.
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    QCOMPARE(neverShown, 0);
}

void TestDocumentsUi::pressShortcut(Qt::Key key)
{
    // A closed dialog may leave no window active, and a shortcut needs one.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    m_window->textArea()->setFocus();
    QTest::keyClick(m_window->textArea(), key, Qt::ControlModifier);
}

void TestDocumentsUi::typeAtEnd(const QString &typed)
{
    TextArea *t = m_window->textArea();
    QTextCursor cursor = t->textCursor();
    cursor.movePosition(QTextCursor::End);
    t->setTextCursor(cursor);
    t->setFocus();
    // keyClicks takes Latin-1 only; Cyrillic is sent as key events' text.
    for (const QChar c : typed)
        QTest::sendKeyEvent(QTest::Click, t, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void TestDocumentsUi::openTypeSaveThroughShortcuts()
{
    const QString in = m_dir.filePath(QStringLiteral("in.txt"));
    QVERIFY(writeBytes(in, "\xC4\xEE\xEC\r\n\xF1\xE0\xE4"));
    QCOMPARE(m_window->windowTitle(), kFresh);

    QString title;
    QStringList filters;
    whenShown<QFileDialog>([&](QFileDialog *d) {
        title = d->windowTitle();
        filters = d->nameFilters();
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptOpen);
        chooseFile(d, in);
    });
    pressShortcut(Qt::Key_O);
    QCOMPARE(title, QStringLiteral("::открытие файл..."));
    QCOMPARE(filters, QStringList({QStringLiteral("текстовые файлы (*.txt)"),
                                   QStringLiteral("все файлы (*)")}));
    QCOMPARE(m_window->textArea()->text(), QStringLiteral("Дом\r\nсад\r\n"));
    QCOMPARE(m_window->windowTitle(), named(QStringLiteral("in.txt")));

    typeAtEnd(QStringLiteral("ёж"));
    QCOMPARE(m_window->windowTitle(), named(QStringLiteral("in.txt*")));

    QString proposed;
    QString startFolder;
    whenShown<QFileDialog>([&](QFileDialog *d) {
        startFolder = d->directory().absolutePath();
        title = d->windowTitle();
        filters = d->nameFilters();
        proposed = d->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text();
        QCOMPARE(d->acceptMode(), QFileDialog::AcceptSave);
        shoot(d, QStringLiteral("save-dialog"));
        chooseFile(d, m_dir.filePath(QStringLiteral("out")));
    });
    pressShortcut(Qt::Key_S);
    QCOMPARE(title, QStringLiteral("::сохранение файла..."));
    QCOMPARE(filters, QStringList{QStringLiteral("текстовые файлы (*.txt)")});
    QCOMPARE(proposed, QStringLiteral("in.txt"));
    // The save dialog starts in the folder the file was opened from.
    QCOMPARE(startFolder, QDir(m_dir.path()).absolutePath());
    QCOMPARE(readBytes(m_dir.filePath(QStringLiteral("out.txt"))),
             QByteArray("\xC4\xEE\xEC\r\n\xF1\xE0\xE4\r\n\xB8\xE6"));
    QCOMPARE(m_window->windowTitle(), named(QStringLiteral("out.txt")));
    QVERIFY(m_window->isVisible());
}

void TestDocumentsUi::promptBoxAsShown()
{
    typeAtEnd(QStringLiteral("x"));
    QString text, title;
    QStringList buttons;
    QMessageBox::Icon icon = QMessageBox::Critical;
    QAbstractButton *escape = nullptr;
    QAbstractButton *cancel = nullptr;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            buttons << withoutMnemonic(b->text());
        escape = box->escapeButton();
        cancel = box->button(QMessageBox::Cancel);
        shoot(box, QStringLiteral("save-changes-prompt"));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    m_window->menuAction(MenuItem::Exit)->trigger();
    QCOMPARE(text, QStringLiteral("вы хотите сохранить изменения в ''Безымянный''?"));
    QCOMPARE(title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    buttons.sort();
    QCOMPARE(buttons, QStringList({QStringLiteral("Да"), QStringLiteral("Нет"),
                                   QStringLiteral("Отмена")}));
    QVERIFY(cancel);
    QCOMPARE(escape, cancel);
    QVERIFY(m_window->isVisible());
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
    typeAtEnd(QStringLiteral("правка"));
    const QString target = m_dir.filePath(QStringLiteral("missing/out.txt"));
    QString told;
    whenShown<QMessageBox>([&](QMessageBox *box) {
        if (how == u"escape") {
            QTest::keyClick(box, Qt::Key_Escape);
            return;
        }
        if (how == u"cancel") {
            box->button(QMessageBox::Cancel)->click();
            return;
        }
        whenShown<QFileDialog>([&](QFileDialog *d) {
            if (how == u"yes, dialog cancelled") {
                d->reject();
                return;
            }
            whenShown<QMessageBox>([&](QMessageBox *failure) {
                told = failure->text();
                failure->accept();
            });
            chooseFile(d, target);
        });
        box->button(QMessageBox::Yes)->click();
    });
    if (viaClose)
        QVERIFY(!m_window->close());
    else
        m_window->menuAction(MenuItem::Exit)->trigger();

    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->textArea()->text(), QStringLiteral("правка"));
    QCOMPARE(m_window->windowTitle(), kFresh + u'*');
    if (how == u"yes, save fails")
        QCOMPARE(told, QStringLiteral("не удалось сохранить файл \"%1\": %2")
                           .arg(target, errorReason(ENOENT)));
    QVERIFY(!QFileInfo::exists(target));

    // The window goes on working: a later save does not end the program.
    const QString later = m_dir.filePath(QStringLiteral("later.txt"));
    whenShown<QFileDialog>([&](QFileDialog *d) { chooseFile(d, later); });
    pressShortcut(Qt::Key_S);
    QCOMPARE(readBytes(later), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
    QVERIFY(m_window->isVisible());
    QCOMPARE(m_window->windowTitle(), named(QStringLiteral("later.txt")));
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
    int prompts = 0;
    if (how != u"unmodified") {
        typeAtEnd(QStringLiteral("правка"));
        whenShown<QMessageBox>([&](QMessageBox *box) {
            ++prompts;
            if (how == u"no") {
                box->button(QMessageBox::No)->click();
                return;
            }
            whenShown<QFileDialog>([&](QFileDialog *d) { chooseFile(d, out); });
            box->button(QMessageBox::Yes)->click();
        });
    }
    if (viaClose)
        QVERIFY(m_window->close());
    else
        m_window->menuAction(MenuItem::Exit)->trigger();

    QCOMPARE(prompts, how == u"unmodified" ? 0 : 1);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(QFileInfo::exists(out), how == u"yes, saved");
    if (how == u"yes, saved")
        QCOMPARE(readBytes(out), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
}

void TestDocumentsUi::failedSaveIsToldAndKeepsTheMarker()
{
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder.txt")));
    typeAtEnd(QStringLiteral("x"));
    QString text, title;
    whenShown<QFileDialog>([&](QFileDialog *d) {
        whenShown<QMessageBox>([&](QMessageBox *box) {
            text = box->text();
            title = box->windowTitle();
            shoot(box, QStringLiteral("save-failed"));
            box->accept();
        });
        // A folder typed with its name only: the dialog would enter it.
        chooseFile(d, m_dir.filePath(QStringLiteral("folder")));
    });
    pressShortcut(Qt::Key_S);
    QCOMPARE(title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(text, QStringLiteral("не удалось сохранить файл \"%1\": это папка, а не файл")
                       .arg(m_dir.filePath(QStringLiteral("folder.txt"))));
    QCOMPARE(m_window->windowTitle(), kFresh + u'*');
    QVERIFY(QFileInfo(m_dir.filePath(QStringLiteral("folder.txt"))).isDir());
}

QTEST_MAIN(TestDocumentsUi)
#include "test_documents_ui.moc"
