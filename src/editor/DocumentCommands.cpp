#include "editor/DocumentCommands.h"

#include "editor/TextIntake.h"
#include "files/Memory.h"
#include "editor/Caption.h"
#include "editor/Editor.h"
#include "files/TextFile.h"

#include <QDir>
#include <QFileInfo>

#include <new>

namespace zezu {

namespace {

// What a completed save does next: an exit that asked for it ends the program.
enum class AfterSave { Stay, EndProgram };

enum class SaveOutcome {
    Saved,
    Cancelled, // the dialog was cancelled
    Failed,    // the file could not be written; the user was told
    Ended,     // saved, and the program ended as an exit asked
};

// What the user sees of a file in a message: its full path.
QString shown(const QString &path) { return QDir::toNativeSeparators(path); }

QString fileTitle(const QString &path) { return QFileInfo(path).fileName(); }

// Ends the program; a conversion paused under the exit prompt stops at its
// next character instead of running on behind a closed window.
void endProgram(Editor &editor)
{
    editor.run().requestCancel();
    editor.window().endProgram();
}

PromptAnswer recorded(Answer answer)
{
    switch (answer) {
    case Answer::Yes: return PromptAnswer::Yes;
    case Answer::No: return PromptAnswer::No;
    case Answer::Cancel: break;
    }
    return PromptAnswer::Cancel;
}

Answer askToSave(Editor &editor)
{
    WindowServices &window = editor.window();
    const Answer answer = window.ask(kMessageTitle.toString(),
                                     saveChangesMessage(caption::documentName(window.caption())));
    editor.document().recordAnswer(recorded(answer));
    return answer;
}

SaveOutcome save(Editor &editor, AfterSave after)
{
    WindowServices &window = editor.window();

    const std::optional<QString> chosen = window.chooseFileToSave(
        {kSaveTitle.toString(), kSaveFilter.toString(),
         caption::documentName(window.caption())});
    if (!chosen || chosen->isEmpty()) {
        editor.document().recordAnswer(PromptAnswer::SaveDialogCancelled);
        return SaveOutcome::Cancelled;
    }

    const QString path = withTextExtension(*chosen);
    QString reason;
    if (!writeTextFile(path, window.text(), editor.document().format(), reason)) {
        window.tell(kMessageTitle.toString(),
                    QStringLiteral("не удалось сохранить файл \"%1\": %2")
                        .arg(shown(path), reason));
        return SaveOutcome::Failed;
    }

    window.setCaption(caption::forDocument(fileTitle(path)));
    if (after == AfterSave::EndProgram) {
        endProgram(editor);
        return SaveOutcome::Ended;
    }
    return SaveOutcome::Saved;
}

// The exit command; true when it ended the program.
bool exitProgram(Editor &editor)
{
    WindowServices &window = editor.window();

    if (!caption::isModified(window.caption())) {
        endProgram(editor);
        return true;
    }
    switch (askToSave(editor)) {
    case Answer::Yes:
        // A save that does not complete ends this exit: a later save or open
        // does not end the program.
        return save(editor, AfterSave::EndProgram) == SaveOutcome::Ended;
    case Answer::No:
        endProgram(editor);
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

} // namespace

QString saveChangesMessage(const QString &documentName)
{
    return QStringLiteral("вы хотите сохранить изменения в ''") + documentName
        + QStringLiteral("''?");
}

QString withTextExtension(const QString &chosenName)
{
    if (chosenName.endsWith(QLatin1String(".txt"), Qt::CaseSensitive))
        return chosenName;
    return chosenName + QLatin1String(".txt");
}

void onTextChanged(Editor &editor)
{
    WindowServices &window = editor.window();
    const QString current = window.caption();
    if (!caption::isModified(current))
        window.setCaption(caption::marked(current));
}

// Whether the text may be replaced: the prompt first when it has unsaved
// edits, whose Yes goes on only once they are safely written.
bool mayReplaceText(Editor &editor)
{
    if (!caption::isModified(editor.window().caption()))
        return true;
    switch (askToSave(editor)) {
    case Answer::Yes:
        return save(editor, AfterSave::Stay) == SaveOutcome::Saved;
    case Answer::No:
        return true;
    case Answer::Cancel:
        break;
    }
    return false;
}

void openCommand(Editor &editor)
{
    if (!mayReplaceText(editor))
        return;
    const std::optional<QString> chosen = editor.window().chooseFileToOpen(
        {kOpenTitle.toString(), kOpenFilter.toString(), QString()});
    if (chosen && !chosen->isEmpty())
        openFile(editor, *chosen);
}

void openDroppedFile(Editor &editor, const QString &path)
{
    // Refused during a conversion, like the other commands that replace the text.
    if (editor.run().inProgress() || !mayReplaceText(editor))
        return;
    openFile(editor, path);
}

void openFile(Editor &editor, const QString &path)
{
    WindowServices &window = editor.window();
    auto fail = [&](const QString &reason) {
        window.tell(kMessageTitle.toString(),
                    QStringLiteral("не удалось открыть файл \"%1\": %2").arg(shown(path), reason));
    };
    // A file decodes to at most about one code unit per byte: its text and
    // the text area's least share must fit before anything is read; its
    // lines are counted, and checked, once it is.
    const qint64 needed = (kTextBytesPerUnit + kViewBytesPerUnit) * QFileInfo(path).size();
    if (!canAllocate(needed)) {
        fail(notEnoughMemoryReason(needed));
        return;
    }
    try {
        // Text, caption and format change only once the whole file is read;
        // the window answers meanwhile, with the text and commands locked.
        QString text;
        TextFormat format;
        QString reason;
        {
            ConversionRun::Scope scope(editor.run(), window, editor.history());
            if (!readTextFile(path, text, format, reason, -1,
                              [&window] { window.processEventsNow(); })) {
                fail(reason);
                return;
            }
            if (!takeIntoTextArea(window, editor.run(), text, ProgressKind::Opening))
                return;
        }
        // Set after the text, whose change notification marks the caption.
        window.setCaption(caption::forDocument(fileTitle(path)));
        editor.document().setFormat(format);
    } catch (const std::bad_alloc &failure) {
        fail(notEnoughMemoryReason(neededFor(failure)));
    }
}

void saveCommand(Editor &editor)
{
    save(editor, AfterSave::Stay);
}

void exitCommand(Editor &editor)
{
    exitProgram(editor);
}

bool closeRequested(Editor &editor)
{
    // The window stays whenever the program goes on: after Cancel, after a
    // cancelled save dialog and after a save that failed, whose edits would
    // otherwise be lost with the window. During a conversion this is the same
    // exit path, over the paused run: when the program goes on, so does the run.
    return exitProgram(editor);
}

} // namespace zezu
