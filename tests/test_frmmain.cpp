// The main window, for real and headless: its menu, its text area and the
// resizing rule, through the widgets a user touches.
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFontInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>
#include <QWindow>

using namespace zezu;

class TestFrmMain : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open(false)); }
    void cleanup() { m_main.close(); }

    void captionIconAndClientArea();
    void captionShownAsItStands_data();
    void captionShownAsItStands();
    void menuItems_data();
    void menuItems();
    void menuOrder();
    void shortcutsRunTheirItems_data();
    void shortcutsRunTheirItems();
    void disabledItemIgnoresItsShortcut();
    void textAreaFontAndScrolling();
    void textAreaCoversClientAreaAfterResizes();

    void textReadsBackAsSet_data();
    void textReadsBackAsSet();
    void settingTheSameTextAfterTypingShowsIt();
    void loneBreaksStayInsideTheLine();
    void enterTypesCrLf_data();
    void enterTypesCrLf();
    void selectionCountsInText_data();
    void selectionCountsInText();
    void everyChangeIsNotified();
    void programTextIsNotUndoneByTheViewsUndo();

private:
    QWidget *client() const { return m_main->centralWidget(); }
    QAction *action(const char *name) const
    {
        return m_main->findChild<QAction *>(QString::fromLatin1(name));
    }
    // Selects the text positions [start, start + length) in the view.
    void selectInText(qsizetype start, qsizetype length);

    test::MainWindowFixture m_main;
};

void TestFrmMain::captionIconAndClientArea()
{
    QCOMPARE(m_main->windowTitle(), QStringLiteral("ZEZU.vexlo - Безымянный"));
    QCOMPARE(m_main->objectName(), QStringLiteral("frmMain"));
    const QList<QSize> sizes = m_main->windowIcon().availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(QSize(32, 32)));
    QCOMPARE(client()->size(), QSize(587, 378));
    QCOMPARE(m_main.text()->geometry(), client()->rect());
    QCOMPARE(m_main.text()->toPlainText(), QString());
    QCOMPARE(m_main->editor().history().count(), 0);
    // The margins are those of the design: the text area is the client area.
    QCOMPARE(m_main->editor().layout().widthMargin(), 0);
    QCOMPARE(m_main->editor().layout().heightMargin(),
             pixelsToTwips(m_main->height() - 378));

    if (const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR"); !dir.isEmpty()) {
        m_main.text()->setText(QStringLiteral(
            "Дом & сад\r\n\r\n\"Съешь же ещё этих мягких французских булок, да выпей чаю.\" "
            "<b>The quick brown fox jumps over the lazy dog.</b> 0123456789\r\n"
            "lone\nLF and lone\rCR stay inside their line"));
        QVERIFY(m_main->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(
            QStringLiteral("frmMain.png"))));
        auto *menu = m_main->findChild<QMenu *>(QStringLiteral("mnuText"));
        menu->popup(m_main->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        QVERIFY(menu->grab().save(QDir(QString::fromLocal8Bit(dir)).filePath(
            QStringLiteral("mnuText.png"))));
        menu->hide();
    }
}

void TestFrmMain::captionShownAsItStands_data()
{
    QTest::addColumn<QString>("caption");
    for (const char *name : {"a[*].txt", "a[*].txt*", "[*][*]", "x[*]y[*][*][*]z"})
        QTest::newRow(name) << QStringLiteral("ZEZU.vexlo - ") + QString::fromUtf8(name);
}

void TestFrmMain::captionShownAsItStands()
{
    QFETCH(QString, caption);
    m_main->editor().window().setCaption(caption);
    QCOMPARE(m_main->windowHandle()->title(), caption);
    QCOMPARE(m_main->editor().window().caption(), caption);
}

void TestFrmMain::menuItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::addColumn<bool>("enabled");
    const QString file = QStringLiteral("mnuText");
    const QString help = QStringLiteral("mnH");
    QTest::newRow("mnuGen") << "mnuGen" << file << "::преобразовать..."
                            << QKeySequence(QStringLiteral("Ctrl+G")) << true;
    QTest::newRow("mnuUngen") << "mnuUngen" << file << "::раскодировать..."
                              << QKeySequence(QStringLiteral("Ctrl+Shift+G")) << true;
    QTest::newRow("mnuUndo") << "mnuUndo" << file << "::отменить..." << QKeySequence() << false;
    QTest::newRow("mnuOpen") << "mnuOpen" << file << "::открыть..."
                             << QKeySequence(QStringLiteral("Ctrl+O")) << true;
    QTest::newRow("mnuSave") << "mnuSave" << file << "::сохранить..."
                             << QKeySequence(QStringLiteral("Ctrl+S")) << true;
    QTest::newRow("mnuExit") << "mnuExit" << file << "::выход..." << QKeySequence() << true;
    QTest::newRow("mnuAbout") << "mnuAbout" << help << "::о программе..." << QKeySequence()
                              << true;
}

void TestFrmMain::menuItems()
{
    QFETCH(QString, name);
    QFETCH(QString, menu);
    QFETCH(QString, caption);
    QFETCH(QKeySequence, shortcut);
    QFETCH(bool, enabled);
    QAction *a = m_main->findChild<QAction *>(name);
    QVERIFY(a);
    QCOMPARE(a->text(), caption);
    QCOMPARE(a->shortcut(), shortcut);
    QCOMPARE(a->isEnabled(), enabled);
    QVERIFY(a->isVisible());
    QVERIFY(!a->isCheckable());
    auto *parent = m_main->findChild<QMenu *>(menu);
    QVERIFY(parent);
    QVERIFY(parent->actions().contains(a));
}

void TestFrmMain::menuOrder()
{
    QStringList bar;
    for (QAction *a : m_main->menuBar()->actions())
        bar << a->menu()->objectName() + QLatin1Char('=') + a->text();
    QCOMPARE(bar, QStringList({QStringLiteral("mnuText=::файл."), QStringLiteral("mnH=::?...")}));

    QStringList items;
    for (QAction *a : m_main->findChild<QMenu *>(QStringLiteral("mnuText"))->actions())
        items << a->objectName() + (a->isSeparator() ? QStringLiteral("|") : QString());
    QCOMPARE(items, QStringList({QStringLiteral("mnuGen"), QStringLiteral("mnuUngen"),
                                 QStringLiteral("mnuUndo"),
                                 QStringLiteral("mnl2|"), QStringLiteral("mnuOpen"),
                                 QStringLiteral("mnuSave"), QStringLiteral("mnl|"),
                                 QStringLiteral("mnuExit")}));
}

void TestFrmMain::shortcutsRunTheirItems_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("key");
    QTest::newRow("Ctrl+G") << "mnuGen" << int(Qt::Key_G);
    QTest::newRow("Ctrl+O") << "mnuOpen" << int(Qt::Key_O);
    QTest::newRow("Ctrl+S") << "mnuSave" << int(Qt::Key_S);
}

void TestFrmMain::shortcutsRunTheirItems()
{
    QFETCH(QString, name);
    QFETCH(int, key);
    QAction *a = m_main->findChild<QAction *>(name);
    // Commands that open dialogs must not block this test.
    a->disconnect();
    QSignalSpy spy(a, &QAction::triggered);
    QVERIFY(m_main.pressShortcut(Qt::Key(key)));
    QCOMPARE(spy.count(), 1);
    // The shortcut reached the menu, not the text.
    QCOMPARE(m_main.text()->text(), QString());
}

void TestFrmMain::disabledItemIgnoresItsShortcut()
{
    QAction *gen = action("mnuGen");
    gen->disconnect();
    gen->setEnabled(false);
    QSignalSpy spy(gen, &QAction::triggered);
    QVERIFY(m_main.pressShortcut(Qt::Key_G));
    QCOMPARE(spy.count(), 0);
}

void TestFrmMain::textAreaFontAndScrolling()
{
    TextArea *t = m_main.text();
    QCOMPARE(t->objectName(), QStringLiteral("txtChar"));
    QCOMPARE(t->font().family(), QStringLiteral("Courier New"));
    QCOMPARE(t->font().pointSizeF(), 8.25);
    QVERIFY(!t->font().bold());
    // What is drawn is Courier New or its metric stand-in.
    const QFontInfo shown(t->font());
    QVERIFY2(shown.family() == QLatin1String("Courier New")
                 || shown.family() == QLatin1String("Liberation Mono"),
             qPrintable(shown.family()));
    QVERIFY(shown.fixedPitch());
    QVERIFY(!t->isReadOnly());
    QCOMPARE(t->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    QCOMPARE(t->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // A line longer than the area is wide wraps, even without spaces.
    t->setText(QString(2000, QLatin1Char('x')));
    QCoreApplication::processEvents();
    const QTextLayout *layout = t->document()->firstBlock().layout();
    QVERIFY(layout->lineCount() > 1);
    QCOMPARE(t->horizontalScrollBar()->isVisible(), false);
}

void TestFrmMain::textAreaCoversClientAreaAfterResizes()
{
    for (const QSize size : {QSize(800, 600), QSize(300, 200), QSize(1000, 250),
                             QSize(420, 900), QSize(587, 400)}) {
        m_main->resize(size);
        QTRY_COMPARE(m_main->size(), size);
        QCOMPARE(m_main.text()->geometry(), client()->rect());
        QCOMPARE(client()->geometry().bottom(), m_main->rect().bottom());
    }
}

void TestFrmMain::textReadsBackAsSet_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << QString();
    QTest::newRow("CR LF lines") << QStringLiteral("a\r\nb\r\n");
    QTest::newRow("only breaks") << QStringLiteral("\r\n\r\n\r\n");
    QTest::newRow("lone LF inside a line") << QStringLiteral("a\nb\r\nc");
    QTest::newRow("lone CR") << QStringLiteral("a\rb\r");
    QTest::newRow("CR before CR LF") << QStringLiteral("a\r\r\nb\n\r\n");
    QTest::newRow("LF CR is not a pair") << QStringLiteral("a\n\rb");
    QTest::newRow("no-break space") << QString::fromUtf16(u"a\u00a0b\u00a0");
    QTest::newRow("NUL") << QString::fromUtf16(u"a\0b\0", 4);
    QTest::newRow("separators") << QString::fromUtf16(u"a\u2028b\u2029c");
    QTest::newRow("frame markers") << QString::fromUtf16(u"\uFDD0x\uFDD1\uFFFC");
    QTest::newRow("stand-in symbols themselves")
        << QString::fromUtf16(u"\u240A\n\u240D\r\u2424\u2425\u2426\r\n\u240A");
    QTest::newRow("surrogates, paired and lone")
        << QString::fromUtf16(u"\U0001F600 \xD800 \xDC00\r\n", 8);
    QTest::newRow("Cyrillic and markup")
        << QStringLiteral("Дом & сад <p>\"ёЁ\"</p>\t'таб'");
    // Each character that needs a stand-in, at every place in a run of
    // eight, and a pair split across two runs.
    for (const char16_t special :
         {u'\n', u'\r', u'\u2029', u'\uFDD0', u'\uFDD1', u'\u240A', u'\u2426'}) {
        for (int at = 0; at < 10; ++at)
            QTest::addRow("U+%04X after %d units", unsigned(special), at)
                << QString(at, u'ж') + QChar(special) + QString(12, u'x');
    }
    for (int at = 5; at < 10; ++at)
        QTest::addRow("CR LF after %d units", at)
            << QString(at, u'ж') + QStringLiteral("\r\n") + QString(12, u'x');
}

void TestFrmMain::textReadsBackAsSet()
{
    QFETCH(QString, text);
    m_main.text()->setText(text);
    QCOMPARE(m_main.text()->text(), text);
    // Typing keeps the rest exactly as it was.
    QTextCursor c = m_main.text()->textCursor();
    c.movePosition(QTextCursor::End);
    m_main.text()->setTextCursor(c);
    m_main.text()->setFocus();
    QTest::keyClicks(m_main.text(), QStringLiteral("z"));
    QCOMPARE(m_main.text()->text(), text + QLatin1Char('z'));
}

void TestFrmMain::settingTheSameTextAfterTypingShowsIt()
{
    TextArea *t = m_main.text();
    const QString text = QStringLiteral("abc\r\ndef");
    t->setText(text);
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("z"));
    QCOMPARE(t->text(), QStringLiteral("zabc\r\ndef"));
    t->setText(text);
    QCOMPARE(t->text(), text);
    QCOMPARE(t->toPlainText(), QStringLiteral("abc\ndef"));
}

void TestFrmMain::loneBreaksStayInsideTheLine()
{
    TextArea *t = m_main.text();
    t->setText(QStringLiteral("one\ntwo\rthree\r\nfour"));
    QCOMPARE(t->document()->blockCount(), 2);
    QCOMPARE(t->textPosition(t->document()->lastBlock().position()), 15);
}

void TestFrmMain::enterTypesCrLf_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::NoModifier) << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::KeypadModifier) << int(Qt::Key_Enter);
    QTest::newRow("Shift+Return") << int(Qt::ShiftModifier) << int(Qt::Key_Return);
}

void TestFrmMain::enterTypesCrLf()
{
    QFETCH(int, modifiers);
    QFETCH(int, key);
    TextArea *t = m_main.text();
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("ab"));
    QTest::keyClick(t, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyClicks(t, QStringLiteral("c"));
    QCOMPARE(t->text(), QStringLiteral("ab\r\nc"));
    QCOMPARE(t->selStart(), 5);
}

void TestFrmMain::selectionCountsInText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    const QString lines = QStringLiteral("ab\r\ncd\r\n\r\nef");
    QTest::newRow("nothing selected at the start") << lines << qsizetype(0) << qsizetype(0);
    QTest::newRow("inside the first line") << lines << qsizetype(1) << qsizetype(1);
    QTest::newRow("across one break") << lines << qsizetype(1) << qsizetype(4);
    QTest::newRow("a whole later line") << lines << qsizetype(4) << qsizetype(2);
    QTest::newRow("the empty line's break") << lines << qsizetype(8) << qsizetype(2);
    QTest::newRow("everything") << lines << qsizetype(0) << lines.size();
    QTest::newRow("caret at the end") << lines << lines.size() << qsizetype(0);
    QTest::newRow("lone LF counts one")
        << QStringLiteral("a\nb\r\nc") << qsizetype(2) << qsizetype(4);
}

void TestFrmMain::selectInText(qsizetype start, qsizetype length)
{
    // In the view a CR LF pair is one position.
    const QString text = m_main.text()->text();
    auto view = [&](qsizetype pos) { return int(pos - text.left(pos).count(u"\r\n")); };
    QTextCursor c = m_main.text()->textCursor();
    c.setPosition(view(start));
    c.setPosition(view(start + length), QTextCursor::KeepAnchor);
    m_main.text()->setTextCursor(c);
}

void TestFrmMain::selectionCountsInText()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    m_main.text()->setText(text);
    selectInText(start, length);
    QCOMPARE(m_main.text()->selStart(), start);
    QCOMPARE(m_main.text()->selLength(), length);
}

void TestFrmMain::everyChangeIsNotified()
{
    TextArea *t = m_main.text();
    QSignalSpy spy(t, &TextArea::changed);
    t->setText(QStringLiteral("a\nb\u2424"));
    QCOMPARE(spy.count(), 1);
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("xy"));
    QCOMPARE(spy.count(), 3);
    QTest::keyClick(t, Qt::Key_Backspace);
    QCOMPARE(spy.count(), 4);
}

void TestFrmMain::programTextIsNotUndoneByTheViewsUndo()
{
    TextArea *t = m_main.text();
    t->setText(QStringLiteral("first"));
    t->setText(QStringLiteral("second\r\n\u240A\n"));
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(t->text(), QStringLiteral("second\r\n\u240A\n"));
}

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
