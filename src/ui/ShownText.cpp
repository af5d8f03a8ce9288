#include "ui/ShownText.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZEZU_SHOWN_SSE2 1
#endif

namespace zezu {

namespace {

// Characters the view cannot hold as themselves, and what it shows instead.
struct StandIn
{
    char16_t original;
    char16_t shown;
};

constexpr StandIn kStandIns[] = {
    {u'\n', u'\u240A'},   // lone LF: SYMBOL FOR LINE FEED
    {u'\r', u'\u240D'},   // lone CR: SYMBOL FOR CARRIAGE RETURN
    {u'\u2028', u'\u23CE'}, // line separator: RETURN SYMBOL
    {u'\u2029', u'\u2424'}, // paragraph separator: SYMBOL FOR NEWLINE
    {u'\uFDD0', u'\u2425'}, // the view's frame markers
    {u'\uFDD1', u'\u2426'},
};

bool needsMapping(char16_t c)
{
    // One cheap test for the common case.
    return c == u'\r' || c == u'\n' || (c >= u'\u2028' && (standInFor(c) || originalOf(c)));
}

// The first unit in [i, end) that is CR, LF or needs a stand-in; end when
// none is. Eight units at a time skip past anything below U+2028 but CR and
// LF.
qsizetype nextSpecial(const char16_t *src, qsizetype i, qsizetype end)
{
#if defined(ZEZU_SHOWN_SSE2)
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    const __m128i belowSeparator = _mm_set1_epi16(short(0x2027));
    const __m128i zero = _mm_setzero_si128();
#endif
    while (i < end) {
#if defined(ZEZU_SHOWN_SSE2)
        if (i + 8 <= end) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf));
            // Zero where the unit is U+2027 or below.
            const __m128i high = _mm_subs_epu16(v, belowSeparator);
            const int ordinary = _mm_movemask_epi8(_mm_cmpeq_epi16(high, zero))
                & ~_mm_movemask_epi8(breaks);
            if (ordinary == 0xFFFF) {
                i += 8;
                continue;
            }
        }
#endif
        if (needsMapping(src[i]))
            return i;
        ++i;
    }
    return end;
}

// Where the block that has grown to the end of shown ends, inside a line:
// after the last space or ';' within kPartSlack units, else right there.
qsizetype partEnd(const QString &shown)
{
    const qsizetype end = shown.size();
    const qsizetype from = std::max<qsizetype>(0, end - kPartSlack);
    for (qsizetype j = end; j > from; --j) {
        const char16_t c = shown[j - 1].unicode();
        if (c == u' ' || c == u';')
            return j;
    }
    return end;
}

} // namespace

char16_t standInFor(char16_t c)
{
    for (const StandIn &s : kStandIns)
        if (s.original == c)
            return s.shown;
    return 0;
}

char16_t originalOf(char16_t c)
{
    if ((c < u'\u240A' || c > u'\u2426') && c != u'\u23CE')
        return 0;
    for (const StandIn &s : kStandIns)
        if (s.shown == c)
            return s.original;
    return 0;
}

void appendReadBack(QString &out, QStringView shown)
{
    const char16_t *src = shown.utf16();
    const qsizetype n = shown.size();
    for (qsizetype i = 0; i < n;) {
        const qsizetype run = nextSpecial(src, i, n);
        out.append(QStringView(src + i, run - i));
        if (run == n)
            break;
        const char16_t c = src[run];
        if (c == u'\u2028')
            out += u"\r\n";
        else if (const char16_t o = originalOf(c))
            out += QChar(o);
        else
            out += QChar(c);
        i = run + 1;
    }
}

ShownPiece showPiece(QStringView text, qsizetype &blockUnits)
{
    ShownPiece piece;
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    if (blockUnits + n <= kPartUnits && nextSpecial(src, 0, n) == n) {
        piece.asIs = true;
        blockUnits += n;
        return piece;
    }
    QString &shown = piece.shown;
    shown.reserve(n);
    piece.separators.push_back(0);
    std::vector<qsizetype> literals; // indexes in shown
    // Where the view's current block began; before the piece when it began
    // earlier.
    qsizetype blockStart = -blockUnits;
    for (qsizetype i = 0; i < n;) {
        const char16_t c = src[i];
        if (c == u'\r' && i + 1 < n && src[i + 1] == u'\n') {
            if (shown.size() - blockStart < kGroupUnits) {
                shown += QChar(QChar::LineSeparator);
                ++piece.separators.back();
            } else {
                shown += u'\n';
                blockStart = shown.size();
                piece.separators.push_back(0);
            }
            i += 2;
            continue;
        }
        const qsizetype room = kPartUnits - (shown.size() - blockStart);
        // Never between the two halves of a pair.
        if (room <= 0 && !QChar::isLowSurrogate(c)) {
            blockStart = partEnd(shown);
            piece.partStarts.push_back(blockStart);
            piece.separators.push_back(0);
            continue;
        }
        const qsizetype run = nextSpecial(src, i, std::min(n, i + std::max<qsizetype>(room, 1)));
        if (run > i) {
            shown.append(QStringView(src + i, run - i));
            i = run;
        } else if (const char16_t s = standInFor(c)) {
            shown += QChar(s);
            ++i;
        } else {
            if (originalOf(c))
                literals.push_back(shown.size());
            shown += QChar(c);
            ++i;
        }
    }
    blockUnits = shown.size() - blockStart;
    // Each part's break is one position of the view before it.
    auto part = piece.partStarts.begin();
    for (const qsizetype at : literals) {
        while (part != piece.partStarts.end() && *part <= at)
            ++part;
        piece.literals.push_back(at + (part - piece.partStarts.begin()));
    }
    return piece;
}

} // namespace zezu
