// A long save: the window answers between its pieces, a Cancel at any of them
// leaves the file as it was and nothing beside it, its progress shows once it
// has taken long, and what would change the text or the file waits for it.
#include "files/PathNames.h"
#include "support/Doc.h"
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QTest>

#include <unistd.h>

using namespace zezu;

namespace {

// Every encoding's way through a save: Windows-1251 is read twice (its
// characters checked, then written), unmarked UTF-8 twice (its mark decided,
// then written), marked UTF-8 once.
const QString kText = QStringLiteral("Съешь же ещё этих <мягких> булок & чаю\r\n").repeated(40);

struct Saving
{
    test::Doc doc;
    QString path;

    // otherName: the file has a second name, and so is written in place,
    // its old bytes kept aside meanwhile.
    static constexpr QFileDevice::Permissions kOthers = QFileDevice::ReadGroup
        | QFileDevice::WriteGroup | QFileDevice::ReadOther | QFileDevice::WriteOther;

    Saving(const QString &folder, const TextFormat &format, bool otherName = false)
        : path(folder + QStringLiteral("/saved.txt"))
    {
        doc.w.setText(kText);
        doc.w.pieceUnits = 97;
        // The format the document has, as an open of a file in it sets it.
        const QByteArray bytes = format.encoding == Encoding::Windows1251
            ? QByteArray("\xC0\r\n")
            : (format.bom ? QByteArray("\xEF\xBB\xBF") : QByteArray()) + "\xC3\xA9\r\n";
        QVERIFY(test::writeBytes(path, bytes));
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                                | kOthers));
        if (otherName)
            QCOMPARE(::link(pathBytes(path).constData(),
                            pathBytes(folder + QStringLiteral("/link.txt")).constData()),
                     0);
        doc.editor.openFile(path);
        doc.w.setText(kText);
    }

    // Runs the save command; the nth turn of the pump asks for a Cancel.
    // Meanwhile every copy of the old bytes is the user's alone, as the file
    // may not be.
    long save(long cancelAt)
    {
        long turn = 0;
        doc.w.onIntakePump = [&] {
            for (const QFileInfo &copy : QDir(QFileInfo(path).path())
                                             .entryInfoList({QStringLiteral(".zezu-old-*")},
                                                            QDir::Files | QDir::Hidden))
                QCOMPARE(copy.permissions() & kOthers, QFileDevice::Permissions());
            if (turn++ == cancelAt)
                doc.editor.cancelRun();
        };
        doc.w.saveChoices.push_back(path);
        doc.editor.save();
        doc.w.onIntakePump = nullptr;
        return turn;
    }
};

} // namespace

class TestSaveRun : public QObject
{
    Q_OBJECT

private slots:
    void cancelAtAnyPointLeavesTheFile_data();
    void cancelAtAnyPointLeavesTheFile();
    void progressShowsOnceItTakesLong();
    void closeWaitsForTheSave_data();
    void closeWaitsForTheSave();
};

void TestSaveRun::cancelAtAnyPointLeavesTheFile_data()
{
    QTest::addColumn<TextFormat>("format");
    QTest::addColumn<bool>("otherName");
    for (const bool otherName : {false, true}) {
        const char *how = otherName ? "in place" : "renamed over";
        QTest::addRow("windows-1251, %s", how)
            << TextFormat{Encoding::Windows1251, false, LineEnds::CrLf} << otherName;
        QTest::addRow("utf-8, %s", how) << TextFormat{Encoding::Utf8, false, LineEnds::CrLf} << otherName;
        QTest::addRow("utf-8 marked, %s", how) << TextFormat{Encoding::Utf8, true, LineEnds::CrLf}
                                              << otherName;
    }
}

void TestSaveRun::cancelAtAnyPointLeavesTheFile()
{
    QFETCH(TextFormat, format);
    QFETCH(bool, otherName);
    QTemporaryDir dir;
    Saving saving(dir.path(), format, otherName);
    const auto before = test::snapshot(dir.path());
    const QString caption = saving.doc.w.captionValue;

    // Each turn of the pump in turn; past the last, the save completes.
    for (long cancelAt = 0;; ++cancelAt) {
        const long turns = saving.save(cancelAt);
        if (turns <= cancelAt) {
            QVERIFY2(test::snapshot(dir.path()) != before, "a save that completed");
            QVERIFY(cancelAt > 3);
            break;
        }
        QVERIFY2(test::snapshot(dir.path()) == before,
                 qPrintable(QStringLiteral("cancelled at turn %1").arg(cancelAt)));
        QVERIFY(saving.doc.w.told.empty());
        QCOMPARE(saving.doc.w.captionValue, caption);
        QVERIFY(!saving.doc.w.textReadOnly && saving.doc.w.menu.at(MenuItem::Save));
    }
}

void TestSaveRun::progressShowsOnceItTakesLong()
{
    // The double's clock moves only as a test moves it: each turn of the pump
    // takes 40 ms, so the window is due after the thirteenth.
    QTemporaryDir dir;
    Saving saving(dir.path(), {Encoding::Utf8, false, LineEnds::CrLf});
    saving.save(-1);
    QVERIFY(saving.doc.w.progress.empty() && saving.doc.w.progressCreated == 0);

    long turns = 0;
    bool lockedWhileShown = true;
    saving.doc.w.onIntakePump = [&] {
        saving.doc.w.clock += 40;
        ++turns;
        lockedWhileShown = lockedWhileShown
            && (!saving.doc.w.progressVisible
                || (saving.doc.w.textReadOnly && !saving.doc.w.menu.at(MenuItem::Open)));
    };
    saving.doc.w.saveChoices.push_back(saving.path);
    saving.doc.editor.save();
    QVERIFY(turns > 20);
    QCOMPARE(saving.doc.w.progressKind, ProgressKind::Saving);
    QCOMPARE(saving.doc.w.progressCreated, 1);
    QCOMPARE(saving.doc.w.progressUnloaded, 1);
    QVERIFY(lockedWhileShown);
    // It comes up part way, and goes up to the whole without going back.
    const auto &shown = saving.doc.w.progress;
    QVERIFY(!shown.empty() && shown.front().percent > 0 && shown.back().percent == 100);
    QVERIFY(std::is_sorted(shown.begin(), shown.end(),
                           [](const auto &a, const auto &b) { return a.percent < b.percent; }));
}

void TestSaveRun::closeWaitsForTheSave_data()
{
    QTest::addColumn<bool>("viaClose");
    QTest::addColumn<bool>("cancelled");
    QTest::newRow("close, saved") << true << false;
    QTest::newRow("exit, saved") << false << false;
    QTest::newRow("close, save cancelled") << true << true;
    QTest::newRow("exit, save cancelled") << false << true;
}

void TestSaveRun::closeWaitsForTheSave()
{
    QFETCH(bool, viaClose);
    QFETCH(bool, cancelled);
    QTemporaryDir dir;
    Saving saving(dir.path(), {Encoding::Windows1251, false, LineEnds::CrLf});
    test::FakeWindowServices &w = saving.doc.w;
    // The close comes while the save runs, which goes on as if it had not;
    // once the save is over the close goes as it would have: at once after
    // a save, through the save-changes prompt (here Cancel) after a Cancel.
    long turn = 0;
    bool windowMayClose = false;
    w.onIntakePump = [&] {
        if (++turn != 2)
            return;
        if (viaClose)
            windowMayClose = saving.doc.editor.closeRequested();
        else
            saving.doc.editor.exit();
        if (cancelled)
            saving.doc.editor.cancelRun();
    };
    if (cancelled)
        w.answers.push_back(Answer::Cancel);
    w.saveChoices.push_back(saving.path);
    saving.doc.editor.save();
    QVERIFY(!windowMayClose);
    QVERIFY(w.answers.empty() && w.saveChoices.empty());
    QCOMPARE(w.ended, cancelled ? 0 : 1);
    QCOMPARE(w.asked.size(), std::size_t(cancelled ? 1 : 0));
    QCOMPARE(test::readBytes(saving.path).size() > 3, !cancelled);
}

QTEST_GUILESS_MAIN(TestSaveRun)
#include "test_save_run.moc"
