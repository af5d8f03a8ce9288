// The caption: the document name and the modified marker read from it, and
// the captions the commands set, through the window-services double.
#include "editor/Caption.h"
#include "editor/DocumentCommands.h"
#include "support/Doc.h"
#include "support/Files.h"
#include "support/Messages.h"

#include <QTemporaryDir>
#include <QTest>

using namespace zezu;
using namespace zezu::test;

namespace {

// "a,b" as {"a", "b"}.
QStringList words(const char *commaSeparated)
{
    return QString::fromUtf8(commaSeparated).split(u',');
}

} // namespace

class TestCaption : public QObject
{
    Q_OBJECT

private slots:
    void derivedValues_data();
    void derivedValues();
    void captionSequences_data();
    void captionSequences();
};

void TestCaption::derivedValues_data()
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

void TestCaption::derivedValues()
{
    QFETCH(QString, caption);
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QCOMPARE(caption::documentName(caption), name);
    QCOMPARE(caption::isModified(caption), modified);
}

void TestCaption::captionSequences_data()
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

void TestCaption::captionSequences()
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

QTEST_GUILESS_MAIN(TestCaption)
#include "test_caption.moc"
