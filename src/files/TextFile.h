#pragma once

#include "text/Cp1251Codec.h"
#include "text/TextFormat.h"

#include <QString>

#include <functional>
#include <QStringView>

namespace zezu {

// Text files of the editor: reading and writing them whole, safely.
// Windows-1251 with CR LF line ends is the default format (Cp1251Codec.h);
// the overloads that take a TextFormat read and write any (TextFormat.h,
// TextCodec.h).

// Bytes read per call; a CR LF pair may straddle two reads.
inline constexpr qsizetype kReadChunk = qsizetype(1) << 20;
// Characters encoded and written per call.
inline constexpr qsizetype kWriteChunk = qsizetype(1) << 20;

// Reads and decodes the whole file, refusing one of more than maxBytes bytes
// (none when negative). Anything but a regular file is refused without
// waiting on it. On failure text is left as it was and reason says why, in
// words for the user.
bool readTextFile(const QString &path, QString &text, QString &reason, qint64 maxBytes = -1);

// The same for a file in any format (see TextFormat.h): tells the format
// from the whole file's bytes, decodes by it (TextCodec.h) and sets format.
// betweenPieces, when given, runs after every piece read, so that a window
// can answer while a large file is read.
bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  qint64 maxBytes = -1, const std::function<void()> &betweenPieces = {});

// Writes the text, keeping the file's owner, group, mode and other names
// (see saveFile()): atomically, by a complete new file renamed over the old,
// wherever that keeps them; on failure reason says why, in words for the user.
bool writeTextFile(const QString &path, QStringView text, QString &reason);

// The same in the given format; the one above is the default format's.
bool writeTextFile(const QString &path, QStringView text, const TextFormat &format,
                   QString &reason);

} // namespace zezu
