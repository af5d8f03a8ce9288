// The keyboard alone: F10 and a lone Alt reach the menu bar, whose arrows and
// Enter run every item, those without a shortcut too; a key that moves
// through the text, pressed while a file is still coming in, moves through
// the whole of it once it is in.
#include "support/EditorProbe.h"
#include "support/Files.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>

using namespace zezu;

namespace {

// The key goes where the keyboard is: the open menu, else the focused widget.
void press(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
{
    QWidget *to = QApplication::activePopupWidget();
    if (!to)
        to = QApplication::focusWidget();
    QVERIFY(to);
    QTest::keyClick(to, key, modifiers);
}

// The menu bar's chosen title drawn in the highlight colour.
bool titleLit(QMenuBar *bar)
{
    const QImage title = bar->grab(bar->actionGeometry(bar->activeAction())).toImage();
    const QRgb lit = bar->palette().color(QPalette::Highlight).rgb();
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x)
            if (title.pixel(x, y) == lit)
                return true;
    return false;
}

// Lines of Windows-1251 prose, for a file long enough to show its progress.
const QByteArray kLongLine = "\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5\r\n";
constexpr qsizetype kLongLines = 200000;

QMenu *openMenu()
{
    return qobject_cast<QMenu *>(QApplication::activePopupWidget());
}

} // namespace

class TestKeyboardUi : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open()); }
    void cleanup() { m_main.close(); }

    void menuBarByF10OrAlt_data();
    void menuBarByF10OrAlt();
    void aboutByKeysAlone();
    void exitByKeysAlone();
    void cancelByKeysAlone_data();
    void cancelByKeysAlone();
    void movingDuringALoadTakesEffectOnceItIsIn_data();
    void movingDuringALoadTakesEffectOnceItIsIn();

private:
    // F10, or a lone Alt and then Down: the first menu is open.
    void openMenuBar(bool f10)
    {
        m_main.text()->setFocus();
        if (f10) {
            press(Qt::Key_F10);
        } else {
            press(Qt::Key_Alt);
            QCOMPARE(m_main->menuBar()->activeAction(),
                     m_main->menuBar()->actions().first());
            QVERIFY(!openMenu());
            QVERIFY2(titleLit(m_main->menuBar()), "the title a lone Alt chose is not shown");
            press(Qt::Key_Down);
        }
        QVERIFY(openMenu());
        QCOMPARE(openMenu()->objectName(), QStringLiteral("mnuText"));
    }

    // Opens a file long enough to show its progress, and presses the key
    // where the keyboard is once the progress window has it. Whether it was
    // pressed, and whether a menu was still open then.
    struct Pressed
    {
        bool pressed = false;
        bool menuLeft = false;
    };
    Pressed openPressing(Qt::Key key, Qt::KeyboardModifiers modifiers = {})
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("long.txt"));
        Pressed result;
        if (!test::writeBytes(path, kLongLine.repeated(kLongLines)))
            return result;
        test::ProgressProbe probe([&](frmConv *conv) {
            if (QApplication::activeWindow() != conv)
                return false;
            result.menuLeft = openMenu() != nullptr;
            press(key, modifiers);
            result.pressed = true;
            return true;
        });
        m_main->editor().openFile(path);
        return result;
    }

    test::MainWindowFixture m_main;
};

void TestKeyboardUi::menuBarByF10OrAlt_data()
{
    QTest::addColumn<bool>("f10");
    QTest::newRow("F10") << true;
    QTest::newRow("Alt") << false;
}

void TestKeyboardUi::menuBarByF10OrAlt()
{
    QFETCH(bool, f10);
    openMenuBar(f10);
    // Right goes on to the next menu; Escape closes, the text keeps the keys.
    press(Qt::Key_Right);
    QCOMPARE(openMenu()->objectName(), QStringLiteral("mnH"));
    press(Qt::Key_Escape);
    if (openMenu())
        press(Qt::Key_Escape);
    press(Qt::Key_Escape);
    QTRY_VERIFY(!openMenu());
    m_main.text()->setFocus();
    QTest::keyClicks(m_main.text(), QStringLiteral("ok"));
    QCOMPARE(m_main.textValue(), QStringLiteral("ok"));
    // No caption shows a marked letter.
    for (QAction *item : m_main->findChildren<QAction *>())
        QVERIFY2(!item->text().contains(u'&'), qPrintable(item->text()));
}

void TestKeyboardUi::aboutByKeysAlone()
{
    for (const bool f10 : {true, false}) {
        openMenuBar(f10);
        press(Qt::Key_Right);
        press(Qt::Key_Down);
        press(Qt::Key_Return);
        QTRY_VERIFY(QApplication::activeWindow()
                    && QApplication::activeWindow()->objectName() == QLatin1String("frmAbout"));
        QApplication::activeWindow()->close();
        m_main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_main.window()));
    }
}

void TestKeyboardUi::exitByKeysAlone()
{
    // Exit is the last item of the first menu: Up from the top wraps to it.
    openMenuBar(true);
    press(Qt::Key_Up);
    QCOMPARE(openMenu()->activeAction(), m_main->menuAction(MenuItem::Exit));
    press(Qt::Key_Return);
    QTRY_VERIFY(!m_main->isVisible());
}

void TestKeyboardUi::cancelByKeysAlone_data()
{
    QTest::addColumn<bool>("menuOpen");
    QTest::newRow("from the text") << false;
    QTest::newRow("a menu open") << true;
}

void TestKeyboardUi::cancelByKeysAlone()
{
    // The progress window has the keyboard while it shows, a menu opened
    // just before closed: Space presses its Cancel. Then the keyboard is back
    // in the text, as it was.
    QFETCH(bool, menuOpen);
    m_main.typeAtEnd(QStringLiteral("ok"));
    if (menuOpen)
        openMenuBar(true);
    const Pressed space = openPressing(Qt::Key_Space);
    QVERIFY(space.pressed && !space.menuLeft);
    QCOMPARE(m_main.textValue(), QStringLiteral("ok"));
    QTRY_VERIFY(m_main.text()->hasFocus() && QApplication::activeWindow() == m_main.window());
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("!"));
    QCOMPARE(m_main.textValue().size(), 3);
}

void TestKeyboardUi::movingDuringALoadTakesEffectOnceItIsIn_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Ctrl+End") << int(Qt::Key_End) << int(Qt::ControlModifier);
    QTest::newRow("Page Down") << int(Qt::Key_PageDown) << int(Qt::NoModifier);
}

void TestKeyboardUi::movingDuringALoadTakesEffectOnceItIsIn()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    // Pressed in the progress window, which passes it on.
    QVERIFY(openPressing(Qt::Key(key), Qt::KeyboardModifiers(modifiers)).pressed);
    QCOMPARE(m_main.textValue().size(), kLongLine.size() * kLongLines);

    // As the same key pressed now, on the whole text.
    QTextCursor expected(m_main.text()->document());
    if (key == Qt::Key_End)
        expected.movePosition(QTextCursor::End);
    const int at = m_main.text()->textCursor().position();
    if (key == Qt::Key_End) {
        QCOMPARE(at, expected.position());
        QScrollBar *bar = m_main.text()->verticalScrollBar();
        QCOMPARE(bar->value(), bar->maximum());
    } else {
        QVERIFY(at > 0);
        QVERIFY(m_main.text()->verticalScrollBar()->value() > 0);
    }
    // Nothing was typed into the text.
    QVERIFY(!m_main->windowTitle().endsWith(u'*'));
}

QTEST_MAIN(TestKeyboardUi)
#include "test_keyboard_ui.moc"
