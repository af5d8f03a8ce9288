// A save of a large converted text through the real widgets, headless:
//
//   save         wall time from the name taken in the save dialog to the
//                command's end (the file written, lasting and renamed)
//   unanswered   the longest time the window did not answer meanwhile (see
//                Responsiveness.h: a 10 ms timer's largest lateness)
//   cancel       a second save over the same file, Cancel clicked in the
//                progress window once it shows half done: whether the file
//                kept its bytes and nothing was left beside it ("n/a" when no
//                progress window came up to click)
//
// The text is Russian prose converted by the editor itself, as a user saves
// it; the file goes into a fresh folder under the working folder (a real
// disk, not a memory file system, unless --dir says otherwise).
//
//   bench_save_command                         50 M characters
//   bench_save_command --sizes 1000000,50000000
//   bench_save_command --chars N               one save of N characters, here
#include "support/EditorProbe.h"
#include "support/ScriptedUser.h"
#include "support/ViewText.h"
#include "EachInChild.h"
#include "Prose.h"
#include "Responsiveness.h"
#include "ui/Application.h"
#include "ui/TextArea.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace zezu;
using zezu::bench::prose;

namespace {

QByteArray digestOf(const QString &path)
{
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return {};
    return hash.result();
}

struct Saved
{
    double ms = -1;
    double unansweredMs = -1;
    bool clicked = false;
};

// Runs the save command, the dialog answered with path; cancelAt: the
// percentage at which Cancel is clicked, or -1.
Saved save(frmMain &window, const QString &path, int cancelAt)
{
    Saved saved;
    Responsiveness answering;
    QElapsedTimer clock;
    test::ScriptedUser user;
    user.saveName = path;
    user.onShown = [&](QWidget *) {
        answering.start();
        clock.start();
    };
    QTimer probe;
    probe.setInterval(0);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (cancelAt < 0 || w->objectName() != QLatin1String("frmConv") || !w->isVisible())
                continue;
            const QString percent = w->findChild<QLabel *>(QStringLiteral("lblPer1"))->text();
            if (percent.chopped(1).toInt() >= cancelAt) {
                probe.stop();
                saved.clicked = true;
                w->findChild<QPushButton *>(QStringLiteral("cmdCacnel"))->click();
            }
        }
    });
    probe.start();
    window.menuAction(MenuItem::Save)->trigger();
    saved.ms = clock.nsecsElapsed() / 1e6;
    saved.unansweredMs = answering.stopMs();
    return saved;
}

int runOne(qsizetype chars, const QString &under)
{
    QTemporaryDir dir(under + QStringLiteral("/bench-save-XXXXXX"));
    if (!dir.isValid()) {
        std::fprintf(stderr, "cannot make a folder under %s\n", qPrintable(under));
        return 1;
    }
    frmMain window;
    window.show();
    test::setTextOf(window.textArea(), prose(chars), qsizetype(1) << 20);
    window.menuAction(MenuItem::Gen)->trigger();
    while (test::runOf(window.editor()).inProgress())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    QCoreApplication::processEvents();

    const QString path = dir.filePath(QStringLiteral("saved.txt"));
    const Saved first = save(window, path, -1);
    const qint64 bytes = QFileInfo(path).size();
    const QByteArray digest = digestOf(path);

    // Again over the same file, with an edit so that it has something new.
    QTextCursor cursor(window.textArea()->document());
    cursor.insertText(QStringLiteral("x"));
    const Saved again = save(window, path, 50);
    const bool unchanged = digestOf(path) == digest;
    const bool alone = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
        == QStringList{QStringLiteral("saved.txt")};

    std::printf("%10lld chars  %10lld bytes  save %8.1f ms  unanswered %7.1f ms  "
                "cancelled save: %s\n",
                qlonglong(chars), qlonglong(bytes), first.ms, first.unansweredMs,
                !again.clicked ? "n/a (no progress window)"
                    : QByteArray(QByteArray("unanswered ")
                                 + QByteArray::number(again.unansweredMs, 'f', 1) + " ms, file "
                                 + (unchanged ? "unchanged" : "CHANGED") + ", "
                                 + (alone ? "nothing beside it" : "FILES LEFT BESIDE IT"))
                          .constData());
    std::fflush(stdout);
    return bytes > chars && (!again.clicked || (unchanged && alone)) ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    setUpApplication(app);
    QStringList args = QCoreApplication::arguments();
    QString under = QDir::currentPath();
    if (const qsizetype at = args.indexOf(QStringLiteral("--dir")); at > 0 && at + 1 < args.size()) {
        under = args[at + 1];
        args.remove(at, 2);
        // The sizes' own processes save there too.
        QDir::setCurrent(under);
    }
    if (args.size() == 3 && args[1] == QLatin1String("--chars"))
        return runOne(args[2].toLongLong(), under);

    QList<qint64> sizes{50'000'000};
    if (args.size() == 3 && args[1] == QLatin1String("--sizes")) {
        sizes = sizesFrom(args[2]);
    } else if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_save_command [--chars N | --sizes N,N,...] [--dir D]\n");
        return 2;
    }
    return runEachInChild(args[0], "--chars", sizes) ? 1 : 0;
}
