#include "editor/Editor.h"

#include "editor/TextIntake.h"
#include "files/Memory.h"
#include "text/ReferenceConverter.h"
#include "text/TextScan.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <optional>
#include <utility>

namespace zezu {

namespace {

// Characters are converted this many code units at a time, just ahead of the
// character whose progress is shown.
constexpr qsizetype kChunk = 16 * 1024;
// The result goes into the text area once this much of it waits: each piece
// costs the view a layout and a repaint. At 10 M characters the run took
// 832-1129 ms (median 860) against 1104-1701 ms (median 1132) taking each
// chunk in as it was made (bench_convert_command, 3 runs alternated). The
// first piece's size is also the least the intake's pace takes: at 4 M, 50 M
// characters went in faster, but a piece of one long converted line held the
// window for 170-205 ms.
constexpr qsizetype kTakenFrom = qsizetype(1) << 20;

// Rounds to the nearest integer, ties to even.
int roundEven(double value)
{
    return int(std::nearbyint(value));
}

// round(i / n * scale), ties to even, and the first i at which it changes:
// the per-character loop works it out only that often.
class StepValue
{
public:
    StepValue(qsizetype n, double scale)
        : m_n(double(n))
        , m_scale(scale)
    {
    }
    int at(qsizetype i)
    {
        if (i >= m_next) {
            m_value = valueAt(i);
            // A bar of no width never changes: the boundary would be infinite.
            if (!(m_scale > 0)) {
                m_next = std::numeric_limits<qsizetype>::max();
                return m_value;
            }
            // Monotonic in i: start just before the exact boundary and step.
            const double boundary = (m_value + 0.5) * m_n / m_scale;
            qsizetype next = std::max(i + 1, qsizetype(boundary) - 1);
            while (valueAt(next) == m_value && double(next) < m_n)
                ++next;
            m_next = next;
        }
        return m_value;
    }
    // The first i past the last one asked for at which the value changes.
    qsizetype next() const { return m_next; }

private:
    int valueAt(qsizetype i) const { return roundEven(double(i) / m_n * m_scale); }

    double m_n;
    double m_scale;
    int m_value = 0;
    qsizetype m_next = 0;
};

} // namespace

Editor::Editor(WindowServices &window)
    : m_window(window)
{
    m_window.setTextChangeHandler([this] { textChanged(); });
}

void Editor::load()
{
    m_layout.load(m_window);
    m_history = UndoHistory();
    m_document = Document();
    showDocument();
    m_window.setMenuEnabled(MenuItem::Undo, false);
}

void Editor::textChanged()
{
    if (m_document.markModified())
        showDocument();
}

void Editor::tellNotEnoughMemory(qint64 neededBytes)
{
    m_window.tell(record::kProductName.toString(),
                  QStringLiteral("не удалось преобразовать текст: %1")
                      .arg(notEnoughMemoryReason(neededBytes)));
}

void Editor::runConversion(Conversion conversion)
{
    WindowServices &w = m_window;
    if (m_run.inProgress())
        return;

    // The run holds the text and the commands from its first read on: over
    // hundreds of megabytes the read and the scans go a piece at a time, the
    // window answering between pieces.
    ConversionRun::Scope scope(m_run, w, m_history);
    QString original;
    try {
        original = readTextAnswering(w);
    } catch (const std::bad_alloc &failure) {
        tellNotEnoughMemory(neededFor(failure));
        return;
    }
    const qsizetype length = original.size();
    // The selection is clamped to the text, so no position can reach past it.
    const qsizetype selLength = std::clamp<qsizetype>(w.selLength(), 0, length);
    const qsizetype selStart = std::clamp<qsizetype>(w.selStart(), 0, length - selLength);
    const QStringView all(original);
    const QStringView head = selLength ? all.first(selStart) : QStringView();
    const QStringView part = selLength ? all.sliced(selStart, selLength) : all;
    const QStringView tail = selLength ? all.sliced(selStart + selLength) : QStringView();

    qsizetype bound = 0;
    qsizetype n = 0;
    scanAnswering(w, part, [&](QStringView piece) {
        bound += convertedLengthBound(conversion, piece);
        n += countCharacters(piece);
    });
    if (m_run.cancelRequested())
        return;

    // The result goes into the text area as it is made, the area's document
    // its one copy.
    const qint64 needed = viewBytes(head.size() + bound + tail.size());
    if (!canAllocate(needed)) {
        tellNotEnoughMemory(needed);
        return;
    }

    bool stored = m_history.push(original);
    bool begun = false;
    // Whatever ends the run early leaves the text as it was and the history
    // without its snapshot, taken back exactly as Undo takes one off.
    auto takeBack = [&] {
        w.unloadProgress();
        if (std::exchange(begun, false))
            w.abandonTextIntake();
        if (std::exchange(stored, false))
            m_history.pop();
    };

    try {
        w.beginTextIntake(QString());
        begun = true;
        qsizetype given = 0;
        qsizetype taken = 0;
        auto takeIn = [&](qsizetype least, bool answering) {
            takeInGiven(w, taken, given, least, 0, [&] {
                if (answering)
                    w.processEventsNow();
                return true;
            });
        };
        // Gives and takes in text a piece at a time, answering between: the
        // text around the selection may be of any length.
        auto take = [&](QStringView text) {
            for (qsizetype at = 0; at < text.size();) {
                const qsizetype end = pairSafeEnd(text, std::min(text.size(), at + kIntakePiece));
                w.extendTextIntake(text.sliced(at, end - at));
                given += end - at;
                at = end;
                takeIn(0, true);
                if (m_run.cancelRequested())
                    return false;
            }
            return true;
        };

        if (!take(head)) {
            takeBack();
            return;
        }
        QString converted;
        ConversionStream stream(conversion);
        StepValue percent(n, 100.0);
        // The bar's width is known once the window is up.
        std::optional<StepValue> barWidth;
        qsizetype unit = 0; // start of the next character in part
        qsizetype done = 0; // part is converted up to here
        // The window is told its values only when they change: telling it
        // after every character took 50 M characters 3.09 s against 2.48 s
        // (medians of 10 runs alternated, bench_convert_command).
        qsizetype shownUntil = 0; // the values hold until this character
        for (qsizetype i = 0; i < n; ++i) {
            if (unit >= done) {
                const qsizetype end = std::min(part.size(), done + kChunk);
                converted.resize(0);
                stream.feed(part.sliced(done, end - done), converted);
                if (end == part.size())
                    stream.finish(converted);
                w.extendTextIntake(converted);
                given += converted.size();
                takeIn(kTakenFrom, false);
                done = end;
            }
            unit += characterLength(part, unit);

            w.processEvents();
            if (i >= shownUntil) {
                w.showProgress();
                if (!barWidth)
                    barWidth.emplace(n, double(w.progressBarWidth()));
                w.setProgress(percent.at(i), barWidth->at(i));
                shownUntil = std::min(percent.next(), barWidth->next());
            }

            if (m_run.cancelRequested()) {
                takeBack();
                return;
            }
        }
        w.unloadProgress();
        takeIn(0, true);
        if (m_run.cancelRequested() || !take(tail)) {
            takeBack();
            return;
        }
        w.finishTextIntake();
    } catch (const std::bad_alloc &failure) {
        takeBack();
        w.setMenuEnabled(MenuItem::Undo, m_history.canUndo());
        tellNotEnoughMemory(neededFor(failure));
    }
}

void Editor::undo()
{
    // The item is disabled while nothing is held or a conversion runs; a
    // stray call must not reach past the history.
    if (!m_history.canUndo() || m_run.inProgress())
        return;
    const QString &snapshot = m_history.at(m_history.count() - 1);
    try {
        // The snapshot leaves the history only once it is back in the text
        // area, which checks its room first.
        ConversionRun::Scope scope(m_run, m_window, m_history);
        if (takeIntoTextArea(m_window, m_run, snapshot, ProgressKind::Converting))
            m_history.pop();
    } catch (const std::bad_alloc &failure) {
        tellNotEnoughMemory(neededFor(failure));
    }
}

} // namespace zezu
