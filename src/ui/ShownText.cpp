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
    {u'\u2029', u'\u2424'}, // paragraph separator: SYMBOL FOR NEWLINE
    {u'\uFDD0', u'\u2425'}, // the view's frame markers
    {u'\uFDD1', u'\u2426'},
};

bool needsMapping(char16_t c)
{
    // One cheap test for the common case.
    return c == u'\r' || c == u'\n' || (c >= u'\u2029' && (standInFor(c) || originalOf(c)));
}

// Whether the view can take the text as it stands: no character in it needs
// a stand-in and no line is long enough to need parts. Eight units at a time
// skip past anything but CR, LF and the few characters from U+2029 up that
// may need one. On success lineUnits is counted on to the text's end.
bool isPlain(QStringView text, qsizetype &lineUnits)
{
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    qsizetype lineStart = -lineUnits;
#if defined(ZEZU_SHOWN_SSE2)
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    const __m128i belowSeparator = _mm_set1_epi16(short(0x2028));
    const __m128i zero = _mm_setzero_si128();
#endif
    for (qsizetype i = 0; i < n;) {
        if (i - lineStart > kPartUnits)
            return false;
#if defined(ZEZU_SHOWN_SSE2)
        if (i + 8 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf));
            // Zero where the unit is U+2028 or below.
            const __m128i high = _mm_subs_epu16(v, belowSeparator);
            const int ordinary = _mm_movemask_epi8(_mm_cmpeq_epi16(high, zero))
                & ~_mm_movemask_epi8(breaks);
            if (ordinary == 0xFFFF) {
                i += 8;
                continue;
            }
        }
#endif
        const char16_t c = src[i];
        if (c == u'\r' && i + 1 < n && src[i + 1] == u'\n') {
            i += 2;
            lineStart = i;
        } else if (needsMapping(c)) {
            return false;
        } else {
            ++i;
        }
    }
    if (n - lineStart > kPartUnits)
        return false;
    lineUnits = n - lineStart;
    return true;
}

// Where the part that has grown to the end of shown ends: after the last
// space or ';' within kPartSlack units, else right there.
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
    if (c < u'\u240A' || c > u'\u2426')
        return 0;
    for (const StandIn &s : kStandIns)
        if (s.shown == c)
            return s.original;
    return 0;
}

ShownPiece showPiece(QStringView text, qsizetype &lineUnits)
{
    ShownPiece piece;
    if (isPlain(text, lineUnits)) {
        piece.asIs = true;
        return piece;
    }
    const qsizetype n = text.size();
    QString &shown = piece.shown;
    shown.reserve(n);
    std::vector<qsizetype> literals; // indexes in shown
    // Where the current part began; before the piece when it began earlier.
    qsizetype partStart = -lineUnits;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            shown += u'\n';
            ++i;
            partStart = shown.size();
            continue;
        }
        // Never between the two halves of a pair.
        if (shown.size() - partStart >= kPartUnits && !QChar::isLowSurrogate(c)) {
            partStart = partEnd(shown);
            piece.partStarts.push_back(partStart);
        }
        if (const char16_t s = standInFor(c)) {
            shown += QChar(s);
        } else {
            if (originalOf(c))
                literals.push_back(shown.size());
            shown += QChar(c);
        }
    }
    lineUnits = shown.size() - partStart;
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
