// The main window, for real and headless: its menu, its text area and the
// resizing rule, through the widgets a user touches.
#include "support/EditorProbe.h"
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
using zezu::test::setTextOf;
using zezu::test::textOf;

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


private:
    QWidget *client() const { return m_main->centralWidget(); }
    QAction *action(const char *name) const
    {
        return m_main->findChild<QAction *>(QString::fromLatin1(name));
    }

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
    QCOMPARE(zezu::test::historyOf(m_main->editor()).count(), 0);
    // The margins are those of the design: the text area is the client area.
    QCOMPARE(zezu::test::layoutOf(m_main->editor()).widthMargin(), 0);
    QCOMPARE(zezu::test::layoutOf(m_main->editor()).heightMargin(),
             pixelsToTwips(m_main->height() - 378));

    if (const QByteArray dir = qgetenv("ZEZU_SCREENSHOT_DIR"); !dir.isEmpty()) {
        setTextOf(m_main.text(), QStringLiteral(
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
    zezu::test::windowOf(m_main->editor()).setCaption(caption);
    QCOMPARE(m_main->windowHandle()->title(), caption);
    QCOMPARE(zezu::test::windowOf(m_main->editor()).caption(), caption);
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
    QCOMPARE(textOf(m_main.text()), QString());
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
    setTextOf(t, QString(2000, QLatin1Char('x')));
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

QTEST_MAIN(TestFrmMain)
#include "test_frmmain.moc"
