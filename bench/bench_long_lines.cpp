// One long line, opened and converted through the real main window,
// headless: the shape of text that the text area's layout finds hardest.
// The line is Russian prose with its spaces, Windows-1251, no line break.
//
//   open      from openFile() to the whole line in the text area, painted,
//             and the longest time the window did not answer meanwhile
//   convert   from Ctrl+G on the whole line to the result painted (a line of
//             references with no space to wrap at), and its longest
//             unanswered time
//
// Each size runs in a process of its own, given --limit seconds (default
// 120); one that does not finish is reported as such.
//
//   bench_long_lines                          lines of 0.1, 1 and 10 MB
//   bench_long_lines --sizes 100000,1000000
//   bench_long_lines --bytes N                one run, here
#include "support/EditorProbe.h"
#include "support/ViewText.h"
#include "EachInChild.h"
#include "Responsiveness.h"
#include "support/Codecs.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace zezu;

namespace {

QByteArray longLine(qsizetype bytes)
{
    const QString words = QStringLiteral(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. В чащах юга жил "
        "бы цитрус? Да, но фальшивый экземпляр! \"Широкая электрификация\" южных "
        "губерний даст мощный толчок подъёму сельского хозяйства & <промышленности>. ");
    const QByteArray piece = test::encodeCp1251(words);
    return piece.repeated(bytes / piece.size() + 1).left(bytes);
}

// Runs work from the event loop of the shown window until done() says so;
// the time to the window painted after it, and the longest unanswered time.
template <typename Work, typename Done>
std::pair<double, double> timed(frmMain &window, Work work, Done done)
{
    Responsiveness answering;
    QElapsedTimer clock;
    answering.start();
    clock.start();
    QTimer::singleShot(0, &window, work);
    do
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    while (!done());
    window.repaint();
    QCoreApplication::processEvents();
    return {clock.nsecsElapsed() / 1e6, answering.stopMs()};
}

int runOne(qsizetype bytes)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("line.txt"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(longLine(bytes)) != bytes)
        return 1;
    file.close();
    frmMain window;
    window.show();
    QCoreApplication::processEvents();

    bool opened = false;
    const auto [openMs, openUnansweredMs] = timed(
        window, [&] { window.editor().openFile(path); opened = true; }, [&] { return opened; });
    const qsizetype length = zezu::test::textOf(window.textArea()).size();
    std::printf("%10lld bytes  open %9.1f ms (unanswered %8.1f ms)", qlonglong(bytes), openMs,
                openUnansweredMs);
    std::fflush(stdout);

    bool converted = false;
    const auto [convertMs, convertUnansweredMs] = timed(
        window, [&] { window.menuAction(MenuItem::Gen)->trigger(); converted = true; },
        [&] { return converted && !zezu::test::runOf(window.editor()).inProgress(); });
    const bool grew = zezu::test::textOf(window.textArea()).size() > length;
    std::printf("  convert %9.1f ms (unanswered %8.1f ms)%s\n", convertMs, convertUnansweredMs,
                grew && length >= bytes ? "" : "  NOT DONE");
    std::fflush(stdout);
    return grew ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--bytes"))
        return runOne(args[2].toLongLong());
    QList<qint64> sizes = {100'000, 1'000'000, 10'000'000};
    int limitS = 120;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--sizes"))
            sizes = sizesFrom(args[i + 1]);
        else if (args[i] == QLatin1String("--limit"))
            limitS = args[i + 1].toInt();
    }
    return runEachInChild(args[0], "--bytes", sizes, limitS) ? 1 : 0;
}
