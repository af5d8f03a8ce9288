#include "convert/ConvertCommand.h"

#include "convert/ReferenceConverter.h"
#include "convert/UndoHistory.h"
#include "core/Editor.h"

#include <algorithm>
#include <array>
#include <cmath>

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

qsizetype countCharacters(QStringView text)
{
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); i += characterLength(text, i))
        ++n;
    return n;
}

// While a run is in progress the text cannot be edited and the commands that
// would replace it are unavailable; everything comes back as it was.
class RunLock
{
public:
    explicit RunLock(Editor &editor)
        : m_editor(editor)
    {
        WindowServices &w = editor.window();
        for (std::size_t i = 0; i < kLocked.size(); ++i) {
            m_wasEnabled[i] = w.isMenuEnabled(kLocked[i]);
            w.setMenuEnabled(kLocked[i], false);
        }
        w.setMenuEnabled(MenuItem::Undo, false);
        w.setTextReadOnly(true);
        editor.state().runInProgress = true;
    }

    ~RunLock()
    {
        WindowServices &w = m_editor.window();
        for (std::size_t i = 0; i < kLocked.size(); ++i)
            w.setMenuEnabled(kLocked[i], m_wasEnabled[i]);
        w.setMenuEnabled(MenuItem::Undo, m_editor.state().undoCount > 0);
        w.setTextReadOnly(false);
        m_editor.state().runInProgress = false;
    }

    RunLock(const RunLock &) = delete;
    RunLock &operator=(const RunLock &) = delete;

private:
    // Undo is locked too; afterwards it follows the history.
    static constexpr std::array kLocked{MenuItem::Gen, MenuItem::Open, MenuItem::Save};
    Editor &m_editor;
    std::array<bool, kLocked.size()> m_wasEnabled{};
};

} // namespace

void convertCommand(Editor &editor)
{
    EditorState &state = editor.state();
    WindowServices &w = editor.window();
    if (state.runInProgress)
        return;

    state.cancelRequested = false;
    const QString original = w.text();
    const qsizetype length = original.size();
    // The selection is clamped to the text, so no position can reach past it.
    const qsizetype selLength = std::clamp<qsizetype>(w.selLength(), 0, length);
    const qsizetype selStart = std::clamp<qsizetype>(w.selStart(), 0, length - selLength);
    const QStringView all(original);
    const QStringView head = selLength ? all.first(selStart) : QStringView();
    const QStringView part = selLength ? all.sliced(selStart, selLength) : all;
    const QStringView tail = selLength ? all.sliced(selStart + selLength) : QStringView();

    w.setMenuEnabled(MenuItem::Undo, true);
    const bool stored = pushSnapshot(state, original);

    bool cancelled = false;
    QString output;
    {
        RunLock lock(editor);
        const qsizetype n = countCharacters(part);
        reserveForReferences(output, part);
        qsizetype unit = 0;      // start of the next character in part
        qsizetype converted = 0; // part is converted up to here
        for (qsizetype i = 0; i < n; ++i) {
            if (unit >= converted) {
                qsizetype end = std::min(part.size(), converted + kChunk);
                // A surrogate pair is one character: never split it.
                if (end < part.size() && part[end - 1].isHighSurrogate()
                    && part[end].isLowSurrogate())
                    ++end;
                appendReferences(output, part.sliced(converted, end - converted));
                converted = end;
            }
            unit += characterLength(part, unit);

            w.processEvents();
            w.showProgress();
            const double done = double(i) / double(n);
            w.setProgress(roundEven(done * 100.0), roundEven(done * w.progressBarWidth()));

            if (state.cancelRequested) {
                cancelled = true;
                if (stored)
                    popSnapshot(editor);
                break;
            }
        }
        w.unloadProgress();
    }

    if (cancelled) {
        w.setText(original);
    } else if (head.isEmpty() && tail.isEmpty()) {
        w.setText(output);
    } else {
        QString result;
        result.reserve(head.size() + output.size() + tail.size());
        result.append(head).append(output).append(tail);
        output = QString();
        w.setText(result);
    }
}

} // namespace zezu
