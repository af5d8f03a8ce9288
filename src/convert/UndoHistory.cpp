#include "convert/UndoHistory.h"

#include "core/Editor.h"

#include <utility>

namespace zezu {

bool pushSnapshot(EditorState &state, const QString &text)
{
    if (state.undoCount >= EditorState::kUndoLimit)
        return false;
    state.undoHistory[std::size_t(state.undoCount)] = text;
    ++state.undoCount;
    return true;
}

QString popSnapshot(Editor &editor)
{
    EditorState &state = editor.state();
    if (state.undoCount <= 0)
        return {};
    --state.undoCount;
    QString snapshot = std::exchange(state.undoHistory[std::size_t(state.undoCount)], QString());
    if (state.undoCount == 0)
        editor.window().setMenuEnabled(MenuItem::Undo, false);
    return snapshot;
}

void undoCommand(Editor &editor)
{
    // The item is disabled while nothing is held or a conversion runs; a
    // stray call must not reach past the history.
    if (editor.state().undoCount <= 0 || editor.state().runInProgress)
        return;
    const QString snapshot = popSnapshot(editor);
    editor.window().setText(snapshot);
}

} // namespace zezu
