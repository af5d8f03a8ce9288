#include "editor/Editor.h"

#include "editor/Progress.h"
#include "editor/TextIntake.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "text/TextScan.h"

#include <algorithm>
#include <new>

namespace zezu {

namespace {

// A run converts at most this many characters between two looks at the
// window, however rarely its progress changes.
constexpr qsizetype kMostPiece = 16 * 1024;
// The result goes into the text area once this much of it waits: each piece
// costs the view a layout and a repaint. At 10 M characters the run took
// 832-1129 ms (median 860) against 1104-1701 ms (median 1132) taking each
// chunk in as it was made (bench_convert_command, 3 runs alternated). It is
// also the least piece the view's pace takes: 1.5 M took 10 M characters
// 372-390 ms (median 378) against 404-494 ms (465) at 1 M, and 50 M
// 1.85-2.09 s (1.98) against 1.99-2.49 s (2.10), 5 runs alternated, the
// window answering as often; at 4 M, a piece of one long converted line held
// the window for 170-205 ms.
constexpr qsizetype kResultPiece = qsizetype(3) << 19;

// A snapshot in the undo history for as long as the run may still be
// cancelled: taken back, exactly as Undo takes one off, unless kept.
class Snapshot
{
public:
    Snapshot(UndoHistory &history, const QString &text)
        : m_history(history)
        , m_stored(history.push(text))
    {
    }
    ~Snapshot()
    {
        if (m_stored)
            m_history.pop();
    }
    Snapshot(const Snapshot &) = delete;
    Snapshot &operator=(const Snapshot &) = delete;
    void keep() { m_stored = false; }

private:
    UndoHistory &m_history;
    bool m_stored;
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

void Editor::tellNotConverted(const QString &reason)
{
    m_window.tell(record::kProductName.toString(),
                  QStringLiteral("не удалось преобразовать текст: %1").arg(reason));
}

void Editor::runConversion(Conversion conversion)
{
    if (m_run.inProgress())
        return;
    // The run holds the text and the commands from its first read on: over
    // hundreds of megabytes the read and the scans go a piece at a time, the
    // window answering between pieces.
    const ConversionRun::Scope scope(m_run, m_window, m_history);
    QString reason;
    try {
        if (!convertText(conversion, reason) && !reason.isEmpty())
            tellNotConverted(reason);
    } catch (const std::bad_alloc &) {
        tellNotConverted(notEnoughMemoryReason());
    }
}

bool Editor::convertText(Conversion conversion, QString &reason)
{
    WindowServices &w = m_window;
    const QString original = readTextAnswering(w);
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
    // The result goes into the text area as it is made, the area's document
    // its one copy; whatever ends the run early leaves the text as it was
    // and the history without its snapshot.
    TextIntake intake(w, m_run, kResultPiece, std::nullopt);
    if (m_run.cancelRequested() || !intake.reserve(head.size() + bound + tail.size(), reason))
        return false;
    Snapshot snapshot(m_history, original);
    if (!intake.add(head, reason))
        return false;

    if (!convertPart(conversion, part, n, intake, reason)
        || !intake.add(tail, reason) || !intake.finish(reason))
        return false;
    snapshot.keep();
    return true;
}

bool Editor::convertPart(Conversion conversion, QStringView part, qsizetype n, TextIntake &intake,
                         QString &reason)
{
    // A piece at a time, each ending where the progress a run per character
    // shows would change: the same values, shown after the same characters.
    ConversionStream stream(conversion);
    ProgressShown progress(m_window, ProgressKind::Converting);
    QString converted;
    for (qsizetype i = 0, unit = 0; i < n;) {
        // Characters i to last, the last one the first to show new values.
        const qsizetype last = std::min(
            {i == 0 ? 0 : progress.nextChange(i - 1, n), i + kMostPiece - 1, n - 1});
        const qsizetype end = unitsOfCharacters(part, unit, last + 1 - i);
        converted.resize(0);
        stream.feed(part.sliced(unit, end - unit), converted);
        if (last + 1 == n)
            stream.finish(converted);
        if (!intake.add(converted, reason))
            return false;
        m_window.processEvents(last + 1 - i);
        progress.show(last, n);
        if (m_run.cancelRequested())
            return false;
        i = last + 1;
        unit = end;
    }
    return true;
}

void Editor::undo()
{
    // The item is disabled while nothing is held or a conversion runs; a
    // stray call must not reach past the history.
    if (!m_history.canUndo() || m_run.inProgress())
        return;
    const QString &snapshot = m_history.at(m_history.count() - 1);
    QString reason;
    try {
        // The snapshot leaves the history only once it is back in the text
        // area, which checks its room first.
        const ConversionRun::Scope scope(m_run, m_window, m_history);
        TextIntake intake(m_window, m_run, kIntakePiece, ProgressKind::Converting);
        if (intake.reserve(snapshot.size(), reason)
            && intake.add(snapshot, reason, snapshot.size(), snapshot.size())
            && intake.finish(reason)) {
            m_history.pop();
            return;
        }
    } catch (const std::bad_alloc &) {
        reason = notEnoughMemoryReason();
    }
    if (!reason.isEmpty())
        tellNotConverted(reason);
}

} // namespace zezu
