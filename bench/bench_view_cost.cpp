// What the text area takes beside its text, per code unit: the growth of the
// peak resident size and address space when a shown text area is given texts
// of lines of several lengths (1030: just past what shares a block, so a
// block a line). Each length runs in a process of its own, so that its peak
// is its own; the figures behind the memory check's allowance.
//
//   bench_view_cost                 lines of 0, 10, 30, 100, 1030 and 1400 units
//   bench_view_cost --line N        one run, lines of N units
#include "support/ViewText.h"
#include "EachInChild.h"
#include "PeakMemory.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "text/TextScan.h"
#include "ui/TextArea.h"

#include <QApplication>

#include <cstdio>

using namespace zezu;

namespace {

constexpr qsizetype kUnits = 20'000'000;

int runOne(int lineLength)
{
    const QString line = QString(lineLength, u'ж') + QStringLiteral("\r\n");
    QString text;
    text.reserve(kUnits + line.size());
    while (text.size() < kUnits)
        text += line;
    TextArea area;
    area.resize(600, 400);
    area.show();
    QCoreApplication::processEvents();
    const long before = peakKiB();
    const long addressBefore = statusKiB("VmSize");
    // In pieces, as a text this large goes in.
    zezu::test::setTextOf(&area, text, 1 << 20);
    area.repaint();
    QCoreApplication::processEvents();
    const double bytes = double(peakKiB() - before) * 1024.0;
    const double address = double(peakAddressKiB() - addressBefore) * 1024.0;
    const qsizetype lines = countText(text).lineBreaks;
    std::printf("lines of %5d units: %9lld units %9lld lines  resident %8.1f MiB %6.2f B/unit  "
                "address space %8.1f MiB %6.2f B/unit  allowance %8.1f MiB\n",
                lineLength, qlonglong(text.size()), qlonglong(lines), bytes / 1048576.0,
                bytes / double(text.size()), address / 1048576.0, address / double(text.size()),
                double(viewBytes(text.size())) / 1048576.0);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--line"))
        return runOne(args[2].toInt());
    if (args.size() != 1) {
        std::fprintf(stderr, "usage: bench_view_cost [--line N]\n");
        return 2;
    }
    return runEachInChild(args[0], "--line", {0, 10, 30, 100, 1030, 1400}) ? 1 : 0;
}
