#pragma once

#include "text/LineRule.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace zezu {

// Bytes of a file that are not of its encoding (UTF-8, or the last byte of a
// UTF-16 file cut short): how many, and the offset in the file of the first.
struct StrayBytes
{
    qint64 count = 0;
    qint64 first = -1;
};

// A stray byte (one that is not UTF-8: 0x80..0xFF; or the half unit that
// ends a UTF-16 file cut short) is kept in text as the lone surrogate
// U+DC00 + byte, as Python's surrogateescape has it, so that UTF-8 writes it
// back as it was, in a file and in a file's name alike. Such a surrogate is
// lone: after a high one it is half of a character.
constexpr bool isEscapedByte(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDCFF; }

// What stands for a unit or a sequence no character can be made of.
inline constexpr char16_t kReplacement = 0xFFFD;

// A name (a path from a command line, say) from bytes that should be UTF-8,
// with the bytes that are not as escapes (TextEncoder writes them back).
QString decodeUtf8Escaped(QByteArrayView bytes);
// The text as it is shown to the user: an escaped byte as U+FFFD.
QString withEscapesShown(QString text);

// Decodes a file's bytes in a known format into the editor's text, piece by
// piece: pieces of any size, cut anywhere (in a CR LF, a UTF-8 sequence, a
// UTF-16 code unit or surrogate pair, the byte order mark), give the same
// text as the bytes fed whole.
//
// The text is UTF-16 with a CR LF after every line, the last one included;
// an empty file is an empty text. With CR LF line ends a line ends at CR or
// CR LF and a lone LF is a character of its line, as ever. With LF line ends
// an LF ends a line too (detection gives LF only to files with no CR).
// A leading byte order mark is dropped when the format has one. A byte that
// is not UTF-8 in a UTF-8 file (each byte of an ill-formed sequence's maximal
// part, as Unicode delimits them) becomes the lone surrogate U+DC00 + byte
// of its value, as Python's surrogateescape has it, so that a save writes it
// back (TextEncoder) and nothing is lost; they are counted. In UTF-16 a lone
// surrogate becomes U+FFFD; the last byte of a file cut short inside a unit
// is a stray byte, kept and counted as in UTF-8.
class TextDecoder
{
public:
    // sizeHint: the number of bytes expected, to reserve the text once.
    explicit TextDecoder(const TextFormat &format, qsizetype sizeHint = 0);

    void feed(QByteArrayView bytes);
    // Hands over the text decoded since the last take, for a reader that
    // streams: out's old buffer is reused for what comes next. What waits
    // for more bytes (half a CR LF, a cut sequence) stays in the decoder.
    void take(QString &out);
    // The text of everything fed (since the last take); the decoder is spent
    // afterwards.
    QString finish();

    // The bytes of a UTF-8 file that were not UTF-8, so far.
    const StrayBytes &strayBytes() const { return m_stray; }

private:
    // at: the offset in the file of bytes[0].
    void decode(const std::uint8_t *bytes, qsizetype size, qint64 at);
    void putStray(std::uint8_t byte, qint64 at);
    void putHeldAsStray();
    void decodeUtf8(const std::uint8_t *bytes, const std::uint8_t *end);
    void putUtf16Unit(char16_t unit);
    // What a break or the end cuts off: a UTF-8 sequence or a high surrogate
    // still waiting is one U+FFFD.
    void endSequence();
    void lineBreak();

    // Room for units more units at m_out.
    void makeRoom(qsizetype units)
    {
        if (m_end - m_out < units)
            grow(units);
    }
    void grow(qsizetype units);
    void put(char16_t unit) { *m_out++ = unit; }
    // m_text is m_out long again, when a feed or the finish ends.
    void settle();

    TextFormat m_format;
    LineRule m_lines;

    // Written up to m_out, with room up to m_end.
    QString m_text;
    char16_t *m_out = nullptr;
    char16_t *m_end = nullptr;

    // Bytes of the byte order mark matched so far, held until it is whole.
    qsizetype m_markMatched = 0;
    bool m_markDone = true;

    // Bytes fed so far, and where in the file the piece being decoded starts.
    qint64 m_fed = 0;
    const std::uint8_t *m_piece = nullptr;
    qint64 m_pieceAt = 0;
    StrayBytes m_stray;

    Utf8Reader m_utf8;

    // UTF-16: the code units of a piece, the first byte of a unit and a high
    // surrogate still waiting.
    std::vector<char16_t> m_units;
    int m_pendingByte = -1;
    char16_t m_pendingHigh = 0;
};

// Encodes the editor's text into a file's bytes, piece by piece: pieces cut
// anywhere (in a surrogate pair, in a CR LF) give the same bytes as the text
// encoded whole.
//
// The byte order mark, when the format has one, opens the output. With LF
// line ends each CR LF is written as LF and every other character as it is
// (a lone CR or LF too), so a file that had LF line ends and a final break
// gets back its very bytes. UTF-8 and UTF-16 write every character; a lone
// surrogate, which no file can hold, is written as U+FFFD, but in UTF-8 one
// of U+DC00..U+DCFF, a stray byte when read (TextDecoder), is
// written as that byte. Windows-1251 writes
// "?" for what the page cannot hold, a surrogate pair as one "?".
class TextEncoder
{
public:
    explicit TextEncoder(const TextFormat &format);

    // How many characters were written as "?" or U+FFFD so far.
    qint64 replaced() const { return m_replaced; }

    // Appends the bytes of the piece to out.
    void feed(QStringView text, QByteArray &out);
    // Appends what the last piece left waiting; the encoder is spent afterwards.
    void finish(QByteArray &out);

private:
    char *begin(QByteArray &out, qsizetype maxBytes);
    char *put(char32_t c, char *o);
    char *putLoneSurrogate(char16_t unit, char *o);

    TextFormat m_format;
    bool m_started = false;
    // Windows-1251 with CR LF line ends, written a unit at a time: the last
    // piece ended in a high surrogate, already written as "?", whose low
    // half is to be skipped.
    bool m_skipLow = false;
    // A high surrogate, and a CR of an LF file, waiting for the next unit.
    char16_t m_pendingHigh = 0;
    bool m_pendingCr = false;
    qint64 m_replaced = 0;
};

QByteArray encodeText(QStringView text, const TextFormat &format);

// The characters of a text that a Windows-1251 file cannot hold, which a save
// in that encoding writes as "?": how many (a surrogate pair is one) and the
// first. None for the other encodings, which hold every character.
struct UnheldCharacters
{
    qint64 count = 0;
    char32_t first = 0;
    // Those of the text's next piece added.
    UnheldCharacters &operator+=(const UnheldCharacters &next)
    {
        if (count == 0)
            first = next.first;
        count += next.count;
        return *this;
    }
};
UnheldCharacters unheldCharacters(QStringView text, Encoding encoding);
// Whether the encoding holds every character, so that no text need be
// scanned for those it cannot.
constexpr bool holdsEveryCharacter(Encoding encoding) { return encoding != Encoding::Windows1251; }

} // namespace zezu
