// Whole convert runs through the real widgets, headless, on Russian prose:
//
//   run          wall time from Ctrl+G to the converted text painted (the
//                command returned, pending events handled, the window
//                repainted)
//   unanswered   the longest time the window did not answer during that run
//                (see Responsiveness.h: a 10 ms timer's largest lateness)
//   undo         time from Undo of that run to the text before it painted,
//                and its longest unanswered time
//   cancel       time from a Cancel click, half way through a second run, to
//                the restored text, and that run's longest unanswered time
//   peak         the highest VmHWM of the three commands, each from its
//                start to its text painted (not the bench's own text, nor
//                its checks, which read the text back whole), and per
//                input character
//
// Each size runs in a process of its own so that its peak memory is its own.
//
//   bench_convert_command                      100 k, 1 M, 10 M, 50 M characters
//   bench_convert_command --sizes 10000000,50000000
//   bench_convert_command --chars N            one run of N characters, here
#include "support/EditorProbe.h"
#include "support/ViewText.h"
#include "EachInChild.h"
#include "PeakMemory.h"
#include "Prose.h"
#include "Responsiveness.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace zezu;
using zezu::bench::prose;

namespace {

int runOne(qsizetype chars)
{
    frmMain window;
    window.show();
    const QString text = prose(chars);
    QAction *gen = window.menuAction(MenuItem::Gen);

    // A completed run, until the result has been painted.
    zezu::test::setTextOf(window.textArea(), text, qsizetype(1) << 20);
    QCoreApplication::processEvents();
    long peak = -1;
    restartPeak();
    Responsiveness answering;
    QElapsedTimer clock;
    answering.start();
    clock.start();
    gen->trigger();
    while (zezu::test::runOf(window.editor()).inProgress())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.repaint();
    QCoreApplication::processEvents();
    const double runMs = clock.nsecsElapsed() / 1e6;
    const double unansweredMs = answering.stopMs();
    peak = std::max(peak, peakKiB());
    const bool converted = zezu::test::textOf(window.textArea()).size() > text.size();

    // Undo of that run, until the text before it has been painted.
    restartPeak();
    answering.start();
    clock.restart();
    window.menuAction(MenuItem::Undo)->trigger();
    while (zezu::test::runOf(window.editor()).inProgress())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    window.repaint();
    QCoreApplication::processEvents();
    const double undoMs = clock.nsecsElapsed() / 1e6;
    const double undoUnansweredMs = answering.stopMs();
    peak = std::max(peak, peakKiB());
    const bool undone = zezu::test::textOf(window.textArea()) == text;

    // A cancelled run: Cancel is clicked once the run is half way.
    zezu::test::setTextOf(window.textArea(), text, qsizetype(1) << 20);
    QCoreApplication::processEvents();
    qint64 clickedAt = -1;
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() != QLatin1String("frmConv") || !w->isVisible())
                continue;
            const QString percent = w->findChild<QLabel *>(QStringLiteral("lblPer1"))->text();
            if (percent.chopped(1).toInt() >= 50) {
                probe.stop();
                clickedAt = clock.nsecsElapsed();
                w->findChild<QPushButton *>(QStringLiteral("cmdCacnel"))->click();
            }
        }
    });
    probe.start();
    restartPeak();
    answering.start();
    clock.restart();
    gen->trigger();
    while (zezu::test::runOf(window.editor()).inProgress())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const qint64 restoredAt = clock.nsecsElapsed();
    const double cancelUnansweredMs = answering.stopMs();
    peak = std::max(peak, peakKiB());
    // A short run may end before the event pump first runs the probe.
    const bool clicked = clickedAt >= 0;
    const bool restored = !clicked || zezu::test::textOf(window.textArea()) == text;
    const QByteArray cancel = clicked
        ? QByteArray::number((restoredAt - clickedAt) / 1e6, 'f', 1) + " ms"
        : QByteArrayLiteral("n/a (run ended first)");

    std::printf("%10lld chars  run %9.1f ms  %7.1f Mchars/s  unanswered %8.1f ms  "
                "undo %.1f ms (unanswered %.1f ms)  "
                "cancel->restored %s (unanswered %.1f ms)  peak %8.1f MiB "
                "(%5.1f bytes/char)%s%s%s\n",
                qlonglong(chars), runMs, chars / runMs / 1e3, unansweredMs, undoMs,
                undoUnansweredMs, cancel.constData(), cancelUnansweredMs, peak / 1024.0,
                peak * 1024.0 / double(chars), converted ? "" : "  NOT CONVERTED",
                undone ? "" : "  NOT UNDONE", restored ? "" : "  NOT RESTORED");
    std::fflush(stdout);
    return converted && undone && restored ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--chars"))
        return runOne(args[2].toLongLong());

    QList<qint64> sizes{100'000, 1'000'000, 10'000'000, 50'000'000};
    if (args.size() == 3 && args[1] == QLatin1String("--sizes")) {
        sizes = sizesFrom(args[2]);
    } else if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_convert_command [--chars N | --sizes N,N,...]\n");
        return 2;
    }
    return runEachInChild(args[0], "--chars", sizes) ? 1 : 0;
}
