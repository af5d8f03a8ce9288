#pragma once

#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QString>
#include <QStringView>

#include <functional>

namespace zezu {

// Text files of the editor, read and written whole, safely, in any format
// (TextFormat.h).

// Characters encoded and written per call.
inline constexpr qsizetype kWriteChunk = qsizetype(1) << 20;

// Reads the whole file through the one reader (StreamInput.h): tells its
// format from its bytes, decodes by it (TextCodec.h) and sets format. Anything
// but a regular file is refused without waiting on it. betweenPieces, when
// given, runs after every piece read, so that a window can answer while a
// large file is read; when it says no, the reading stops, with no reason. On
// failure text and format are left as they were and reason says why, in words
// for the user. stray, when given, is set to what of a UTF-8 file was not
// UTF-8 (kept in the text as TextDecoder keeps it).
bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  const std::function<bool()> &betweenPieces = {}, StrayBytes *stray = nullptr);

// Writes the text in the format, keeping the file's owner, group, mode and
// other names (see saveFile()): atomically, by a complete new file renamed
// over the old, wherever that keeps them; on failure reason says why, in
// words for the user.
bool writeTextFile(const QString &path, QStringView text, const TextFormat &format,
                   QString &reason);

} // namespace zezu
