// The document commands: open, save, the save-changes prompt, exit and close.
#include "editor/Editor.h"

#include "editor/DocumentTexts.h"
#include "editor/TextIntake.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "files/PathNames.h"
#include "files/TextFile.h"

#include <QFileInfo>

#include <new>

namespace zezu {

QString Editor::dialogFolder() const
{
    return m_document.folder().isEmpty() ? m_lastDialogFolder : m_document.folder();
}

// Ends the program; a conversion paused under the exit prompt stops at its
// next character instead of running on behind a closed window.
void Editor::endProgram()
{
    m_run.requestCancel();
    m_window.endProgram();
}

Answer Editor::askToSave()
{
    return m_window.ask(kMessageTitle.toString(), saveChangesMessage(m_document.name()));
}

Editor::SaveOutcome Editor::saveAs(AfterSave after)
{
    // The dialog starts in the folder of the document's file, however it was
    // opened, so that the name it proposes is that very file.
    const std::optional<QString> chosen = m_window.chooseFileToSave(
        {kSaveTitle.toString(), kSaveFilter.toString(), m_document.name(), dialogFolder()});
    if (!chosen || chosen->isEmpty())
        return SaveOutcome::Cancelled;
    m_lastDialogFolder = QFileInfo(*chosen).absolutePath();

    const QString path = withTextExtension(*chosen);
    if (m_document.changedOnDisk(path)
        && !m_window.confirm(kMessageTitle.toString(), changedOnDiskMessage(shownPath(path))))
        return SaveOutcome::Cancelled;
    TextFormat format = m_document.format();
    FileStamp stamp;
    QString reason;
    bool written = false;
    try {
        // A piece at a time: the text area may hold the text's one copy.
        const TextPieces text = [this](qsizetype at, QString &into) {
            return m_window.readTextPiece(at, kWriteChunk, into);
        };
        // Characters the file's encoding cannot hold are not turned into "?"
        // without the user's word; UTF-8 holds them all.
        UnheldCharacters unheld;
        if (!holdsEveryCharacter(format.encoding)) {
            const BusyScope busy(m_window);
            forEachPiece(text, [&](QStringView piece) {
                unheld += unheldCharacters(piece, format.encoding);
            });
        }
        if (unheld.count > 0) {
            switch (m_window.ask(kMessageTitle.toString(),
                                 unheldCharactersMessage(unheld, format))) {
            case Answer::Yes:
                format = {Encoding::Utf8, false, format.lineEnds};
                break;
            case Answer::No:
                break;
            case Answer::Cancel:
                return SaveOutcome::Cancelled;
            }
        }
        const BusyScope busy(m_window);
        written = writeTextFile(path, text, format, reason, &stamp);
    } catch (const std::bad_alloc &) {
        reason = notEnoughMemoryReason();
    }
    if (!written) {
        m_window.tell(kMessageTitle.toString(),
                      QStringLiteral("не удалось сохранить файл \"%1\": %2")
                          .arg(shownPath(path), reason));
        return SaveOutcome::Failed;
    }

    m_document.saved(path, format, stamp);
    showDocument();
    if (after == AfterSave::EndProgram) {
        endProgram();
        return SaveOutcome::Ended;
    }
    return SaveOutcome::Saved;
}

// Whether the document's unsaved edits may go: the prompt first when it has
// some, whose Yes goes on only once they are safely written (the save then
// ends the program when after says so), whose No lets them go.
Editor::SaveOutcome Editor::letEditsGo(AfterSave after)
{
    if (!m_document.isModified())
        return SaveOutcome::Saved;
    switch (askToSave()) {
    case Answer::Yes: return saveAs(after);
    case Answer::No: return SaveOutcome::Saved;
    case Answer::Cancel: break;
    }
    return SaveOutcome::Cancelled;
}

// The exit command; true when it ended the program. A save that does not
// complete ends this exit: a later save or open does not end the program.
bool Editor::exitProgram()
{
    switch (letEditsGo(AfterSave::EndProgram)) {
    case SaveOutcome::Saved: endProgram(); return true;
    case SaveOutcome::Ended: return true;
    case SaveOutcome::Cancelled:
    case SaveOutcome::Failed: break;
    }
    return false;
}

bool Editor::mayReplaceText()
{
    return letEditsGo(AfterSave::Stay) == SaveOutcome::Saved;
}

void Editor::open()
{
    if (!mayReplaceText())
        return;
    const std::optional<QString> chosen = m_window.chooseFileToOpen(
        {kOpenTitle.toString(), kOpenFilter.toString(), QString(), dialogFolder()});
    if (!chosen || chosen->isEmpty())
        return;
    m_lastDialogFolder = QFileInfo(*chosen).absolutePath();
    openFile(*chosen);
}

void Editor::openDroppedFile(const QString &path)
{
    // Refused during a conversion, like the other commands that replace the text.
    if (m_run.inProgress() || !mayReplaceText())
        return;
    openFile(path);
}

void Editor::openFile(const QString &path)
{
    auto fail = [&](const QString &reason) {
        m_window.tell(kMessageTitle.toString(),
                      QStringLiteral("не удалось открыть файл \"%1\": %2").arg(shownPath(path), reason));
    };
    // A file decodes to at most about one code unit per byte: its text and
    // the text area's least share must fit before anything is read; its
    // lines are counted, and checked, once it is.
    const qint64 needed = (kTextBytesPerUnit + kViewBytesPerUnit) * fileSize(path);
    if (!canAllocate(needed)) {
        fail(notEnoughMemoryReason(needed));
        return;
    }
    try {
        // The document changes only once the whole file is read; the window
        // answers meanwhile, with the text and commands locked.
        TextFormat format;
        StrayBytes stray;
        FileStamp stamp;
        QString reason;
        {
            ConversionRun::Scope scope(m_run, m_window, m_history);
            if (!readIntoTextArea(path, format, stray, stamp, reason)) {
                if (!m_run.cancelRequested())
                    fail(reason);
                return;
            }
        }
        // After the text, whose change notification marked the document.
        m_document.opened(path, format, stamp);
        showDocument();
        if (stray.count > 0)
            m_window.tell(kMessageTitle.toString(), strayBytesMessage(shownPath(path), stray, format.encoding));
    } catch (const std::bad_alloc &) {
        fail(notEnoughMemoryReason());
    }
}

bool Editor::readIntoTextArea(const QString &path, TextFormat &format, StrayBytes &stray,
                              FileStamp &stamp, QString &reason)
{
    // The file goes into the text area as it is read: the first screen of a
    // large one is there at once. An exit meanwhile ends the reading, and the
    // program, at once; whatever fails or stops the reading leaves the old
    // text as it was.
    const qint64 size = fileSize(path);
    TextIntake intake(m_window, m_run, kIntakePiece, ProgressKind::Opening);
    const auto take = [&](const QString &piece, qint64 read) {
        return intake.add(piece, reason, read, size);
    };
    const auto answer = [this] {
        m_window.processEventsNow();
        return !m_run.cancelRequested();
    };
    return streamTextFile(path, format, reason, take, [&] { intake.restart(); }, answer, &stray,
                          &stamp)
        && intake.finish(reason);
}

void Editor::save()
{
    saveAs(AfterSave::Stay);
}

void Editor::exit()
{
    exitProgram();
}

bool Editor::closeRequested()
{
    // The window stays whenever the program goes on: after Cancel, after a
    // cancelled save dialog and after a save that failed, whose edits would
    // otherwise be lost with the window. During a conversion this is the same
    // exit path, over the paused run: when the program goes on, so does the run.
    return exitProgram();
}

} // namespace zezu
