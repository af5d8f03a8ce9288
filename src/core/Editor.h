#pragma once

#include "core/EditorState.h"
#include "core/WindowServices.h"

namespace zezu {

// The main window's logic: its fields and the handlers that are not widgets.
class Editor
{
public:
    explicit Editor(WindowServices &window);

    // Load handler: runs once, before the window is first shown, while the
    // window and the text area have their design-time sizes.
    void load();

    // Resize handler: keeps the text area at the margins recorded at load.
    void resize();

    EditorState &state() { return m_state; }
    const EditorState &state() const { return m_state; }
    WindowServices &window() { return m_window; }

private:
    WindowServices &m_window;
    EditorState m_state;
};

} // namespace zezu
