// Opening and saving a large Windows-1251 file: wall time and peak memory,
// next to cat of the same file in the same run.
//
//   bench_files [--mib N] [--runs N] [--no-window] [file]
//
// Without a file, one of N MiB (50 by default) is generated: Russian and
// English words, CR LF lines. Every measurement runs in a process of its own,
// started afresh, so that its peak resident size (ru_maxrss) is its own; the
// file is in the page cache throughout (it was just written, or cat read it).
//
// The open and save commands run twice: over the window-services double
// (the logic alone), and, unless --no-window, the open through the real main
// window, headless: total time to the whole text painted, time to the first
// painted screen showing the file, and the longest time the window did not
// answer (see OpenInWindow.cpp); and the first screen and the whole text
// from the start of the process, as a user who launches the editor with the
// file sees them. The file given may be in any format the editor reads.

#include "support/Codecs.h"
#include "OpenInWindow.h"
#include "ui/Application.h"
#include "editor/Editor.h"
#include "editor/DocumentTexts.h"
#include "files/TextFile.h"
#include "text/TextCodec.h"
#include "support/FakeWindowServices.h"

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <limits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// ---- In the measured process ----------------------------------------------

// Runs one phase and prints the milliseconds its work took (process start
// and set-up excluded) on stdout.
int runPhase(const std::string &phase, const QString &in, const QString &out)
{
    if (phase == "baseline") {
        std::printf("0\n");
        return 0;
    }
    if (phase == "read") {
        QString text, reason;
        zezu::TextFormat format;
        const auto start = Clock::now();
        if (!zezu::readTextFile(in, text, format, reason))
            return std::fprintf(stderr, "%s\n", qPrintable(reason)), 1;
        std::printf("%.3f\n", msSince(start));
        return 0;
    }
    if (phase == "write") {
        // The text must be held to be saved; only the writing is timed.
        QString text, reason;
        zezu::TextFormat format;
        if (!zezu::readTextFile(in, text, format, reason))
            return std::fprintf(stderr, "%s\n", qPrintable(reason)), 1;
        const auto start = Clock::now();
        if (!zezu::test::writeWholeText(out, text, format, reason))
            return std::fprintf(stderr, "%s\n", qPrintable(reason)), 1;
        std::printf("%.3f\n", msSince(start));
        return 0;
    }
    if (phase == "open-save") {
        // The whole commands, over the window-services double.
        zezu::test::FakeWindowServices window;
        // Pieces as large as the commands ask for, as the text area gives.
        window.pieceUnits = std::numeric_limits<qsizetype>::max();
        zezu::Editor editor(window);
        editor.load();
        window.onTextChange = [&] { editor.textChanged(); };
        window.openChoices.push_back(in);
        window.saveChoices.push_back(out);
        const auto start = Clock::now();
        editor.open();
        const double openMs = msSince(start);
        const auto saveStart = Clock::now();
        editor.save();
        const double saveMs = msSince(saveStart);
        if (!window.told.empty())
            return std::fprintf(stderr, "%s\n", qPrintable(window.told[0].message)), 1;
        std::printf("%.3f %.3f\n", openMs, saveMs);
        return 0;
    }
    std::fprintf(stderr, "unknown phase %s\n", phase.c_str());
    return 2;
}

// ---- In the driver ----------------------------------------------------------

struct Run
{
    std::vector<double> ms; // what the process printed, or the wall time of cat
    double peakMiB = 0;
};

// Starts argv with stdout into a pipe (or /dev/null), waits, and returns
// what it printed and its peak resident size. The child is forked, not
// vforked: a vforked child's peak would start from this process's own, which
// exec counts as the child's; a forked one starts with little more than the
// pages it was handed.
bool spawn(const std::vector<std::string> &args, bool keepOutput, Run &run, double &wallMs)
{
    std::vector<char *> argv;
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);

    int fds[2];
    if (pipe(fds) != 0)
        return false;
    const auto start = Clock::now();
    // The child's clock shares the parent's epoch: it times from here.
    const std::string spawned = std::to_string(start.time_since_epoch().count());
    const pid_t pid = fork();
    if (pid < 0)
        return false;
    if (pid == 0) {
        setenv("ZEZU_BENCH_SPAWNED", spawned.c_str(), 1);
        const int target = keepOutput ? fds[1] : open("/dev/null", O_WRONLY);
        dup2(target, STDOUT_FILENO);
        close(fds[0]);
        close(fds[1]);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string output;
    char buffer[256];
    for (ssize_t got; (got = read(fds[0], buffer, sizeof buffer)) > 0;)
        output.append(buffer, std::size_t(got));
    close(fds[0]);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    wallMs = msSince(start);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return false;

    run.peakMiB = double(usage.ru_maxrss) / 1024.0;
    run.ms.clear();
    const QStringList numbers =
        QString::fromUtf8(output.c_str()).split(u' ', Qt::SkipEmptyParts);
    for (const QString &n : numbers)
        run.ms.push_back(n.trimmed().toDouble());
    return true;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

bool generate(const QString &path, qint64 bytes)
{
    // Words of both alphabets, in Windows-1251, so that the lines read and
    // write like real text; about 70 characters a line.
    const QStringList words = QStringLiteral(
        "и в не на я быть он с что а по это она этот к но они мы как из у который то за свой "
        "ещё ёлка съешь же этих мягких французских булок да выпей чаю дом сад & <p> \"цитата\" "
        "the of and to in is was he for it with as his on be at by had are but from or have")
                                  .split(u' ');
    std::vector<QByteArray> encoded;
    for (const QString &w : words)
        encoded.push_back(zezu::encodeText(w, zezu::TextFormat{}));

    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QRandomGenerator random(1251);
    QByteArray block;
    block.reserve(1 << 20);
    qint64 written = 0;
    qsizetype line = 0;
    while (written < bytes - 2) {
        const QByteArray &word = encoded[random.bounded(int(encoded.size()))];
        block += word;
        line += word.size() + 1;
        if (line > 70) {
            block += "\r\n";
            line = 0;
        } else {
            block += ' ';
        }
        // The file ends with a whole line break, as a saved one does.
        const qint64 body = bytes - 2;
        if (block.size() >= (1 << 20) || written + block.size() >= body) {
            const qint64 take = std::min<qint64>(block.size(), body - written);
            block.truncate(take);
            if (written + take == body) {
                if (block.endsWith('\r'))
                    block.back() = ' ';
                block += "\r\n";
            }
            if (file.write(block) != block.size())
                return false;
            written += block.size();
            block.clear();
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 5 && std::strcmp(argv[1], "--phase") == 0
        && std::strcmp(argv[2], "window") == 0) {
        return openInWindow(argc, argv, QString::fromLocal8Bit(argv[3]));
    }
    if (argc == 5 && std::strcmp(argv[1], "--phase") == 0)
        return runPhase(argv[2], QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));

    int mib = 50;
    int runs = 5;
    bool window = true;
    QString file;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--mib") == 0 && i + 1 < argc)
            mib = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--no-window") == 0)
            window = false;
        else
            file = QString::fromLocal8Bit(argv[i]);
    }

    QTemporaryDir dir;
    if (!dir.isValid())
        return std::fprintf(stderr, "no temporary folder\n"), 1;
    if (file.isEmpty()) {
        file = dir.filePath(QStringLiteral("generated.txt"));
        if (!generate(file, qint64(mib) << 20))
            return std::fprintf(stderr, "cannot write %s\n", qPrintable(file)), 1;
    }
    const QString out = dir.filePath(QStringLiteral("saved.txt"));
    const double sizeMiB = double(QFile(file).size()) / (1 << 20);
    std::printf("file: %s, %.1f MiB; %d runs each, medians; peak = ru_maxrss\n\n",
                qPrintable(file), sizeMiB, runs);

    char self[4096];
    const ssize_t selfLength = readlink("/proc/self/exe", self, sizeof self - 1);
    if (selfLength <= 0)
        return 1;
    self[selfLength] = '\0';
    const std::string fileArg = file.toStdString();
    const std::string outArg = out.toStdString();

    std::printf("%-34s %10s %10s %10s\n", "", "wall ms", "MiB/s", "peak MiB");
    // A peak below zero: measured with the row above, in the same process.
    auto report = [&](const char *name, double ms, double peak) {
        // A time the window did not answer is no rate.
        if (std::strstr(name, "unanswered"))
            std::printf("%-34s %10.1f %10s ", name, ms, "");
        else
            std::printf("%-34s %10.1f %10.0f ", name, ms, ms > 0 ? sizeMiB * 1000 / ms : 0);
        if (peak < 0)
            std::printf("%10s\n", "(as above)");
        else
            std::printf("%10.1f\n", peak);
    };

    // cat, timed from start to exit: the floor for reading the file at all.
    {
        std::vector<double> wall;
        double peak = 0;
        for (int r = 0; r < runs; ++r) {
            Run run;
            double ms = 0;
            if (!spawn({"/bin/cat", fileArg}, false, run, ms))
                return std::fprintf(stderr, "cat failed\n"), 1;
            wall.push_back(ms);
            peak = std::max(peak, run.peakMiB);
        }
        report("cat file > /dev/null", median(wall), peak);
    }

    struct Phase
    {
        const char *phase;
        std::vector<const char *> names; // one per number the phase prints
    };
    std::vector<Phase> phases = {
        {"baseline", {"(this program doing nothing)"}},
        {"read", {"readTextFile"}},
        {"write", {"writeTextFile (text held)"}},
        {"open-save", {"open command", "save command (after open)"}},
    };
    if (window)
        phases.push_back({"window",
                          {"open in the window: total", "  first screen painted",
                           "  longest unanswered", "  first screen, from process start",
                           "  whole text painted, from process start"}});
    bool identical = true;
    for (const Phase &p : phases) {
        std::vector<std::vector<double>> times(p.names.size());
        double peak = 0;
        for (int r = 0; r < runs; ++r) {
            Run run;
            double wall = 0;
            if (!spawn({self, "--phase", p.phase, fileArg, outArg}, true, run, wall)
                || run.ms.size() != p.names.size())
                return std::fprintf(stderr, "phase %s failed\n", p.phase), 1;
            for (std::size_t i = 0; i < run.ms.size(); ++i)
                times[i].push_back(run.ms[i]);
            peak = std::max(peak, run.peakMiB);
        }
        for (std::size_t i = 0; i < p.names.size(); ++i)
            report(p.names[i], median(times[i]), i == 0 ? peak : -1);
        if (std::strcmp(p.phase, "write") == 0 || std::strcmp(p.phase, "open-save") == 0) {
            QFile a(file), b(out);
            identical = identical && a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly)
                && a.readAll() == b.readAll();
        }
    }
    std::printf("\nsaved file byte-identical to the original: %s\n", identical ? "yes" : "no");
    return 0;
}
