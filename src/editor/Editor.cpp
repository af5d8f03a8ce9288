#include "editor/Editor.h"

#include "editor/Caption.h"
#include "editor/DocumentCommands.h"

namespace zezu {

Editor::Editor(WindowServices &window)
    : m_window(window)
{
    m_window.setTextChangeHandler([this] { textChanged(); });
}

void Editor::load()
{
    m_layout.load(m_window);
    m_history = UndoHistory();
    m_window.setCaption(caption::forDocument(caption::kUntitled));
    m_window.setMenuEnabled(MenuItem::Undo, false);
}

void Editor::textChanged() { onTextChanged(*this); }

void Editor::convert() { convertCommand(textCommands(), referenceConversion()); }
void Editor::decode() { convertCommand(textCommands(), referenceDecoding()); }
void Editor::undo() { undoCommand(textCommands()); }
void Editor::open() { openCommand(*this); }
void Editor::openFile(const QString &path) { zezu::openFile(*this, path); }
void Editor::openDroppedFile(const QString &path) { zezu::openDroppedFile(*this, path); }
void Editor::save() { saveCommand(*this); }
void Editor::exit() { exitCommand(*this); }
bool Editor::closeRequested() { return zezu::closeRequested(*this); }

} // namespace zezu
