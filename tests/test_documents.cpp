// The caption, the text file format, and the open, save, exit and close
// commands, through the window-services double and on real files in a
// temporary folder. glibc's iconv is the independent account of Windows-1251.
#include "document/Editor.h"
#include "document/Caption.h"
#include "document/DocumentCommands.h"
#include "document/FileErrors.h"
#include "document/TextFile.h"
#include "support/Doc.h"
#include "support/FakeWindowServices.h"
#include "support/Files.h"
#include "support/Iconv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <iconv.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <cerrno>
#include <csignal>
#include <optional>

using namespace zezu;
using namespace zezu::test;
using zezu::test::FakeWindowServices;

Q_DECLARE_METATYPE(zezu::PromptAnswer)

namespace {

// Reasons of our own, beside the system's errno ones.
constexpr int kFolder = -1;
constexpr int kNotRegular = -2;

const QString kFresh = QStringLiteral("ZEZU.vexlo - Безымянный");
const QString kFreshModified = QStringLiteral("ZEZU.vexlo - Безымянный*");

// "a,b" as {"a", "b"}.
QStringList words(const char *commaSeparated)
{
    return QString::fromUtf8(commaSeparated).split(u',');
}

QString named(const QString &title) { return QStringLiteral("ZEZU.vexlo - ") + title; }

// Every byte value once, the CR followed by its LF, and a final CR LF: a file
// that opening and saving must keep as it is.
QByteArray everyByteValue()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b) {
        bytes += char(b);
        if (b == 13)
            bytes += char(10);
    }
    return bytes + "\r\n";
}

} // namespace

class TestDocuments : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    // Caption.
    void derivedValues_data();
    void derivedValues();
    void captionSequences_data();
    void captionSequences();

    // Text file format.
    void readsLines_data();
    void readsLines();
    void everyByteReadsAsIconvSays_data();
    void everyByteReadsAsIconvSays();
    void everyCharacterWritesAsIconvSays();
    void writesText_data();
    void writesText();
    void breaksAcrossReads_data();
    void breaksAcrossReads();
    void surrogatePairAcrossWrites();

    // Open, save, prompt, exit, close.
    void dialogRequests_data();
    void dialogRequests();
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

    // Real files.
    void openThenSaveKeepsBytes_data();
    void openThenSaveKeepsBytes();
    void firstSaveNormalisesThenStable_data();
    void firstSaveNormalisesThenStable();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void fiftyMegabytes();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestDocuments::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY(Iconv("UTF-16LE", "WINDOWS-1251").isValid());
}

// ---- Caption ---------------------------------------------------------------

void TestDocuments::derivedValues_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("modified");
    QTest::newRow("fresh") << kFresh << QStringLiteral("Безымянный") << false;
    QTest::newRow("fresh, modified") << kFreshModified << QStringLiteral("Безымянный") << true;
    QTest::newRow("file") << named(QStringLiteral("a.txt")) << QStringLiteral("a.txt") << false;
    QTest::newRow("file, modified") << named(QStringLiteral("a.txt*")) << QStringLiteral("a.txt")
                                    << true;
    QTest::newRow("only one marker is taken off")
        << named(QStringLiteral("a**")) << QStringLiteral("a*") << true;
    QTest::newRow("a star inside the name") << named(QStringLiteral("a*b.txt"))
                                            << QStringLiteral("a*b.txt") << false;
    QTest::newRow("no name") << named(QString()) << QString() << false;
    QTest::newRow("no name, modified") << named(QStringLiteral("*")) << QString() << true;
}

void TestDocuments::derivedValues()
{
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QCOMPARE(caption::documentName(caption), name);
    QCOMPARE(caption::isModified(caption), modified);
}

void TestDocuments::captionSequences_data()
{
    // Steps: "type" (a keystroke), "set" (a command sets the text),
    // "open NAME", "open-missing", "save NAME", "save-cancel", "save-fail".
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QStringList>("captions");
    const QString a = named(QStringLiteral("a.txt"));
    const QString b = named(QStringLiteral("b.txt"));
    QTest::newRow("one keystroke") << words("type") << QStringList{kFreshModified};
    QTest::newRow("more keystrokes add no second marker")
        << words("type,type,type") << QStringList{kFreshModified};
    QTest::newRow("a command's change marks too") << words("set")
                                                  << QStringList{kFreshModified};
    QTest::newRow("open names the file, unmarked")
        << words("open a.txt") << QStringList{kFreshModified, a};
    QTest::newRow("open, then typing marks")
        << words("open a.txt,type,type") << QStringList{kFreshModified, a, a + u'*'};
    QTest::newRow("open, then a command's change marks")
        << words("open a.txt,set") << QStringList{kFreshModified, a, a + u'*'};
    QTest::newRow("typing, then save under a new name")
        << words("type,save b") << QStringList{kFreshModified, b};
    QTest::newRow("save, type, save again")
        << words("save b.txt,type,save b.txt") << QStringList{b, b + u'*', b};
    QTest::newRow("save of an opened file renames it")
        << words("open a.txt,save b") << QStringList{kFreshModified, a, b};
    QTest::newRow("cancelled save keeps the marker")
        << words("type,save-cancel,type") << QStringList{kFreshModified};
    QTest::newRow("failed save keeps the marker")
        << words("open a.txt,type,save-fail,type")
        << QStringList{kFreshModified, a, a + u'*'};
    QTest::newRow("failed open keeps the caption")
        << words("type,open-missing") << QStringList{kFreshModified};
    QTest::newRow("opening over edits, answering No")
        << words("open a.txt,type,open b.txt") << QStringList{kFreshModified, a,
                                                                          a + u'*', b};
}

void TestDocuments::captionSequences()
{
    QFETCH(QStringList, steps);
    QFETCH(QStringList, captions);
    QTemporaryDir dir;
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("a.txt")), "first\r\n"));
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("b.txt")), "second\r\n"));

    Doc doc;
    for (const QString &step : steps) {
        const QString arg = step.section(u' ', 1);
        if (step == u"type") {
            doc.type(QStringLiteral("x"));
        } else if (step == u"set") {
            doc.w.setText(QStringLiteral("set by a command"));
        } else if (step.startsWith(u"open")) {
            if (caption::isModified(doc.w.captionValue))
                doc.w.answers.push_back(Answer::No);
            doc.w.openChoices.push_back(
                dir.filePath(step == u"open-missing" ? QStringLiteral("none.txt") : arg));
            openCommand(doc.editor);
        } else if (step.startsWith(u"save")) {
            if (step == u"save-cancel")
                doc.w.saveChoices.push_back(std::nullopt);
            else if (step == u"save-fail")
                doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("no/such/folder")));
            else
                doc.w.saveChoices.push_back(dir.filePath(arg));
            saveCommand(doc.editor);
        } else {
            QFAIL(qPrintable(step));
        }
    }
    QCOMPARE(doc.w.captions, captions);
    QCOMPARE(doc.w.ended, 0);
}

// ---- Text file format -------------------------------------------------------

void TestDocuments::readsLines_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    auto row = [](const char *name, QByteArray bytes, const char16_t *text) {
        QTest::newRow(name) << bytes << QString::fromUtf16(text);
    };
    row("empty file", "", u"");
    row("one line, no break", "a", u"a\r\n");
    row("two lines, no final break", "a\r\nb", u"a\r\nb\r\n");
    row("final CR LF", "a\r\nb\r\n", u"a\r\nb\r\n");
    row("lone CR ends a line", "a\rb", u"a\r\nb\r\n");
    row("final lone CR", "a\r", u"a\r\n");
    row("lone LF is a character", "a\nb", u"a\nb\r\n");
    row("only an LF", "\n", u"\n\r\n");
    row("LF at the end of a line", "a\n\r\n", u"a\n\r\n");
    row("LF CR", "a\n\rb", u"a\n\r\nb\r\n");
    row("only a CR", "\r", u"\r\n");
    row("only CR LF", "\r\n", u"\r\n");
    row("CR CR LF", "\r\r\n", u"\r\n\r\n");
    row("empty lines", "\r\n\r\n\r\n", u"\r\n\r\n\r\n");
    row("CR LF LF", "a\r\n\nb", u"a\r\n\nb\r\n");
    row("CR CR", "\r\r", u"\r\n\r\n");
    row("Cyrillic", "\xC4\xEE\xEC \xE8 \xB8\xE6\r\n\xA8\xEB\xEA\xE0", u"Дом и ёж\r\nЁлка\r\n");
    row("no-break space and euro", "\xA0\x88", u"\u00A0\u20AC\r\n");
    row("unassigned 0x98", "\x98", u"\u0098\r\n");
    QTest::newRow("NUL bytes") << QByteArray("\0a\0\r\n\0", 6)
                               << QString::fromUtf16(u"\0a\0\r\n\0\r\n", 8);
    QTest::newRow("only NUL") << QByteArray(1, '\0') << QString::fromUtf16(u"\0\r\n", 3);
}

void TestDocuments::readsLines()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeText(bytes), text);

    // Read in two pieces at every split, and byte by byte: a CR LF pair may
    // straddle two reads.
    for (qsizetype split = 0; split <= bytes.size(); ++split) {
        LineDecoder decoder;
        decoder.feed(QByteArrayView(bytes).first(split));
        decoder.feed(QByteArrayView(bytes).sliced(split));
        QVERIFY2(decoder.finish() == text, qPrintable(QStringLiteral("split at %1").arg(split)));
    }
    LineDecoder bytewise;
    for (const char c : bytes)
        bytewise.feed(QByteArrayView(&c, 1));
    QCOMPARE(bytewise.finish(), text);
}

void TestDocuments::everyByteReadsAsIconvSays_data()
{
    QTest::addColumn<int>("byte");
    for (int b = 0; b < 256; ++b)
        QTest::addRow("0x%02X", b) << b;
}

void TestDocuments::everyByteReadsAsIconvSays()
{
    QFETCH(int, byte);
    const QByteArray bytes(1, char(byte));
    QString expected;
    if (byte == 13) {
        expected = QStringLiteral("\r\n"); // a line break, nothing more
    } else {
        const std::optional<QString> character = iconvCharOf(byte);
        // The one byte the page leaves unassigned reads as the C1 control of
        // its value, so that a file holding it survives a save.
        if (byte == 0x98)
            QVERIFY(!character);
        expected = (character ? *character : QString(QChar(byte))) + QStringLiteral("\r\n");
    }
    QCOMPARE(decodeText(bytes), expected);
    // And the character is written back as the same byte.
    QCOMPARE(encodeText(decodeText(bytes)), byte == 13 ? QByteArray("\r\n") : bytes + "\r\n");
}

void TestDocuments::everyCharacterWritesAsIconvSays()
{
    int mismatches = 0;
    for (int unit = 0; unit < 0x10000; ++unit) {
        if (QChar::isSurrogate(char16_t(unit)))
            continue;
        std::optional<char> expected = iconvByteOf(char16_t(unit));
        if (unit == 0x98) {
            QVERIFY(!expected);
            expected = char(0x98);
        }
        const QByteArray written = encodeText(QString(QChar(char16_t(unit))));
        const QByteArray want(1, expected ? *expected : '?');
        if (written != want && ++mismatches <= 5)
            qWarning("U+%04X written as 0x%02X, iconv says 0x%02X", unit,
                     written.isEmpty() ? 0 : quint8(written.at(0)), quint8(want.at(0)));
    }
    QCOMPARE(mismatches, 0);
}

void TestDocuments::writesText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    auto row = [](const char *name, const char16_t *text, QByteArray bytes) {
        QTest::newRow(name) << QString::fromUtf16(text) << bytes;
    };
    row("empty", u"", "");
    row("nothing is added at the end", u"a\r\nb", "a\r\nb");
    row("breaks as they stand", u"a\nb\rc\r\n", "a\nb\rc\r\n");
    row("Cyrillic", u"Дом и ёж", "\xC4\xEE\xEC \xE8 \xB8\xE6");
    row("euro, numero, no-break space", u"€№\u00A0", "\x88\xB9\xA0");
    row("U+0098 as the unassigned byte", u"\u0098", "\x98");
    row("a question mark is itself", u"?", "?");
    row("outside the page", u"中é", "??");
    row("a surrogate pair is one character", u"a\U0001F600b", "a?b");
    row("two pairs", u"\U0001F600\U0001F601", "??");
    QTest::newRow("lone high surrogate") << QString(QChar(0xD800)) << QByteArray("?");
    QTest::newRow("lone low surrogate") << QString(QChar(0xDC00)) << QByteArray("?");
    QTest::newRow("high, high, low")
        << QString::fromUtf16(u"\xD800\xD800\xDC00", 3) << QByteArray("??");
    QTest::newRow("low before high is no pair")
        << QString::fromUtf16(u"\xDC00\xD800", 2) << QByteArray("??");
    QTest::newRow("high at the very end") << QString::fromUtf16(u"a\xD800", 2)
                                          << QByteArray("a?");
    QTest::newRow("NUL") << QString::fromUtf16(u"a\0b", 3) << QByteArray("a\0b", 3);
}

void TestDocuments::writesText()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    QCOMPARE(encodeText(text), bytes);
    const QString file = path(QStringLiteral("writesText.txt"));
    QString reason;
    QVERIFY2(writeTextFile(file, text, reason), qPrintable(reason));
    QCOMPARE(readBytes(file), bytes);
}

void TestDocuments::breaksAcrossReads_data()
{
    // Bytes placed around the boundary between the first and second read.
    QTest::addColumn<QByteArray>("around");
    QTest::addColumn<QString>("expected");
    QTest::newRow("CR LF split") << QByteArray("\r|\n") << QStringLiteral("\r\n");
    QTest::newRow("lone CR before the split") << QByteArray("\r|x") << QStringLiteral("\r\nx");
    QTest::newRow("CR LF just before") << QByteArray("\r\n|x") << QStringLiteral("\r\nx");
    QTest::newRow("LF just after a split line") << QByteArray("x|\n")
                                                << QStringLiteral("x\n");
    QTest::newRow("CR right after") << QByteArray("x|\r\n") << QStringLiteral("x\r\n");
}

void TestDocuments::breaksAcrossReads()
{
    QFETCH(QByteArray, around);
    QFETCH(QString, expected);
    const qsizetype bar = around.indexOf('|');
    around.remove(bar, 1);
    QByteArray bytes(kReadChunk - bar, 'a');
    bytes += around;
    bytes += "zz\r\n";
    const QString file = path(QStringLiteral("breaksAcrossReads.txt"));
    QVERIFY(writeBytes(file, bytes));

    QString text;
    QString reason;
    QVERIFY2(readTextFile(file, text, reason), qPrintable(reason));
    QCOMPARE(text.size(), kReadChunk - bar + expected.size() + 4);
    QCOMPARE(text.sliced(kReadChunk - bar), expected + QStringLiteral("zz\r\n"));
    QVERIFY(text.first(kReadChunk - bar) == QString(kReadChunk - bar, u'a'));
}

void TestDocuments::surrogatePairAcrossWrites()
{
    // A pair whose high half is the last unit of one written piece.
    QString text(kWriteChunk - 1, u'b');
    text += QString::fromUtf16(u"\U0001F600z");
    const QString file = path(QStringLiteral("surrogatePairAcrossWrites.txt"));
    QString reason;
    QVERIFY2(writeTextFile(file, text, reason), qPrintable(reason));
    QByteArray expected(kWriteChunk - 1, 'b');
    expected += "?z";
    QCOMPARE(readBytes(file), expected);
}

// ---- Commands -------------------------------------------------------------

void TestDocuments::dialogRequests_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("proposed");
    QTest::newRow("fresh") << kFresh << QStringLiteral("Безымянный");
    QTest::newRow("fresh, modified") << kFreshModified << QStringLiteral("Безымянный");
    QTest::newRow("file") << named(QStringLiteral("письмо.txt")) << QStringLiteral("письмо.txt");
    QTest::newRow("file, modified") << named(QStringLiteral("письмо.txt*"))
                                    << QStringLiteral("письмо.txt");
}

void TestDocuments::dialogRequests()
{
    QFETCH(QString, caption);
    QFETCH(QString, proposed);
    Doc doc;
    doc.w.captionValue = caption;
    doc.w.saveChoices.push_back(std::nullopt);
    saveCommand(doc.editor);
    QCOMPARE(doc.w.saveRequests.size(), size_t(1));
    QCOMPARE(doc.w.saveRequests[0].title, QStringLiteral("::сохранение файла..."));
    QCOMPARE(doc.w.saveRequests[0].filter, QStringLiteral("текстовые файлы (*.txt)"));
    QCOMPARE(doc.w.saveRequests[0].fileName, proposed);
    QCOMPARE(doc.editor.document().lastAnswer(), PromptAnswer::SaveDialogCancelled);

    if (caption::isModified(caption))
        doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(std::nullopt);
    openCommand(doc.editor);
    QCOMPARE(doc.w.openRequests.size(), size_t(1));
    QCOMPARE(doc.w.openRequests[0].title, QStringLiteral("::открытие файл..."));
    QCOMPARE(doc.w.openRequests[0].filter,
             QStringLiteral("текстовые файлы (*.txt);;все файлы (*)"));
    QCOMPARE(doc.w.openRequests[0].fileName, QString());
    QCOMPARE(doc.w.captionValue, caption);
}

void TestDocuments::textExtension_data()
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

void TestDocuments::textExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, saved);
    QTemporaryDir dir;
    Doc doc;
    doc.type(QStringLiteral("текст"));
    doc.w.saveChoices.push_back(dir.filePath(chosen));
    saveCommand(doc.editor);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{saved});
    QCOMPARE(readBytes(dir.filePath(saved)), QByteArray("\xF2\xE5\xEA\xF1\xF2"));
    QCOMPARE(doc.w.captionValue, named(saved));
    QCOMPARE(withTextExtension(chosen), saved);
}

void TestDocuments::promptMessage_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("message");
    QTest::newRow("fresh document")
        << kFreshModified << QStringLiteral("вы хотите сохранить изменения в ''Безымянный''?");
    QTest::newRow("named document") << named(QStringLiteral("письмо.txt*"))
                                    << QStringLiteral("вы хотите сохранить изменения в "
                                                      "''письмо.txt''?");
    QTest::newRow("name with an apostrophe")
        << named(QStringLiteral("it's.txt*"))
        << QStringLiteral("вы хотите сохранить изменения в ''it's.txt''?");
}

void TestDocuments::promptMessage()
{
    QFETCH(QString, caption);
    QFETCH(QString, message);
    // The same prompt guards open, exit and close.
    for (int command = 0; command < 3; ++command) {
        Doc doc;
        doc.w.captionValue = caption;
        doc.w.answers.push_back(Answer::Cancel);
        if (command == 0)
            openCommand(doc.editor);
        else if (command == 1)
            exitCommand(doc.editor);
        else
            QVERIFY(!closeRequested(doc.editor));
        QCOMPARE(doc.w.asked.size(), size_t(1));
        QCOMPARE(doc.w.asked[0].title, QStringLiteral("ZEZU.vexlo"));
        QCOMPARE(doc.w.asked[0].message, message);
        QCOMPARE(doc.editor.document().lastAnswer(), PromptAnswer::Cancel);
        QCOMPARE(doc.w.captionValue, caption);
        QCOMPARE(doc.w.ended, 0);
    }
}

void TestDocuments::openPaths_data()
{
    // save: what the save dialog does ("" = not shown, "ok", "cancel", "fail").
    // open: what the open dialog does ("" = not shown, "ok", "cancel", "missing").
    QTest::addColumn<bool>("modified");
    QTest::addColumn<PromptAnswer>("answer"); // None: no prompt
    QTest::addColumn<QString>("save");
    QTest::addColumn<QString>("open");
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<PromptAnswer>("promptAnswer");
    QTest::addColumn<int>("told");

    QTest::newRow("unmodified: no question") << false << PromptAnswer::None << "" << "ok" << true << PromptAnswer::None << 0;
    QTest::newRow("unmodified: dialog cancelled") << false << PromptAnswer::None << "" << "cancel" << false << PromptAnswer::None
                                                  << 0;
    QTest::newRow("unmodified: missing file") << false << PromptAnswer::None << "" << "missing" << false << PromptAnswer::None
                                              << 1;
    QTest::newRow("No: edits given up, file opened") << true << PromptAnswer::No << "" << "ok" << true << PromptAnswer::No << 0;
    QTest::newRow("No, then dialog cancelled") << true << PromptAnswer::No << "" << "cancel" << false << PromptAnswer::No << 0;
    QTest::newRow("Cancel: nothing happens") << true << PromptAnswer::Cancel << "" << "" << false << PromptAnswer::Cancel << 0;
    QTest::newRow("Yes: saved, then opened") << true << PromptAnswer::Yes << "ok" << "ok" << true << PromptAnswer::Yes << 0;
    QTest::newRow("Yes, saved, then dialog cancelled")
        << true << PromptAnswer::Yes << "ok" << "cancel" << false << PromptAnswer::Yes << 0;
    QTest::newRow("Yes, save dialog cancelled: stops")
        << true << PromptAnswer::Yes << "cancel" << "" << false << PromptAnswer::SaveDialogCancelled << 0;
    QTest::newRow("Yes, save fails: stops") << true << PromptAnswer::Yes << "fail" << "" << false << PromptAnswer::Yes << 1;
}

void TestDocuments::openPaths()
{
    QFETCH(bool, modified);
    QFETCH(PromptAnswer, answer);
    QFETCH(QString, save);
    QFETCH(QString, open);
    QFETCH(bool, loaded);
    QFETCH(PromptAnswer, promptAnswer);
    QFETCH(int, told);

    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(in, "\xEB\xE8\xF1\xF2\r\nnew"));

    Doc doc;
    const QString edits = QStringLiteral("правка");
    doc.w.textValue = edits;
    if (modified)
        doc.w.captionValue = kFreshModified;
    const QString before = doc.w.captionValue;
    doc.editor.history().push(QStringLiteral("snapshot"));
    doc.w.setMenuEnabled(MenuItem::Undo, true);
    if (answer != PromptAnswer::None)
        doc.w.answers.push_back(asAnswer(answer));
    if (save == u"ok")
        doc.w.saveChoices.push_back(out);
    else if (save == u"cancel")
        doc.w.saveChoices.push_back(std::nullopt);
    else if (save == u"fail")
        doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("missing/out.txt")));
    if (open == u"ok")
        doc.w.openChoices.push_back(in);
    else if (open == u"cancel")
        doc.w.openChoices.push_back(std::nullopt);
    else if (open == u"missing")
        doc.w.openChoices.push_back(dir.filePath(QStringLiteral("none.txt")));

    openCommand(doc.editor);

    // Every scripted prompt and dialog was shown, and no other.
    QVERIFY(doc.w.answers.empty());
    QVERIFY(doc.w.saveChoices.empty());
    QVERIFY(doc.w.openChoices.empty());
    QCOMPARE(doc.w.asked.size(), size_t(answer != PromptAnswer::None ? 1 : 0));
    QCOMPARE(doc.w.told.size(), size_t(told));
    QCOMPARE(doc.editor.document().lastAnswer(), promptAnswer);
    QCOMPARE(doc.w.ended, 0);

    const bool saved = save == u"ok";
    QCOMPARE(QFileInfo::exists(out), saved);
    if (saved)
        QCOMPARE(readBytes(out), QByteArray("\xEF\xF0\xE0\xE2\xEA\xE0"));
    // Opening leaves the undo history alone.
    QCOMPARE(doc.editor.history().count(), 1);
    QCOMPARE(doc.editor.history().snapshots()[0], QStringLiteral("snapshot"));
    QVERIFY(doc.w.isMenuEnabled(MenuItem::Undo));
    if (loaded) {
        QCOMPARE(doc.w.textValue, QStringLiteral("лист\r\nnew\r\n"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("in.txt")));
    } else {
        QCOMPARE(doc.w.textValue, edits);
        QCOMPARE(doc.w.captionValue, saved ? named(QStringLiteral("out.txt")) : before);
    }
}

void TestDocuments::exitAndClosePaths_data()
{
    QTest::addColumn<bool>("viaClose"); // the close button, or the exit command
    QTest::addColumn<bool>("modified");
    QTest::addColumn<PromptAnswer>("answer"); // None: no prompt
    QTest::addColumn<QString>("save"); // "", "ok", "cancel", "fail"
    QTest::addColumn<bool>("ends");
    QTest::addColumn<PromptAnswer>("promptAnswer");

    for (const bool viaClose : {false, true}) {
        const char *via = viaClose ? "close" : "exit";
        QTest::addRow("%s: unmodified ends at once", via) << viaClose << false << PromptAnswer::None << "" << true
                                                          << PromptAnswer::None;
        QTest::addRow("%s: No ends, edits given up", via)
            << viaClose << true << PromptAnswer::No << "" << true << PromptAnswer::No;
        QTest::addRow("%s: Cancel goes on", via) << viaClose << true << PromptAnswer::Cancel << "" << false << PromptAnswer::Cancel;
        QTest::addRow("%s: Yes, saved, ends", via) << viaClose << true << PromptAnswer::Yes << "ok" << true << PromptAnswer::Yes;
        QTest::addRow("%s: Yes, save dialog cancelled, goes on", via)
            << viaClose << true << PromptAnswer::Yes << "cancel" << false << PromptAnswer::SaveDialogCancelled;
        QTest::addRow("%s: Yes, save fails, goes on", via)
            << viaClose << true << PromptAnswer::Yes << "fail" << false << PromptAnswer::Yes;
    }
}

void TestDocuments::exitAndClosePaths()
{
    QFETCH(bool, viaClose);
    QFETCH(bool, modified);
    QFETCH(PromptAnswer, answer);
    QFETCH(QString, save);
    QFETCH(bool, ends);
    QFETCH(PromptAnswer, promptAnswer);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    Doc doc;
    doc.w.textValue = QStringLiteral("правка");
    if (modified)
        doc.w.captionValue = kFreshModified;
    const QString before = doc.w.captionValue;
    if (answer != PromptAnswer::None)
        doc.w.answers.push_back(asAnswer(answer));
    if (save == u"ok")
        doc.w.saveChoices.push_back(out);
    else if (save == u"cancel")
        doc.w.saveChoices.push_back(std::nullopt);
    else if (save == u"fail")
        doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("missing/out.txt")));

    if (viaClose)
        QCOMPARE(closeRequested(doc.editor), ends);
    else
        exitCommand(doc.editor);

    QVERIFY(doc.w.answers.empty());
    QVERIFY(doc.w.saveChoices.empty());
    QCOMPARE(doc.w.asked.size(), size_t(answer != PromptAnswer::None ? 1 : 0));
    QCOMPARE(doc.w.ended, ends ? 1 : 0);
    QCOMPARE(doc.editor.document().lastAnswer(), promptAnswer);
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

void TestDocuments::abandonedExitDoesNotComeBack_data()
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

void TestDocuments::abandonedExitDoesNotComeBack()
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
        QVERIFY(!closeRequested(doc.editor));
    else
        exitCommand(doc.editor);
    QCOMPARE(doc.w.ended, 0);

    if (thenOpen) {
        doc.w.answers.push_back(Answer::Yes);
        doc.w.saveChoices.push_back(out);
        doc.w.openChoices.push_back(in);
        openCommand(doc.editor);
        QCOMPARE(doc.w.textValue, QStringLiteral("opened\r\n"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("in.txt")));
    } else {
        doc.w.saveChoices.push_back(out);
        saveCommand(doc.editor);
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("out.txt")));
    }
    QCOMPARE(readBytes(out), QByteArray("edits"));
    QCOMPARE(doc.w.ended, 0);
    QVERIFY(doc.w.openChoices.empty());
}

// ---- Real files -----------------------------------------------------------

void TestDocuments::openThenSaveKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty file") << QByteArray();
    QTest::newRow("CR LF lines") << QByteArray("one\r\ntwo\r\n\r\nfour\r\n");
    QTest::newRow("Cyrillic") << QByteArray("\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8\r\n");
    QTest::newRow("lone LF inside lines") << QByteArray("a\nb\r\n\n\r\n");
    QTest::newRow("NUL bytes") << QByteArray("\0\0a\0\r\n", 6);
    QTest::newRow("every byte value") << everyByteValue();
}

void TestDocuments::openThenSaveKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(in, bytes));
    Doc doc;
    doc.w.openChoices.push_back(in);
    openCommand(doc.editor);
    QVERIFY(doc.w.told.empty());
    doc.w.saveChoices.push_back(out);
    saveCommand(doc.editor);
    QVERIFY(doc.w.told.empty());
    QCOMPARE(readBytes(out), bytes);
    // Saving over the opened file itself keeps it too.
    doc.w.saveChoices.push_back(in);
    saveCommand(doc.editor);
    QCOMPARE(readBytes(in), bytes);
}

void TestDocuments::firstSaveNormalisesThenStable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone CRs") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    QTest::newRow("only LFs") << QByteArray("a\nb\n") << QByteArray("a\nb\n\r\n");
}

void TestDocuments::firstSaveNormalisesThenStable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.txt"));
    QVERIFY(writeBytes(file, bytes));
    for (int round = 0; round < 3; ++round) {
        Doc doc;
        doc.w.openChoices.push_back(file);
        openCommand(doc.editor);
        doc.w.saveChoices.push_back(file);
        saveCommand(doc.editor);
        QCOMPARE(readBytes(file), saved);
    }
}

void TestDocuments::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("chosen");     // relative to the folder
    QTest::addColumn<qsizetype>("textSize"); // characters of text to save
    QTest::addColumn<qint64>("sizeLimit");   // 0: none
    QTest::addColumn<int>("error"); // errno of the reason; kFolder, kNotRegular

    QTest::newRow("missing folder") << "missing/out.txt" << qsizetype(10) << qint64(0) << ENOENT;
    QTest::newRow("onto a folder") << "folder.txt" << qsizetype(10) << qint64(0) << kFolder;
    QTest::newRow("onto a folder, .txt added") << "folder" << qsizetype(10) << qint64(0)
                                               << kFolder;
    QTest::newRow("onto a FIFO") << "fifo.txt" << qsizetype(10) << qint64(0) << kNotRegular;
    // A size limit stops the write part way, as a full disk does: inside the
    // only piece written, and exactly at the end of a first piece.
    QTest::newRow("stops inside a write")
        << "old.txt" << qsizetype(200000) << qint64(65536) << EFBIG;
    QTest::newRow("stops between writes")
        << "old.txt" << kWriteChunk + 1000 << qint64(kWriteChunk) << EFBIG;
}

void TestDocuments::failedSaveKeepsEverything()
{
    QFETCH(QString, chosen);
    QFETCH(qsizetype, textSize);
    QFETCH(qint64, sizeLimit);
    QFETCH(int, error);

    QTemporaryDir dir;
    const QByteArray old("old content\r\n");
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("old.txt")), old));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.txt/inside")));
    QCOMPARE(mkfifo(QFile::encodeName(dir.filePath(QStringLiteral("fifo.txt"))).constData(), 0600),
             0);
    const QStringList entriesBefore = QDir(dir.path()).entryList(QDir::AllEntries
                                                                 | QDir::NoDotAndDotDot);
    const QString target = withTextExtension(dir.filePath(chosen));

    Doc doc;
    doc.w.captionValue = named(QStringLiteral("old.txt"));
    doc.type(QString(textSize, u'ж'));
    doc.editor.document().recordAnswer(PromptAnswer::Yes);
    doc.w.saveChoices.push_back(dir.filePath(chosen));
    const int filesOpen = openFileCount();
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit) {
            limit.emplace(rlim_t(sizeLimit));
            QVERIFY(limit->ok());
        }
        saveCommand(doc.editor);
    }

    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(doc.w.told[0].title, QStringLiteral("ZEZU.vexlo"));
    const QString reason = error == kFolder ? QStringLiteral("это папка, а не файл")
        : error == kNotRegular              ? QStringLiteral("это не обычный файл")
                                            : errorReason(error);
    QCOMPARE(doc.w.told[0].message,
             QStringLiteral("не удалось сохранить файл \"%1\": %2").arg(target, reason));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("old.txt*")));
    QCOMPARE(doc.editor.document().lastAnswer(), PromptAnswer::Yes);
    // The old file is whole, the folder untouched, and nothing is left behind.
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("old.txt"))), old);
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder.txt/inside"))).isDir());
    const QFileInfo fifo(dir.filePath(QStringLiteral("fifo.txt")));
    QVERIFY(fifo.exists() && !fifo.isFile());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
             entriesBefore);
    QCOMPARE(openFileCount(), filesOpen);

    // The failure blocks no later save.
    doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("old.txt")));
    saveCommand(doc.editor);
    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("old.txt"))).size(), textSize);
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("old.txt")));
}

void TestDocuments::failedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << path(QStringLiteral("none.txt")) << errorReason(ENOENT);
    QTest::newRow("missing folder") << path(QStringLiteral("none/a.txt"))
                                    << errorReason(ENOENT);
    QTest::newRow("a folder") << path(QStringLiteral("folder"))
                              << QStringLiteral("это папка, а не файл");
    // Neither would ever end: a FIFO with no writer, a device without end.
    QTest::newRow("a FIFO") << path(QStringLiteral("fifo.txt"))
                            << QStringLiteral("это не обычный файл");
    QTest::newRow("a device") << QStringLiteral("/dev/zero")
                              << QStringLiteral("это не обычный файл");
    // Opens, then fails to read.
    QTest::newRow("read error") << QStringLiteral("/proc/self/mem") << errorReason(EIO);
}

void TestDocuments::failedOpenChangesNothing()
{
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("folder")));
    const QByteArray fifo = QFile::encodeName(path(QStringLiteral("fifo.txt")));
    QVERIFY(QFileInfo::exists(path(QStringLiteral("fifo.txt")))
            || mkfifo(fifo.constData(), 0600) == 0);
    const QString good = path(QStringLiteral("failedOpenChangesNothing.txt"));
    QVERIFY(writeBytes(good, "good"));

    Doc doc;
    doc.w.captionValue = named(QStringLiteral("before.txt"));
    doc.type(QStringLiteral("edits"));
    doc.editor.history().push(QStringLiteral("snapshot"));
    const QStringList captions = doc.w.captions;
    const int textSets = doc.w.setTextCalls;
    const int filesOpen = openFileCount();

    doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(chosen);
    openCommand(doc.editor);

    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(doc.w.told[0].title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(doc.w.told[0].message,
             QStringLiteral("не удалось открыть файл \"%1\": %2").arg(chosen, reason));
    QCOMPARE(doc.w.textValue, QStringLiteral("edits"));
    QCOMPARE(doc.w.setTextCalls, textSets);
    QCOMPARE(doc.w.captions, captions);
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("before.txt*")));
    QCOMPARE(doc.editor.history().count(), 1);
    QCOMPARE(doc.editor.history().snapshots()[0], QStringLiteral("snapshot"));
    QCOMPARE(openFileCount(), filesOpen);

    // The failure blocks no later open.
    doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(good);
    openCommand(doc.editor);
    QCOMPARE(doc.w.textValue, QStringLiteral("good\r\n"));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("failedOpenChangesNothing.txt")));
}

void TestDocuments::fiftyMegabytes()
{
    // Lines of Cyrillic and Latin text with CR LF breaks, 50 MiB in all.
    const QByteArray line("\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8 \xFD\xF2\xE8\xF5 & "
                          "<the quick brown fox> \"0123456789\"\r\n");
    const qsizetype total = qsizetype(50) << 20;
    QByteArray bytes;
    bytes.reserve(total);
    while (bytes.size() + line.size() <= total)
        bytes += line;
    bytes += QByteArray(total - bytes.size() - 2, 'x') + "\r\n";
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("big.txt"));
    const QString out = dir.filePath(QStringLiteral("big-saved.txt"));
    QVERIFY(writeBytes(in, bytes));

    Doc doc;
    doc.w.openChoices.push_back(in);
    openCommand(doc.editor);
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.textValue.size(), total);
    QVERIFY(doc.w.textValue.startsWith(QStringLiteral(
        "Съешь же ещё этих & <the quick brown fox> \"0123456789\"\r\nСъешь")));
    QVERIFY(doc.w.textValue.endsWith(QStringLiteral("xxx\r\n")));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("big.txt")));

    doc.w.saveChoices.push_back(out);
    saveCommand(doc.editor);
    QVERIFY(doc.w.told.empty());
    QVERIFY(readBytes(out) == bytes);
}

QTEST_GUILESS_MAIN(TestDocuments)
#include "test_documents.moc"
