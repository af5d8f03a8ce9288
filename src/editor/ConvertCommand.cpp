#include "editor/ConvertCommand.h"

#include "editor/ConversionRun.h"
#include "text/ReferenceConverter.h"
#include "text/ReferenceDecoder.h"
#include "editor/TextIntake.h"
#include "editor/UndoHistory.h"
#include "files/Memory.h"
#include "text/TextScan.h"
#include "version/VersionRecord.h"
#include "editor/WindowServices.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <optional>
#include <utility>

namespace zezu {

namespace {

// Characters are converted this many code units at a time, just ahead of the
// character whose progress is shown.
constexpr qsizetype kChunk = 16 * 1024;

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
            // Monotonic in i: start just before the exact boundary and step.
            const double boundary = (m_value + 0.5) * m_n / m_scale;
            qsizetype next = std::max(i + 1, qsizetype(boundary) - 1);
            while (valueAt(next) == m_value && double(next) < m_n)
                ++next;
            m_next = next;
        }
        return m_value;
    }

private:
    int valueAt(qsizetype i) const { return roundEven(double(i) / m_n * m_scale); }

    double m_n;
    double m_scale;
    int m_value = 0;
    qsizetype m_next = 0;
};

// A surrogate pair is one character: never split it.
qsizetype keepPairsWhole(QStringView part, qsizetype end)
{
    if (end < part.size() && part[end - 1].isHighSurrogate() && part[end].isLowSurrogate())
        ++end;
    return end;
}

// A reference is decoded whole or not at all: a piece never ends inside one.
qsizetype keepReferencesWhole(QStringView part, qsizetype end)
{
    end = keepPairsWhole(part, end);
    if (end < part.size())
        end -= incompleteReferenceTail(part.first(end));
    return end;
}

qsizetype sameLength(QStringView part) { return part.size(); }

void tellNotEnoughMemory(WindowServices &window, qint64 neededBytes = -1)
{
    window.tell(record::kProductName.toString(),
                QStringLiteral("не удалось преобразовать текст: %1")
                    .arg(notEnoughMemoryReason(neededBytes)));
}

} // namespace

Transform referenceConversion()
{
    // CR and LF are never converted.
    return {referencesLengthBound, reserveForReferences, appendReferences, keepPairsWhole, true};
}

Transform referenceDecoding()
{
    // Every reference is at least as long as what it stands for.
    return {sameLength, reserveForText, appendText, keepReferencesWhole, false};
}

void convertCommand(const TextCommandContext &context, Transform transform)
{
    WindowServices &w = context.window;
    if (context.run.inProgress())
        return;

    const QString original = w.text();
    const qsizetype length = original.size();
    // The selection is clamped to the text, so no position can reach past it.
    const qsizetype selLength = std::clamp<qsizetype>(w.selLength(), 0, length);
    const qsizetype selStart = std::clamp<qsizetype>(w.selStart(), 0, length - selLength);
    const QStringView all(original);
    const QStringView head = selLength ? all.first(selStart) : QStringView();
    const QStringView part = selLength ? all.sliced(selStart, selLength) : all;
    const QStringView tail = selLength ? all.sliced(selStart + selLength) : QStringView();

    // The output, the whole result beside it, and the text area's share. The
    // result has at least the text's line breaks; should a decode make more,
    // the intake checks again.
    const qint64 resultLength = head.size() + transform.lengthBound(part) + tail.size();
    const qsizetype lines = lineBreaks(original);
    const qint64 needed = kTextBytesPerUnit * (resultLength + (selLength ? resultLength : 0))
        + viewBytes(resultLength, lines);
    if (!canAllocate(needed)) {
        tellNotEnoughMemory(w, needed);
        return;
    }

    w.setMenuEnabled(MenuItem::Undo, true);
    bool stored = context.history.push(original);
    // Taken back exactly as Undo takes a snapshot off.
    auto takeBack = [&] {
        if (std::exchange(stored, false))
            context.history.pop();
    };

    bool cancelled = false;
    QString output;
    try {
        ConversionRun::Scope scope(context.run, w, context.history);
        const qsizetype n = countCharacters(part);
        transform.reserve(output, part);
        StepValue percent(n, 100.0);
        // The bar's width is known once the window is up.
        std::optional<StepValue> barWidth;
        qsizetype unit = 0;      // start of the next character in part
        qsizetype converted = 0; // part is converted up to here
        for (qsizetype i = 0; i < n; ++i) {
            if (unit >= converted) {
                const qsizetype end = std::max(
                    unit + 1, transform.pieceEnd(part, std::min(part.size(), converted + kChunk)));
                transform.append(output, part.sliced(converted, end - converted));
                converted = end;
            }
            unit += characterLength(part, unit);

            w.processEvents();
            w.showProgress();
            if (!barWidth)
                barWidth.emplace(n, double(w.progressBarWidth()));
            w.setProgress(percent.at(i), barWidth->at(i));

            if (context.run.cancelRequested()) {
                cancelled = true;
                takeBack();
                break;
            }
        }
        w.unloadProgress();

        if (!cancelled) {
            QString result;
            if (head.isEmpty() && tail.isEmpty()) {
                result = std::move(output);
            } else {
                result.reserve(head.size() + output.size() + tail.size());
                result.append(head).append(output).append(tail);
            }
            output = QString();
            // A cancelled intake leaves the text as it was, unmarked.
            if (!takeIntoTextArea(w, context.run, result, ProgressKind::Converting,
                                  transform.keepsLineBreaks ? lines : -1)) {
                takeBack();
                return;
            }
        }
    } catch (const std::bad_alloc &failure) {
        // Everything is as it was: the text area still holds the text.
        output = QString();
        takeBack();
        w.setMenuEnabled(MenuItem::Undo, context.history.canUndo());
        tellNotEnoughMemory(w, neededFor(failure));
        return;
    }

    if (cancelled)
        w.setText(original);
}

void undoCommand(const TextCommandContext &context)
{
    // The item is disabled while nothing is held or a conversion runs; a
    // stray call must not reach past the history.
    if (!context.history.canUndo() || context.run.inProgress())
        return;
    const QString &snapshot = context.history.at(context.history.count() - 1);
    const qsizetype lines = lineBreaks(snapshot);
    if (const qint64 needed = viewBytes(snapshot.size(), lines); !canAllocate(needed)) {
        tellNotEnoughMemory(context.window, needed);
        return;
    }
    try {
        // The snapshot leaves the history only once it is back in the text area.
        ConversionRun::Scope scope(context.run, context.window, context.history);
        if (takeIntoTextArea(context.window, context.run, snapshot, ProgressKind::Converting,
                             lines))
            context.history.pop();
    } catch (const std::bad_alloc &failure) {
        tellNotEnoughMemory(context.window, neededFor(failure));
    }
}

} // namespace zezu
