// Long conversions cancelled at random points: through the real main window,
// its progress window and the Cancel button, and through the window-services
// double at exact characters. After every cancelled run the text and the undo
// history are exactly as they were before it; after every finished one they
// are what the converter and the history's rule say.
#include "support/EditorProbe.h"
#include "text/ReferenceConverter.h"
#include "editor/UndoHistory.h"
#include "editor/Editor.h"
#include "support/History.h"
#include "support/FakeWindowServices.h"
#include "support/MainWindowFixture.h"

#include <QAction>
#include <climits>
#include <QPushButton>
#include <QRandomGenerator>

#include <array>

using namespace zezu;
using zezu::test::setTextOf;
using zezu::test::textOf;

namespace {

using History = std::array<QString, UndoHistory::kLimit>;

// A few hundred thousand characters of everything the converter treats
// differently: Cyrillic, markup, spaces, line breaks, characters the page
// holds and cannot hold, pairs; lone surrogates too unless for the widgets.
QString mixedText(QRandomGenerator &random, qsizetype atLeast, bool loneSurrogates)
{
    static const QStringList pieces = {
        QStringLiteral("Съешь же ещё этих мягких французских булок"),
        QStringLiteral(" да выпей чаю. "),
        QStringLiteral("<a href=\"x\">&amp;</a>"),
        QStringLiteral("\r\n"),
        QStringLiteral("plain ASCII text 0123456789"),
        QStringLiteral("€‰№™ Ёё"),
        QStringLiteral("中文 ̈ ĀŒ"),
        QString::fromUtf16(u"\U0001F600\U00010348"),
        QStringLiteral("    "),
    };
    QString text;
    text.reserve(atLeast + 64);
    while (text.size() < atLeast) {
        if (loneSurrogates && random.bounded(40) == 0)
            text += QChar(char16_t(random.bounded(2) ? 0xD800 : 0xDC00));
        else
            text += pieces[random.bounded(qsizetype(pieces.size()))];
    }
    return text;
}

} // namespace

class TestLongRuns : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_main.open()); }
    void cleanup() { m_main.close(); }

    void cancelAtRandomPointsThroughTheWidgets();
    void cancelAtRandomCharacters();

private:
    test::MainWindowFixture m_main;
};

void TestLongRuns::cancelAtRandomPointsThroughTheWidgets()
{
    QRandomGenerator random(20261209);
    TextArea *area = m_main->textArea();
    setTextOf(area, mixedText(random, 300000, false));
    const UndoHistory &undoHistory = zezu::test::historyOf(m_main->editor());
    QAction *undo = m_main->menuAction(MenuItem::Undo);

    int cancelled = 0;
    int finished = 0;
    // Enough runs that the history fills up and stays full.
    for (int run = 0; run < 24; ++run) {
        // The whole text, or a selection of it.
        QTextCursor cursor(area->document());
        if (random.bounded(3) != 0) {
            const int last = area->document()->characterCount() - 1;
            const int a = random.bounded(last + 1);
            const int b = random.bounded(last + 1);
            cursor.setPosition(std::min(a, b));
            cursor.setPosition(std::max(a, b), QTextCursor::KeepAnchor);
        }
        area->setTextCursor(cursor);

        const QString before = textOf(area);
        const qsizetype selStart = area->selStart();
        const qsizetype selLength = area->selLength();
        const History history = test::snapshots(undoHistory);
        const int count = undoHistory.count();

        // Cancel at the window's first or second chance to answer, or not at
        // all: the view takes a run of this size in one or two pieces, so
        // these are all the points a click can come at. The double's test
        // below cancels at every character.
        const int cancelAt = random.bounded(3) == 0 ? INT_MAX : random.bounded(2);
        int chances = 0;
        bool clicked = false;
        {
            test::ProgressProbe probe([&](frmConv *conv) {
                if (chances++ < cancelAt)
                    return false;
                QTest::mouseClick(conv->findChild<QPushButton *>(QStringLiteral("cmdCacnel")),
                                  Qt::LeftButton);
                clicked = true;
                return true;
            });
            area->setFocus();
            QTest::keyClick(area, Qt::Key_G, Qt::ControlModifier);
        }

        QVERIFY(!zezu::test::runOf(m_main->editor()).inProgress());
        QVERIFY(!area->isReadOnly());
        QVERIFY(m_main->menuAction(MenuItem::Gen)->isEnabled());
        QVERIFY(!test::visibleProgressWindow());
        if (clicked) {
            ++cancelled;
            QVERIFY2(textOf(area) == before, qPrintable(QStringLiteral("run %1").arg(run)));
            QCOMPARE(undoHistory.count(), count);
            QVERIFY(test::snapshots(undoHistory) == history);
        } else {
            ++finished;
            const QString converted = selLength == 0
                ? toReferences(before)
                : before.first(selStart) + toReferences(before.sliced(selStart, selLength))
                    + before.sliced(selStart + selLength);
            QVERIFY2(textOf(area) == converted, qPrintable(QStringLiteral("run %1").arg(run)));
            if (count < UndoHistory::kLimit) {
                QCOMPARE(undoHistory.count(), count + 1);
                QCOMPARE(undoHistory.at(count), before);
            } else {
                QCOMPARE(undoHistory.count(), count);
                QVERIFY(test::snapshots(undoHistory) == history);
            }
        }
        QCOMPARE(undo->isEnabled(), undoHistory.count() > 0);

        // Now and then an undo, so that the history also shrinks between runs.
        if (random.bounded(4) == 0 && undoHistory.count() > 0) {
            const QString snapshot = undoHistory.at(undoHistory.count() - 1);
            undo->trigger();
            QCOMPARE(textOf(area), snapshot);
        }
        // The conversions grow the text; start again from a fresh one now and
        // then, as the run stays a few hundred thousand characters long.
        if (textOf(area).size() > 1500000)
            setTextOf(area, mixedText(random, 300000, false));
    }
    qInfo("%d runs cancelled, %d finished", cancelled, finished);
    QVERIFY(cancelled >= 6);
    QVERIFY(finished >= 3);
}

void TestLongRuns::cancelAtRandomCharacters()
{
    // The double's event pump counts the characters, so a Cancel can come at
    // any exact one: the first, the last, and random ones between.
    QRandomGenerator random(1251);
    test::FakeWindowServices w;
    Editor editor(w);
    editor.load();
    w.setText(mixedText(random, 200000, true));

    for (int run = 0; run < 40; ++run) {
        const qsizetype length = w.textValue.size();
        const bool whole = random.bounded(2) == 0;
        w.selStartValue = whole ? 0 : random.bounded(length);
        w.selLengthValue = whole ? 0 : random.bounded(length - w.selStartValue + 1);
        const QString before = w.textValue;
        const History history = test::snapshots(zezu::test::historyOf(editor));
        const int count = zezu::test::historyOf(editor).count();
        const bool undoEnabled = w.menu[MenuItem::Undo];

        const qsizetype characters = [&] {
            const QStringView part = w.selLengthValue
                ? QStringView(before).sliced(w.selStartValue, w.selLengthValue)
                : QStringView(before);
            qsizetype n = 0;
            for (qsizetype i = 0; i < part.size(); i += characterLength(part, i))
                ++n;
            return n;
        }();
        // Every fourth run goes to the end; the others stop at the first
        // character, the last, or one between.
        const int kind = random.bounded(4);
        const long stopAt = kind == 0 ? -1
            : kind == 1            ? 1
            : kind == 2            ? long(characters)
                                   : long(1 + random.bounded(std::max<qsizetype>(characters, 1)));
        // A run tells the characters it did; it is cancelled once it did the
        // character to stop at.
        w.pumps = 0;
        w.onPump = [&] {
            if (w.pumps >= stopAt && stopAt > 0)
                editor.cancelRun();
        };
        editor.convert();
        w.onPump = nullptr;

        if (stopAt > 0 && stopAt <= characters) {
            QVERIFY2(w.textValue == before, qPrintable(QStringLiteral("run %1").arg(run)));
            QCOMPARE(zezu::test::historyOf(editor).count(), count);
            QVERIFY(test::snapshots(zezu::test::historyOf(editor)) == history);
            QCOMPARE(w.menu[MenuItem::Undo], undoEnabled);
        } else {
            QCOMPARE(w.pumps, long(characters));
            QCOMPARE(zezu::test::historyOf(editor).count(), std::min(count + 1, UndoHistory::kLimit));
            QVERIFY(w.menu[MenuItem::Undo]);
        }
        QVERIFY(!zezu::test::runOf(editor).inProgress());
        QVERIFY(!w.textReadOnly);
        QVERIFY(!w.progressLoaded);
        if (w.textValue.size() > 1000000)
            w.setText(mixedText(random, 200000, true));
    }
}

QTEST_MAIN(TestLongRuns)
#include "test_long_runs.moc"
