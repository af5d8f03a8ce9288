#include "editor/ConversionRun.h"

#include "editor/UndoHistory.h"

namespace zezu {

ConversionRun::Scope::Scope(ConversionRun &run, WindowServices &window,
                            const UndoHistory &history, Closing closing)
    : m_run(run)
    , m_window(window)
    , m_history(history)
    , m_joined(run.m_inProgress)
    , m_closing(std::exchange(run.m_closing, closing))
{
    if (m_joined)
        return;
    for (std::size_t i = 0; i < kLocked.size(); ++i) {
        m_wasEnabled[i] = window.isMenuEnabled(kLocked[i]);
        window.setMenuEnabled(kLocked[i], false);
    }
    window.setMenuEnabled(MenuItem::Undo, false);
    window.setTextReadOnly(true);
    run.m_inProgress = true;
    run.m_cancelRequested = false;
}

ConversionRun::Scope::~Scope()
{
    m_run.m_closing = m_closing;
    if (m_joined)
        return;
    for (std::size_t i = 0; i < kLocked.size(); ++i)
        m_window.setMenuEnabled(kLocked[i], m_wasEnabled[i]);
    m_window.setMenuEnabled(MenuItem::Undo, m_history.canUndo());
    m_window.setTextReadOnly(false);
    m_run.m_inProgress = false;
    m_run.m_cancelRequested = false;
}

QString readTextAnswering(WindowServices &window)
{
    // Room for all of it at once: grown as it came, it would take twice.
    QString text;
    text.reserve(window.textSize());
    for (qsizetype at = window.readTextPiece(0, kScanPiece, text); at >= 0;
         at = window.readTextPiece(at, kScanPiece, text))
        window.processEventsNow();
    return text;
}

} // namespace zezu
