#pragma once

#include "editor/Progress.h"
#include "editor/WindowServices.h"

#include <QString>

#include <memory>
#include <optional>

namespace zezu {

class ConversionRun;

// Texts shorter than this go into the text area at once, without the
// progress window; the view takes a large one in pieces of at least
// kIntakePiece units.
inline constexpr qsizetype kIntakeFrom = qsizetype(256) * 1024;
inline constexpr qsizetype kIntakePiece = qsizetype(128) * 1024;

// The one way a command's new text goes into the text area (open, convert,
// decode, undo). It is given in pieces of any size, cut anywhere, and goes
// in at the pace the view takes it (TextReplacement), the first half of a
// CR LF or surrogate pair held until its second comes; the window answers
// between pieces, under the caller's ConversionRun::Scope, and its Cancel is
// heard; a large text shows the progress window of its kind. The room the
// view needs is checked before it is spent. Until finish() the text area
// holds the old text: an intake that is let go leaves it as it was.
//
// Each step returns false when it cannot go on: with reason when it cannot
// (not enough memory), with no reason when the user cancelled.
class TextIntake
{
public:
    // leastPiece: the view takes no fewer units at a time, but for the last.
    // progress: the window's kind, or none when the caller shows its own.
    TextIntake(WindowServices &window, const ConversionRun &run, qsizetype leastPiece,
               std::optional<ProgressKind> progress);
    ~TextIntake();
    TextIntake(const TextIntake &) = delete;
    TextIntake &operator=(const TextIntake &) = delete;

    // Whether the view can have the room for units more of text.
    bool reserve(qint64 units, QString &reason);
    // Adds the next piece; the view takes in what is due. done of whole
    // (when given) says how far the whole is, in any measure (a file's
    // bytes): the progress window shows it, and the rest is foretold at the
    // rate of what came, so that a text that outgrows its room is refused
    // early.
    bool add(QStringView piece, QString &reason, qint64 done = 0, qint64 whole = 0);
    // Takes in what waits and makes the new text the text.
    bool finish(QString &reason);
    // What came so far goes; the next piece begins the text anew (a file
    // read again by another format).
    void restart();

private:
    // Takes in pieces of units from its front while more than least are
    // left; of what waits, or of units given.
    bool takeWaiting(qsizetype least);
    bool takeFrom(QStringView &units, qsizetype least);

    WindowServices &m_window;
    const ConversionRun &m_run;
    qsizetype m_leastPiece;
    std::optional<ProgressShown> m_progress;
    std::unique_ptr<TextReplacement> m_view;
    // What waits for the view from m_at on; what came and what it took.
    QString m_waiting;
    qsizetype m_at = 0;
    qint64 m_came = 0;
    qint64 m_taken = 0;
    // The units the whole text will have, foretold from done of whole.
    qint64 m_foretold = 0;
};

} // namespace zezu
