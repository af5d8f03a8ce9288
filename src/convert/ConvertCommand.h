#pragma once

namespace zezu {

class Editor;

// Converts the selection, or the whole text when nothing is selected, in
// place. A snapshot for Undo is taken first; progress is shown after every
// character, and a Cancel puts the text back as it was.
void convertCommand(Editor &editor);

} // namespace zezu
