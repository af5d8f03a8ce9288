#include "editor/TextIntake.h"

#include "editor/ConversionRun.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "text/TextScan.h"

#include <algorithm>

namespace zezu {

TextIntake::TextIntake(WindowServices &window, const ConversionRun &run, qsizetype leastPiece,
                       std::optional<ProgressKind> progress)
    : m_window(window)
    , m_run(run)
    , m_leastPiece(leastPiece)
{
    if (progress)
        m_progress.emplace(window, *progress);
}

TextIntake::~TextIntake() = default;

bool TextIntake::reserve(qint64 units, QString &reason)
{
    const qint64 needed = viewBytes(units);
    if (canAllocate(needed))
        return true;
    reason = notEnoughMemoryReason(needed);
    return false;
}

bool TextIntake::add(QStringView piece, QString &reason, qint64 done, qint64 whole)
{
    if (whole > 0 && done > 0) {
        // The piece held as text and as the view's, and the rest to come at
        // the rate of what came so far.
        m_foretold = std::max(m_came + piece.size(), qint64(double(m_came + piece.size())
                                                           * double(whole) / double(done)));
        const qint64 rest = m_foretold - m_came - piece.size();
        const qint64 needed = kTextBytesPerUnit * piece.size() + viewBytes(piece.size())
            + rest * kTextBytesPerUnit + viewBytes(rest);
        if (!canAllocate(needed)) {
            reason = notEnoughMemoryReason(needed);
            return false;
        }
    }
    if (!m_view)
        m_view = m_window.replaceText(m_leastPiece);
    m_came += piece.size();
    // Nothing waits: the view takes straight from the piece, and only what
    // it leaves is held (a large text copied whole would be a second copy).
    if (m_at == m_waiting.size()) {
        m_waiting.resize(0);
        m_at = 0;
        if (!takeFrom(piece, m_leastPiece - 1))
            return false;
        m_waiting.append(piece);
        return true;
    }
    // What the view took goes: kept, it would be a second copy of the text.
    if (m_at > m_waiting.size() / 2) {
        m_waiting.remove(0, m_at);
        m_at = 0;
    }
    m_waiting.append(piece);
    return takeWaiting(m_leastPiece - 1);
}

bool TextIntake::finish(QString &)
{
    if (!m_view)
        m_view = m_window.replaceText(m_leastPiece);
    if (!takeWaiting(0))
        return false;
    m_progress.reset();
    m_view->commit();
    m_view.reset();
    return true;
}

void TextIntake::restart()
{
    m_view.reset();
    m_waiting.clear();
    m_at = m_came = m_taken = m_foretold = 0;
}

bool TextIntake::takeWaiting(qsizetype least)
{
    QStringView waiting = QStringView(m_waiting).sliced(m_at);
    const bool taken = takeFrom(waiting, least);
    m_at = m_waiting.size() - waiting.size();
    return taken;
}

bool TextIntake::takeFrom(QStringView &units, qsizetype least)
{
    // A large text: the progress window, and the window answering between
    // its pieces; a small one goes in at once.
    const bool large = std::max(m_foretold, m_came) >= kIntakeFrom;
    while (units.size() > least) {
        // A pair's first half waits for its second, but for the end.
        const QChar last = units.back();
        const bool hold = least > 0 && (last == u'\r' || last.isHighSurrogate());
        if (units.size() == hold)
            break;
        const qsizetype taken = m_view->take(units.first(units.size() - hold));
        units = units.sliced(taken);
        m_taken += taken;
        if (!large)
            continue;
        if (m_progress)
            m_progress->show(m_taken, std::max(m_foretold, m_came));
        m_window.processEventsNow();
        if (m_run.cancelRequested())
            return false;
    }
    return true;
}

} // namespace zezu
