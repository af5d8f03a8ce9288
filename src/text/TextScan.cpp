#include "text/TextScan.h"

#include <bit>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZEZU_SCAN_SSE2 1
#endif

namespace zezu {

qsizetype countUnitPairs(QStringView text, UnitTest first, UnitTest second)
{
    const char16_t *p = text.utf16();
    const qsizetype n = text.size();
    qsizetype count = 0;
    qsizetype i = 0;
#if defined(ZEZU_SCAN_SSE2)
    const __m128i firstMask = _mm_set1_epi16(short(first.mask));
    const __m128i firstValue = _mm_set1_epi16(short(first.value));
    const __m128i secondMask = _mm_set1_epi16(short(second.mask));
    const __m128i secondValue = _mm_set1_epi16(short(second.value));
    // Units i..i+7 against i+1..i+8: the last read stays inside the text.
    for (; i + 8 < n; i += 8) {
        const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i));
        const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + i + 1));
        const __m128i hits =
            _mm_and_si128(_mm_cmpeq_epi16(_mm_and_si128(here, firstMask), firstValue),
                          _mm_cmpeq_epi16(_mm_and_si128(next, secondMask), secondValue));
        // Two mask bits a matching unit.
        count += std::popcount(unsigned(_mm_movemask_epi8(hits))) / 2;
    }
#endif
    for (; i + 1 < n; ++i)
        count += ((p[i] & first.mask) == first.value) & ((p[i + 1] & second.mask) == second.value);
    return count;
}

} // namespace zezu
