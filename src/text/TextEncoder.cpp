#include "text/TextCodec.h"

#include "text/CodePage1251.h"

#include <QChar>

#include <algorithm>
#include <utility>

namespace zezu {

TextEncoder::TextEncoder(const TextFormat &format)
    : m_format(format)
{
}

char *TextEncoder::begin(QByteArray &out, qsizetype maxBytes)
{
    const qsizetype size = out.size();
    const qsizetype needed = size + maxBytes;
    if (needed > out.capacity())
        out.reserve(std::max(needed, out.capacity() + out.capacity() / 2));
    out.resize(needed);
    char *o = out.data() + size;
    if (!m_started) {
        m_started = true;
        if (m_format.bom) {
            const QByteArrayView mark = byteOrderMark(m_format.encoding);
            o = std::copy(mark.begin(), mark.end(), o);
        }
    }
    return o;
}

char *TextEncoder::putLoneSurrogate(char16_t unit, char *o)
{
    // A byte that was not UTF-8 when read goes back as it was.
    if (m_format.encoding == Encoding::Utf8 && isEscapedByte(unit)) {
        *o++ = char(unit - 0xDC00);
        return o;
    }
    // Windows-1251 counts the "?" it writes for U+FFFD itself.
    m_replaced += m_format.encoding != Encoding::Windows1251;
    return put(kReplacement, o);
}

char *TextEncoder::put(char32_t c, char *o)
{
    switch (m_format.encoding) {
    case Encoding::Windows1251: {
        const CodePage1251 &page = CodePage1251::instance();
        const bool held = c < 0x10000 && page.holds(char16_t(c));
        *o++ = char(held ? page.byteOf(char16_t(c)) : '?');
        m_replaced += !held;
        break;
    }
    case Encoding::Utf8:
        if (c < 0x80) {
            *o++ = char(c);
        } else if (c < 0x800) {
            *o++ = char(0xC0 | c >> 6);
            *o++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *o++ = char(0xE0 | c >> 12);
            *o++ = char(0x80 | (c >> 6 & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        } else {
            *o++ = char(0xF0 | c >> 18);
            *o++ = char(0x80 | (c >> 12 & 0x3F));
            *o++ = char(0x80 | (c >> 6 & 0x3F));
            *o++ = char(0x80 | (c & 0x3F));
        }
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        char16_t units[2] = {char16_t(c), 0};
        int count = 1;
        if (c >= 0x10000) {
            units[0] = char16_t(0xD800 + ((c - 0x10000) >> 10));
            units[1] = char16_t(0xDC00 + (c & 0x3FF));
            count = 2;
        }
        const bool little = m_format.encoding == Encoding::Utf16LE;
        for (int k = 0; k < count; ++k) {
            *o++ = char(little ? units[k] & 0xFF : units[k] >> 8);
            *o++ = char(little ? units[k] >> 8 : units[k] & 0xFF);
        }
        break;
    }
    }
    return o;
}

void TextEncoder::feed(QStringView text, QByteArray &out)
{
    // Three bytes per unit at most, the mark and what was left waiting.
    char *o = begin(out, 3 * text.size() + 8);
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
    qsizetype i = 0;
    if (m_format.encoding == Encoding::Windows1251 && m_format.lineEnds == LineEnds::CrLf) {
        // Byte for unit, as the common file is saved: a surrogate pair is one
        // "?", its low half skipped even in the next piece.
        const CodePage1251 &page = CodePage1251::instance();
        if (m_skipLow && n > 0 && QChar::isLowSurrogate(src[0]))
            i = 1;
        m_skipLow = false;
        for (; i < n; ++i) {
            const char16_t u = src[i];
            const std::uint8_t byte = page.byteOf(u);
            *o++ = char(byte);
            m_replaced += byte == '?' && u != u'?';
            if (QChar::isHighSurrogate(u)) {
                if (i + 1 == n)
                    m_skipLow = true;
                else if (QChar::isLowSurrogate(src[i + 1]))
                    ++i;
            }
        }
        out.resize(o - out.constData());
        return;
    }
    const bool lf = m_format.lineEnds == LineEnds::Lf;
    for (; i < n; ++i) {
        const char16_t u = src[i];
        if (m_pendingHigh != 0) {
            const char16_t high = m_pendingHigh;
            m_pendingHigh = 0;
            if (QChar::isLowSurrogate(u)) {
                o = put(0x10000 + (char32_t(high - 0xD800) << 10) + (u - 0xDC00), o);
                continue;
            }
            o = putLoneSurrogate(high, o);
        }
        if (m_pendingCr) {
            m_pendingCr = false;
            // CR LF is written as LF; a CR alone as itself.
            o = put(u == u'\n' ? u'\n' : u'\r', o);
            if (u == u'\n')
                continue;
        }
        if (lf && u == u'\r')
            m_pendingCr = true;
        else if (QChar::isHighSurrogate(u))
            m_pendingHigh = u;
        else
            o = QChar::isLowSurrogate(u) ? putLoneSurrogate(u, o) : put(u, o);
    }
    out.resize(o - out.constData());
}

void TextEncoder::finish(QByteArray &out)
{
    char *o = begin(out, 8);
    if (m_pendingHigh != 0)
        o = putLoneSurrogate(m_pendingHigh, o);
    if (m_pendingCr)
        o = put(u'\r', o);
    m_pendingHigh = 0;
    m_pendingCr = false;
    m_skipLow = false;
    out.resize(o - out.constData());
}

UnheldCharacters unheldCharacters(QStringView text, Encoding encoding)
{
    UnheldCharacters unheld;
    if (holdsEveryCharacter(encoding))
        return unheld;
    const CodePage1251 &page = CodePage1251::instance();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (page.holds(u))
            continue;
        char32_t c = u;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(u, text[++i].unicode());
        if (unheld.count++ == 0)
            unheld.first = c;
    }
    return unheld;
}

QByteArray encodeText(QStringView text, const TextFormat &format)
{
    TextEncoder encoder(format);
    QByteArray bytes;
    encoder.feed(text, bytes);
    encoder.finish(bytes);
    return bytes;
}

} // namespace zezu
