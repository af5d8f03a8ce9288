// Open and save on real files in a temporary folder, through the
// window-services double: bytes kept, the first save's normal form, failures
// that change nothing, and a file of 50 MiB.
#include "support/EditorProbe.h"
#include "editor/DocumentTexts.h"
#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/TextFile.h"
#include "support/History.h"
#include "support/Doc.h"
#include "support/FailingReads.h"
#include "support/Files.h"
#include "support/LineRule.h"
#include "support/Messages.h"
#include "support/TextFormats.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <cerrno>
#include <optional>

using namespace zezu;
using namespace zezu::test;

class TestDocumentFiles : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid() && makeFolderAndFifo()); }
    void openThenSaveKeepsBytes_data();
    void openThenSaveKeepsBytes();
    void firstSaveNormalisesThenStable_data();
    void firstSaveNormalisesThenStable();
    void nameThatIsNotUtf8OpensAndSaves();
    void saveAsksBeforeWritingQuestionMarks_data();
    void saveAsksBeforeWritingQuestionMarks();
    void failedSaveKeepsEverything_data();
    void failedSaveKeepsEverything();
    void failedOpenChangesNothing_data();
    void failedOpenChangesNothing();
    void commandLineAndDropOpenLikeTheDialog_data();
    void commandLineAndDropOpenLikeTheDialog();
    void fiftyMegabytes();
    void exitWhileAnOpenReadsEndsAtOnce();

private:
    QString path(const QString &name) const { return m_dir.filePath(name); }
    // A folder and a FIFO named as the failure tables name them.
    bool makeFolderAndFifo() const
    {
        const QByteArray fifo = QFile::encodeName(path(QStringLiteral("fifo.txt")));
        return QDir(m_dir.path()).mkpath(QStringLiteral("folder"))
            && (QFileInfo::exists(path(QStringLiteral("fifo.txt")))
                || mkfifo(fifo.constData(), 0600) == 0);
    }
    QTemporaryDir m_dir;
};

void TestDocumentFiles::openThenSaveKeepsBytes_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("told"); // what the open says; empty: nothing
    const auto row = [](const char *name, const QByteArray &bytes, const QString &told = {}) {
        QTest::newRow(name) << bytes << told;
    };
    row("empty file", QByteArray());
    row("CR LF lines", QByteArray("one\r\ntwo\r\n\r\nfour\r\n"));
    row("Cyrillic", QByteArray("\xD1\xFA\xE5\xF8\xFC \xE6\xE5 \xE5\xF9\xB8\r\n"));
    row("lone LF inside lines", QByteArray("a\nb\r\n\n\r\n"));
    row("NUL bytes", QByteArray("\0\0a\0\r\n", 6));
    // Every byte value once, the CR followed by its LF, and a final CR LF.
    QByteArray every;
    for (int b = 0; b < 256; ++b)
        every += char(b);
    row("every byte value", lineRuleBytes(every));
    // Today's files keep their encoding, byte order mark and line ends.
    const QString prose = QStringLiteral("Привет, \"мир\" & <ёж>\nвторая строка\n");
    row("UTF-8, LF", prose.toUtf8());
    QString crlf = prose;
    crlf.replace(u'\n', QStringLiteral("\r\n"));
    row("UTF-8 with BOM, CR LF", "\xEF\xBB\xBF" + crlf.toUtf8());
    auto utf16 = [](const QString &text, bool bigEndian) {
        QByteArray bytes = bigEndian ? QByteArray("\xFE\xFF") : QByteArray("\xFF\xFE");
        for (const QChar c : text) {
            const char hi = char(c.unicode() >> 8), lo = char(c.unicode() & 0xFF);
            bytes += bigEndian ? QByteArray{&hi, 1} + lo : QByteArray{&lo, 1} + hi;
        }
        return bytes;
    };
    row("UTF-16 LE, CR LF", utf16(crlf, false));
    row("UTF-16 BE, LF", utf16(prose, true));
    row("Windows-1251, LF", QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\nb\n"));
    // UTF-8 but for a cut sequence and a stray byte, from the 200,001st byte on.
    const QByteArray line = utf8("Съешь же ещё этих мягких французских булок\r\n");
    const QByteArray head = line.repeated(200000 / line.size() + 1).left(200000);
    row("UTF-8 with stray bytes: told, and kept", head + "\xE2\x82" + line + "\x80" + line,
        QStringLiteral("(их 3, первый - байт номер 200001)"));
    // Large enough to go into the text area as it is read, by the format
    // its head tells, until a later byte tells another.
    const QByteArray big = line.repeated(400000 / line.size());
    row("large UTF-8 with stray bytes", big + "\x80" + line, QStringLiteral("(их 1,"));
    row("large UTF-8 head, Windows-1251 after", big + QByteArray("\xCF\xF0\xE8\xE2\xE5\xF2\r\n").repeated(99));
    QByteArray lf = big;
    lf.replace("\r\n", "\n");
    row("large LF head, a CR after", lf + "\r\n");
}

void TestDocumentFiles::openThenSaveKeepsBytes()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, told);
    QTemporaryDir dir;
    const QString in = dir.filePath(QStringLiteral("in.txt"));
    const QString out = dir.filePath(QStringLiteral("out.txt"));
    QVERIFY(writeBytes(in, bytes));
    Doc doc;
    doc.w.openChoices.push_back(in);
    doc.editor.open();
    QCOMPARE(doc.w.told.size(), std::size_t(told.isEmpty() ? 0 : 1));
    if (!told.isEmpty()) {
        QVERIFY2(doc.w.told[0].message.contains(told), qPrintable(doc.w.told[0].message));
        doc.w.told.clear();
    }
    doc.w.saveChoices.push_back(out);
    doc.editor.save();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(readBytes(out), bytes);
    // Saving over the opened file itself keeps it too.
    doc.w.saveChoices.push_back(in);
    doc.editor.save();
    QCOMPARE(readBytes(in), bytes);
}

void TestDocumentFiles::firstSaveNormalisesThenStable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QByteArray>("saved");
    QTest::newRow("no final break") << QByteArray("a\r\nb") << QByteArray("a\r\nb\r\n");
    QTest::newRow("lone CRs") << QByteArray("a\rb\r") << QByteArray("a\r\nb\r\n");
    // LF line ends and no CR: the LFs end lines, and are written back.
    QTest::newRow("only LFs") << QByteArray("a\nb\n") << QByteArray("a\nb\n");
    QTest::newRow("only LFs, no final break") << QByteArray("a\nb") << QByteArray("a\nb\n");
}

void TestDocumentFiles::firstSaveNormalisesThenStable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QByteArray, saved);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.txt"));
    QVERIFY(writeBytes(file, bytes));
    for (int round = 0; round < 3; ++round) {
        Doc doc;
        doc.w.openChoices.push_back(file);
        doc.editor.open();
        doc.w.saveChoices.push_back(file);
        doc.editor.save();
        QCOMPARE(readBytes(file), saved);
    }
}

void TestDocumentFiles::nameThatIsNotUtf8OpensAndSaves()
{
    // "Привет.txt" in Windows-1251 bytes, as an old archive unpacks it.
    const QByteArray folder = QFile::encodeName(m_dir.path());
    const QByteArray raw = folder + "/\xCF\xF0\xE8\xE2\xE5\xF2.txt";
    QVERIFY(writeBytesAt(raw, "text\r\n"));
    Doc doc;
    const QString path = pathFromBytes(raw.constData());
    doc.editor.openFile(path);
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.textValue, QStringLiteral("text\r\n"));
    QCOMPARE(doc.w.captionValue, named(QString(6, QChar(0xFFFD)) + QStringLiteral(".txt")));
    // The dialog proposes the name and folder, taken as they are.
    doc.type(QStringLiteral("more"));
    doc.w.saveChoices.push_back(path);
    doc.editor.save();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.saveRequests.back().folder + u'/' + doc.w.saveRequests.back().fileName, path);
    QCOMPARE(readBytesAt(raw), QByteArray("text\r\nmore"));
    // One that is missing is named with U+FFFD for its byte.
    doc.editor.openFile(pathFromBytes(folder + "/\xFF.txt"));
    QCOMPARE(doc.w.told.size(), std::size_t(1));
    QCOMPARE(doc.w.told[0].message,
             openFailed(m_dir.path() + QStringLiteral("/\uFFFD.txt"), errorReason(ENOENT)));
}

void TestDocumentFiles::saveAsksBeforeWritingQuestionMarks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<PromptAnswer>("answer");
    // Empty: no file written. The second save writes the same, unasked.
    QTest::addColumn<QByteArray>("saved");

    const QString foreign = QStringLiteral("ж😀 é\u4E00");
    QTest::newRow("the page holds it: no question") << QStringLiteral("Жёлтый № 5 — €")
        << PromptAnswer::None << cp1251("Жёлтый № 5 — €");
    QTest::newRow("yes: UTF-8") << foreign << PromptAnswer::Yes << utf8("ж😀 é\u4E00");
    QTest::newRow("no: question marks") << foreign << PromptAnswer::No << cp1251("ж? ??");
    QTest::newRow("cancel: nothing written") << foreign << PromptAnswer::Cancel << QByteArray();
}

void TestDocumentFiles::saveAsksBeforeWritingQuestionMarks()
{
    QFETCH(QString, typed);
    QFETCH(PromptAnswer, answer);
    QFETCH(QByteArray, saved);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("f.txt"));
    Doc doc;
    doc.type(typed);
    doc.w.answers.push_back(asAnswer(answer));
    doc.w.saveChoices.push_back(file);
    doc.w.readsUnlocked = 0;
    doc.editor.save();
    QVERIFY(doc.w.told.empty());
    // The text is read only while it cannot change, and can again after.
    QCOMPARE(doc.w.readsUnlocked, 0);
    QVERIFY(doc.w.readsLocked > 0);
    QVERIFY(!doc.w.textReadOnly);
    if (answer == PromptAnswer::None) {
        QVERIFY(doc.w.asked.empty());
    } else {
        QCOMPARE(doc.w.asked.size(), std::size_t(1));
        QVERIFY2(doc.w.asked[0].message.startsWith(QStringLiteral(
                     "в кодировке windows-1251 нет некоторых знаков текста (их 3, первый — "
                     "\"😀\", U+1F600)")),
                 qPrintable(doc.w.asked[0].message));
    }
    QCOMPARE(QFileInfo::exists(file), !saved.isEmpty());
    QCOMPARE(doc.w.caption().endsWith(u'*'), saved.isEmpty());
    if (saved.isEmpty())
        return;
    QCOMPARE(readBytes(file), saved);
    doc.type(QString());
    doc.w.answers = {Answer::No};
    doc.w.asked.clear();
    doc.w.saveChoices.push_back(file);
    doc.editor.save();
    QCOMPARE(doc.w.asked.size(), std::size_t(answer == PromptAnswer::No));
    QCOMPARE(readBytes(file), saved);
}

void TestDocumentFiles::failedSaveKeepsEverything_data()
{
    QTest::addColumn<QString>("chosen");     // relative to the folder
    QTest::addColumn<qsizetype>("textSize"); // characters of text to save
    QTest::addColumn<qint64>("sizeLimit");   // 0: none
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing folder")
        << "missing/out.txt" << qsizetype(10) << qint64(0) << errorReason(ENOENT);
    QTest::newRow("onto a folder") << "folder.txt" << qsizetype(10) << qint64(0) << kFolderReason;
    QTest::newRow("onto a folder, .txt added") << "folder" << qsizetype(10) << qint64(0)
                                               << kFolderReason;
    QTest::newRow("onto a FIFO") << "fifo.txt" << qsizetype(10) << qint64(0) << kNotRegularReason;
    // A size limit stops the write part way, as a full disk does: inside the
    // only piece written, and exactly at the end of a first piece.
    QTest::newRow("stops inside a write")
        << "old.txt" << qsizetype(200000) << qint64(65536) << errorReason(EFBIG);
    QTest::newRow("stops between writes")
        << "old.txt" << kWriteChunk + 1000 << qint64(kWriteChunk) << errorReason(EFBIG);
}

void TestDocumentFiles::failedSaveKeepsEverything()
{
    QFETCH(QString, chosen);
    QFETCH(qsizetype, textSize);
    QFETCH(qint64, sizeLimit);
    QFETCH(QString, reason);

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
    doc.showFile(QStringLiteral("old.txt"));
    doc.type(QString(textSize, u'ж'));
    doc.w.saveChoices.push_back(dir.filePath(chosen));
    const int filesOpen = openFileCount();
    {
        std::optional<FileSizeLimit> limit;
        if (sizeLimit) {
            limit.emplace(rlim_t(sizeLimit));
            QVERIFY(limit->ok());
        }
        doc.editor.save();
    }

    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(doc.w.told[0].title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(doc.w.told[0].message, saveFailed(target, reason));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("old.txt*")));
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
    doc.editor.save();
    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(readBytes(dir.filePath(QStringLiteral("old.txt"))).size(), textSize);
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("old.txt")));
}

void TestDocumentFiles::failedOpenChangesNothing_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("midway"); // the text area took some of the file in
    QTest::newRow("missing file") << path(QStringLiteral("none.txt")) << errorReason(ENOENT) << false;
    QTest::newRow("missing folder") << path(QStringLiteral("none/a.txt"))
                                    << errorReason(ENOENT) << false;
    QTest::newRow("a folder") << path(QStringLiteral("folder"))
                              << QStringLiteral("это папка, а не файл") << false;
    // Neither would ever end: a FIFO with no writer, a device without end.
    QTest::newRow("a FIFO") << path(QStringLiteral("fifo.txt"))
                            << QStringLiteral("это не обычный файл") << false;
    QTest::newRow("a device") << QStringLiteral("/dev/zero")
                              << QStringLiteral("это не обычный файл") << false;
    // Opens, then fails to read: at once, and with half of a large file
    // in the text area.
    QTest::newRow("read error") << QStringLiteral("/proc/self/mem") << errorReason(EIO) << false;
    QTest::newRow("read error midway") << path(QStringLiteral("large.txt")) << errorReason(EIO) << true;
}

void TestDocumentFiles::failedOpenChangesNothing()
{
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QFETCH(bool, midway);
    const QString good = path(QStringLiteral("failedOpenChangesNothing.txt"));
    QVERIFY(writeBytes(good, "good"));

    Doc doc;
    doc.showFile(QStringLiteral("before.txt"));
    doc.recordConversion(QStringLiteral("snapshot"));
    doc.type(QStringLiteral("edits"));
    const QStringList captions = doc.w.captions;
    const int textSets = doc.w.setTextCalls;
    const int filesOpen = openFileCount();

    doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(chosen);
    QVERIFY(writeBytes(path(QStringLiteral("large.txt")), QByteArray(2 << 20, 'x')));
    failReadsFrom = 1 << 20;
    doc.editor.open();
    failReadsFrom = -1;

    QCOMPARE(doc.w.told.size(), size_t(1));
    QCOMPARE(doc.w.intakesBegun > 0, midway);
    QVERIFY(!doc.w.intake);
    QCOMPARE(doc.w.told[0].title, QStringLiteral("ZEZU.vexlo"));
    QCOMPARE(doc.w.told[0].message, openFailed(chosen, reason));
    QCOMPARE(doc.w.textValue, QStringLiteral("edits"));
    QCOMPARE(doc.w.setTextCalls, textSets);
    QCOMPARE(doc.w.captions, captions);
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("before.txt*")));
    QCOMPARE(zezu::test::historyOf(doc.editor).count(), 1);
    QCOMPARE(test::snapshots(zezu::test::historyOf(doc.editor))[0], QStringLiteral("snapshot"));
    QCOMPARE(openFileCount(), filesOpen);

    // The failure blocks no later open.
    doc.w.answers.push_back(Answer::No);
    doc.w.openChoices.push_back(good);
    doc.editor.open();
    QCOMPARE(doc.w.textValue, QStringLiteral("good\r\n"));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("failedOpenChangesNothing.txt")));
}

void TestDocumentFiles::commandLineAndDropOpenLikeTheDialog_data()
{
    QTest::addColumn<bool>("dropped"); // else named on the command line
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("reason"); // empty: opens
    for (const bool dropped : {false, true}) {
        const char *via = dropped ? "drop" : "command line";
        QTest::addRow("%s: good file", via) << dropped << path(QStringLiteral("good.txt"))
                                            << QString();
        QTest::addRow("%s: missing file", via)
            << dropped << path(QStringLiteral("none.txt")) << errorReason(ENOENT);
        QTest::addRow("%s: a folder", via)
            << dropped << path(QStringLiteral("folder")) << QStringLiteral("это папка, а не файл");
        QTest::addRow("%s: a FIFO", via) << dropped << path(QStringLiteral("fifo.txt"))
                                         << QStringLiteral("это не обычный файл");
    }
}

void TestDocumentFiles::commandLineAndDropOpenLikeTheDialog()
{
    QFETCH(bool, dropped);
    QFETCH(QString, chosen);
    QFETCH(QString, reason);
    QVERIFY(writeBytes(path(QStringLiteral("good.txt")), QStringLiteral("ёж\n").toUtf8()
                                                             + QStringLiteral("да\n").toUtf8()));
    Doc doc;
    if (dropped) {
        // Unsaved edits are asked about first; Cancel keeps them.
        doc.type(QStringLiteral("edits"));
        doc.w.answers.push_back(Answer::Cancel);
        doc.editor.openDroppedFile(chosen);
        QCOMPARE(doc.w.textValue, QStringLiteral("edits"));
        doc.w.answers.push_back(Answer::No);
        doc.editor.openDroppedFile(chosen);
        QCOMPARE(doc.w.asked.size(), size_t(2));
    } else {
        doc.editor.openFile(chosen);
    }
    if (reason.isEmpty()) {
        QVERIFY(doc.w.told.empty());
        QCOMPARE(doc.w.textValue, QStringLiteral("ёж\r\nда\r\n"));
        QCOMPARE(doc.w.captionValue, named(QStringLiteral("good.txt")));
    } else {
        QCOMPARE(doc.w.told.size(), size_t(1));
        QCOMPARE(doc.w.told[0].message, openFailed(chosen, reason));
        QCOMPARE(doc.w.textValue, dropped ? QStringLiteral("edits") : QString());
    }
}

void TestDocumentFiles::fiftyMegabytes()
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
    doc.editor.open();
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.textValue.size(), total);
    QVERIFY(doc.w.textValue.startsWith(QStringLiteral(
        "Съешь же ещё этих & <the quick brown fox> \"0123456789\"\r\nСъешь")));
    QVERIFY(doc.w.textValue.endsWith(QStringLiteral("xxx\r\n")));
    QCOMPARE(doc.w.captionValue, named(QStringLiteral("big.txt")));

    doc.w.saveChoices.push_back(out);
    doc.editor.save();
    QVERIFY(doc.w.told.empty());
    QVERIFY(readBytes(out) == bytes);
}

// The window answers while a file is read; an exit then ends the reading
// with the program, and nothing is told or shown of the file.
void TestDocumentFiles::exitWhileAnOpenReadsEndsAtOnce()
{
    const QString file = path(QStringLiteral("exitWhileAnOpenReads.txt"));
    QVERIFY(writeBytes(file, QByteArray(qsizetype(16) << 20, 'a')));
    Doc doc;
    long pumps = 0;
    doc.w.onIntakePump = [&] {
        if (++pumps == 2)
            doc.editor.exit();
    };
    doc.editor.openFile(file);
    QCOMPARE(doc.w.ended, 1);
    QCOMPARE(pumps, 2);
    QVERIFY(doc.w.told.empty());
    QCOMPARE(doc.w.textValue, QString());
    QCOMPARE(doc.w.captionValue, kFresh);
}

QTEST_GUILESS_MAIN(TestDocumentFiles)
#include "test_document_files.moc"
