#pragma once

#include "editor/ConversionRun.h"
#include "editor/ConvertCommand.h"
#include "editor/UndoHistory.h"
#include "editor/WindowLayout.h"
#include "editor/WindowServices.h"
#include "editor/Document.h"

namespace zezu {

// The main window's logic: what each menu item, window event and start-up
// does, over the window services. The widgets only turn Qt events into these
// calls, so a scripted double sees every rule.
class Editor
{
public:
    // Registers the text-change rule with the window: every change of the
    // text, typed or set, marks the caption.
    explicit Editor(WindowServices &window);
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    // Start-up, before the window is first shown: margins from the design-time
    // sizes, an untitled unmodified caption, an empty history, Undo disabled.
    void load();
    void resize() { m_layout.resize(m_window); }
    void textChanged();

    void convert();
    // Character references back to characters, as convert() runs.
    void decode();
    void undo();
    void open();
    void openFile(const QString &path);
    void openDroppedFile(const QString &path);
    void save();
    void exit();
    // The close handler: whether the window may close, which it may only when
    // the program ended.
    bool closeRequested();

    // The progress window's Cancel button and close box.
    void cancelRun() { m_run.requestCancel(); }
    void progressWindowClosed() { ConversionRun::progressWindowClosed(m_window); }

    WindowServices &window() { return m_window; }
    const WindowLayout &layout() const { return m_layout; }
    UndoHistory &history() { return m_history; }
    const UndoHistory &history() const { return m_history; }
    const ConversionRun &run() const { return m_run; }
    ConversionRun &run() { return m_run; }
    Document &document() { return m_document; }
    const Document &document() const { return m_document; }

private:
    TextCommandContext textCommands() { return {m_window, m_history, m_run}; }

    WindowServices &m_window;
    WindowLayout m_layout;
    UndoHistory m_history;
    ConversionRun m_run;
    Document m_document;
};

} // namespace zezu
