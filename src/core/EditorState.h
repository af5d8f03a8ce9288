#pragma once

#include <QString>

#include <array>

namespace zezu {

// Answer recorded when the save dialog was cancelled, beside the message box
// answers 6, 7 and 2.
constexpr int kSaveDialogCancelled = 10;

// The main window's lasting state. Counts are plain ints and positions
// qsizetype: no 16-bit limit on any text.
struct EditorState
{
    // Snapshots of the whole text taken before conversions, oldest first in
    // slots 0 .. undoCount - 1; at most kUndoLimit are held.
    static constexpr int kUndoLimit = 10;
    std::array<QString, kUndoLimit + 1> undoHistory{};
    int undoCount = 0;

    // Window size minus text area size, in twips, recorded at load.
    int widthMargin = 0;
    int heightMargin = 0;

    // Last answer to the save-changes prompt (6, 7, 2) or kSaveDialogCancelled.
    int promptAnswer = 0;
    // Set when an exit prompt was answered Yes: the next completed save ends
    // the program.
    bool exitAfterSave = false;

    // Set by the progress window's Cancel button, read by the running
    // conversion.
    bool cancelRequested = false;

    // True while a conversion runs; the event pump may deliver other user
    // actions meanwhile.
    bool runInProgress = false;
};

} // namespace zezu
