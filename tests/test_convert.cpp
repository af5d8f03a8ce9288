// The convert and decode commands, their progress and their cancel, through
// the window-services double.
#include "support/EditorProbe.h"
#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"
#include "editor/Editor.h"
#include "support/History.h"
#include "support/ConvertFixture.h"
#include "support/Doc.h"
#include "support/FakeWindowServices.h"
#include "support/Files.h"

#include <QTemporaryDir>
#include <QTest>

#include <array>
#include <cmath>

using namespace zezu;
using zezu::test::FakeWindowServices;
using Progress = FakeWindowServices::Progress;

Q_DECLARE_METATYPE(std::vector<Progress>)
Q_DECLARE_METATYPE(QList<zezu::Answer>)

using Fixture = zezu::test::ConvertFixture;

class TestConvert : public QObject
{
    Q_OBJECT

private slots:
    void convertsSelectionOrWholeText_data();
    void convertsSelectionOrWholeText();
    void longTextConvertsLikeTheWhole_data();
    void longTextConvertsLikeTheWhole();
    void progressAtEveryChange_data();
    void progressAtEveryChange();
    void progressWindowLivesForOneRun();
    void runLocksTextAndCommands();
    void cancelAfterKthCharacterRestores_data();
    void cancelAfterKthCharacterRestores();
    void cancelWithFullHistoryKeepsIt();
    void cancelDoesNotLeakIntoNextRun();
    void decodesSelectionOrWholeText_data();
    void decodesSelectionOrWholeText();
    void progressCloseBoxHidesWithoutCancelling();
    void exitOrCloseDuringRun_data();
    void exitOrCloseDuringRun();
};

void TestConvert::convertsSelectionOrWholeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("expected");
    QTest::newRow("selection in the middle")
        << "ab cd" << qsizetype(1) << qsizetype(3) << "ab&nbsp;cd";
    QTest::newRow("whole text with line breaks")
        << "Да <b>\r\nё\tЁ\r\n" << qsizetype(0) << qsizetype(0)
        << "&#1044;&#1072;&nbsp;&lt;b&gt;\r\n&#1105;\tЁ\r\n";
    QTest::newRow("selection of one line break")
        << "a b\r\nc d" << qsizetype(3) << qsizetype(2) << "a b\r\nc d";
    QTest::newRow("selection at the end")
        << "x & y" << qsizetype(2) << qsizetype(3) << "x &amp;&nbsp;y";
    QTest::newRow("selection reaching past the end is clamped")
        << "\"q\"" << qsizetype(1) << qsizetype(50) << "&quot;q&quot;";
    QTest::newRow("already converted text is converted again")
        << "&amp;" << qsizetype(0) << qsizetype(0) << "&amp;amp;";
}

void TestConvert::convertsSelectionOrWholeText()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, expected);
    Fixture f;
    f.convert(text, start, length);
    QCOMPARE(f.w.textValue, expected);
    QCOMPARE(f.w.setTextCalls, 1);
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 1);
    QCOMPARE(test::snapshots(zezu::test::historyOf(f.editor))[0], text);
    QVERIFY(f.w.isMenuEnabled(MenuItem::Undo));
}

void TestConvert::longTextConvertsLikeTheWhole_data()
{
    // Well past 32,767 characters, with a surrogate pair at every offset
    // around the points where the command converts ahead of its progress.
    QTest::addColumn<qsizetype>("pairAt");
    for (qsizetype at : {16383, 16384, 32767, 32768, 65535})
        QTest::addRow("pair at %lld", qlonglong(at)) << at;
}

void TestConvert::longTextConvertsLikeTheWhole()
{
    QFETCH(qsizetype, pairAt);
    QString text;
    const QString words = QStringLiteral("Съешь же ещё этих \"мягких\" булок & <чаю> ");
    while (text.size() < 70000)
        text += words;
    text.replace(pairAt, 2, QString::fromUtf16(u"\U0001F600"));
    Fixture f;
    f.convert(text);
    QCOMPARE(f.w.textValue, toReferences(text));
    QVERIFY(f.w.textValue.count(QLatin1String("&#128512;")) == 1);
    QCOMPARE(qsizetype(f.w.pumps), text.size() - 1);
}

void TestConvert::progressAtEveryChange_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::vector<Progress>>("expected");
    QTest::addColumn<int>("barWidth");
    QTest::newRow("a bar of no width")
        << "abcd" << std::vector<Progress>{{0, 0}, {25, 0}, {50, 0}, {75, 0}} << 0;
    // The bar is 3930 twips: a quarter is 982.5 and three quarters 2947.5,
    // which round to the even neighbour.
    QTest::newRow("four characters")
        << "abcd" << std::vector<Progress>{{0, 0}, {25, 982}, {50, 1965}, {75, 2948}} << 3930;
    QTest::newRow("one character") << "a" << std::vector<Progress>{{0, 0}} << 3930;
    QTest::newRow("eight characters: 12.5% and 62.5% round to even")
        << "abcdefgh"
        << std::vector<Progress>{{0, 0},     {12, 491},  {25, 982},  {38, 1474},
                                 {50, 1965}, {62, 2456}, {75, 2948}, {88, 3439}}
        << 3930;
    QTest::newRow("a surrogate pair is one character")
        << QString::fromUtf16(u"a\U0001F600b") << std::vector<Progress>{{0, 0}, {33, 1310}, {67, 2620}}
        << 3930;
    // A lone or reversed surrogate is a character of its own.
    const std::vector<Progress> fourCharacters{{0, 0}, {25, 982}, {50, 1965}, {75, 2948}};
    const char16_t high = 0xD800, low = 0xDC00, a = u'a';
    const std::vector<std::array<char16_t, 4>> lones{
        {a, high, a, a}, {a, a, low, a}, {low, high, a, a}, {a, a, a, high}};
    for (const auto &units : lones) {
        const QString lone = QString::fromUtf16(units.data(), 4);
        QTest::addRow("lone surrogates: %s", lone.toUtf8().toHex().constData())
            << lone << fourCharacters << 3930;
    }
    // Longer texts: each character's values, as the rule computes them, once
    // for as long as they hold.
    for (const qsizetype n : {200, 997, 1000, 1001, 4096, 10007, 70001}) {
        std::vector<Progress> every;
        for (qsizetype i = 0; i < n; ++i) {
            const double done = double(i) / double(n);
            const Progress at{int(std::nearbyint(done * 100.0)), int(std::nearbyint(done * 3930))};
            if (every.empty() || every.back() != at)
                every.push_back(at);
        }
        QTest::addRow("%lld characters", qlonglong(n)) << QString(n, u'x') << every << 3930;
    }
}

void TestConvert::progressAtEveryChange()
{
    QFETCH(QString, text);
    QFETCH(std::vector<Progress>, expected);
    QFETCH(int, barWidth);
    Fixture f;
    f.w.progressBar = barWidth;
    f.convert(text);
    QCOMPARE(f.w.progress, expected);
    // The window answers after every character.
    QCOMPARE(f.w.pumps, long(text.toUcs4().size()));
}

void TestConvert::progressWindowLivesForOneRun()
{
    Fixture f;
    bool shownDuringRun = true;
    f.w.onPump = [&] { shownDuringRun = shownDuringRun && f.w.progressLoaded; };
    f.convert(QStringLiteral("abc"));
    f.convert(QStringLiteral("de"));
    QVERIFY(!f.w.progressLoaded);
    QCOMPARE(f.w.progressCreated, 2);
    QCOMPARE(f.w.progressUnloaded, 2);
    // The pump runs before the first show of a run.
    QVERIFY(!shownDuringRun);
}

void TestConvert::runLocksTextAndCommands()
{
    Fixture f;
    f.w.setMenuEnabled(MenuItem::Save, false); // must come back as it was
    std::vector<bool> seen;
    f.w.onPump = [&] {
        seen = {f.w.textReadOnly, f.w.isMenuEnabled(MenuItem::Gen),
                f.w.isMenuEnabled(MenuItem::Undo), f.w.isMenuEnabled(MenuItem::Open),
                f.w.isMenuEnabled(MenuItem::Save), zezu::test::runOf(f.editor).inProgress()};
        // Commands that slip through the lock do nothing.
        f.editor.undo();
        f.editor.convert();
    };
    f.convert(QStringLiteral("ab"));
    QCOMPARE(seen, (std::vector<bool>{true, false, false, false, false, true}));
    QCOMPARE(f.w.textValue, QStringLiteral("ab"));
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 1);
    QVERIFY(!f.w.textReadOnly);
    QVERIFY(f.w.isMenuEnabled(MenuItem::Gen));
    QVERIFY(f.w.isMenuEnabled(MenuItem::Undo));
    QVERIFY(f.w.isMenuEnabled(MenuItem::Open));
    QVERIFY(!f.w.isMenuEnabled(MenuItem::Save));
    QVERIFY(!zezu::test::runOf(f.editor).inProgress());
}

void TestConvert::cancelAfterKthCharacterRestores_data()
{
    QTest::addColumn<int>("earlierRuns");
    QTest::addColumn<int>("k");
    QTest::newRow("first run, cancel after the first character") << 0 << 1;
    QTest::newRow("first run, cancel after the last character") << 0 << 6;
    QTest::newRow("after two runs, cancel half way") << 2 << 3;
}

void TestConvert::cancelAfterKthCharacterRestores()
{
    QFETCH(int, earlierRuns);
    QFETCH(int, k);
    Fixture f;
    for (int r = 0; r < earlierRuns; ++r)
        f.convert(QStringLiteral("x%1").arg(r));
    const QString before = QStringLiteral("а & б ");
    f.w.progress.clear();
    f.w.pumps = 0;
    f.w.onPump = [&] {
        if (f.w.pumps == k)
            f.editor.cancelRun();
    };
    f.convert(before, 0, 0);
    QCOMPARE(f.w.textValue, before);
    QCOMPARE(zezu::test::historyOf(f.editor).count(), earlierRuns);
    QCOMPARE(zezu::test::historyOf(f.editor).at(earlierRuns), QString());
    QCOMPARE(f.w.isMenuEnabled(MenuItem::Undo), earlierRuns > 0);
    QCOMPARE(int(f.w.progress.size()), k);
    QVERIFY(!f.w.progressLoaded);
}

void TestConvert::cancelWithFullHistoryKeepsIt()
{
    Fixture f;
    for (int r = 0; r < 10; ++r)
        f.convert(QStringLiteral("t%1").arg(r));
    const auto history = test::snapshots(zezu::test::historyOf(f.editor));
    f.w.onPump = [&] { f.editor.cancelRun(); };
    f.convert(QStringLiteral("new text"));
    QCOMPARE(f.w.textValue, QStringLiteral("new text"));
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 10);
    QVERIFY(test::snapshots(zezu::test::historyOf(f.editor)) == history);
    QVERIFY(f.w.isMenuEnabled(MenuItem::Undo));
}

void TestConvert::cancelDoesNotLeakIntoNextRun()
{
    Fixture f;
    f.w.onPump = [&] { f.editor.cancelRun(); };
    f.convert(QStringLiteral("a b"));
    QCOMPARE(f.w.textValue, QStringLiteral("a b"));
    f.w.onPump = {};
    f.convert(QStringLiteral("a b"));
    QCOMPARE(f.w.textValue, QStringLiteral("a&nbsp;b"));
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 1);
}

void TestConvert::decodesSelectionOrWholeText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("length");
    QTest::addColumn<QString>("expected");
    const QString refs = QStringLiteral("a&nbsp;&lt;b&gt;&#1103;");
    QTest::newRow("whole text") << refs << qsizetype(0) << qsizetype(0)
                                << QStringLiteral("a <b>я");
    QTest::newRow("selection") << refs << qsizetype(1) << qsizetype(10)
                               << QStringLiteral("a <b&gt;&#1103;");
    QTest::newRow("a reference cut by the selection stays")
        << refs << qsizetype(3) << qsizetype(6) << refs;
    // References straddle the pieces the run decodes ahead of its progress.
    QString lon;
    while (lon.size() < 70000)
        lon += QStringLiteral("&#1040;&amp;&CounterClockwiseContourIntegral;x&#x1F600;");
    QTest::newRow("long text in pieces") << lon << qsizetype(0) << qsizetype(0)
                                         << fromReferences(lon);
}

void TestConvert::decodesSelectionOrWholeText()
{
    QFETCH(QString, text);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, length);
    QFETCH(QString, expected);
    Fixture f;
    f.w.textValue = text;
    f.w.selStartValue = start;
    f.w.selLengthValue = length;
    f.editor.decode();
    QCOMPARE(f.w.textValue, expected);
    QCOMPARE(zezu::test::historyOf(f.editor).count(), 1);
    f.editor.undo();
    QCOMPARE(f.w.textValue, text);
}

void TestConvert::progressCloseBoxHidesWithoutCancelling()
{
    Fixture f;
    bool shownAgain = false;
    f.w.onPump = [&] {
        if (f.w.pumps == 2)
            f.editor.progressWindowClosed();
        if (f.w.pumps == 3)
            shownAgain = f.w.progressVisible;
    };
    f.convert(QStringLiteral("a b c"));
    QCOMPARE(f.w.progressHidden, 1);
    QVERIFY(shownAgain);
    QCOMPARE(f.w.progressCreated, 1);
    QCOMPARE(f.w.textValue, QStringLiteral("a&nbsp;b&nbsp;c"));
}

// A close request and Exit take one path during a run: the exit prompt over
// the paused run, which goes on whenever the program does.
void TestConvert::exitOrCloseDuringRun_data()
{
    QTest::addColumn<bool>("viaClose");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QList<Answer>>("answers");
    QTest::addColumn<QString>("saveChoice"); // "" cancels the save dialog, "-" shows none
    QTest::addColumn<bool>("ends");
    QTest::addColumn<bool>("saved");
    for (const bool viaClose : {true, false}) {
        const char *via = viaClose ? "close" : "exit";
        QTest::addRow("%s, no unsaved edits", via) << viaClose << false << QList<Answer>{}
                                                   << "-" << true << false;
        QTest::addRow("%s, Cancel", via)
            << viaClose << true << QList<Answer>{Answer::Cancel} << "-" << false << false;
        QTest::addRow("%s, No", via)
            << viaClose << true << QList<Answer>{Answer::No} << "-" << true << false;
        QTest::addRow("%s, Yes and saved", via)
            << viaClose << true << QList<Answer>{Answer::Yes} << "out" << true << true;
        QTest::addRow("%s, Yes, save dialog cancelled", via)
            << viaClose << true << QList<Answer>{Answer::Yes} << "" << false << false;
        QTest::addRow("%s, Yes, save failed", via)
            << viaClose << true << QList<Answer>{Answer::Yes} << "missing/out" << false
            << false;
    }
}

void TestConvert::exitOrCloseDuringRun()
{
    QFETCH(bool, viaClose);
    QFETCH(bool, modified);
    QFETCH(QList<Answer>, answers);
    QFETCH(QString, saveChoice);
    QFETCH(bool, ends);
    QFETCH(bool, saved);

    QTemporaryDir dir;
    test::Doc d;
    const QString text = QString(5000, u'я');
    if (modified) {
        d.w.setText(text);
    } else {
        d.showFile(QStringLiteral("a.txt"));
        d.w.textValue = text;
    }
    d.w.answers.assign(answers.begin(), answers.end());
    if (saveChoice != u'-')
        d.w.saveChoices.push_back(saveChoice.isEmpty() ? QString() : dir.filePath(saveChoice));

    bool windowMayClose = false;
    long pumpsAtRequest = 0;
    d.w.onPump = [&] {
        if (d.w.pumps != 100)
            return;
        pumpsAtRequest = d.w.pumps;
        if (viaClose)
            windowMayClose = d.editor.closeRequested();
        else
            d.editor.exit();
    };
    d.editor.convert();

    QCOMPARE(pumpsAtRequest, 100);
    QCOMPARE(d.w.ended, ends ? 1 : 0);
    QCOMPARE(windowMayClose, viaClose && ends);
    QVERIFY(d.w.answers.empty() && d.w.saveChoices.empty());
    if (ends) {
        // The run stops at the character it was on.
        QCOMPARE(d.w.pumps, 100);
        QCOMPARE(d.w.textValue, text);
    } else {
        QCOMPARE(d.w.pumps, long(text.size()));
        QCOMPARE(d.w.textValue, toReferences(text));
        QCOMPARE(zezu::test::historyOf(d.editor).count(), 1);
    }
    QCOMPARE(QFile::exists(dir.filePath(QStringLiteral("out.txt"))), saved);
    if (saved)
        QCOMPARE(test::readBytes(dir.filePath(QStringLiteral("out.txt"))),
                 QByteArray(text.size(), char(0xFF)));
}

QTEST_GUILESS_MAIN(TestConvert)
#include "test_convert.moc"
