// The rule (ReferenceRule.h): a space and " & < > become named references,
// А..я and ё decimal ones, every other character Windows-1251 holds is
// copied, any other character (a surrogate pair is one) becomes its decimal
// reference, and a lone surrogate, which is no character, or a C1 control,
// which no reference carries, becomes "?".
//
// The fast paths rely on two invariants. Output is written into room sized by
// outputBound(), an upper bound of the result plus kSlack, so no store checks
// for space. Every unit below kSlotLimit has its whole output prepared in a
// 16-byte slot, written with one unaligned store that may spill past the
// output's end into that slack; the length table says how far to advance.
// Text is read in blocks of eight units: a block of plain ASCII without
// markup is copied, a block of units under kSlotLimit goes through the slots,
// and anything else is converted one character at a time.
#include "text/ReferenceConverter.h"

#include "text/Appending.h"
#include "text/CodePage1251.h"
#include "text/ReferenceRule.h"

#include <QtGlobal>

#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

// ZEZU_CONVERT_PORTABLE forces the plain C++ path, so that it can be tested here.
#if !defined(ZEZU_CONVERT_PORTABLE) \
    && (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define ZEZU_CONVERT_SSE2 1
#endif

namespace zezu {
namespace {

// Every code unit below this limit has its output prepared in a slot, so the
// hot loop copies slots without asking what kind of character it has. The
// limit is a power of two so that "a whole block is below it" is one mask.
constexpr char16_t kSlotLimit = 0x800;

// A slot is 16 bytes, written whole with one unaligned store; the longest
// output ("&#1103;") takes 7 units. The lengths live in a table of their own:
// reading them apart from the slots measured faster.
constexpr int kSlotUnits = 8;

// The text is read in blocks of this many units (one 16-byte load).
constexpr qsizetype kBlock = 8;

// Room past the counted output: the last slot store may spill this far.
constexpr qsizetype kSlack = kSlotUnits;

struct alignas(16) Slot
{
    char16_t unit[kSlotUnits];
};

// At most how many units a code unit adds to the output beyond its own one.
// The bound is loose where that makes the count pass cheaper: the rule's
// growing ranges each count as kGrowth, a few units between the characters
// that grow included; every other unit past ASCII counts as kForeignGrowth,
// the most a character outside the page adds ("&#65533;" for one unit). The
// slots stay within it.
constexpr int kGrowth = 6;
constexpr int kForeignGrowth = 7;

constexpr int extraBound(char16_t u)
{
    if (rule::grows(u))
        return kGrowth;
    return u >= 0x80 ? kForeignGrowth : 0;
}

// Writes "&#<code>;" for a character outside the page.
inline char16_t *putNumeric(char16_t *dst, char32_t code)
{
    char16_t digits[8];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + code % 10);
        code /= 10;
    } while (code != 0);
    *dst++ = u'&';
    *dst++ = u'#';
    while (n > 0)
        *dst++ = digits[--n];
    *dst++ = u';';
    return dst;
}

class Tables
{
public:
    static const Tables &instance()
    {
        static const Tables tables;
        return tables;
    }

    const CodePage1251 &page;
    std::array<Slot, kSlotLimit> slot{};
    std::array<std::uint8_t, kSlotLimit> length{};

private:
    Tables()
        : page(CodePage1251::instance())
    {
        for (char16_t u = 0; u < kSlotLimit; ++u) {
            const QString out = rule::referenceOf(u);
            // The count pass must never fall short of what the slots write.
            if (out.size() > kSlotUnits || out.size() > 1 + extraBound(u))
                qFatal("Reference for U+%04X does not fit the converter's tables", unsigned(u));
            std::memcpy(slot[u].unit, out.utf16(), sizeof(char16_t) * std::size_t(out.size()));
            length[u] = std::uint8_t(out.size());
        }
    }
};

inline char16_t *putSlot(const Tables &t, char16_t *dst, char16_t u)
{
    std::memcpy(dst, t.slot[u].unit, sizeof(Slot));
    return dst + t.length[u];
}

// Converts the character at src (any unit) and returns where the next starts.
inline const char16_t *convertOne(const Tables &t, const char16_t *src, const char16_t *end,
                                  char16_t *&dst)
{
    const char16_t u = *src++;
    if (u < kSlotLimit) {
        dst = putSlot(t, dst, u);
        return src;
    }
    if (t.page.codeOf(u) >= 0) {
        *dst++ = u;
        return src;
    }
    // Outside the page; a well-formed pair is one character.
    if (QChar::isHighSurrogate(u) && src != end && QChar::isLowSurrogate(*src)) {
        dst = putNumeric(dst, QChar::surrogateToUcs4(u, *src));
        return src + 1;
    }
    if (QChar::isSurrogate(u))
        *dst++ = u'?';
    else
        dst = putNumeric(dst, u);
    return src;
}

// Eight slots. Their places are summed as a tree, not one after another, so
// that the stores need not wait on each other's lengths.
inline const char16_t *convertBlockBySlots(const Tables &t, const char16_t *src, char16_t *&dst)
{
    const char16_t u0 = src[0], u1 = src[1], u2 = src[2], u3 = src[3];
    const char16_t u4 = src[4], u5 = src[5], u6 = src[6], u7 = src[7];
    const qsizetype l0 = t.length[u0], l2 = t.length[u2], l4 = t.length[u4], l6 = t.length[u6];
    const qsizetype p01 = l0 + t.length[u1];
    const qsizetype p45 = l4 + t.length[u5];
    const qsizetype p03 = p01 + l2 + t.length[u3];
    const qsizetype p07 = p03 + p45 + l6 + t.length[u7];
    char16_t *const d = dst;
    std::memcpy(d, t.slot[u0].unit, sizeof(Slot));
    std::memcpy(d + l0, t.slot[u1].unit, sizeof(Slot));
    std::memcpy(d + p01, t.slot[u2].unit, sizeof(Slot));
    std::memcpy(d + p01 + l2, t.slot[u3].unit, sizeof(Slot));
    std::memcpy(d + p03, t.slot[u4].unit, sizeof(Slot));
    std::memcpy(d + p03 + l4, t.slot[u5].unit, sizeof(Slot));
    std::memcpy(d + p03 + p45, t.slot[u6].unit, sizeof(Slot));
    std::memcpy(d + p03 + p45 + l6, t.slot[u7].unit, sizeof(Slot));
    dst = d + p07;
    return src + kBlock;
}

// How a block of kBlock units is converted.
enum class BlockKind {
    Copy,  // ASCII without markup or space: copied as it is
    Slots, // every unit below kSlotLimit: slot by slot
    Mixed, // anything else: character by character
};

#ifdef ZEZU_CONVERT_SSE2

inline __m128i splat(int v)
{
    return _mm_set1_epi16(static_cast<short>(v));
}

inline bool allZeroUnder(__m128i v, int mask)
{
    return _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_and_si128(v, splat(mask)), _mm_setzero_si128()))
        == 0xFFFF;
}

// The rule's tables unfolded at compile time: each character and range a
// constant of its own, as a hand-written test would have them.
template <std::size_t... I>
inline bool hasMarkup(__m128i v, std::index_sequence<I...>)
{
    return _mm_movemask_epi8((_mm_cmpeq_epi16(v, splat(rule::kNamed[I].character)) | ...)) != 0;
}

inline bool hasMarkup(__m128i v)
{
    return hasMarkup(v, std::make_index_sequence<std::size(rule::kNamed)>());
}

// Lanes that are in [first, last] come out as all ones.
inline __m128i inRange(__m128i v, char16_t first, char16_t last)
{
    const __m128i past = _mm_subs_epu16(_mm_sub_epi16(v, splat(first)), splat(last - first));
    return _mm_cmpeq_epi16(past, _mm_setzero_si128());
}

// All ones in the lanes that may grow by kGrowth (see extraBound).
template <std::size_t... I>
inline __m128i grows(__m128i v, std::index_sequence<I...>)
{
    return (inRange(v, rule::kGrowing[I].first, rule::kGrowing[I].last) | ...);
}

inline __m128i grows(__m128i v)
{
    return grows(v, std::make_index_sequence<rule::kGrowing.size()>());
}

// All ones in the lanes past ASCII.
inline __m128i pastAscii(__m128i v)
{
    return _mm_xor_si128(inRange(v, 0, 0x7F), splat(-1));
}

// An upper bound of the output length (see extraBound), in one cheap pass.
qsizetype outputBound(const char16_t *src, qsizetype n)
{
    const char16_t *const end = src + n;
    qsizetype growing = 0;
    qsizetype foreign = 0;
    // Each lane counts down by one per block; flushed well before it wraps.
    constexpr qsizetype kFlushBlocks = 16384;
    const auto sum = [](__m128i counts) {
        alignas(16) std::int32_t lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(lanes), _mm_madd_epi16(counts, splat(1)));
        return qsizetype(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
    };
    while (end - src >= kBlock) {
        __m128i growingCounts = _mm_setzero_si128();
        __m128i foreignCounts = _mm_setzero_si128();
        const qsizetype blocks = qMin(kFlushBlocks, (end - src) / kBlock);
        for (qsizetype b = 0; b < blocks; ++b, src += kBlock) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
            const __m128i g = grows(v);
            growingCounts = _mm_sub_epi16(growingCounts, g);
            foreignCounts = _mm_sub_epi16(foreignCounts, _mm_andnot_si128(g, pastAscii(v)));
        }
        growing += sum(growingCounts);
        foreign += sum(foreignCounts);
    }
    qsizetype total = n + kGrowth * growing + kForeignGrowth * foreign;
    for (; src != end; ++src)
        total += extraBound(*src);
    return total;
}

BlockKind classify(const char16_t *src)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
    if (allZeroUnder(v, 0xFF80))
        return hasMarkup(v) ? BlockKind::Slots : BlockKind::Copy;
    return allZeroUnder(v, 0xFFFF & ~(kSlotLimit - 1)) ? BlockKind::Slots : BlockKind::Mixed;
}

#else // portable: four units at a time in a 64-bit word

constexpr std::uint64_t kLanes = 0x0001000100010001ULL;

inline std::uint64_t load64(const char16_t *p)
{
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
    return w;
}

inline bool hasZeroLane(std::uint64_t w)
{
    return ((w - kLanes) & ~w & (kLanes * 0x8000)) != 0;
}

inline bool hasMarkup(std::uint64_t w)
{
    for (const rule::Named &named : rule::kNamed)
        if (hasZeroLane(w ^ (kLanes * named.character)))
            return true;
    return false;
}

qsizetype outputBound(const char16_t *src, qsizetype n)
{
    qsizetype total = n;
    for (const char16_t *const end = src + n; src != end; ++src)
        total += extraBound(*src);
    return total;
}

BlockKind classify(const char16_t *src)
{
    const std::uint64_t a = load64(src);
    const std::uint64_t b = load64(src + 4);
    if (((a | b) & (kLanes * 0xFF80)) == 0)
        return hasMarkup(a) || hasMarkup(b) ? BlockKind::Slots : BlockKind::Copy;
    return ((a | b) & (kLanes * (0xFFFF & ~(kSlotLimit - 1)))) == 0 ? BlockKind::Slots
                                                                     : BlockKind::Mixed;
}

#endif

// Converts whole blocks; returns where the unconverted tail starts.
const char16_t *convertBlocks(const Tables &t, const char16_t *src, const char16_t *end,
                              char16_t *&dst)
{
    while (end - src >= kBlock) {
        switch (classify(src)) {
        case BlockKind::Copy:
            std::memcpy(dst, src, sizeof(char16_t) * kBlock);
            dst += kBlock;
            src += kBlock;
            break;
        case BlockKind::Slots:
            src = convertBlockBySlots(t, src, dst);
            break;
        case BlockKind::Mixed:
            for (const char16_t *const blockEnd = src + kBlock; src < blockEnd;)
                src = convertOne(t, src, end, dst);
            break;
        }
    }
    return src;
}

} // namespace

QString toReferences(QStringView text)
{
    QString out;
    appendReferences(out, text);
    return out;
}

void appendReferences(QString &out, QStringView text)
{
    if (text.isEmpty())
        return;
    if (overlaps(out, text)) {
        // Growing out would move the text away from under us.
        const QString copy = text.toString();
        appendReferences(out, copy);
        return;
    }

    const Tables &t = Tables::instance();
    const char16_t *src = text.utf16();
    const char16_t *const end = src + text.size();

    const qsizetype start = out.size();
    const qsizetype room = start + outputBound(src, text.size()) + kSlack;
    char16_t *const base = roomFor(out, room);
    char16_t *dst = base + start;

    src = convertBlocks(t, src, end, dst);
    while (src != end)
        src = convertOne(t, src, end, dst);

    Q_ASSERT(dst - base <= room - kSlack);
    out.resize(dst - base);
}

qsizetype questionMarksFor(QStringView text)
{
    const CodePage1251 &page = CodePage1251::instance();
    qsizetype count = 0;
    for (qsizetype i = 0; i < text.size(); i += characterLength(text, i)) {
        const char16_t u = text[i].unicode();
        count += characterLength(text, i) == 1 && rule::becomesQuestionMark(u, page.holds(u));
    }
    return count;
}

qsizetype referencesLengthBound(QStringView text)
{
    return outputBound(text.utf16(), text.size()) + kSlack;
}

} // namespace zezu
