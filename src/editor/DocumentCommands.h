#pragma once

#include "version/VersionRecord.h"

#include <QString>
#include <QStringView>

namespace zezu {

class Editor;

// The document commands of the main window: the modified marker, open, save,
// exit and the close handler. The caption is the document's record (see
// Caption.h); files are read and written as TextFile.h describes.

// Title of the save-changes prompt and of failure messages.
inline constexpr QStringView kMessageTitle = record::kProductName;

// Qt's filter form of the open and save dialogs.
inline constexpr QStringView kOpenFilter = u"текстовые файлы (*.txt);;все файлы (*)";
inline constexpr QStringView kSaveFilter = u"текстовые файлы (*.txt)";
inline constexpr QStringView kOpenTitle = u"::открытие файл...";
inline constexpr QStringView kSaveTitle = u"::сохранение файла...";

// The save-changes prompt's message for a document of this name.
QString saveChangesMessage(const QString &documentName);

// The name a chosen file is saved under: ".txt" is added unless the name ends
// with exactly ".txt".
QString withTextExtension(const QString &chosenName);

// The text area's change notification, typed or set by a command.
void onTextChanged(Editor &editor);

void openCommand(Editor &editor);
// The open command's work after its dialog: reads the file in whatever format
// it has, or says why it cannot. For a file named on the command line.
void openFile(Editor &editor, const QString &path);
// A file dropped on the window: the prompt first, as the open command asks;
// nothing during a conversion.
void openDroppedFile(Editor &editor, const QString &path);
void saveCommand(Editor &editor);
void exitCommand(Editor &editor);

// The close handler: runs the exit command and tells whether the window may
// close, which it may only when the program ended.
bool closeRequested(Editor &editor);

} // namespace zezu
