#include "editor/TextIntake.h"

#include "editor/ConversionRun.h"
#include "files/Memory.h"

#include <cmath>
#include <utility>

namespace zezu {

namespace {

// Takes the text area's held text in from units from to units to, the
// progress going from doneFrom to doneTo; false when the user cancelled.
bool takeInHeld(WindowServices &window, const ConversionRun &run, ProgressKind kind,
                qsizetype from, qsizetype to, double doneFrom, double doneTo)
{
    qsizetype taken = from;
    return takeInGiven(window, taken, to, 0, kIntakePiece, [&] {
        window.showProgress(kind);
        const double done = doneFrom + (doneTo - doneFrom) * double(taken - from) / double(to - from);
        window.setProgress(int(std::nearbyint(done * 100.0)),
                           int(std::nearbyint(done * window.progressBarWidth())));
        window.processEventsNow();
        return !run.cancelRequested();
    });
}

} // namespace

bool takeInGiven(WindowServices &window, qsizetype &taken, qsizetype given, qsizetype least,
                 qsizetype units, const std::function<bool()> &after)
{
    while (given - taken > least) {
        const qsizetype now = window.continueTextIntake(units ? units : given - taken);
        if (now == std::exchange(taken, now))
            break;
        if (!after())
            return false;
    }
    return true;
}

bool takeIntoTextArea(WindowServices &window, const ConversionRun &run, const QString &text,
                      ProgressKind kind)
{
    if (const qint64 needed = viewBytes(text.size()); !canAllocate(needed))
        throw NotEnoughMemory(needed);
    if (text.size() < kIntakeFrom) {
        window.setText(text);
        return true;
    }
    window.beginTextIntake(text);
    // Whatever ends the intake early leaves the old text in place; not from
    // a destructor, as putting it back may itself run out of memory.
    auto abandon = [&window] {
        window.unloadProgress();
        window.abandonTextIntake();
    };
    try {
        if (!takeInHeld(window, run, kind, 0, text.size(), 0.0, 1.0)) {
            abandon();
            return false;
        }
    } catch (...) {
        abandon();
        throw;
    }
    window.unloadProgress();
    window.finishTextIntake();
    return true;
}

bool StreamedIntake::add(const QString &piece, double done)
{
    // The text grows by the piece, the text area by its share; and the rest
    // is to come at the rate of what came so far: a file that decodes to
    // more than its size foretold is refused early, not when the room runs
    // out.
    const qint64 pieceNeeds = kTextBytesPerUnit * piece.size() + viewBytes(piece.size());
    const qsizetype soFar = m_held + piece.size();
    const double rest = done > 0 ? (1 - done) / done : 0;
    const qint64 needed = pieceNeeds
        + qint64(rest * double(kTextBytesPerUnit * soFar + viewBytes(soFar)));
    if (!canAllocate(needed))
        throw NotEnoughMemory(needed);
    if (!m_begun) {
        m_window.beginTextIntake(QString());
        m_begun = true;
    }
    m_window.extendTextIntake(piece);
    const qsizetype from = std::exchange(m_held, m_held + piece.size());
    return takeInHeld(m_window, m_run, m_kind, from, m_held, std::exchange(m_done, done), done);
}

void StreamedIntake::finish()
{
    m_window.unloadProgress();
    if (m_begun)
        m_window.finishTextIntake();
    else
        m_window.setText(QString()); // the file held no text after all
}

void StreamedIntake::abandon()
{
    if (!std::exchange(m_begun, false))
        return;
    m_window.unloadProgress();
    m_window.abandonTextIntake();
    m_held = 0;
    m_done = 0;
}

} // namespace zezu
