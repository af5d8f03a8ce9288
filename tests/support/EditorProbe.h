#pragma once

// What the tests look at inside the editor's logic, which no command shows:
// its history, its run, its document, its layout and its window services.

#include "editor/Editor.h"

namespace zezu::test {

struct EditorProbe
{
    static const UndoHistory &history(const Editor &editor) { return editor.m_history; }
    static const ConversionRun &run(const Editor &editor) { return editor.m_run; }
    static const Document &document(const Editor &editor) { return editor.m_document; }
    static const WindowLayout &layout(const Editor &editor) { return editor.m_layout; }
    static WindowServices &window(Editor &editor) { return editor.m_window; }
};

inline const UndoHistory &historyOf(const Editor &editor) { return EditorProbe::history(editor); }
inline const ConversionRun &runOf(const Editor &editor) { return EditorProbe::run(editor); }
inline const Document &documentOf(const Editor &editor) { return EditorProbe::document(editor); }
inline const WindowLayout &layoutOf(const Editor &editor) { return EditorProbe::layout(editor); }
inline WindowServices &windowOf(Editor &editor) { return EditorProbe::window(editor); }

} // namespace zezu::test
