// The document commands: open, save, the save-changes prompt, exit and close.
#include "editor/Editor.h"

#include "editor/DocumentTexts.h"
#include "editor/Progress.h"
#include "editor/TextIntake.h"
#include "editor/ViewCost.h"
#include "files/Memory.h"
#include "files/PathNames.h"
#include "files/TextFile.h"

#include <QFileInfo>

#include <algorithm>
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
        written = writeDocument(path, format, stamp, reason);
    } catch (const std::bad_alloc &) {
        reason = notEnoughMemoryReason();
    }
    // Stopped by the user (the progress window's Cancel, or a question's):
    // the file is as it was, and nothing is said.
    if (!written && reason.isEmpty())
        return SaveOutcome::Cancelled;
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

namespace {

// A save that takes longer than this shows its progress window.
constexpr qint64 kSaveProgressAfterMs = 500;

// The text read for a save, a piece at a time, the window answering between
// pieces; once the save has taken long, its progress window shows how much of
// every reading the save makes is done.
class SaveReading
{
public:
    SaveReading(WindowServices &window, int readings)
        : m_window(window)
        , m_progress(window, ProgressKind::Saving, kSaveProgressAfterMs)
        , m_units(window.textSize())
        , m_total(qint64(readings) * m_units)
    {
    }
    // The save's format changed after a question: it reads the text more or
    // fewer times.
    void addReadings(int more) { m_total += qint64(more) * m_units; }
    // Before a question: the progress window makes way for it.
    void hideProgress() { m_progress.hide(); }

    qsizetype read(qsizetype at, QString &into)
    {
        const qsizetype before = into.size();
        const qsizetype next = m_window.readTextPiece(at, kWriteChunk, into);
        m_done += into.size() - before;
        if (m_total > 0)
            m_progress.show(std::min(m_done, m_total), m_total);
        m_window.processEventsNow();
        return next;
    }

private:
    WindowServices &m_window;
    ProgressShown m_progress;
    qint64 m_units;
    qint64 m_total;
    qint64 m_done = 0;
};

} // namespace

bool Editor::writeDocument(const QString &path, TextFormat &format, FileStamp &stamp,
                           QString &reason)
{
    // The window answers throughout, the commands that would change the text
    // or the file waiting, a close too; a Cancel leaves the file as it was.
    const ConversionRun::Scope scope(m_run, m_window, m_history, ConversionRun::Closing::Waits);
    // Characters the file's encoding cannot hold are not turned into "?"
    // without the user's word, which takes a reading of its own; UTF-8 holds
    // them all.
    const bool check = !holdsEveryCharacter(format.encoding);
    SaveReading reading(m_window, int(check) + textReadings(format));
    // A piece at a time: the text area may hold the text's one copy.
    const TextPieces text = [&](qsizetype at, QString &into) { return reading.read(at, into); };
    UnheldCharacters unheld;
    if (check) {
        forEachPiece(text, [&](QStringView piece) {
            unheld += unheldCharacters(piece, format.encoding);
        });
    }
    if (m_run.cancelRequested())
        return false;
    if (unheld.count > 0) {
        reading.hideProgress();
        switch (m_window.ask(kMessageTitle.toString(), unheldCharactersMessage(unheld, format))) {
        case Answer::Yes: {
            const TextFormat utf8{Encoding::Utf8, false, format.lineEnds};
            reading.addReadings(textReadings(utf8) - textReadings(format));
            format = utf8;
            break;
        }
        case Answer::No: break;
        case Answer::Cancel: return false;
        }
    }
    return writeTextFile(path, text, format, reason, &stamp, [this] {
        m_window.processEventsNow();
        return !m_run.cancelRequested();
    });
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
    const bool mayGo = letEditsGo(AfterSave::Stay) == SaveOutcome::Saved;
    // A close that waited for the save goes first.
    return !answerWaitingClose() && mayGo;
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
    answerWaitingClose();
}

void Editor::exit()
{
    if (m_run.holdClose())
        return;
    exitProgram();
    answerWaitingClose();
}

bool Editor::answerWaitingClose()
{
    return m_run.takeWaitingClose() && exitProgram();
}

bool Editor::closeRequested()
{
    // The window stays whenever the program goes on: after Cancel, after a
    // cancelled save dialog and after a save that failed, whose edits would
    // otherwise be lost with the window. During a conversion this is the same
    // exit path, over the paused run: when the program goes on, so does the run.
    // During a save it waits for the save.
    if (m_run.holdClose())
        return false;
    const bool ended = exitProgram();
    if (!ended)
        answerWaitingClose();
    return ended;
}

} // namespace zezu
