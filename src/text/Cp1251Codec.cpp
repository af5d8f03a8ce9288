#include "text/Cp1251Codec.h"

#include "text/CodePage1251.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace zezu {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;

// A CR not followed by an LF becomes two units, one more than its byte.
// A CR at the very end is counted too: its LF may come in the next piece.
qsizetype countLoneCrs(const std::uint8_t *bytes, qsizetype size)
{
    qsizetype count = 0;
    const std::uint8_t *p = bytes;
    const std::uint8_t *end = bytes + size;
    while (p < end) {
        const void *found = std::memchr(p, kCr, std::size_t(end - p));
        if (!found)
            break;
        p = static_cast<const std::uint8_t *>(found) + 1;
        if (p == end || *p != kLf)
            ++count;
    }
    return count;
}

} // namespace

const std::array<char16_t, 256> &cp1251ReadTable()
{
    static const std::array<char16_t, 256> table = [] {
        const CodePage1251 &page = CodePage1251::instance();
        std::array<char16_t, 256> t{};
        for (int byte = 0; byte < 256; ++byte)
            t[byte] = page.charOf(std::uint8_t(byte));
        return t;
    }();
    return table;
}

const std::array<std::uint8_t, 65536> &cp1251WriteTable()
{
    static const std::array<std::uint8_t, 65536> table = [] {
        const CodePage1251 &page = CodePage1251::instance();
        std::array<std::uint8_t, 65536> t;
        t.fill(std::uint8_t('?'));
        for (int unit = 0; unit < 65536; ++unit) {
            if (const int code = page.codeOf(char16_t(unit)); code >= 0)
                t[unit] = std::uint8_t(code);
        }
        // Every byte a file can hold is written back as itself, the
        // unassigned 0x98 too: it is read as U+0098, which has no code of
        // its own in the page.
        for (int byte = 0; byte < 256; ++byte)
            t[page.charOf(std::uint8_t(byte))] = std::uint8_t(byte);
        return t;
    }();
    return table;
}

qsizetype encodeCp1251Into(QStringView text, char *out)
{
    const std::array<std::uint8_t, 65536> &table = cp1251WriteTable();
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    char *o = out;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = src[i];
        *o++ = char(table[u]);
        if (isHighSurrogate(u) && i + 1 < n && isLowSurrogate(src[i + 1]))
            ++i;
    }
    return o - out;
}

LineDecoder::LineDecoder(qsizetype sizeHint)
{
    // The common file, with CR LF breaks, decodes to one unit per byte; two
    // more for a break added at the end.
    if (sizeHint > 0)
        reserve(sizeHint + 2);
}

void LineDecoder::reserve(qsizetype units)
{
    m_text.reserve(units);
}

void LineDecoder::ensureRoom(qsizetype units)
{
    const qsizetype needed = m_text.size() + units;
    if (needed > m_text.capacity())
        reserve(std::max(needed, m_text.capacity() + m_text.capacity() / 2));
}

void LineDecoder::feed(QByteArrayView bytes)
{
    const auto *src = reinterpret_cast<const std::uint8_t *>(bytes.data());
    const qsizetype n = bytes.size();
    qsizetype i = 0;
    if (n == 0)
        return;
    if (m_afterCr) {
        m_afterCr = false;
        if (src[0] == kLf)
            i = 1;
    }

    // Room for every unit this piece can give, and for a final break.
    const qsizetype room = n - i + countLoneCrs(src + i, n - i) + 2;
    ensureRoom(room);
    const qsizetype start = m_text.size();
    m_text.resize(start + room);
    char16_t *const begin = reinterpret_cast<char16_t *>(m_text.data());
    char16_t *out = begin + start;

    const std::array<char16_t, 256> &table = cp1251ReadTable();
    while (i < n) {
        const void *found = std::memchr(src + i, kCr, std::size_t(n - i));
        const qsizetype lineEnd = found ? static_cast<const std::uint8_t *>(found) - src : n;
        if (lineEnd > i)
            m_lineOpen = true;
        for (; i < lineEnd; ++i)
            *out++ = table[src[i]];
        if (!found)
            break;
        *out++ = u'\r';
        *out++ = u'\n';
        m_lineOpen = false;
        ++i;
        if (i == n)
            m_afterCr = true;
        else if (src[i] == kLf)
            ++i;
    }
    m_text.resize(out - begin);
}

void LineDecoder::take(QString &out)
{
    std::swap(out, m_text);
    m_text.resize(0);
}

QString LineDecoder::finish()
{
    if (m_lineOpen)
        m_text.append(u"\r\n");
    m_lineOpen = false;
    m_afterCr = false;
    return std::move(m_text);
}

QString decodeText(QByteArrayView bytes)
{
    LineDecoder decoder(bytes.size());
    decoder.feed(bytes);
    return decoder.finish();
}

QByteArray encodeText(QStringView text)
{
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.resize(encodeCp1251Into(text, bytes.data()));
    return bytes;
}

} // namespace zezu
