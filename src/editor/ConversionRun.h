#pragma once

#include "editor/WindowServices.h"
#include "text/TextScan.h"

#include <QStringView>

#include <algorithm>
#include <array>
#include <utility>

namespace zezu {

class UndoHistory;

// The long command in progress, if any (a conversion, an open, an undo, a
// save): whether one runs, the cancel request that the progress window's
// Cancel button and a program end raise and the run reads after every
// character, and a close that waits for a save.
class ConversionRun
{
public:
    bool inProgress() const { return m_inProgress; }
    bool cancelRequested() const { return m_cancelRequested; }

    // The run stops after the character it is on; nothing when none runs.
    void requestCancel() { m_cancelRequested = m_inProgress; }

    // What a close asked for meanwhile does: a conversion's goes on to the
    // exit prompt over the paused run; a save's waits until the command that
    // saved is over (a second save cannot start under the first).
    enum class Closing { Prompts, Waits };
    // Whether a close must wait; it is then noted for takeWaitingClose().
    bool holdClose()
    {
        m_closeWaiting = m_closeWaiting || (m_inProgress && m_closing == Closing::Waits);
        return m_inProgress && m_closing == Closing::Waits;
    }
    bool takeWaitingClose() { return std::exchange(m_closeWaiting, false); }

    // A run is in progress while a Scope lives: the text cannot be edited and
    // the commands that would replace it are unavailable. Everything comes
    // back afterwards, Undo as the history says. A Scope made while a run is
    // in progress (a save under the exit prompt of a paused conversion) joins
    // that run and changes nothing but, while it lives, what a close does.
    class Scope
    {
    public:
        Scope(ConversionRun &run, WindowServices &window, const UndoHistory &history,
              Closing closing = Closing::Prompts);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        static constexpr std::array kLocked{MenuItem::Gen, MenuItem::Ungen, MenuItem::Open,
                                            MenuItem::Save};
        ConversionRun &m_run;
        WindowServices &m_window;
        const UndoHistory &m_history;
        std::array<bool, kLocked.size()> m_wasEnabled{};
        bool m_joined = false;
        Closing m_closing; // the run's before this Scope
    };

private:
    bool m_inProgress = false;
    bool m_cancelRequested = false;
    Closing m_closing = Closing::Prompts;
    bool m_closeWaiting = false;
};

// A scan of a text of hundreds of megabytes holds the window longer than it
// may go without answering: scan sees the text a piece at a time instead,
// the window answering between pieces, with a run's Scope holding the text
// and the commands. No piece ends inside a CR LF pair or a surrogate pair.
inline constexpr qsizetype kScanPiece = qsizetype(8) << 20;

template <typename Scan>
void scanAnswering(WindowServices &window, QStringView text, Scan &&scan)
{
    for (qsizetype at = 0; at < text.size();) {
        const qsizetype end = pairSafeEnd(text, std::min(text.size(), at + kScanPiece));
        scan(text.sliced(at, end - at));
        at = end;
        if (at < text.size())
            window.processEventsNow();
    }
}

// The whole text, read from the text area a piece at a time with the window
// answering between pieces, under a run's Scope.
QString readTextAnswering(WindowServices &window);

} // namespace zezu
