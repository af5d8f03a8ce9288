#include "text/TextCodec.h"

#include "text/CodePage1251.h"

#include <QChar>

#include <algorithm>
#include <utility>

namespace zezu {

TextDecoder::TextDecoder(const TextFormat &format, qsizetype sizeHint)
    : m_format(format)
    , m_lines(format.lineEnds)
    , m_markDone(!format.bom || byteOrderMark(format.encoding).isEmpty())
{
    // One unit per byte, or per two for UTF-16, and a break added at the end.
    const bool wide = format.encoding == Encoding::Utf16LE || format.encoding == Encoding::Utf16BE;
    if (sizeHint > 0)
        m_text.reserve((wide ? sizeHint / 2 : sizeHint) + 2);
}

void TextDecoder::grow(qsizetype units)
{
    settle();
    const qsizetype size = m_text.size();
    const qsizetype needed = size + units;
    if (needed > m_text.capacity())
        m_text.reserve(std::max(needed, m_text.capacity() + m_text.capacity() / 2));
    m_text.resize(m_text.capacity());
    char16_t *const begin = reinterpret_cast<char16_t *>(m_text.data());
    m_out = begin + size;
    m_end = begin + m_text.size();
}

void TextDecoder::settle()
{
    if (m_out)
        m_text.resize(m_out - reinterpret_cast<const char16_t *>(m_text.constData()));
    m_out = m_end = nullptr;
}

void TextDecoder::feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    qsizetype n = bytes.size();
    const qint64 at = m_fed;
    m_fed += n;
    const QByteArrayView mark = byteOrderMark(m_format.encoding);
    while (!m_markDone && n > 0) {
        if (*p == std::uint8_t(mark[m_markMatched])) {
            ++p;
            --n;
            m_markDone = ++m_markMatched == mark.size();
        } else {
            // Not the mark after all: what was held is text.
            m_markDone = true;
            decode(reinterpret_cast<const std::uint8_t *>(mark.data()), m_markMatched, 0);
        }
    }
    decode(p, n, at + (bytes.size() - n));
    settle();
}

void TextDecoder::lineBreak()
{
    endSequence();
    makeRoom(2);
    put(u'\r');
    put(u'\n');
}

void TextDecoder::decode(const std::uint8_t *bytes, qsizetype size, qint64 at)
{
    m_piece = bytes;
    m_pieceAt = at;
    const auto lineBreak = [this] { this->lineBreak(); };
    switch (m_format.encoding) {
    case Encoding::Windows1251: {
        const CodePage1251 &page = CodePage1251::instance();
        m_lines.split(bytes, size, [&](const std::uint8_t *p, const std::uint8_t *end) {
            makeRoom(end - p);
            for (; p != end; ++p)
                put(page.charOf(*p));
        }, lineBreak);
        break;
    }
    case Encoding::Utf8:
        m_lines.split(bytes, size, [this](const std::uint8_t *p, const std::uint8_t *end) {
            decodeUtf8(p, end);
        }, lineBreak);
        break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        // Bytes into code units first: the line rule reads units.
        const bool little = m_format.encoding == Encoding::Utf16LE;
        m_units.clear();
        qsizetype i = 0;
        if (m_pendingByte >= 0 && size > 0) {
            const unsigned first = unsigned(m_pendingByte);
            m_units.push_back(char16_t(little ? (first | unsigned(bytes[0]) << 8)
                                              : (first << 8 | unsigned(bytes[0]))));
            m_pendingByte = -1;
            i = 1;
        }
        for (; i + 1 < size; i += 2) {
            const unsigned a = bytes[i];
            const unsigned b = bytes[i + 1];
            m_units.push_back(char16_t(little ? (a | b << 8) : (a << 8 | b)));
        }
        if (i < size)
            m_pendingByte = bytes[i];
        m_lines.split(m_units.data(), qsizetype(m_units.size()),
                      [this](const char16_t *p, const char16_t *end) {
                          // A held high surrogate and one U+FFFD at most beside each unit.
                          makeRoom(end - p + 2);
                          for (; p != end; ++p)
                              putUtf16Unit(*p);
                      },
                      lineBreak);
        break;
    }
    }
}

void TextDecoder::putStray(std::uint8_t byte, qint64 at)
{
    if (m_stray.count++ == 0)
        m_stray.first = at;
    put(char16_t(0xDC00 + byte));
}

void TextDecoder::putHeldAsStray()
{
    m_utf8.flush([this](std::uint8_t byte, qint64 at) { putStray(byte, at); });
}

void TextDecoder::decodeUtf8(const std::uint8_t *p, const std::uint8_t *end)
{
    // A byte gives at most one unit, or the two of a pair for four bytes,
    // and the sequence it breaks off (bytes given nothing so far) three more.
    makeRoom(end - p + 3);
    m_utf8.read(p, end, m_pieceAt + (p - m_piece), [this](char16_t unit) { put(unit); },
                [this](std::uint8_t byte, qint64 at) { putStray(byte, at); });
}

void TextDecoder::putUtf16Unit(char16_t unit)
{
    if (m_pendingHigh != 0) {
        const char16_t high = m_pendingHigh;
        m_pendingHigh = 0;
        if (QChar::isLowSurrogate(unit)) {
            put(high);
            put(unit);
            return;
        }
        put(kReplacement);
    }
    if (QChar::isHighSurrogate(unit))
        m_pendingHigh = unit;
    else
        put(QChar::isLowSurrogate(unit) ? kReplacement : unit);
}

void TextDecoder::endSequence()
{
    if (m_utf8.holding()) {
        makeRoom(3);
        putHeldAsStray();
    }
    if (m_pendingHigh != 0) {
        makeRoom(1);
        put(kReplacement);
    }
    m_pendingHigh = 0;
}

void TextDecoder::take(QString &out)
{
    std::swap(out, m_text);
    m_text.resize(0);
}

QString TextDecoder::finish()
{
    if (!m_markDone) {
        // The file ended within what began like the mark.
        m_markDone = true;
        decode(reinterpret_cast<const std::uint8_t *>(byteOrderMark(m_format.encoding).data()),
               m_markMatched, 0);
    }
    // A UTF-8 sequence cut off at the end is stray bytes, as is the half
    // unit of a UTF-16 file cut short; a lone high surrogate one U+FFFD.
    if (m_utf8.holding() || m_pendingByte >= 0 || m_pendingHigh != 0) {
        m_lines.setLineOpen();
        makeRoom(4);
        if (m_utf8.holding())
            putHeldAsStray();
        if (m_pendingHigh != 0)
            put(kReplacement);
        if (m_pendingByte >= 0)
            putStray(std::uint8_t(m_pendingByte), m_fed - 1);
    }
    m_pendingByte = -1;
    m_pendingHigh = 0;
    if (m_lines.lineOpen())
        lineBreak();
    settle();
    return std::move(m_text);
}

QString decodeUtf8Escaped(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size() + 3);
    const auto put = [&text](char16_t unit) { text.append(QChar(unit)); };
    const auto stray = [&text](std::uint8_t byte, qint64) { text.append(QChar(0xDC00 + byte)); };
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    Utf8Reader reader;
    reader.read(p, p + bytes.size(), 0, put, stray);
    reader.flush(stray);
    return text;
}

QString withEscapesShown(QString text)
{
    // A low surrogate after a high one is half of a character, no escape.
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (isEscapedByte(text[i].unicode()) && (i == 0 || !text[i - 1].isHighSurrogate()))
            text[i] = QChar(kReplacement);
    }
    return text;
}

} // namespace zezu
