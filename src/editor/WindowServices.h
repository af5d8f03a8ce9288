#pragma once

#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace zezu {

// Twips are the unit of every window size the logic handles: 15 to a pixel.
constexpr int kTwipsPerPixel = 15;
constexpr int pixelsToTwips(int px) { return px * kTwipsPerPixel; }
constexpr int twipsToPixels(int tw) { return tw / kTwipsPerPixel; }

// What the progress window is shown for; its caption says which.
enum class ProgressKind { Converting, Opening, Saving };

enum class MenuItem { Gen, Ungen, Undo, Open, Save, Exit, About };

// Answers of the Yes/No/Cancel message box, with the codes the prompt answer
// field keeps.
enum class Answer : int { Yes = 6, No = 7, Cancel = 2 };

struct FileDialogRequest
{
    QString title;
    QString filter;   // Qt's form: "description (*.txt);;other (*)"
    QString fileName; // proposed name, may be empty
    QString folder;   // where the dialog starts; empty: the working folder
};

// A new text for the text area, put in a piece at a time (TextIntake.h drives
// it). The area shows it as it comes and keeps the old text aside, which is
// still the text that reads back: commit() makes the new one the text, with
// the change notification; letting it go uncommitted puts the old one back
// exactly as it was, with no notification.
class TextReplacement
{
public:
    virtual ~TextReplacement() = default;
    // Takes units in from the front of units: as many as the view takes at
    // its pace (each piece well under 100 ms), at least one, never ending
    // inside a CR LF pair or a surrogate pair that units holds whole; returns
    // how many.
    virtual qsizetype take(QStringView units) = 0;
    virtual void commit() = 0;
};

// The one seam between the editor's logic and the widgets. Everything a command
// does to the screen goes through here, so a scripted double can stand in for
// the widgets in tests.
class WindowServices
{
public:
    virtual ~WindowServices() = default;

    // The text area. Text uses CR LF line breaks; the selection is counted in
    // that text (a CR LF pair counts 2). The text is read back a piece at a
    // time: the text area holds its one copy.
    //
    // The text a piece at a time, for a text of hundreds of megabytes:
    // appends to into the text from place at (0 for its start) on, at least
    // about units code units of it unless it ends first, and returns the
    // place the rest begins at, or -1 when it is all read. A place means
    // nothing but to this call. No piece ends inside a CR LF pair or a
    // surrogate pair.
    virtual qsizetype readTextPiece(qsizetype at, qsizetype units, QString &into) const = 0;
    // The text's length in code units, without reading it.
    virtual qsizetype textSize() const = 0;
    virtual qsizetype selStart() const = 0;
    virtual qsizetype selLength() const = 0;
    // Called after every change of the text, typed or set by the program.
    virtual void setTextChangeHandler(std::function<void()> handler) = 0;

    // A new text for the text area, taken in no fewer than leastPiece units
    // at a time but for the last.
    virtual std::unique_ptr<TextReplacement> replaceText(qsizetype leastPiece) = 0;

    // Outer sizes, in twips.
    virtual QSize windowSize() const = 0;
    virtual QSize textAreaSize() const = 0;
    virtual void setTextAreaSize(QSize size) = 0;

    virtual QString caption() const = 0;
    virtual void setCaption(const QString &caption) = 0;

    virtual bool isMenuEnabled(MenuItem item) const = 0;
    virtual void setMenuEnabled(MenuItem item, bool enabled) = 0;

    // Whether the user may edit the text area; the program may always set it.
    // Read-only, the area also takes no selection of the whole text: over
    // hundreds of megabytes that would hold the window for seconds.
    virtual void setTextReadOnly(bool readOnly) = 0;

    // The progress window of a long command, its caption told by its kind. Showing it creates it in its
    // design-time state when it is not loaded and does nothing more when it is.
    virtual void showProgress(ProgressKind kind = ProgressKind::Converting) = 0;
    // Writes "<percent>%" into lblPer1, copies that into lblPer2, and sets the
    // filled bar's width (twips).
    virtual void setProgress(int percent, int doneWidth) = 0;
    // The background bar's width (twips).
    virtual int progressBarWidth() const = 0;
    // Hides the progress window without unloading it; showing it again brings
    // it back as it was.
    virtual void hideProgress() = 0;
    virtual void unloadProgress() = 0;

    // Opens the about box, creating it (and running its load handler) only
    // when it is not open already.
    virtual void showAbout() = 0;

    // A message box with Yes, No and Cancel and no icon; Escape answers Cancel.
    virtual Answer ask(const QString &title, const QString &message) = 0;
    // A message box with Yes and No whose default, and Escape, is No: a
    // question whose Yes loses something. True for Yes.
    virtual bool confirm(const QString &title, const QString &message) = 0;
    // A message box with one OK button, for failures the user must hear of.
    virtual void tell(const QString &title, const QString &message) = 0;

    // File dialogs; nullopt when the user cancelled.
    virtual std::optional<QString> chooseFileToOpen(const FileDialogRequest &request) = 0;
    virtual std::optional<QString> chooseFileToSave(const FileDialogRequest &request) = 0;

    // Lets pending window events run, for a run that has done this many
    // characters more since it last called; other handlers may run inside
    // it. The window may run them only every so often, so that a long run is
    // not dominated by them; processEventsNow() runs them at once.
    virtual void processEvents(qsizetype characters) = 0;
    virtual void processEventsNow() = 0;
    // A steady clock, in milliseconds from any start: when a long command's
    // progress window is due.
    virtual qint64 clockMs() const = 0;

    // Ends the program at once; no close or unload handler runs afterwards.
    virtual void endProgram() = 0;
};

} // namespace zezu
