#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QChar>
#include <QString>

#include <algorithm>
#include <cstdint>
#include <optional>

namespace zezu {

// How a text file's characters are stored.
enum class Encoding : std::uint8_t { Windows1251, Utf8, Utf16LE, Utf16BE };

// How a text file's lines end. In the text itself every line break is CR LF
// whatever the file holds; this says what is written back.
enum class LineEnds : std::uint8_t { CrLf, Lf };

// A text file's format: a document keeps the one its file had and is saved in
// it. The default is the format of a new document.
struct TextFormat
{
    Encoding encoding = Encoding::Windows1251;
    // A byte order mark opens the file (never for Windows-1251).
    bool bom = false;
    LineEnds lineEnds = LineEnds::CrLf;

    friend bool operator==(const TextFormat &, const TextFormat &) = default;
};

// The name the user knows an encoding by ("windows-1251", "UTF-8", ...),
// and the encoding of a name, in any case, among those it goes by ("cp1251",
// "utf8", "utf-16", ...).
QString encodingName(Encoding encoding);
std::optional<Encoding> encodingNamed(QStringView name);

// The byte order mark of an encoding; empty for Windows-1251.
QByteArrayView byteOrderMark(Encoding encoding);

// The continuation bytes a UTF-8 lead byte needs and the range of the first
// of them, from Unicode's table of well-formed sequences (so no overlong
// form, no surrogate, nothing past U+10FFFF); need is 0 for an ASCII byte and
// for a byte that cannot lead a sequence (valid false).
struct Utf8Lead
{
    bool valid;
    std::uint8_t need;
    std::uint8_t low;
    std::uint8_t high;
};

constexpr Utf8Lead utf8Lead(std::uint8_t b)
{
    if (b < 0x80)
        return {true, 0, 0x80, 0xBF};
    if (b >= 0xC2 && b <= 0xDF)
        return {true, 1, 0x80, 0xBF};
    if (b >= 0xE0 && b <= 0xEF)
        return {true, 2, std::uint8_t(b == 0xE0 ? 0xA0 : 0x80), std::uint8_t(b == 0xED ? 0x9F : 0xBF)};
    if (b >= 0xF0 && b <= 0xF4)
        return {true, 3, std::uint8_t(b == 0xF0 ? 0x90 : 0x80), std::uint8_t(b == 0xF4 ? 0x8F : 0xBF)};
    return {false, 0, 0x80, 0xBF};
}

// Reads UTF-8 a piece at a time: each well-formed sequence is one character,
// each byte of an ill-formed sequence's maximal part (as Unicode delimits
// them) stray. The one account of UTF-8 that detection, files and names use.
struct Utf8Reader
{
    // Reads [p, end), which starts at offset at: put(unit) for every unit,
    // stray(byte, offset) for every stray byte. A sequence still waiting for
    // bytes is held.
    template <typename Put, typename Stray>
    void read(const std::uint8_t *p, const std::uint8_t *end, qint64 at, Put &&put, Stray &&stray);
    // Whether a sequence is held, and its bytes handed to stray.
    bool holding() const { return need != 0; }
    template <typename Stray>
    void flush(Stray &&stray);

    std::uint8_t held[4] = {};
    std::uint8_t heldCount = 0;
    qint64 heldAt = 0;
    std::uint8_t need = 0;
    std::uint8_t low = 0x80;
    std::uint8_t high = 0xBF;
    char32_t code = 0;
};

template <typename Put, typename Stray>
inline void Utf8Reader::read(const std::uint8_t *p, const std::uint8_t *end, qint64 at, Put &&put,
                      Stray &&stray)
{
    for (const std::uint8_t *const start = p; p != end; ++p) {
        const std::uint8_t b = *p;
        if (need != 0) {
            if (b >= low && b <= high) {
                held[heldCount++] = b;
                code = code << 6 | (b & 0x3F);
                low = 0x80;
                high = 0xBF;
                if (--need != 0)
                    continue;
                heldCount = 0;
                if (code < 0x10000) {
                    put(char16_t(code));
                } else {
                    put(QChar::highSurrogate(code));
                    put(QChar::lowSurrogate(code));
                }
                continue;
            }
            // The sequence broke off: its bytes are stray, and this byte
            // starts afresh.
            flush(stray);
        }
        if (b < 0x80) {
            put(char16_t(b));
            continue;
        }
        const Utf8Lead lead = utf8Lead(b);
        if (!lead.valid) {
            stray(b, at + (p - start));
            continue;
        }
        need = lead.need;
        low = lead.low;
        high = lead.high;
        code = b & (0x7F >> (lead.need + 1));
        held[0] = b;
        heldCount = 1;
        heldAt = at + (p - start);
    }
}

template <typename Stray>
inline void Utf8Reader::flush(Stray &&stray)
{
    for (int i = 0; i < heldCount; ++i)
        stray(held[i], heldAt + i);
    heldCount = 0;
    need = 0;
}

// A character whose two UTF-8 bytes Windows-1251 reads as a capital letter
// and "Ё", "ё", "І" or "і": the one way Russian or Ukrainian prose (in every
// piece of the fortunes-ru texts) is valid UTF-8 with a single multi-byte
// sequence, as in "Её", "Гёте", "ЧЁТ" or "на Сі".
constexpr bool readsAsCyrillicPair(char16_t unit)
{
    const unsigned second = 0x80 | (unit & 0x3F);
    return unit >= 0x80 && unit < 0x800
        && (second == 0xA8 || second == 0xB8 || second == 0xB2 || second == 0xB3);
}

// Checks, piece by piece, whether bytes are UTF-8 text as detection means it:
// strictly valid (no overlong forms, no surrogates, nothing past U+10FFFF),
// no C1 control (U+0080-U+009F, but U+0098), and a multi-byte sequence, or one that
// Windows-1251 does not read as two letters (readsAsCyrillicPair).
// Or mostly so: a text cut or pasted together now and then has a few bytes
// out of place, which a Windows-1251 text cannot mimic: its letters break
// UTF-8 at nearly every other byte, and even a piece that happens to be valid
// holds one multi-byte sequence at most (in the fortunes-ru prose).
class Utf8Validator
{
public:
    // Mostly UTF-8: at most this many stray parts (bytes that are not
    // UTF-8, a C1 control unless allowed, a sequence cut off at the end),
    // each with at least kSequencesPerStray well-formed multi-byte sequences.
    static constexpr qint64 kMostStrays = 64;
    static constexpr qint64 kSequencesPerStray = 32;

    // c1Allowed: a C1 control is valid too, as in a file that says it is UTF-8.
    explicit Utf8Validator(bool c1Allowed = false)
        : m_c1Allowed(c1Allowed)
    {
    }

    void feed(QByteArrayView bytes);

    // An invalid byte (or a C1 control, unless allowed) was fed.
    bool broken() const { return m_invalid != 0 || m_c1 != 0; }
    // The last sequence fed still waits for bytes.
    bool midSequence() const { return m_reader.holding(); }
    // Everything fed so far, taken as a whole file, reads as UTF-8.
    bool holdsUtf8Text() const
    {
        return !broken() && !midSequence()
            && (m_sequences >= 2 || (m_sequences == 1 && !m_onlyReadsAsCyrillic));
    }
    // Everything fed so far, taken as a whole file, is mostly UTF-8.
    bool mostlyUtf8Text() const
    {
        const qint64 strays = m_invalid + m_c1 + midSequence();
        return strays <= kMostStrays && m_sequences >= kSequencesPerStray * std::max<qint64>(strays, 1);
    }
    // No bytes that follow can make the whole even mostly UTF-8.
    bool beyondMostly() const { return m_invalid + m_c1 > kMostStrays; }
    // Everything fed so far, written as a file without a mark, would read
    // back as Windows-1251 text other than itself: a file a writer must open
    // with the mark.
    bool needsMark() const
    {
        return !holdsUtf8Text() && !mostlyUtf8Text() && m_sequences + m_invalid + m_c1 > 0;
    }

private:
    Utf8Reader m_reader;
    bool m_c1Allowed;
    qint64 m_sequences = 0;
    bool m_onlyReadsAsCyrillic = false; // the first sequence, were it the only one
    qint64 m_invalid = 0; // bytes
    qint64 m_c1 = 0;
};

// UTF-8 about to be written without the mark, fed in pieces: whether it must
// have the mark to read back as itself (Utf8Validator::needsMark(), or a
// first character U+FEFF, which would pass for the mark).
class UnmarkedUtf8
{
public:
    void feed(QByteArrayView bytes)
    {
        m_head.append(bytes.first(std::min(bytes.size(), 3 - m_head.size())));
        m_validator.feed(bytes);
    }
    bool needsMark() const { return m_validator.needsMark() || m_head == "\xEF\xBB\xBF"; }

private:
    QByteArray m_head;
    Utf8Validator m_validator;
};

// Tells a file's format from its bytes, fed in pieces of any size:
//  - a byte order mark: UTF-8 (EF BB BF), UTF-16 LE (FF FE) or BE (FE FF),
//    trusted only when what follows it is plausible in that encoding: valid
//    or mostly valid UTF-8; or for UTF-16 what plausibleUtf16() says. A
//    Windows-1251 text may well open with "яю", "юя" or "п»ї"; it is then
//    Windows-1251, whatever its letters: read as UTF-16, its letters make
//    units past U+C000 and its spaces units such as U+20E0, never a unit
//    with a zero byte;
//  - else UTF-8 when Utf8Validator says it holds UTF-8 text or mostly does:
//    a Windows-1251 text is rarely valid UTF-8 at all, and two sequences and
//    no C1 control make a chance match ("Её" is the valid UTF-8 "Ÿ") rarer
//    still;
//  - else Windows-1251 (so pure ASCII too).
// Line ends are LF when the file holds an LF and no CR at all (in UTF-16,
// code units U+000A and U+000D); any CR keeps the CR LF rule.
//
// The verdict is for exactly the bytes fed: a reader that streams may detect
// on the head it has, but a later byte can still change the answer (an
// invalid sequence makes it Windows-1251, a CR makes it CR LF).
class FormatDetector
{
public:
    void feed(QByteArrayView bytes);
    TextFormat format() const;
    // No further byte can change the verdict: a reader may stop feeding.
    bool settled() const;

private:
    enum class Mark : std::uint8_t { Undecided, None, Utf8, Utf16LE, Utf16BE };

    void decideMark();
    void scanBytes(const std::uint8_t *bytes, qsizetype size);
    void scanUnits(const std::uint8_t *bytes, qsizetype size);
    bool utf16Mark() const { return m_mark == Mark::Utf16LE || m_mark == Mark::Utf16BE; }
    // What follows a UTF-16 mark, so far, reads as UTF-16 text: no unpaired
    // surrogate, and a unit with a zero byte (as every text with a space, a
    // digit or a line break has) or none but letters of one script or
    // another ("Привет"); or nothing at all. A file cut short inside its
    // last character is still one (its half unit a stray byte).
    bool plausibleUtf16() const
    {
        return !m_unpaired && (m_sawZeroByteUnit || !m_sawUnlikelyUnit)
            && (m_sawUnit || (m_pendingByte < 0 && m_pendingHigh == 0));
    }

    Mark m_mark = Mark::Undecided;
    // The first bytes, held until they show whether a mark opens the file.
    std::uint8_t m_head[3] = {};
    std::uint8_t m_headSize = 0;
    // Without a mark, whether the file is UTF-8; after the UTF-8 mark,
    // whether what follows is.
    Utf8Validator m_utf8;
    // The bytes' CR and LF, and, after a UTF-16 mark, the units'.
    bool m_sawCr = false;
    bool m_sawLf = false;
    bool m_sawCrUnit = false;
    bool m_sawLfUnit = false;
    // UTF-16: the first byte of a code unit whose second is still to come, a
    // high surrogate waiting for its low one, and what the units showed.
    int m_pendingByte = -1;
    char16_t m_pendingHigh = 0;
    bool m_unpaired = false;
    bool m_sawUnit = false;
    bool m_sawZeroByteUnit = false;
    bool m_sawUnlikelyUnit = false;
};

} // namespace zezu
