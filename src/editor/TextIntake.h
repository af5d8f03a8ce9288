#pragma once

#include "editor/WindowServices.h"

#include <QString>

#include <functional>

namespace zezu {

class ConversionRun;

// Texts shorter than this go into the text area at once; longer ones in
// pieces of about kIntakePiece units, each taking well under 100 ms.
inline constexpr qsizetype kIntakeFrom = qsizetype(256) * 1024;
inline constexpr qsizetype kIntakePiece = qsizetype(128) * 1024;

// Takes in what the text area's intake was given, given units in all, of
// which taken are in, until at most least wait or the area holds the rest
// back (a pair's first half, for what is still to come). Asks for units at a
// time, or for all that waits when units is 0. after() runs after each piece;
// when it says no, the taking stops and so does this, with false.
bool takeInGiven(WindowServices &window, qsizetype &taken, qsizetype given, qsizetype least,
                 qsizetype units, const std::function<bool()> &after);

// Puts text into the text area. A large one goes in pieces, with the
// progress window of the given kind and its Cancel, the window answering
// between pieces; the caller holds a ConversionRun::Scope, so the text stays
// read-only and the text-replacing commands unavailable meanwhile. Returns
// false when the user cancelled: the text area then holds what it held before.
// Throws NotEnoughMemory, with nothing changed, when the text area's share
// of the text cannot be had.
bool takeIntoTextArea(WindowServices &window, const ConversionRun &run, const QString &text,
                      ProgressKind kind);

// A text taken into the text area as it arrives (a file being read), by the
// same rules as takeIntoTextArea: the first piece is on screen while the
// rest is still to come. Nothing begins before the first piece; whatever
// ends the intake early calls abandon().
class StreamedIntake
{
public:
    StreamedIntake(WindowServices &window, const ConversionRun &run, ProgressKind kind)
        : m_window(window)
        , m_run(run)
        , m_kind(kind)
    {
    }

    // Adds the next piece and takes it in, the progress window going on to
    // done (0 to 1) of the whole. False when the user cancelled. Throws
    // NotEnoughMemory when the piece, the rest at its rate, and their share
    // of the text area cannot be had.
    bool add(const QString &piece, double done);
    void finish();
    // The text area holds what it held before; a later add() begins again.
    void abandon();

private:
    WindowServices &m_window;
    const ConversionRun &m_run;
    ProgressKind m_kind;
    bool m_begun = false;
    qsizetype m_held = 0; // units given to the text area so far
    double m_done = 0;
};

} // namespace zezu
