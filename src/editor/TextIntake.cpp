#include "editor/TextIntake.h"

#include "editor/ConversionRun.h"
#include "files/Memory.h"
#include "text/TextScan.h"

#include <cmath>

namespace zezu {

bool takeIntoTextArea(WindowServices &window, const ConversionRun &run, const QString &text,
                      ProgressKind kind, qsizetype lines)
{
    // The text area's share is known only now that the text is: its lines
    // cost more than their characters.
    if (lines < 0)
        lines = lineBreaks(text);
    if (const qint64 needed = viewBytes(text.size(), lines); !canAllocate(needed))
        throw NotEnoughMemory(needed);
    if (text.size() < kIntakeFrom) {
        window.setText(text);
        return true;
    }
    const double total = double(text.size());
    window.beginTextIntake(text);
    // Whatever ends the intake early leaves the old text in place; not from
    // a destructor, as putting it back may itself run out of memory.
    auto abandon = [&window] {
        window.unloadProgress();
        window.abandonTextIntake();
    };
    try {
        for (qsizetype taken = 0; taken < text.size();) {
            taken = window.continueTextIntake(kIntakePiece);
            window.showProgress(kind);
            const double done = double(taken) / total;
            window.setProgress(int(std::nearbyint(done * 100.0)),
                               int(std::nearbyint(done * window.progressBarWidth())));
            window.processEventsNow();
            if (run.cancelRequested()) {
                abandon();
                return false;
            }
        }
    } catch (...) {
        abandon();
        throw;
    }
    window.unloadProgress();
    window.finishTextIntake();
    return true;
}

} // namespace zezu
