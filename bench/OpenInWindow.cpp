// A file opened through the real main window, headless, as a user's Open
// does once the dialog has answered: frmMain's editor().openFile(path), sent
// from the event loop of a shown window.
//
//   total         from the call to the whole text in the text area, painted:
//                 the command returned, pending events handled, the window
//                 repainted
//   first screen  from the call to the end of the first paint of the text
//                 area's viewport that shows the file's first line as the
//                 text area's first line (an event filter on the viewport
//                 lets the paint run and takes the time after it)
//   unanswered    the longest time the window did not answer (see
//                 Responsiveness.h)
//   from start    first screen and total again, from the spawn of this
//                 process (bench_files passes its time in ZEZU_BENCH_SPAWNED,
//                 on the steady clock both share): the application and the
//                 window made and shown first, as the editor starts
#include "support/ViewText.h"
#include "OpenInWindow.h"

#include "Responsiveness.h"
#include "files/TextFile.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QTextBlock>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>

using namespace zezu;

namespace {

// The file's first line as the text area shows it, read from its head by
// the format the head tells.
QString firstLine(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(4096);
    FormatDetector detector;
    detector.feed(head);
    TextDecoder decoder(detector.format());
    decoder.feed(head);
    const QString text = decoder.finish();
    return text.left(text.indexOf(QStringLiteral("\r\n")));
}

// The length of the file's text as the editor reads it.
qsizetype textLength(const QString &path)
{
    QString text;
    TextFormat format;
    QString reason;
    if (!readTextFile(path, text, format, reason))
        std::fprintf(stderr, "%s\n", qPrintable(reason));
    return text.size();
}

// Times the end of the first paint of a viewport that shows a given first line.
class FirstScreen : public QObject
{
public:
    FirstScreen(TextArea *area, QString line, const QElapsedTimer &clock)
        : m_area(area)
        , m_line(std::move(line))
        , m_clock(clock)
    {
        m_area->viewport()->installEventFilter(this);
    }

    qint64 shownAtNs() const { return m_shownAtNs; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint || m_inPaint || m_shownAtNs >= 0 || !m_clock.isValid())
            return false;
        // Short lines share a block, each after a line separator.
        const bool showsFile
            = m_area->document()->firstBlock().text().section(QChar::LineSeparator, 0, 0) == m_line;
        // The paint itself runs here, so that the time taken is after it.
        m_inPaint = true;
        QCoreApplication::sendEvent(watched, event);
        m_inPaint = false;
        if (showsFile)
            m_shownAtNs = m_clock.nsecsElapsed();
        return true;
    }

private:
    TextArea *m_area;
    QString m_line;
    const QElapsedTimer &m_clock;
    bool m_inPaint = false;
    qint64 m_shownAtNs = -1;
};

} // namespace

int openInWindow(int argc, char **argv, const QString &path)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    frmMain window;
    window.show();
    QCoreApplication::processEvents();
    const QString line = firstLine(path);
    if (line.isEmpty() || line.size() > 1000)
        return std::fprintf(stderr, "the file's first line is empty or long\n"), 1;

    QElapsedTimer clock;
    FirstScreen screen(window.textArea(), line, clock);
    // A message box would wait for an answer no one gives.
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [] {
        if (QApplication::activeModalWidget()) {
            std::fprintf(stderr, "a modal window opened during the open\n");
            std::exit(1);
        }
    });
    watchdog.start(100);

    Responsiveness answering;
    bool returned = false;
    double startedMs = 0; // from the spawn to the call
    QTimer::singleShot(0, &window, [&] {
        clock.start();
        const QByteArray spawned = qgetenv("ZEZU_BENCH_SPAWNED");
        if (!spawned.isEmpty()) {
            const auto spawnedAt = std::chrono::steady_clock::time_point(
                std::chrono::steady_clock::duration(spawned.toLongLong()));
            startedMs = std::chrono::duration<double, std::milli>(
                            std::chrono::steady_clock::now() - spawnedAt)
                            .count();
        }
        window.editor().openFile(path);
        returned = true;
    });
    answering.start();
    QElapsedTimer limit;
    limit.start();
    while (!returned) {
        if (limit.hasExpired(600'000))
            return std::fprintf(stderr, "the open did not end in 10 minutes\n"), 1;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    window.repaint();
    QCoreApplication::processEvents();
    const double totalMs = clock.nsecsElapsed() / 1e6;
    const double unansweredMs = answering.stopMs();
    if (screen.shownAtNs() < 0)
        return std::fprintf(stderr, "the text area never painted the file\n"), 1;
    // Read only now, so that the times from the process start are the
    // editor's own. The text area's text costs nothing to read while it is
    // the text set.
    const qsizetype expectedUnits = textLength(path);
    if (zezu::test::textOf(window.textArea()).size() != expectedUnits)
        return std::fprintf(stderr, "the text area holds %lld units, not %lld\n",
                            qlonglong(zezu::test::textOf(window.textArea()).size()), qlonglong(expectedUnits)),
               1;
    std::printf("%.3f %.3f %.3f %.3f %.3f\n", totalMs, screen.shownAtNs() / 1e6, unansweredMs,
                startedMs + screen.shownAtNs() / 1e6, startedMs + totalMs);
    return 0;
}
