#pragma once

#include "files/FileStamp.h"
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
// format from its bytes, decodes by it (TextCodec.h) and sets format. The
// file is read once, by the format its head tells, and read again only when
// the rest tells another. Anything but a regular file is refused without
// waiting on it. betweenPieces, when
// given, runs after every piece read, so that a window can answer while a
// large file is read; when it says no, the reading stops, with no reason. On
// failure text and format are left as they were and reason says why, in words
// for the user. stray, when given, is set to what of a UTF-8 file was not
// UTF-8 (kept in the text as TextDecoder keeps it).
// stamp, when given, is set to the stamp of the file whose bytes were read.
bool readTextFile(const QString &path, QString &text, TextFormat &format, QString &reason,
                  const std::function<bool()> &betweenPieces = {}, StrayBytes *stray = nullptr,
                  FileStamp *stamp = nullptr);

// Reads the file as readTextFile does, but hands its text to take a piece at
// a time as it is decoded, with how many bytes were read so far, so that a
// window can show the start of a large file while the rest is read; take
// says no to stop the reading, with no reason. The format is told from the
// bytes read so far. Should a later byte tell another (an invalid sequence
// after a UTF-8 head, a CR after LF line ends), restart() is called and the
// file is read again, by the format all of its bytes tell, before more text
// is handed over.
bool streamTextFile(const QString &path, TextFormat &format, QString &reason,
                    const std::function<bool(const QString &, qint64)> &take,
                    const std::function<void()> &restart,
                    const std::function<bool()> &betweenPieces = {}, StrayBytes *stray = nullptr,
                    FileStamp *stamp = nullptr);

// A text read a piece at a time, so that no second copy of a large one is
// made: appends the piece that begins at at (0 for the first) to into, and
// returns where the next begins, or -1 after the last. No piece ends inside
// a CR LF pair or a surrogate pair.
using TextPieces = std::function<qsizetype(qsizetype at, QString &into)>;
// Calls each with every piece of the text in turn.
void forEachPiece(const TextPieces &text, const std::function<void(QStringView)> &each);

// Writes the text in the format, keeping the file's owner, group, mode and
// other names (see saveFile()): atomically, by a complete new file renamed
// over the old, wherever that keeps them; on failure reason says why, in
// words for the user. So that the file reads back as the text, UTF-8 gets
// the byte order mark where it would otherwise read as Windows-1251: format
// then says so.
// written, when given, is set to the stamp of the file as written.
// betweenPieces, when given, runs after every piece written and every few
// milliseconds while the system makes the file lasting, so that a window can
// answer; when it says no, the save stops, the file as it was, with no
// reason.
bool writeTextFile(const QString &path, const TextPieces &text, TextFormat &format,
                   QString &reason, FileStamp *written = nullptr,
                   const std::function<bool()> &betweenPieces = {});
// How many times writeTextFile reads the text through in the format: twice
// when a first pass must tell whether UTF-8 needs its mark, else once (and
// once more when the file is written in place, to know its size first).
int textReadings(const TextFormat &format);

} // namespace zezu
