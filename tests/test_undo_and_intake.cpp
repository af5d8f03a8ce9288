// The undo history of conversions, and the intake that takes a long result
// (or an undone text, or a file) into the text area a piece at a time,
// through the window-services double.
#include "support/EditorProbe.h"
#include "text/ReferenceConverter.h"
#include "editor/Editor.h"
#include "editor/TextIntake.h"
#include "support/ConvertFixture.h"
#include "support/Doc.h"
#include "support/Files.h"
#include "support/History.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zezu;
using Fixture = zezu::test::ConvertFixture;

class TestUndoAndIntake : public QObject
{
    Q_OBJECT
private slots:
    void emptyTextPushesEmptySnapshot();
    void elevenConversionsTenUndos();
    void undoRestoresWholeTextAfterSelection();
    void undoWithEmptyHistoryDoesNothing();
    void cancelledIntakeRestoresEverything_data();
    void cancelledIntakeRestoresEverything();
};

void TestUndoAndIntake::emptyTextPushesEmptySnapshot()
{
    Fixture f;
    f.convert(QString());
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 1);
    QVERIFY(test::snapshots(zezu::test::historyOf(f.editor))[0].isEmpty());
    QVERIFY(f.w.isMenuEnabled(MenuItem::Undo));
    QCOMPARE(f.w.progressCreated, 0);
    QCOMPARE(f.w.setTextCalls, 1);
}

void TestUndoAndIntake::elevenConversionsTenUndos()
{
    Fixture f;
    f.w.textValue = QStringLiteral("<");
    QStringList texts{f.w.textValue};
    for (int r = 0; r < 11; ++r) {
        f.editor.convert();
        texts << f.w.textValue;
    }
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 10);
    QCOMPARE(f.w.textValue, QStringLiteral("&amp;amp;amp;amp;amp;amp;amp;amp;amp;amp;lt;"));
    // Ten undos go back through the states before conversions 10, 9, ... 1.
    for (int r = 9; r >= 0; --r) {
        QVERIFY(f.w.isMenuEnabled(MenuItem::Undo));
        f.editor.undo();
        QCOMPARE(f.w.textValue, texts[r]);
    }
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 0);
    QVERIFY(!f.w.isMenuEnabled(MenuItem::Undo));
    for (const QString &slot : test::snapshots(zezu::test::historyOf(f.editor)))
        QVERIFY(slot.isNull());
}

void TestUndoAndIntake::undoRestoresWholeTextAfterSelection()
{
    Fixture f;
    const QString text = QStringLiteral("ab cd\r\nef gh");
    f.convert(text, 7, 5);
    QCOMPARE(f.w.textValue, QStringLiteral("ab cd\r\nef&nbsp;gh"));
    f.w.textValue += QStringLiteral(" typed");
    f.editor.undo();
    QCOMPARE(f.w.textValue, text);
    QVERIFY(!f.w.isMenuEnabled(MenuItem::Undo));
}

void TestUndoAndIntake::undoWithEmptyHistoryDoesNothing()
{
    Fixture f;
    f.w.textValue = QStringLiteral("keep");
    f.editor.undo();
    QCOMPARE(f.w.textValue, QStringLiteral("keep"));
    QCOMPARE(f.w.setTextCalls, 0);
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 0);
}


// A large result goes into the text area in pieces; Cancel at any piece puts
// back the text, the caption and the history as they were before the command.
void TestUndoAndIntake::cancelledIntakeRestoresEverything_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("cancelAtPiece"); // 0: not cancelled
    for (const QString &command : {QStringLiteral("convert"), QStringLiteral("decode"),
                                   QStringLiteral("undo"), QStringLiteral("open")}) {
        for (const int piece : {0, 1, 2, 3}) // the smallest text here has 3 pieces
            QTest::addRow("%s, cancel at piece %d", qPrintable(command), piece) << command << piece;
    }
}

void TestUndoAndIntake::cancelledIntakeRestoresEverything()
{
    QFETCH(QString, command);
    QFETCH(int, cancelAtPiece);
    QTemporaryDir dir;
    const QString plain = QString(300000, u'ж');
    const QString references = toReferences(plain); // 2,100,000 units
    const QString file = dir.filePath(QStringLiteral("big.txt"));
    QVERIFY(test::writeBytes(file, QByteArray(references.size(), 'x')));

    test::Doc d;
    d.showFile(QStringLiteral("a.txt"));
    d.recordConversion(QStringLiteral("older"));
    if (command == u"undo")
        d.recordConversion(references);
    d.w.setText(command == u"decode" ? references : plain);
    const QString text = d.w.textValue;
    const QString caption = d.w.captionValue;
    const auto history = test::snapshots(zezu::test::historyOf(d.editor));
    const int count = zezu::test::historyOf(d.editor).count();

    // An open also lets events run while it reads: only the intake's count.
    // A conversion takes its result in as it runs: a piece is a quarter of
    // its characters.
    long pieces = 0;
    const bool run = command == u"convert" || command == u"decode";
    auto piece = [&] {
        if (d.w.intake && ++pieces == cancelAtPiece)
            d.editor.cancelRun();
    };
    long quarters = 0;
    if (run)
        d.w.onPump = [&] {
            if (d.w.pumps / (plain.size() / 4) > quarters) {
                ++quarters;
                piece();
            }
        };
    else
        d.w.onIntakePump = piece;
    if (command == u"convert")
        d.editor.convert();
    else if (command == u"decode")
        d.editor.decode();
    else if (command == u"undo")
        d.editor.undo();
    else
        d.editor.openFile(file);

    QCOMPARE(d.w.intakesBegun, 1);
    QVERIFY(!d.w.intake);
    QVERIFY(!d.w.progressLoaded);
    QCOMPARE(d.w.progressKind, command == u"open" ? ProgressKind::Opening : ProgressKind::Converting);
    QVERIFY(!zezu::test::runOf(d.editor).inProgress());
    QVERIFY(!d.w.textReadOnly);
    QVERIFY(d.w.isMenuEnabled(MenuItem::Gen) && d.w.isMenuEnabled(MenuItem::Open));
    if (cancelAtPiece) {
        QCOMPARE(pieces, long(cancelAtPiece));
        QCOMPARE(d.w.textValue, text);
        QCOMPARE(d.w.captionValue, caption);
        QVERIFY(test::snapshots(zezu::test::historyOf(d.editor)) == history);
        QCOMPARE(zezu::test::historyOf(d.editor).count(), count);
    } else {
        const long least = long((d.w.textValue.size() + kIntakePiece - 1) / kIntakePiece);
        // An open takes in each piece as it is read, the last one short.
        if (command == u"open")
            QVERIFY(pieces >= least && pieces <= least + 2);
        else if (command == u"undo")
            QCOMPARE(pieces, least);
        QCOMPARE(d.w.textValue, command == u"decode" ? plain
                                : command == u"open"  ? QString(references.size(), u'x')
                                        + QStringLiteral("\r\n")
                                                      : references);
        QCOMPARE(zezu::test::historyOf(d.editor).count(), command == u"undo" ? 1 : command == u"open" ? 1 : 2);
    }
    QCOMPARE(d.w.isMenuEnabled(MenuItem::Undo), zezu::test::historyOf(d.editor).canUndo());
}

QTEST_GUILESS_MAIN(TestUndoAndIntake)
#include "test_undo_and_intake.moc"
