#pragma once

#include <QString>

namespace zezu {

class Editor;
struct EditorState;

// Stores a snapshot of the whole text when fewer than the limit are held;
// returns whether it was stored.
bool pushSnapshot(EditorState &state, const QString &text);

// Takes the newest snapshot off the history, emptying its slot, and disables
// the Undo item when none is left.
QString popSnapshot(Editor &editor);

// Puts the text back as it was before the newest recorded conversion.
void undoCommand(Editor &editor);

} // namespace zezu
