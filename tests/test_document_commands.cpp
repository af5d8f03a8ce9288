// The open, save, exit and close commands and the save-changes prompt that
// guards them, through the window-services double.
#include "support/EditorProbe.h"
#include "editor/Caption.h"
#include "editor/DocumentTexts.h"
#include "support/History.h"
#include "support/Doc.h"
#include "support/Files.h"
#include "support/Messages.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace zezu;
using namespace zezu::test;

Q_DECLARE_METATYPE(zezu::test::PromptAnswer)

namespace {

// What the save dialog answers: "ok" (out), "cancel", "fail" (a name under a
// missing folder next to out); "" shows no dialog.
void scriptSave(Doc &doc, const QString &save, const QString &out)
{
    if (save == u"ok")
        doc.w.saveChoices.push_back(out);
    else if (save == u"cancel")
        doc.w.saveChoices.push_back(std::nullopt);
    else if (save == u"fail")
        doc.w.saveChoices.push_back(
            QFileInfo(out).dir().filePath(QStringLiteral("missing/out.txt")));
}

} // namespace

class TestDocumentCommands : public QObject
{
    Q_OBJECT

private slots:
    void dialogRequests_data();
    void dialogRequests();
    void newDocumentDialogStartsWhereTheLastEnded();
    void textExtension_data();
    void textExtension();
    void promptMessage_data();
    void promptMessage();
    void openPaths_data();
    void openPaths();
    void exitAndClosePaths_data();
    void exitAndClosePaths();
    void abandonedExitDoesNotComeBack_data();
    void abandonedExitDoesNotComeBack();
};

void TestDocumentCommands::dialogRequests_data()
{
    QTest::addColumn<QString>("name"); // empty: a new document
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("fresh") << QString() << false << QStringLiteral("Безымянный");
    QTest::newRow("fresh, modified") << QString() << true << QStringLiteral("Безымянный");
    QTest::newRow("file") << QStringLiteral("письмо.txt") << false << QStringLiteral("письмо.txt");
    QTest::newRow("file, modified") << QStringLiteral("письмо.txt") << true
                                    << QStringLiteral("письмо.txt");
    QTest::newRow("a name ending in a star") << QStringLiteral("notes*") << false
                                             << QStringLiteral("notes*");
    QTest::newRow("a name ending in a star, modified") << QStringLiteral("notes*") << true
                                                       << QStringLiteral("notes*");
}

void TestDocumentCommands::dialogRequests()
{
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QFETCH(QString, proposed);
    Doc doc;
    if (!name.isEmpty())
        doc.showFile(name, modified);
    else if (modified)
        doc.editor.textChanged();
    const QString caption = doc.w.captionValue;
    doc.w.saveChoices.push_back(std::nullopt);
    doc.editor.save();
    QCOMPARE(doc.w.saveRequests.size(), size_t(1));
    QCOMPARE(doc.w.saveRequests[0].title, QStringLiteral("::сохранение файла..."));
    QCOMPARE(doc.w.saveRequests[0].filter, QStringLiteral("текстовые файлы (*.txt)"));
    QCOMPARE(doc.w.saveRequests[0].fileName, proposed);
    // A file's dialog starts in its folder; a new document's where the
    // dialogs last were, here nowhere yet: the working folder.
    const QString folder = name.isEmpty() ? QString() : doc.folder->path();
    QCOMPARE(doc.w.saveRequests[0].folder, folder);

    if (modified)
        doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(std::nullopt);
    doc.editor.open();
    QCOMPARE(doc.w.openRequests.size(), size_t(1));
    QCOMPARE(doc.w.openRequests[0].title, QStringLiteral("::открытие файл..."));
    QCOMPARE(doc.w.openRequests[0].filter,
             QStringLiteral("текстовые файлы (*.txt);;все файлы (*)"));
    QCOMPARE(doc.w.openRequests[0].fileName, QString());
    QCOMPARE(doc.w.openRequests[0].folder, folder);
    QCOMPARE(doc.w.captionValue, caption);

    // Exit asks only about edits, whatever the name holds.
    const size_t askedBefore = doc.w.asked.size();
    if (modified)
        doc.w.answers.push_back(Answer::No);
    doc.editor.exit();
    QCOMPARE(doc.w.asked.size() - askedBefore, size_t(modified ? 1 : 0));
    QCOMPARE(doc.w.ended, 1);
}

void TestDocumentCommands::newDocumentDialogStartsWhereTheLastEnded()
{
    QTemporaryDir dir;
    Doc doc;
    doc.w.openChoices.push_back(dir.filePath(QStringLiteral("missing.txt")));
    doc.editor.open();
    QCOMPARE(doc.w.told.size(), size_t(1));
    doc.w.saveChoices.push_back(std::nullopt);
    doc.editor.save();
    QCOMPARE(doc.w.saveRequests.size(), size_t(1));
    QCOMPARE(doc.w.saveRequests[0].folder, dir.path());
}

void TestDocumentCommands::textExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("saved");
    QTest::newRow("no extension") << "a" << "a.txt";
    QTest::newRow("already .txt") << "a.txt" << "a.txt";
    QTest::newRow("upper case is not .txt") << "A.TXT" << "A.TXT.txt";
    QTest::newRow("mixed case is not .txt") << "a.Txt" << "a.Txt.txt";
    QTest::newRow("another extension") << "a.doc" << "a.doc.txt";
    QTest::newRow(".txt inside the name") << "a.txt.bak" << "a.txt.bak.txt";
    QTest::newRow("trailing space") << "a.txt " << "a.txt .txt";
    QTest::newRow("txt without the dot") << "atxt" << "atxt.txt";
    QTest::newRow("only .txt") << ".txt" << ".txt";
    QTest::newRow("Cyrillic name") << "Безымянный" << "Безымянный.txt";
}

void TestDocumentCommands::textExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    Doc doc;
    doc.type(QStringLiteral("текст"));
    doc.w.saveChoices.push_back(dir.filePath(chosen));
    doc.editor.save();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{saved});
    QCOMPARE(readBytes(dir.filePath(saved)), QByteArray("\xF2\xE5\xEA\xF1\xF2"));
    QCOMPARE(doc.w.captionValue, named(saved));
    QCOMPARE(withTextExtension(chosen), saved);
}

void TestDocumentCommands::promptMessage_data()
{
    QTest::addColumn<QString>("name"); // empty: a new document
    QTest::addColumn<QString>("message");
    QTest::newRow("fresh document")
        << QString() << QStringLiteral("вы хотите сохранить изменения в ''Безымянный''?");
    QTest::newRow("named document") << QStringLiteral("письмо.txt")
                                    << QStringLiteral("вы хотите сохранить изменения в "
                                                      "''письмо.txt''?");
    QTest::newRow("name with an apostrophe")
        << QStringLiteral("it's.txt")
        << QStringLiteral("вы хотите сохранить изменения в ''it's.txt''?");
    QTest::newRow("name ending in a star")
        << QStringLiteral("notes*") << QStringLiteral("вы хотите сохранить изменения в ''notes*''?");
}

void TestDocumentCommands::promptMessage()
{
    QFETCH(QString, name);
    QFETCH(QString, message);
    // The same prompt guards open, exit and close.
    for (int command = 0; command < 3; ++command) {
        Doc doc;
        if (name.isEmpty())
            doc.editor.textChanged();
        else
            doc.showFile(name, true);
        const QString caption = doc.w.captionValue;
        doc.w.answers.push_back(Answer::Cancel);
        if (command == 0)
            doc.editor.open();
        else if (command == 1)
            doc.editor.exit();
        else
            QVERIFY(!doc.editor.closeRequested());
        QCOMPARE(doc.w.asked.size(), size_t(1));
        QCOMPARE(doc.w.asked[0].title, QStringLiteral("ZEZU.vexlo"));
        QCOMPARE(doc.w.asked[0].message, message);
        QCOMPARE(doc.w.captionValue, caption);
        QCOMPARE(doc.w.ended, 0);
    }
}

void TestDocumentCommands::openPaths_data()
{
    // save: what the save dialog does ("" = not shown, "ok", "cancel", "fail").
    // open: what the open dialog does ("" = not shown, "ok", "cancel", "missing").
    QTest::addColumn<bool>("modified");
    QTest::addColumn<PromptAnswer>("answer"); // None: no prompt
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("open");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<int>("told");

    QTest::newRow("unmodified: no question") << false << PromptAnswer::None << "" << "ok" << true << 0;
    QTest::newRow("unmodified: dialog cancelled") << false << PromptAnswer::None << "" << "cancel" << false
                                                  << 0;
    QTest::newRow("unmodified: missing file") << false << PromptAnswer::None << "" << "missing" << false
                                              << 1;
    QTest::newRow("No: edits given up, file opened") << true << PromptAnswer::No << "" << "ok" << true << 0;
    QTest::newRow("No, then dialog cancelled") << true << PromptAnswer::No << "" << "cancel" << false << 0;
    QTest::newRow("Cancel: nothing happens") << true << PromptAnswer::Cancel << "" << "" << false << 0;
    QTest::newRow("Yes: saved, then opened") << true << PromptAnswer::Yes << "ok" << "ok" << true << 0;
    QTest::newRow("Yes, saved, then dialog cancelled")
        << true << PromptAnswer::Yes << "ok" << "cancel" << false << 0;
    QTest::newRow("Yes, save dialog cancelled: stops")
        << true << PromptAnswer::Yes << "cancel" << "" << false << 0;
    QTest::newRow("Yes, save fails: stops") << true << PromptAnswer::Yes << "fail" << "" << false << 1;
}

void TestDocumentCommands::openPaths()
{
    QFETCH(bool, modified);
    QFETCH(PromptAnswer, answer);
    QFETCH(QString, save);
    QFETCH(QString, open);
    QFETCH(bool, loaded);
    QFETCH(int, told);

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(in, "\xEB\xE8\xF1\xF2\r\nnew"));

    Doc doc;
    const QString edits = QStringLiteral("правка");
    doc.recordConversion(QStringLiteral("snapshot"));
    doc.showFile(QStringLiteral("shown.txt"), modified);
    doc.w.textValue = edits;
    const QString before = doc.w.captionValue;
    if (answer != PromptAnswer::None)
        doc.w.answers.push_back(asAnswer(answer));
    scriptSave(doc, save, out);
    if (open == u"ok")
        doc.w.openChoices.push_back(in);
    else if (open == u"cancel")
        doc.w.openChoices.push_back(std::nullopt);
    else if (open == u"missing")
        doc.w.openChoices.push_back(dir.filePath(QStringLiteral("none.txt")));

    doc.editor.open();

    // Every scripted prompt and dialog was shown, and no other.
    QVERIFY(doc.w.answers.empty());
    QVERIFY(doc.w.saveChoices.empty());
    QVERIFY(doc.w.openChoices.empty());
    QCOMPARE(doc.w.asked.size(), size_t(answer != PromptAnswer::None ? 1 : 0));
    QCOMPARE(doc.w.told.size(), size_t(told));
    QCOMPARE(doc.w.ended, 0);

    const bool saved = save == u"ok";
    QCOMPARE(QFileInfo::exists(out), saved);
    if (saved)
        QCOMPARE(readBytes(out), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
    // Opening leaves the undo history alone.
    QCOMPARE(zezu::test::historyOf(doc.editor).count(), 1);
    QCOMPARE(test::snapshots(zezu::test::historyOf(doc.editor))[0], QStringLiteral("snapshot"));
    QVERIFY(doc.w.isMenuEnabled(MenuItem::Undo));
    if (loaded) {
        QCOMPARE(doc.w.textValue, QStringLiteral("лист\r\nnew\r\n"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("in.txt")));
    } else {
        QCOMPARE(doc.w.textValue, edits);
        QCOMPARE(doc.w.captionValue, saved ? named(QStringLiteral("out.txt")) : before);
    }
}

void TestDocumentCommands::exitAndClosePaths_data()
{
    QTest::addColumn<bool>("viaClose"); // the close button, or the exit command
    QTest::addColumn<bool>("modified");
    QTest::addColumn<PromptAnswer>("answer"); // None: no prompt
    QTest::addColumn<QString>("save"); // "", "ok", "cancel", "fail"
    QTest::addColumn<bool>("ends");

    for (const bool viaClose : {false, true}) {
        const char *via = viaClose ? "close" : "exit";
        QTest::addRow("%s: unmodified ends at once", via) << viaClose << false << PromptAnswer::None << "" << true;
        QTest::addRow("%s: No ends, edits given up", via)
            << viaClose << true << PromptAnswer::No << "" << true;
        QTest::addRow("%s: Cancel goes on", via) << viaClose << true << PromptAnswer::Cancel << "" << false;
        QTest::addRow("%s: Yes, saved, ends", via) << viaClose << true << PromptAnswer::Yes << "ok" << true;
        QTest::addRow("%s: Yes, save dialog cancelled, goes on", via)
            << viaClose << true << PromptAnswer::Yes << "cancel" << false;
        QTest::addRow("%s: Yes, save fails, goes on", via)
            << viaClose << true << PromptAnswer::Yes << "fail" << false;
    }
}

void TestDocumentCommands::exitAndClosePaths()
{
    QFETCH(bool, viaClose);
    QFETCH(bool, modified);
    QFETCH(PromptAnswer, answer);
    QFETCH(QString, save);
    QFETCH(bool, ends);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    Doc doc;
    doc.w.textValue = QStringLiteral("правка");
    if (modified)
        doc.editor.textChanged();
    const QString before = doc.w.captionValue;
    if (answer != PromptAnswer::None)
        doc.w.answers.push_back(asAnswer(answer));
    scriptSave(doc, save, out);

    if (viaClose)
        QCOMPARE(doc.editor.closeRequested(), ends);
    else
        doc.editor.exit();

    QVERIFY(doc.w.answers.empty());
    QVERIFY(doc.w.saveChoices.empty());
    QCOMPARE(doc.w.asked.size(), size_t(answer != PromptAnswer::None ? 1 : 0));
    QCOMPARE(doc.w.ended, ends ? 1 : 0);
    QCOMPARE(doc.w.told.size(), size_t(save == u"fail" ? 1 : 0));
    QCOMPARE(QFileInfo::exists(out), save == u"ok");
    if (save == u"ok") {
        QCOMPARE(readBytes(out), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("out.txt")));
    } else {
        QCOMPARE(doc.w.captionValue, before);
    }
    QCOMPARE(doc.w.textValue, QStringLiteral("правка"));
}

void TestDocumentCommands::abandonedExitDoesNotComeBack_data()
{
    QTest::addColumn<bool>("viaClose");
    QTest::addColumn<bool>("saveFails"); // the exit's save fails, else is cancelled
    QTest::addColumn<bool>("thenOpen");  // later an open saves first, else a plain save
    for (const bool viaClose : {false, true}) {
        for (const bool saveFails : {false, true}) {
            for (const bool thenOpen : {false, true}) {
                QTest::addRow("%s, save %s, then %s", viaClose ? "close" : "exit",
                              saveFails ? "fails" : "cancelled", thenOpen ? "open" : "save")
                    << viaClose << saveFails << thenOpen;
            }
        }
    }
}

void TestDocumentCommands::abandonedExitDoesNotComeBack()
{
    QFETCH(bool, viaClose);
    QFETCH(bool, saveFails);
    QFETCH(bool, thenOpen);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(in, "opened"));

    Doc doc;
    doc.type(QStringLiteral("edits"));
    doc.w.answers.push_back(Answer::Yes);
    if (saveFails)
        doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("missing/out.txt")));
    else
        doc.w.saveChoices.push_back(std::nullopt);
    if (viaClose)
        QVERIFY(!doc.editor.closeRequested());
    else
        doc.editor.exit();
    QCOMPARE(doc.w.ended, 0);

    if (thenOpen) {
        doc.w.answers.push_back(Answer::Yes);
        doc.w.saveChoices.push_back(out);
        doc.w.openChoices.push_back(in);
        doc.editor.open();
        QCOMPARE(doc.w.textValue, QStringLiteral("opened\r\n"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("in.txt")));
    } else {
        doc.w.saveChoices.push_back(out);
        doc.editor.save();
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("out.txt")));
    }
    QCOMPARE(readBytes(out), QByteArray("edits"));
    QCOMPARE(doc.w.ended, 0);
    QVERIFY(doc.w.openChoices.empty());
}

QTEST_GUILESS_MAIN(TestDocumentCommands)
#include "test_document_commands.moc"
