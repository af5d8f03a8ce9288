#pragma once

#include "text/TextFormat.h"

#include <QtGlobal>

#include <cstdint>
#include <cstring>
#include <type_traits>

namespace zezu {

// The line rule, the one place it is written: where a file's lines end.
// A line ends at CR, at CR LF (one break, not two) and, with LF line ends, at
// LF; with CR LF line ends a lone LF is an ordinary character of its line.
// Every break becomes CR LF in the editor's text, and a last line without a
// break gets one at the end.
//
// It reads code values of any width whose CR and LF are 13 and 10 (the bytes
// of Windows-1251 and UTF-8, where no other byte is either, and UTF-16 code
// units) in pieces cut anywhere, a CR LF included.
class LineRule
{
public:
    explicit LineRule(LineEnds ends)
        : m_lfBreaks(ends == LineEnds::Lf)
    {
    }

    // Hands each run of the piece that holds no break to run(begin, end), and
    // each break to lineBreak(), in order.
    template <typename Unit, typename Run, typename Break>
    void split(const Unit *p, qsizetype n, Run &&run, Break &&lineBreak)
    {
        static_assert(std::is_unsigned_v<Unit>);
        qsizetype i = 0;
        if (m_afterCr && n > 0) {
            m_afterCr = false;
            if (p[0] == kLf)
                i = 1;
        }
        while (i < n) {
            const qsizetype k = nextBreak(p, i, n);
            if (k > i) {
                run(p + i, p + k);
                m_lineOpen = true;
            }
            if (k == n)
                break;
            lineBreak();
            m_lineOpen = false;
            i = k + 1;
            if (p[k] == kCr) {
                if (i == n)
                    m_afterCr = true;
                else if (p[i] == kLf)
                    ++i;
            }
        }
    }

    // The text so far ends within a line, which the end of the input closes
    // with a break of its own.
    bool lineOpen() const { return m_lineOpen; }
    void setLineOpen() { m_lineOpen = true; }

private:
    static constexpr unsigned kCr = 13;
    static constexpr unsigned kLf = 10;

    template <typename Unit>
    qsizetype nextBreak(const Unit *p, qsizetype from, qsizetype n) const
    {
        if constexpr (sizeof(Unit) == 1) {
            const auto *bytes = reinterpret_cast<const std::uint8_t *>(p);
            qsizetype end = n;
            if (m_lfBreaks) {
                if (const void *lf = std::memchr(bytes + from, kLf, std::size_t(n - from)))
                    end = static_cast<const std::uint8_t *>(lf) - bytes;
            }
            const void *cr = std::memchr(bytes + from, kCr, std::size_t(end - from));
            return cr ? static_cast<const std::uint8_t *>(cr) - bytes : end;
        } else {
            for (qsizetype k = from; k < n; ++k) {
                if (p[k] == kCr || (p[k] == kLf && m_lfBreaks))
                    return k;
            }
            return n;
        }
    }

    bool m_lfBreaks;
    // The last unit was a CR: an LF that comes next belongs to it.
    bool m_afterCr = false;
    bool m_lineOpen = false;
};

} // namespace zezu
