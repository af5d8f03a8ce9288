// The caption: made from the document's name and modified state, and the
// captions the commands set, through the window-services double.
#include "support/EditorProbe.h"
#include "editor/Caption.h"
#include "editor/DocumentTexts.h"
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
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("modified");
    QTest::addColumn<QString>("caption");
    QTest::newRow("fresh") << QStringLiteral("Безымянный") << false << kFresh;
    QTest::newRow("fresh, modified") << QStringLiteral("Безымянный") << true << kFreshModified;
    QTest::newRow("file") << QStringLiteral("a.txt") << false << named(QStringLiteral("a.txt"));
    QTest::newRow("file, modified") << QStringLiteral("a.txt") << true
                                    << named(QStringLiteral("a.txt*"));
    QTest::newRow("a name ending in a star") << QStringLiteral("notes*") << false
                                             << named(QStringLiteral("notes*"));
    QTest::newRow("a name ending in a star, modified") << QStringLiteral("notes*") << true
                                                       << named(QStringLiteral("notes**"));
    QTest::newRow("a star inside the name") << QStringLiteral("a*b.txt") << false
                                            << named(QStringLiteral("a*b.txt"));
    QTest::newRow("only a star") << QStringLiteral("*") << false << named(QStringLiteral("*"));
}

// The caption shows the document as it stands, whatever its name holds.
void TestCaption::derivedValues()
{
    QFETCH(QString, name);
    QFETCH(bool, modified);
    QFETCH(QString, caption);
    Document document;
    document.opened(name, TextFormat{}, FileStamp{});
    if (modified)
        document.markModified();
    QCOMPARE(document.caption(), caption);
    QCOMPARE(document.name(), name);
    QCOMPARE(document.isModified(), modified);
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
    const QString star = named(QStringLiteral("notes*"));
    QTest::newRow("a name ending in a star opens unmarked")
        << words("open notes*,type,open b.txt") << QStringList{kFreshModified, star,
                                                               star + u'*', b};
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
    QVERIFY(writeBytes(dir.filePath(QStringLiteral("notes*")), "third\r\n"));

    Doc doc;
    for (const QString &step : steps) {
        const QString arg = step.section(u' ', 1);
        if (step == u"type") {
            doc.type(QStringLiteral("x"));
        } else if (step == u"set") {
            doc.w.setText(QStringLiteral("set by a command"));
        } else if (step.startsWith(u"open")) {
            if (zezu::test::documentOf(doc.editor).isModified())
                doc.w.answers.push_back(Answer::No);
            doc.w.openChoices.push_back(
                dir.filePath(step == u"open-missing" ? QStringLiteral("none.txt") : arg));
            doc.editor.open();
        } else if (step.startsWith(u"save")) {
            if (step == u"save-cancel")
                doc.w.saveChoices.push_back(std::nullopt);
            else if (step == u"save-fail")
                doc.w.saveChoices.push_back(dir.filePath(QStringLiteral("no/such/folder")));
            else
                doc.w.saveChoices.push_back(dir.filePath(arg));
            doc.editor.save();
        } else {
            QFAIL(qPrintable(step));
        }
    }
    QCOMPARE(doc.w.captions, captions);
    QCOMPARE(doc.w.ended, 0);
}

QTEST_GUILESS_MAIN(TestCaption)
#include "test_caption.moc"
