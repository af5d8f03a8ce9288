// Memory checked before the work, and an allocation failure that ends only
// the command: in a child process under an address-space limit, through the
// window-services double.
#include "support/EditorProbe.h"
#include "text/ReferenceConverter.h"
#include "files/Memory.h"
#include "support/AddressSpace.h"
#include "support/Child.h"
#include "support/Doc.h"
#include "support/Files.h"
#include "support/Messages.h"

#include <QTemporaryDir>
#include <QTest>

#include <utility>

#include <sys/mman.h>
#include <sys/resource.h>

#include <new>


using namespace zezu;
using namespace zezu::test;

namespace {

// What a refused or failed command must leave: the text, the caption, the
// history and the menu as they were, and one message.
QString checkUntouched(const Doc &d, const QString &text, const QString &caption, int count,
                       const QString &message)
{
    if (d.w.textValue != text)
        return QStringLiteral("the text changed");
    if (d.w.captionValue != caption)
        return QStringLiteral("the caption changed: ") + d.w.captionValue;
    if (zezu::test::historyOf(d.editor).count() != count)
        return QStringLiteral("the history changed");
    if (d.w.isMenuEnabled(MenuItem::Undo) != (count > 0) || d.w.textReadOnly)
        return QStringLiteral("the menu or the text area stayed locked");
    if (d.w.told.size() != 1 || !d.w.told[0].message.startsWith(message))
        return QStringLiteral("the message was not told: %1").arg(d.w.told.size());
    return {};
}

// "squeezed": the check passes, then the room goes while the selection is
// converted, and composing the result fails for real. The conversion ends
// as a refused one; once the room is back, the same conversion works.
int squeezedChild()
{
    Doc d;
    const QString text(4000000, u'я');
    d.w.setText(text);
    d.w.setCaption(caption::forDocument(u"a.txt"));
    d.w.selStartValue = 1;
    d.w.selLengthValue = text.size() - 2;
    if (!limitAddressSpace(qint64(768) << 20)) {
        std::puts("could not limit the address space");
        return 1;
    }
    TakenRoom taken;
    d.w.onPump = [&] {
        if (!taken.at)
            taken = takeRoomLeft(qint64(8) << 20);
    };
    d.editor.convert();
    QString problem = taken.at ? checkUntouched(d, text, caption::forDocument(u"a.txt"), 0,
                                                QStringLiteral("не удалось преобразовать текст: ")
                                                    + notEnoughMemoryReason())
                               : QStringLiteral("the room could not be taken");
    if (problem.isEmpty()) {
        ::munmap(taken.at, taken.bytes);
        d.w.onPump = {};
        d.editor.convert();
        const QString expected = text.first(1)
            + toReferences(QStringView(text).sliced(1, text.size() - 2)) + text.last(1);
        if (d.w.textValue != expected || d.w.told.size() != 1)
            problem = QStringLiteral("the conversion after the failure did not work");
    }
    std::puts(qPrintable(problem));
    return problem.isEmpty() ? 0 : 1;
}

// "convert", "open FILE": refused under a limit far below what they need.
int childMain(const QStringList &args)
{
    if (args.value(0) == QLatin1String("squeezed"))
        return squeezedChild();
    const QString command = args.value(0);
    Doc d;
    const QString text(4000000, u'я'); // 28 M units converted
    d.w.setText(text);
    d.w.setCaption(caption::forDocument(u"a.txt"));
    d.w.recordProgress = false;
    if (!limitAddressSpace(qint64(64) << 20)) {
        std::puts("could not limit the address space");
        return 1;
    }
    QString problem;
    if (command == QLatin1String("open")) {
        d.editor.openFile(args.value(1));
        problem = checkUntouched(d, text, caption::forDocument(u"a.txt"), 0,
                                 openFailed(args.value(1), notEnoughMemoryReason())
                                     + QStringLiteral(" (нужно"));
    } else {
        d.editor.convert();
        problem = checkUntouched(d, text, caption::forDocument(u"a.txt"), 0,
                                 QStringLiteral("не удалось преобразовать текст: ")
                                     + notEnoughMemoryReason() + QStringLiteral(" (нужно"));
    }
    std::puts(qPrintable(problem));
    return problem.isEmpty() ? 0 : 1;
}

} // namespace

class TestMemory : public QObject
{
    Q_OBJECT

private slots:
    void refusedBeforeTheWork_data();
    void refusedBeforeTheWork();
    void allocationFailureEndsOnlyTheCommand();
    void realAllocationFailureUnderTheLimit();
};

void TestMemory::refusedBeforeTheWork_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QByteArray>("file");
    const QByteArray large(qint64(64) << 20, 'a');
    QTest::newRow("convert") << QStringLiteral("convert") << large;
    QTest::newRow("open") << QStringLiteral("open") << large;
}

void TestMemory::refusedBeforeTheWork()
{
#if ZEZU_ASAN
    QSKIP("AddressSanitizer maps terabytes of shadow: an address-space limit cannot be set");
#endif
    QFETCH(QString, command);
    QFETCH(QByteArray, file);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.txt"));
    QVERIFY(writeBytes(path, file));
    const auto [code, output] = runChild({}, QCoreApplication::applicationFilePath(),
                                         {command, path});
    QVERIFY2(code == 0, qPrintable(output));
}

// Under an address-space limit, with the check passed and the room gone
// meanwhile: a real allocation failure, not a thrown one.
void TestMemory::realAllocationFailureUnderTheLimit()
{
#if ZEZU_ASAN
    QSKIP("AddressSanitizer maps terabytes of shadow: an address-space limit cannot be set");
#endif
    const auto [code, output] = runChild({}, QCoreApplication::applicationFilePath(),
                                         {QStringLiteral("squeezed")});
    QVERIFY2(code == 0, qPrintable(output));
}

// An allocation that fails in the middle of taking a result in ends that
// conversion as a cancelled one ends, and says why.
void TestMemory::allocationFailureEndsOnlyTheCommand()
{
    Doc d;
    const QString text(300000, u'я');
    d.w.setText(text);
    d.w.setCaption(caption::forDocument(u"a.txt"));
    bool thrown = false;
    d.w.onPump = [&] {
        if (d.w.pumps >= 200000 && !std::exchange(thrown, true))
            throw std::bad_alloc();
    };
    d.editor.convert();
    const QString problem = checkUntouched(
        d, text, caption::forDocument(u"a.txt"), 0,
        QStringLiteral("не удалось преобразовать текст: ") + notEnoughMemoryReason());
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(!d.w.intake);
    QVERIFY(!zezu::test::runOf(d.editor).inProgress());
    // The next command works.
    d.w.onPump = {};
    d.editor.convert();
    QCOMPARE(d.w.textValue, toReferences(text));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc > 1 && qstrcmp(argv[1], "-child") == 0)
        return childMain(QCoreApplication::arguments().mid(2));
    TestMemory tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}

#include "test_memory.moc"
