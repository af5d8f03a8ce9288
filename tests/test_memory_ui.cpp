// Memory that runs out for real, under an address-space limit, in the real
// main window (in a child process, whose limit is its own): when room goes
// while a result goes into the text area, the command ends with the text as
// it was and a message, and the program lives on.
#include "files/Memory.h"
#include "support/AddressSpace.h"
#include "support/Child.h"
#include "support/MainWindowFixture.h"
#include "support/ScriptedUser.h"

#include <QTest>

#include <cstdio>

using namespace zezu;
using namespace zezu::test;

namespace {

// "squeezed": Ctrl+G in the real window; once the result goes into the text
// area, the room left is taken, and the intake fails for real.
int squeezedChild()
{
    MainWindowFixture main;
    if (!main.open())
        return 1;
    const QString text = prose(6'000'000);
    setTextOf(main.text(), text, qsizetype(1) << 20);
    const QTextDocument *shown = main.text()->document();
    if (!limitAddressSpace(qint64(1024) << 20)) {
        std::puts("could not limit the address space");
        return 1;
    }
    TakenRoom taken;
    ProgressProbe probe([&](frmConv *) {
        if (main.text()->document() == shown)
            return false;
        taken = takeRoomLeft(qint64(24) << 20);
        return true;
    });
    ScriptedUser user;
    // The command runs to its end within the key press.
    if (!main.pressShortcut(Qt::Key_G))
        return 1;
    QString problem;
    if (!taken.at)
        problem = QStringLiteral("the room could not be taken");
    else if (textOf(main.text()) != text || main.text()->document() != shown)
        problem = QStringLiteral("the text is not as it was");
    else if (user.told().size() != 1 || !user.told()[0].contains(notEnoughMemoryReason()))
        problem = QStringLiteral("the message says: ") + user.told().value(0);
    std::puts(qPrintable(problem));
    return problem.isEmpty() ? 0 : 1;
}

} // namespace

class TestMemoryUi : public QObject
{
    Q_OBJECT

private slots:
    void intakeFailureEndsOnlyTheCommand()
    {
#if ZEZU_ASAN
        QSKIP("no address-space limit under AddressSanitizer");
#endif
        const auto [code, output] = runChild({}, QCoreApplication::applicationFilePath(),
                                             {QStringLiteral("squeezed")});
        QVERIFY2(code == 0, qPrintable(output));
    }
};

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc > 2 && qstrcmp(argv[1], "-child") == 0) {
        const QString mode = QString::fromLocal8Bit(argv[2]);
        if (mode == QLatin1String("squeezed"))
            return squeezedChild();
        return 2;
    }
    TestMemoryUi tests;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&tests, argc, argv);
}

#include "test_memory_ui.moc"
