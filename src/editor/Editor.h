#pragma once

#include "editor/ConversionRun.h"
#include "editor/Document.h"
#include "editor/UndoHistory.h"
#include "editor/WindowLayout.h"
#include "editor/WindowServices.h"
#include "text/Conversion.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"

namespace zezu {

class TextIntake;
namespace test {
struct EditorProbe;
}

// The main window's logic: what each menu item, window event and start-up
// does, over the window services. The widgets only turn Qt events into these
// calls, so a scripted double sees every rule.
class Editor
{
public:
    // Registers the text-change rule with the window: every change of the
    // text, typed or set, marks the document modified.
    explicit Editor(WindowServices &window);
    Editor(const Editor &) = delete;
    Editor &operator=(const Editor &) = delete;

    // Start-up, before the window is first shown: margins from the design-time
    // sizes, an untitled unmodified document, an empty history, Undo disabled.
    void load();
    void resize() { m_layout.resize(m_window); }
    void textChanged();

    // Converts the selection, or the whole text when nothing is selected, in
    // place. A snapshot for Undo is taken first; progress is shown after
    // every character, and a Cancel puts the text back as it was. A
    // conversion the memory cannot hold is refused before it starts, and one
    // that runs out of memory ends as a cancelled one does; the user is told
    // either way.
    void convert() { runConversion(Conversion::ToReferences); }
    // Character references back to characters, the same way.
    void decode() { runConversion(Conversion::ToText); }
    // Puts the text back as it was before the newest recorded conversion.
    void undo();

    void open();
    // The open command's work after its dialog: reads the file in whatever
    // format it has, or says why it cannot. For a file named on the command line.
    void openFile(const QString &path);
    // A file dropped on the window: the prompt first, as the open command
    // asks; nothing during a conversion.
    void openDroppedFile(const QString &path);
    void save();
    void exit();
    // The close handler: whether the window may close, which it may only when
    // the program ended.
    bool closeRequested();

    // The progress window's Cancel button; its close box hides it without
    // cancelling, and the run's next character shows it again.
    void cancelRun() { m_run.requestCancel(); }
    void progressWindowClosed() { m_window.hideProgress(); }

private:
    // The tests look inside (tests/support/EditorProbe.h).
    friend struct test::EditorProbe;

    enum class AfterSave { Stay, EndProgram };
    enum class SaveOutcome {
        Saved,
        Cancelled, // the dialog was cancelled
        Failed,    // the file could not be written; the user was told
        Ended,     // saved, and the program ended as an exit asked
    };

    void runConversion(Conversion conversion);
    // The run's work; false when it did not complete: with reason when it
    // could not, with no reason when the user cancelled.
    bool convertText(Conversion conversion, QString &reason);
    // The selected part's characters, n of them, converted into the intake.
    bool convertPart(Conversion conversion, QStringView part, qsizetype n, TextIntake &intake,
                     QString &reason);
    void tellNotConverted(const QString &reason);

    void showDocument() { m_window.setCaption(m_document.caption()); }
    // Reads the file into the text area, the window answering meanwhile;
    // false when that failed (reason says why) or the user cancelled.
    bool readIntoTextArea(const QString &path, TextFormat &format, StrayBytes &stray,
                          FileStamp &stamp, QString &reason);
    void endProgram();
    Answer askToSave();
    SaveOutcome letEditsGo(AfterSave after);
    SaveOutcome saveAs(AfterSave after);
    // Writes the text into the file in the format (which a question may turn
    // into UTF-8); false when it could not (reason says why) or the user
    // stopped it (no reason).
    bool writeDocument(const QString &path, TextFormat &format, FileStamp &stamp,
                       QString &reason);
    // A close asked for during a save, answered once the command is over;
    // true when it ended the program.
    bool answerWaitingClose();
    bool exitProgram();
    bool mayReplaceText();

    // Where a file dialog starts: the folder of the document's file, or for a
    // new document where the last dialog ended.
    QString dialogFolder() const;

    WindowServices &m_window;
    WindowLayout m_layout;
    QString m_lastDialogFolder;
    UndoHistory m_history;
    ConversionRun m_run;
    Document m_document;
};

} // namespace zezu
