#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace zezu {

// Text files are Windows-1251, one byte per character, with no byte order mark.
//
// Reading goes line by line: a line ends at CR or at CR LF, and a lone LF is an
// ordinary character of its line. Every line read is followed by CR LF in the
// text, so a last line without a break gets one; an empty file is an empty text.
//
// Writing puts down the text exactly as it stands, nothing added at the end,
// so a file that was opened and saved keeps its bytes. A character the page
// cannot hold is written as "?" (a surrogate pair is one character).

// Decodes a file's bytes piece by piece, so that a large file never has to
// be held whole as bytes beside its text.
class LineDecoder
{
public:
    // sizeHint: the number of bytes expected, to reserve the text once.
    explicit LineDecoder(qsizetype sizeHint = 0);

    void feed(QByteArrayView bytes);
    // The text of everything fed; the decoder is spent afterwards.
    QString finish();

private:
    void ensureRoom(qsizetype units);

    QString m_text;
    // The last byte fed was a CR: an LF that comes next belongs to it.
    bool m_afterCr = false;
    // The current line has characters and no break yet.
    bool m_lineOpen = false;
};

QString decodeText(QByteArrayView bytes);
QByteArray encodeText(QStringView text);

// Bytes read per call; a CR LF pair may straddle two reads.
inline constexpr qsizetype kReadChunk = qsizetype(1) << 20;
// Characters encoded and written per call.
inline constexpr qsizetype kWriteChunk = qsizetype(1) << 20;

// The largest file the open command reads. Qt's text area takes about a
// second per 10 MiB of short lines to take a text in, without a chance to show
// progress, so a larger file is refused with a message instead of freezing the
// window (a 200 MiB file would take some 20 s and 1.2 GiB). The limit still
// lets the editor reopen what it saves after converting a 10 MB text.
inline constexpr qint64 kMaxOpenBytes = qint64(128) << 20;

// Reads and decodes the whole file, refusing one of more than maxBytes bytes
// (none when negative). Anything but a regular file is refused without
// waiting on it. On failure text is left as it was and reason says why, in
// words for the user.
bool readTextFile(const QString &path, QString &text, QString &reason, qint64 maxBytes = -1);

// Writes the text, keeping the file's owner, group, mode and other names
// (see saveFile()): atomically, by a complete new file renamed over the old,
// wherever that keeps them; on failure reason says why, in words for the user.
bool writeTextFile(const QString &path, QStringView text, QString &reason);

} // namespace zezu
