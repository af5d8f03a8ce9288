// The text area, for real and headless in the main window: what it reads
// back, how it counts positions, and how a long line is laid out in parts.
#include "support/MainWindowFixture.h"

#include "ui/IntakePace.h"
#include "ui/ShownDocument.h"

#include <QClipboard>
#include <QInputMethodEvent>
#include <QMimeData>
#include <QRandomGenerator>
#include <QTextCursor>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>

using namespace zezu;
using zezu::test::drop;
using zezu::test::setTextOf;
using zezu::test::textOf;
using zezu::test::textPositionAt;

class TestTextArea : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open(false)); }
    void cleanup() { m_main.close(); }

    void textReadsBackAsSet_data();
    void textReadsBackAsSet();
    void settingTheSameTextAfterTypingShowsIt();
    void textDuringAnIntakeIsTheOneItReplaces();
    void loneBreaksStayInsideTheLine();
    void enterTypesCrLf_data();
    void enterTypesCrLf();
    void selectionCountsInText_data();
    void selectionCountsInText();
    void everyChangeIsNotified();
    void programTextIsNotUndoneByTheViewsUndo();
    void editsAtAPartsEdge_data();
    void editsAtAPartsEdge();
    void copyAndPasteAcrossParts();
    void everyWayInReadsBackAsItself();
    void positionsFollowEveryEdit();
    void intakePieceFollowsThePace_data();
    void intakePieceFollowsThePace();

private:
    // A short line and a long one, and the view position where its first
    // part after the first begins.
    int setLongLine();
    // Takes text in as it arrives, in pieces of the given size, as a file
    // read or a conversion's result does; finishes the intake when told.
    // Selects the text positions [start, start + length) in the view.
    void selectInText(qsizetype start, qsizetype length);

    test::MainWindowFixture m_main;
};

void TestTextArea::textReadsBackAsSet_data()
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
    for (const char16_t special : {u'\n', u'\r', u'\u2028', u'\u2029', u'\uFDD0', u'\uFDD1',
                                   u'\u240A', u'\u2426', u'\u23CE'}) {
        for (int at = 0; at < 10; ++at)
            QTest::addRow("U+%04X after %d units", unsigned(special), at)
                << QString(at, u'ж') + QChar(special) + QString(12, u'x');
    }
    for (int at = 5; at < 10; ++at)
        QTest::addRow("CR LF after %d units", at)
            << QString(at, u'ж') + QStringLiteral("\r\n") + QString(12, u'x');

    const QString converted = QStringLiteral("&#1055;&nbsp;").repeated(kPartUnits / 4);
    QTest::newRow("short lines, blocks of them") << QStringLiteral("ab\r\n\r\n").repeated(1000);
    QTest::newRow("a converted line") << converted;
    QTest::newRow("a line with no space or ';'") << QString(2 * kPartUnits + 7, u'ж');
    QTest::newRow("long lines among short")
        << QStringLiteral("ab\r\n") + converted + QStringLiteral("\r\n\r\n") + converted
            + QStringLiteral("x\r\nend");
    QTest::newRow("stand-ins at a part's edge")
        << QString(kPartUnits - 2, u'x') + QString::fromUtf16(u"\n\u240A\r\u2029")
            + QString(kPartUnits, u'y') + QString::fromUtf16(u"\u2424");
    QTest::newRow("a pair at a part's limit")
        << QString(kPartUnits - 1, u'x') + QString::fromUtf16(u"\U0001F600")
            + QString(kPartUnits, u'y');
}

void TestTextArea::textReadsBackAsSet()
{
    QFETCH(QString, text);
    TextArea *t = m_main.text();
    QString shownWhole;
    // Taken in whole, and a piece at a time as a large text is, a file read
    // or a conversion's result, which the view then holds as the text's one
    // copy.
    for (const qsizetype piece : {qsizetype(1) << 30, qsizetype(1000), qsizetype(7)}) {
        setTextOf(t, text, piece);
        if (piece > 1000) {
            shownWhole = t->document()->toRawText();
        } else if (piece < 1000) {
            if (text.size() < kPartUnits)
                QCOMPARE(t->document()->toRawText(), shownWhole);
            QString read;
            int reads = 0;
            for (qsizetype at = 0; at >= 0; ++reads)
                at = t->readPiece(at, 1, read);
            QCOMPARE(read, text);
            QCOMPARE(reads, t->document()->blockCount());
        }
        QCOMPARE(textOf(t), text);
        // Short lines share a block; a long line is laid out in parts,
        // never between a pair's halves.
        QVERIFY(t->document()->blockCount() <= 1 + 2 * text.size() / kGroupUnits);
        for (QTextBlock b = t->document()->begin(); b.isValid(); b = b.next()) {
            QVERIFY2(b.text().size() <= kPartUnits + 1, qPrintable(QString::number(b.text().size())));
            QVERIFY(!b.text().endsWith(QChar(0xD83D)));
            // Positions in the text are counted from each block's line
            // separators, kept as it goes in.
            QCOMPARE(std::max(0, b.userState()), int(b.text().count(QChar::LineSeparator)));
        }
        // Typing keeps the rest exactly as it was.
        QTextCursor c = t->textCursor();
        c.movePosition(QTextCursor::End);
        t->setTextCursor(c);
        t->setFocus();
        QTest::keyClicks(t, QStringLiteral("z"));
        QCOMPARE(textOf(t), text + QLatin1Char('z'));
    }
}

void TestTextArea::textDuringAnIntakeIsTheOneItReplaces()
{
    TextArea *t = m_main.text();
    // Held by the view alone, as a file read in pieces leaves it.
    const QString old = QStringLiteral("старый\r\nтекст\r\n").repeated(200);
    setTextOf(t, old, 100);
    {
        TextArea::Replacement replacement(*t);
        replacement.take(u"новый\r\n");
        QCOMPARE(textOf(t), old);
        QString read;
        for (qsizetype at = 0; at >= 0;)
            at = t->readPiece(at, 100, read);
        QCOMPARE(read, old);
    }
    QCOMPARE(textOf(t), old);
}

void TestTextArea::settingTheSameTextAfterTypingShowsIt()
{
    TextArea *t = m_main.text();
    const QString text = QStringLiteral("abc\r\ndef");
    setTextOf(t, text);
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("z"));
    QCOMPARE(textOf(t), QStringLiteral("zabc\r\ndef"));
    setTextOf(t, text);
    QCOMPARE(textOf(t), text);
    QCOMPARE(t->toPlainText(), QStringLiteral("abc\ndef"));
}

void TestTextArea::loneBreaksStayInsideTheLine()
{
    TextArea *t = m_main.text();
    setTextOf(t, QStringLiteral("one\ntwo\rthree\r\nfour"));
    const QString shown = t->toPlainText();
    QCOMPARE(shown.count(u'\n'), 1);
    QCOMPARE(textPositionAt(t, int(shown.indexOf(u"four"))), 15);
}

void TestTextArea::enterTypesCrLf_data()
{
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("key");
    QTest::newRow("Return") << int(Qt::NoModifier) << int(Qt::Key_Return);
    QTest::newRow("Enter on the keypad") << int(Qt::KeypadModifier) << int(Qt::Key_Enter);
    QTest::newRow("Shift+Return") << int(Qt::ShiftModifier) << int(Qt::Key_Return);
}

void TestTextArea::enterTypesCrLf()
{
    QFETCH(int, modifiers);
    QFETCH(int, key);
    TextArea *t = m_main.text();
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("ab"));
    QTest::keyClick(t, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QTest::keyClicks(t, QStringLiteral("c"));
    QCOMPARE(textOf(t), QStringLiteral("ab\r\nc"));
    QCOMPARE(t->selStart(), 5);
}

void TestTextArea::selectionCountsInText_data()
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
    const QString many = QStringLiteral("ab\r\n").repeated(600);
    QTest::newRow("across blocks of short lines") << many << qsizetype(1501) << qsizetype(700);
    QTest::newRow("lone LF counts one")
        << QStringLiteral("a\nb\r\nc") << qsizetype(2) << qsizetype(4);
}

void TestTextArea::selectInText(qsizetype start, qsizetype length)
{
    // In the view a CR LF pair is one position.
    const QString text = textOf(m_main.text());
    auto view = [&](qsizetype pos) { return int(pos - text.left(pos).count(u"\r\n")); };
    QTextCursor c = m_main.text()->textCursor();
    c.setPosition(view(start));
    c.setPosition(view(start + length), QTextCursor::KeepAnchor);
    m_main.text()->setTextCursor(c);
}

void TestTextArea::selectionCountsInText()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    setTextOf(m_main.text(), text);
    selectInText(start, length);
    QCOMPARE(m_main.text()->selStart(), start);
    QCOMPARE(m_main.text()->selLength(), length);
}

void TestTextArea::everyChangeIsNotified()
{
    TextArea *t = m_main.text();
    QSignalSpy spy(t, &TextArea::changed);
    setTextOf(t, QStringLiteral("a\nb\u2424"));
    QCOMPARE(spy.count(), 1);
    t->setFocus();
    QTest::keyClicks(t, QStringLiteral("xy"));
    QCOMPARE(spy.count(), 3);
    QTest::keyClick(t, Qt::Key_Backspace);
    QCOMPARE(spy.count(), 4);
}

void TestTextArea::programTextIsNotUndoneByTheViewsUndo()
{
    TextArea *t = m_main.text();
    setTextOf(t, QStringLiteral("first"));
    setTextOf(t, QStringLiteral("second\r\n\u240A\n"));
    t->setFocus();
    QTest::keyClick(t, Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(textOf(t), QStringLiteral("second\r\n\u240A\n"));
}

int TestTextArea::setLongLine()
{
    setTextOf(m_main.text(), QStringLiteral("ab\r\n") + QStringLiteral("0123456789;").repeated(kPartUnits / 4));
    QTextBlock part = m_main.text()->document()->begin();
    while (part.isValid() && !isPart(part))
        part = part.next();
    return part.position();
}

void TestTextArea::editsAtAPartsEdge_data()
{
    QTest::addColumn<int>("at");      // the caret, in the view from the part's start
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("typed"); // after the key
    QTest::addColumn<int>("editAt");  // in the text from the part's start
    QTest::addColumn<int>("removed");
    QTest::addColumn<QString>("inserted");
    QTest::newRow("Backspace at its start") << 0 << int(Qt::Key_Backspace) << QString() << -1 << 1 << QString();
    QTest::newRow("Delete before it") << -1 << int(Qt::Key_Delete) << QString() << 0 << 1 << QString();
    QTest::newRow("Enter at its start") << 0 << int(Qt::Key_Return) << QString() << 0 << 0 << QStringLiteral("\r\n");
    QTest::newRow("Enter inside") << 5 << int(Qt::Key_Return) << QStringLiteral("z") << 5 << 0 << QStringLiteral("\r\nz");
    QTest::newRow("Right into it") << -1 << int(Qt::Key_Right) << QStringLiteral("z") << 1 << 0 << QStringLiteral("z");
    QTest::newRow("Left out of it") << 0 << int(Qt::Key_Left) << QStringLiteral("z") << -1 << 0 << QStringLiteral("z");
}

// Each key acts on the text's characters as if the line were one block.
void TestTextArea::editsAtAPartsEdge()
{
    QFETCH(int, at);
    QFETCH(int, key);
    QFETCH(QString, typed);
    QFETCH(int, editAt);
    QFETCH(int, removed);
    QFETCH(QString, inserted);
    TextArea *t = m_main.text();
    const int part = setLongLine();
    QString expected = textOf(t);
    const qsizetype start = textPositionAt(t, part);
    QCOMPARE(start, textPositionAt(t, part - 1));
    expected.replace(start + editAt, removed, inserted);

    QTextCursor c = t->textCursor();
    c.setPosition(part + at);
    t->setTextCursor(c);
    t->setFocus();
    QTest::keyClick(t, Qt::Key(key));
    QTest::keyClicks(t, typed);
    QCOMPARE(textOf(t), expected);
    QCOMPARE(t->selStart(), start + editAt + inserted.size());
}

void TestTextArea::copyAndPasteAcrossParts()
{
    TextArea *t = m_main.text();
    const int part = setLongLine();
    QString expected = textOf(t);
    const qsizetype start = textPositionAt(t, part);
    QTextCursor c = t->textCursor();
    c.setPosition(part - 3);
    c.setPosition(part + 3, QTextCursor::KeepAnchor);
    t->setTextCursor(c);
    t->copy();
    // The break before the part is a position of the view, not of the text.
    QCOMPARE(QGuiApplication::clipboard()->text(), expected.mid(start - 2, 5));

    // Breaks of any kind are line breaks; a long line goes in as parts.
    const QString line(2 * kPartUnits, u'ж');
    QGuiApplication::clipboard()->setText(QStringLiteral("p\nq\r") + line);
    t->paste();
    expected.replace(start - 2, 5, QStringLiteral("p\r\nq\r\n") + line);
    QCOMPARE(textOf(t), expected);
    for (QTextBlock b = t->document()->begin(); b.isValid(); b = b.next())
        QVERIFY(b.text().size() <= 2 * kPartUnits);
}

// Whatever reaches the text area, typed, through an input method, pasted or
// dropped, reads back as itself: random texts of the characters the view
// shows otherwise and of its stand-ins, put at random places.
void TestTextArea::everyWayInReadsBackAsItself()
{
    const QString special = QStringLiteral("ab\u2028\u2029\uFDD0\uFDD1\u240A\u240D\u23CE\u2424"
                                           "\u2425\u2426");
    TextArea *t = m_main.text();
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.window()));
    QRandomGenerator random(29);
    for (int round = 0; round < 160; ++round) {
        QString typed;
        for (int i = 0, n = 1 + random.bounded(6); i < n; ++i)
            typed += special[random.bounded(int(special.size()))];
        QString text = textOf(t);
        QTextCursor c = t->textCursor();
        c.setPosition(random.bounded(t->document()->characterCount()));
        t->setTextCursor(c);
        const qsizetype at = t->selStart();
        t->setFocus();
        switch (round % 4) {
        case 0:
            for (const QChar ch : typed)
                QTest::sendKeyEvent(QTest::Click, t, Qt::Key_unknown, QString(ch), Qt::NoModifier);
            break;
        case 1: {
            QInputMethodEvent composed(QStringLiteral("x"), {});
            QCoreApplication::sendEvent(t, &composed);
            QInputMethodEvent committed;
            committed.setCommitString(typed);
            QCoreApplication::sendEvent(t, &committed);
            break;
        }
        case 2:
            QGuiApplication::clipboard()->setText(typed);
            QVERIFY(m_main.pressShortcut(Qt::Key_V));
            break;
        case 3: {
            auto *data = new QMimeData;
            data->setText(typed);
            drop(t->viewport(), data, t->cursorRect(c).center());
            delete data;
            break;
        }
        }
        const qsizetype dropped = round % 4 == 3 ? t->selStart() - typed.size() : at;
        text.insert(dropped, typed);
        QVERIFY2(textOf(t) == text, qPrintable(QStringLiteral("round %1").arg(round)));
    }
}

// Pieces are sized to take the target time at the pace of the last one: at
// most four times larger, never under the first.
void TestTextArea::intakePieceFollowsThePace_data()
{
    QTest::addColumn<QList<qint64>>("took"); // pairs: units, ns
    QTest::addColumn<QList<qint64>>("next"); // the piece asked for after each
    constexpr qint64 t = IntakePace::kTargetNs;
    QTest::newRow("quick pieces grow fourfold") << QList<qint64>{1000, t / 100, 4000, t / 100}
                                                << QList<qint64>{4000, 16000};
    QTest::newRow("on pace: stays") << QList<qint64>{1000, t / 100, 4000, t}
                                    << QList<qint64>{4000, 4000};
    QTest::newRow("slow: shrinks to the pace") << QList<qint64>{1000, t / 100, 4000, 2 * t}
                                               << QList<qint64>{4000, 2000};
    QTest::newRow("very slow: never under the first") << QList<qint64>{1000, 10 * t}
                                                      << QList<qint64>{1000};
    QTest::newRow("no time measured") << QList<qint64>{1000, 0} << QList<qint64>{4000};
    constexpr qint64 most = IntakePace::kMost;
    QTest::newRow("quick pieces: never over the most")
        << QList<qint64>{1000, t / 100, 4000, t / 100, 16000, t / 100, 64000, t / 100,
                         256000, t / 100, 1024000, t / 100}
        << QList<qint64>{4000, 16000, 64000, 256000, 1024000, most};
}

void TestTextArea::intakePieceFollowsThePace()
{
    QFETCH(QList<qint64>, took);
    QFETCH(QList<qint64>, next);
    IntakePace pace(1000);
    QCOMPARE(pace.next(), 1000);
    for (qsizetype i = 0; i < next.size(); ++i) {
        pace.took(took[2 * i], took[2 * i + 1]);
        QCOMPARE(qint64(pace.next()), next[i]);
    }
}

// After edits of every kind, anywhere, each position in the view is where
// walking the blocks from the start puts it: every break before it one more
// unit in the text (a CR LF) or one less (a part's), every line separator one
// more.
void TestTextArea::positionsFollowEveryEdit()
{
    TextArea *t = m_main.text();
    const auto walked = [t](int viewPosition) {
        const QTextBlock at = t->document()->findBlock(viewPosition);
        qsizetype text = viewPosition;
        for (QTextBlock b = t->document()->begin(); b != at; b = b.next())
            text += b.text().count(QChar::LineSeparator) + (isPart(b.next()) ? -1 : 1);
        return text + at.text().first(viewPosition - at.position()).count(QChar::LineSeparator);
    };
    QRandomGenerator random(53);
    setTextOf(t, QStringLiteral("один\r\nдва\r\n").repeated(3000) + QString(3 * kPartUnits, u'ж'), 5000);
    t->setFocus();
    for (int round = 0; round < 60; ++round) {
        QTextCursor c = t->textCursor();
        c.setPosition(random.bounded(t->document()->characterCount()));
        c.setPosition(std::min(c.position() + random.bounded(3000), t->document()->characterCount() - 1),
                      QTextCursor::KeepAnchor);
        t->setTextCursor(c);
        switch (round % 4) {
        case 0: QTest::keyClick(t, Qt::Key_Return); break;
        case 1: QTest::keyClick(t, Qt::Key_Backspace); break;
        case 2:
            QGuiApplication::clipboard()->setText(QStringLiteral("a\nb\n") + QString(random.bounded(9000), u'x'));
            t->paste();
            break;
        case 3: QTest::keyClicks(t, QStringLiteral("zz")); break;
        }
        for (int probe = 0; probe < 20; ++probe) {
            const int at = random.bounded(t->document()->characterCount());
            QCOMPARE(textPositionAt(t, at), walked(at));
        }
    }
}

QTEST_MAIN(TestTextArea)
#include "test_text_area.moc"
