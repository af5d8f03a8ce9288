#pragma once

#include "editor/WindowServices.h"

#include <QString>

namespace zezu {

class ConversionRun;

// Texts shorter than this go into the text area at once; longer ones in
// pieces of about kIntakePiece units, each taking well under 100 ms.
inline constexpr qsizetype kIntakeFrom = qsizetype(256) * 1024;
inline constexpr qsizetype kIntakePiece = qsizetype(128) * 1024;

// Puts text into the text area. A large one goes in pieces, with the
// progress window of the given kind and its Cancel, the window answering
// between pieces; the caller holds a ConversionRun::Scope, so the text stays
// read-only and the text-replacing commands unavailable meanwhile. Returns
// false when the user cancelled: the text area then holds what it held before.
// Throws NotEnoughMemory, with nothing changed, when the text area's share
// of the text cannot be had.
// lines: text's line breaks when the caller has counted them, -1 otherwise:
// a result of hundreds of megabytes takes longer to count than the window
// may go without answering.
bool takeIntoTextArea(WindowServices &window, const ConversionRun &run, const QString &text,
                      ProgressKind kind, qsizetype lines = -1);

} // namespace zezu
