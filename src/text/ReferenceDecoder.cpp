#include "text/ReferenceDecoder.h"

#include "text/Appending.h"
#include "text/ReferenceRule.h"



#include <QtGlobal>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <utility>

// ZEZU_CONVERT_PORTABLE forces the plain C++ path, so that it can be tested here.
#if !defined(ZEZU_CONVERT_PORTABLE) \
    && (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define ZEZU_DECODE_SSE2 1
#endif

namespace zezu {
namespace {

struct NamedEntry
{
    std::uint16_t offset; // of the name in kNameText
    std::uint8_t length;
    std::uint8_t units;
    char16_t unit[2];
};

#include "text/NamedReferences.inc"

static_assert(kLongestReferenceStart == 1 + kLongestName);

constexpr int indexOfName(const char *name)
{
    for (int i = 0; i < kNamedCount; ++i) {
        const NamedEntry &e = kNamed[i];
        int j = 0;
        while (j < e.length && name[j] == kNameText[e.offset + j])
            ++j;
        if (j == e.length && name[j] == '\0')
            return i;
    }
    return -1;
}

// The converter writes a space as "&nbsp;", so it comes back as a space, not
// as the no-break space the name stands for elsewhere.
constexpr int kNbsp = indexOfName("nbsp");
static_assert(kNbsp >= 0);

// The text is scanned for "&" in blocks of this many units (one 16-byte load).
constexpr qsizetype kBlock = 8;

// Numbers are clamped here, past every code point, so that no run of digits
// can overflow.
constexpr std::uint32_t kClamp = 0x110000;

inline bool isAlnum(char16_t c)
{
    return isDigit(c) || unsigned((c | 0x20) - u'a') < 26;
}

// Sign of the comparison of name[0..length) with entry's name.
int compareName(const char16_t *name, int length, const NamedEntry &entry)
{
    const char *known = kNameText + entry.offset;
    const int common = std::min(length, int(entry.length));
    for (int i = 0; i < common; ++i) {
        if (name[i] != char16_t(known[i]))
            return name[i] < char16_t(known[i]) ? -1 : 1;
    }
    return length - int(entry.length);
}

// The first entry whose name is not below name[0..length); name[0] is ASCII.
const NamedEntry *lowerBound(const char16_t *name, int length)
{
    const NamedEntry *first = kNamed + kFirstIndex[name[0]];
    const NamedEntry *last = kNamed + kFirstIndex[name[0] + 1];
    return std::lower_bound(first, last, 0, [&](const NamedEntry &entry, int) {
        return compareName(name, length, entry) > 0;
    });
}

// Writes the character a numeric reference stands for, as HTML reads it: the
// numbers it calls errors but keeps (controls, noncharacters) are kept too.
inline void putCodePoint(char16_t *&dst, std::uint32_t value)
{
    if (value - 0x80 < 0x20) {
        *dst++ = kC1Replacement[value - 0x80];
        return;
    }
    if (value == 0 || value >= kClamp || value - 0xD800 < 0x800) {
        *dst++ = u'\uFFFD';
        return;
    }
    if (value >= 0x10000) {
        *dst++ = QChar::highSurrogate(value);
        *dst++ = QChar::lowSurrogate(value);
        return;
    }
    *dst++ = char16_t(value);
}

// The digits of a numeric reference from p on: their value (clamped), how
// many are not leading zeros, and where they end.
struct Digits
{
    std::uint32_t value = 0;
    qsizetype significant = 0;
    const char16_t *end = nullptr;
};

Digits readDigits(const char16_t *p, const char16_t *end, bool hex)
{
    Digits d;
    const unsigned base = hex ? 16 : 10;
    for (unsigned v; p != end && (v = digitValue(*p, hex)) < base; ++p) {
        d.value = d.value < kClamp ? d.value * base + v : d.value;
        d.significant += d.significant > 0 || v != 0;
    }
    d.end = p;
    return d;
}

// src starts "&#"; returns where the reference ends, or null when it is none.
const char16_t *decodeNumeric(const char16_t *src, const char16_t *end, char16_t *&dst)
{
    const char16_t *p = src + 2;
    const bool hex = p != end && (*p | 0x20) == u'x';
    p += hex;
    const Digits d = readDigits(p, end, hex);
    if (d.end == p || d.end == end || *d.end != u';' || d.significant > kMostDigits)
        return nullptr;
    putCodePoint(dst, d.value);
    return d.end + 1;
}

// src starts "&" and no "#"; returns where the reference ends, or null.
const char16_t *decodeNamed(const char16_t *src, const char16_t *end, char16_t *&dst)
{
    const char16_t *const name = src + 1;
    const char16_t *const limit = end - name > kLongestName ? name + kLongestName : end;
    const char16_t *p = name;
    while (p != limit && isAlnum(*p))
        ++p;
    if (p == name || p == end || *p != u';')
        return nullptr;
    const int length = int(p - name);
    const NamedEntry *entry = lowerBound(name, length);
    if (entry == kNamed + kNamedCount || compareName(name, length, *entry) != 0)
        return nullptr;
    if (entry == kNamed + kNbsp) {
        *dst++ = u' ';
    } else {
        *dst++ = entry->unit[0];
        if (entry->units == 2)
            *dst++ = entry->unit[1];
    }
    return p + 1;
}

// The converter's named reference I at src, decoded: the rule's table
// unfolded at compile time, each comparison of a known length.
template <std::size_t I>
inline bool decodeNamedShortcut(const char16_t *src, char16_t *&dst, const char16_t *&next)
{
    constexpr std::u16string_view name = rule::kNamed[I].reference.substr(1);
    if (std::memcmp(src + 1, name.data(), name.size() * sizeof(char16_t)) != 0)
        return false;
    *dst++ = rule::kNamed[I].character;
    next = src + 1 + name.size();
    return true;
}

template <std::size_t... I>
inline bool decodeNamedShortcut(const char16_t *src, char16_t *&dst, const char16_t *&next,
                                std::index_sequence<I...>)
{
    return (decodeNamedShortcut<I>(src, dst, next) || ...);
}

// Decodes the reference at src (an "&"), or copies the "&" when there is
// none; returns where the next text starts.
inline const char16_t *decodeAt(const char16_t *src, const char16_t *end, char16_t *&dst)
{
    if (end - src >= kBlock) {
        // What the converter writes (ReferenceRule.h), without a search: its
        // numbers of four digits, then its names (the space's included, which
        // comes back as the space it was).
        if (src[1] == u'#') {
            const unsigned d0 = unsigned(src[2] - u'1'), d1 = unsigned(src[3] - u'0');
            const unsigned d2 = unsigned(src[4] - u'0'), d3 = unsigned(src[5] - u'0');
            if ((d0 < 9) & (d1 < 10) & (d2 < 10) & (d3 < 10) & (src[6] == u';')) {
                *dst++ = char16_t((d0 + 1) * 1000 + d1 * 100 + d2 * 10 + d3);
                return src + 7;
            }
        } else if (const char16_t *next = nullptr; decodeNamedShortcut(
                       src, dst, next, std::make_index_sequence<std::size(rule::kNamed)>())) {
            return next;
        }
    }
    const char16_t *next = nullptr;
    if (end - src >= 2)
        next = src[1] == u'#' ? decodeNumeric(src, end, dst) : decodeNamed(src, end, dst);
    if (next)
        return next;
    *dst++ = u'&';
    return src + 1;
}

// Copies the runs between references and decodes each; returns the end of
// the output.
char16_t *decodeRuns(const char16_t *src, const char16_t *end, char16_t *dst)
{
    while (src != end) {
        const char16_t *amp = std::find(src, end, u'&');
        std::memcpy(dst, src, sizeof(char16_t) * std::size_t(amp - src));
        dst += amp - src;
        src = amp;
        if (src != end)
            src = decodeAt(src, end, dst);
    }
    return dst;
}

#ifdef ZEZU_DECODE_SSE2

// Each block is stored to the output before it is looked at: the output never
// runs ahead of the input, so a whole block always has room.
char16_t *decode(const char16_t *src, const char16_t *end, char16_t *dst)
{
    const __m128i amp = _mm_set1_epi16(static_cast<short>(u'&'));
    while (end - src >= kBlock) {
        // In converted text references mostly follow each other: no scan.
        if (*src == u'&') {
            src = decodeAt(src, end, dst);
            continue;
        }
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), v);
        const unsigned mask = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi16(v, amp)));
        if (mask == 0) {
            src += kBlock;
            dst += kBlock;
            continue;
        }
        const int skip = std::countr_zero(mask) / 2;
        src += skip;
        dst += skip;
        src = decodeAt(src, end, dst);
    }
    return decodeRuns(src, end, dst);
}

#else

char16_t *decode(const char16_t *src, const char16_t *end, char16_t *dst)
{
    return decodeRuns(src, end, dst);
}

#endif

// Whether text (ASCII letters and digits) begins some name.
bool beginsName(QStringView text)
{
    if (text.size() > kLongestName)
        return false;
    const int length = int(text.size());
    const NamedEntry *entry = lowerBound(text.utf16(), length);
    return entry != kNamed + kNamedCount && entry->length >= length
        && std::equal(text.begin(), text.end(), kNameText + entry->offset,
                      [](QChar c, char known) { return c.unicode() == char16_t(known); });
}

} // namespace

QString fromReferences(QStringView references)
{
    QString out;
    appendText(out, references);
    return out;
}

void appendText(QString &out, QStringView references)
{
    if (references.isEmpty())
        return;
    if (overlaps(out, references)) {
        // Growing out would move the text away from under us.
        const QString copy = references.toString();
        appendText(out, copy);
        return;
    }
    const qsizetype start = out.size();
    // Every reference is longer than what it stands for.
    const qsizetype room = start + references.size();
    char16_t *const base = roomFor(out, room);
    const char16_t *const src = references.utf16();
    char16_t *const dst = decode(src, src + references.size(), base + start);
    Q_ASSERT(dst - base <= room);
    out.resize(dst - base);
}

qsizetype incompleteReferenceTail(QStringView piece)
{
    const qsizetype n = piece.size();
    const char16_t *const units = piece.utf16();
    // The letters and digits at the end: all of them may be a reference's if
    // an "&" or "&#" comes before them.
    qsizetype i = n;
    bool onlyHex = true;
    while (i > 0 && isAlnum(piece[i - 1].unicode())) {
        onlyHex = onlyHex && (hexValue(piece[i - 1].unicode()) < 16
                              || (piece[i - 1].unicode() | 0x20) == u'x');
        --i;
        if (!onlyHex && n - i > kLongestName)
            return 0; // too long for a name, and not a number
    }
    const QStringView run = piece.sliced(i);
    if (i >= 1 && piece[i - 1] == u'&')
        return run.isEmpty() || beginsName(run) ? n - i + 1 : 0;
    if (i >= 2 && piece[i - 1] == u'#' && piece[i - 2] == u'&') {
        QStringView digits = run;
        const bool hex = !digits.isEmpty() && (digits[0].unicode() | 0x20) == u'x';
        if (hex)
            digits = digits.sliced(1);
        const Digits d = readDigits(units + (n - digits.size()), units + n, hex);
        return d.end == units + n && d.significant <= kMostDigits ? n - i + 2 : 0;
    }
    return 0;
}

} // namespace zezu

