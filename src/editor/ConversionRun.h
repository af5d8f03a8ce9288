#pragma once

#include "editor/WindowServices.h"

#include <array>

namespace zezu {

class UndoHistory;

// The conversion in progress, if any: whether one runs, and the cancel request
// that the progress window's Cancel button and a program end raise and the
// run reads after every character.
class ConversionRun
{
public:
    bool inProgress() const { return m_inProgress; }
    bool cancelRequested() const { return m_cancelRequested; }

    // The run stops after the character it is on; nothing when none runs.
    void requestCancel() { m_cancelRequested = m_inProgress; }

    // A run is in progress while a Scope lives: the text cannot be edited and
    // the commands that would replace it are unavailable. Everything comes
    // back afterwards, Undo as the history says.
    class Scope
    {
    public:
        Scope(ConversionRun &run, WindowServices &window, const UndoHistory &history);
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
    };

private:
    bool m_inProgress = false;
    bool m_cancelRequested = false;
};

} // namespace zezu
