#include "text/TextScan.h"

#include <algorithm>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZEZU_SCAN_SSE2 1
#endif

namespace zezu {

namespace {

// A CR LF pair, and a surrogate pair (a low surrogate being no high one,
// pairs cannot overlap), starting at unit u followed by next.
inline bool isBreak(char16_t u, char16_t next) { return u == u'\r' && next == u'\n'; }
inline bool isPair(char16_t u, char16_t next)
{
    return (u & 0xFC00) == 0xD800 && (next & 0xFC00) == 0xDC00;
}

} // namespace

TextCounts countText(QStringView text)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    qsizetype breaks = 0;
    qsizetype pairs = 0;
    qsizetype i = 0;
#if defined(ZEZU_SCAN_SSE2)
    const __m128i cr = _mm_set1_epi16(0x0D);
    const __m128i lf = _mm_set1_epi16(0x0A);
    const __m128i surrogateMask = _mm_set1_epi16(short(0xFC00));
    const __m128i high = _mm_set1_epi16(short(0xD800));
    const __m128i low = _mm_set1_epi16(short(0xDC00));
    const auto sum = [](__m128i counts) {
        alignas(16) int lanes[4];
        _mm_store_si128(reinterpret_cast<__m128i *>(lanes),
                        _mm_madd_epi16(counts, _mm_set1_epi16(1)));
        return qsizetype(lanes[0]) + lanes[1] + lanes[2] + lanes[3];
    };
    // Units i..i+7 against i+1..i+8: the last read stays inside the text.
    // Each lane counts down by one a step at most; summed before it wraps.
    constexpr qsizetype kFlushSteps = 16384;
    while (i + 8 < n) {
        __m128i breakCounts = _mm_setzero_si128();
        __m128i pairCounts = _mm_setzero_si128();
        for (qsizetype steps = 0; steps < kFlushSteps && i + 8 < n; ++steps, i += 8) {
            const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
            const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 1));
            breakCounts = _mm_add_epi16(
                breakCounts, _mm_and_si128(_mm_cmpeq_epi16(here, cr), _mm_cmpeq_epi16(next, lf)));
            pairCounts = _mm_add_epi16(
                pairCounts,
                _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(here, surrogateMask), high),
                              _mm_cmpeq_epi16(_mm_and_si128(next, surrogateMask), low)));
        }
        // The lanes hold minus their counts.
        breaks -= sum(breakCounts);
        pairs -= sum(pairCounts);
    }
#endif
    for (; i + 1 < n; ++i) {
        breaks += isBreak(p[i], p[i + 1]);
        pairs += isPair(p[i], p[i + 1]);
    }
    return {n - pairs, breaks};
}

qsizetype unitsOfCharacters(QStringView text, qsizetype from, qsizetype characters)
{
    // Mostly no pair: one count tells.
    qsizetype end = from;
    while (characters > 0 && end < text.size()) {
        qsizetype stop = std::min(text.size(), end + characters);
        if (stop < text.size() && text[stop - 1].isHighSurrogate() && text[stop].isLowSurrogate())
            ++stop;
        characters -= countCharacters(text.sliced(end, stop - end));
        end = stop;
    }
    return end;
}

} // namespace zezu
