// The main window's state and its load and resize handlers, through the
// window-services double.
#include "support/EditorProbe.h"
#include "editor/Editor.h"
#include "support/FakeWindowServices.h"

#include <QTest>

using namespace zezu;
using zezu::test::FakeWindowServices;

class TestEditor : public QObject
{
    Q_OBJECT

private slots:
    void loadRecordsMarginsAndSetsStartUpState();
    void resizeKeepsMargins_data();
    void resizeKeepsMargins();
    void marginsAreTakenOnce();
};

void TestEditor::loadRecordsMarginsAndSetsStartUpState()
{
    FakeWindowServices w;
    w.window = QSize(9000, 6300);
    w.textArea = QSize(8805, 5670);
    w.captionValue.clear();
    w.menu[MenuItem::Undo] = true;
    Editor editor(w);
    editor.load();
    QCOMPARE(zezu::test::layoutOf(editor).widthMargin(), 195);
    QCOMPARE(zezu::test::layoutOf(editor).heightMargin(), 630);
    QCOMPARE(w.captionValue, QStringLiteral("ZEZU.vexlo - Безымянный"));
    QCOMPARE(zezu::test::historyOf(editor).count(), 0);
    QVERIFY(!zezu::test::runOf(editor).inProgress());
    QVERIFY(!w.isMenuEnabled(MenuItem::Undo));
    // Every change of the text marks the caption, once.
    w.setText(QStringLiteral("a"));
    w.setText(QStringLiteral("b"));
    QCOMPARE(w.captionValue, QStringLiteral("ZEZU.vexlo - Безымянный*"));
}

void TestEditor::resizeKeepsMargins_data()
{
    // Design: window 9000 x 6300 around a text area of 8805 x 5670, so the
    // margins are 195 and 630. The text area starts at 100 x 100.
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("larger") << QSize(12000, 9000) << QSize(11805, 8370);
    QTest::newRow("smaller") << QSize(3000, 2000) << QSize(2805, 1370);
    QTest::newRow("wider only") << QSize(20000, 6300) << QSize(19805, 5670);
    QTest::newRow("height one twip above the margin") << QSize(3000, 631) << QSize(2805, 1);
    QTest::newRow("height equal to the margin keeps the old height")
        << QSize(3000, 630) << QSize(2805, 100);
    QTest::newRow("minimized keeps the old height") << QSize(2400, 0) << QSize(2205, 100);
    QTest::newRow("narrower than the margin gives no negative width")
        << QSize(100, 6300) << QSize(0, 5670);
}

void TestEditor::resizeKeepsMargins()
{
    QFETCH(QSize, window);
    QFETCH(QSize, expected);
    FakeWindowServices w;
    w.window = QSize(9000, 6300);
    w.textArea = QSize(8805, 5670);
    Editor editor(w);
    editor.load();
    w.textArea = QSize(100, 100);
    w.window = window;
    editor.resize();
    QCOMPARE(w.textArea, expected);
}

void TestEditor::marginsAreTakenOnce()
{
    FakeWindowServices w;
    w.window = QSize(9000, 6300);
    w.textArea = QSize(8805, 5670);
    Editor editor(w);
    editor.load();
    for (const QSize size : {QSize(4000, 3000), QSize(15000, 12000), QSize(9000, 100)}) {
        w.window = size;
        editor.resize();
    }
    QCOMPARE(zezu::test::layoutOf(editor).widthMargin(), 195);
    QCOMPARE(zezu::test::layoutOf(editor).heightMargin(), 630);
    w.window = QSize(9000, 6300);
    editor.resize();
    QCOMPARE(w.textArea, QSize(8805, 5670));
}

QTEST_GUILESS_MAIN(TestEditor)
#include "test_editor.moc"
