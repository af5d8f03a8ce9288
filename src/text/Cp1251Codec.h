#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

namespace zezu {

// The editor's default file format, and its long-standing reader and writer:
// Windows-1251 with CR LF line ends. The lookup tables are shared with the
// other formats' codecs (TextCodec.h), built once from the code page.

// The character of each byte (U+0098 for the unassigned 0x98).
const std::array<char16_t, 256> &cp1251ReadTable();

// The byte of each UTF-16 code unit, "?" where the page has none. Every byte
// a file can hold is written back as itself.
const std::array<std::uint8_t, 65536> &cp1251WriteTable();

inline bool isHighSurrogate(char16_t u) { return (u & 0xFC00) == 0xD800; }
inline bool isLowSurrogate(char16_t u) { return (u & 0xFC00) == 0xDC00; }

// Encodes text into out, which has room for text.size() bytes; returns the
// number of bytes written. A surrogate pair is one character and one "?"; a
// lone surrogate is one "?" too.
qsizetype encodeCp1251Into(QStringView text, char *out);

// Windows-1251 files: one byte per character, with no byte order mark.
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
    // Hands over the text decoded since the last take, for a reader that
    // streams: out's old buffer is reused for what comes next.
    void take(QString &out);
    // The text of everything fed (since the last take); the decoder is spent
    // afterwards.
    QString finish();

private:
    // Capacity for units in all.
    void reserve(qsizetype units);
    void ensureRoom(qsizetype units);

    QString m_text;
    // The last byte fed was a CR: an LF that comes next belongs to it.
    bool m_afterCr = false;
    // The current line has characters and no break yet.
    bool m_lineOpen = false;
};

QString decodeText(QByteArrayView bytes);
QByteArray encodeText(QStringView text);

} // namespace zezu
