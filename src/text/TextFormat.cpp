#include "text/TextFormat.h"

#include <QChar>

#include <array>
#include <cstring>

namespace zezu {

namespace {

constexpr std::uint8_t kCr = 13;
constexpr std::uint8_t kLf = 10;

} // namespace

namespace {

// The names of each encoding, the one the user knows it by first.
struct EncodingNames
{
    Encoding encoding;
    std::array<QStringView, 3> names;
};
constexpr EncodingNames kEncodingNames[] = {
    {Encoding::Windows1251, {u"windows-1251", u"cp1251"}},
    {Encoding::Utf8, {u"UTF-8", u"utf8"}},
    {Encoding::Utf16LE, {u"UTF-16LE", u"utf-16", u"utf16"}},
    {Encoding::Utf16BE, {u"UTF-16BE"}},
};

} // namespace

QString encodingName(Encoding encoding)
{
    for (const EncodingNames &e : kEncodingNames)
        if (e.encoding == encoding)
            return e.names[0].toString();
    return {};
}

std::optional<Encoding> encodingNamed(QStringView name)
{
    for (const EncodingNames &e : kEncodingNames)
        for (const QStringView known : e.names)
            if (!known.isEmpty() && known.compare(name, Qt::CaseInsensitive) == 0)
                return e.encoding;
    return std::nullopt;
}

QByteArrayView byteOrderMark(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Utf8: return QByteArrayView("\xEF\xBB\xBF", 3);
    case Encoding::Utf16LE: return QByteArrayView("\xFF\xFE", 2);
    case Encoding::Utf16BE: return QByteArrayView("\xFE\xFF", 2);
    case Encoding::Windows1251: break;
    }
    return {};
}

void Utf8Validator::feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    m_reader.read(
        p, p + bytes.size(), 0,
        [this](char16_t unit) {
            // A sequence gives one unit past ASCII, or a pair; U+0080-U+009F
            // come only from C2 80-9F, the C1 controls. Windows-1251 reads
            // them as "В" and a sign, but for C2 98: 0x98 is no character of
            // the page, and U+0098 is what this program makes of it.
            if (unit < 0x80 || QChar::isLowSurrogate(unit))
                return;
            if (unit < 0xA0 && unit != 0x98 && !m_c1Allowed)
                ++m_c1;
            else if (++m_sequences == 1)
                m_onlyReadsAsCyrillic = readsAsCyrillicPair(unit);
        },
        [this](std::uint8_t, qint64) { ++m_invalid; });
}

void FormatDetector::decideMark()
{
    const std::uint8_t *h = m_head;
    if (m_headSize >= 1 && h[0] != 0xEF && h[0] != 0xFF && h[0] != 0xFE)
        m_mark = Mark::None;
    else if (m_headSize >= 2 && h[0] == 0xFF)
        m_mark = h[1] == 0xFE ? Mark::Utf16LE : Mark::None;
    else if (m_headSize >= 2 && h[0] == 0xFE)
        m_mark = h[1] == 0xFF ? Mark::Utf16BE : Mark::None;
    else if (m_headSize >= 2 && h[1] != 0xBB)
        m_mark = Mark::None;
    else if (m_headSize >= 3)
        m_mark = h[2] == 0xBF ? Mark::Utf8 : Mark::None;
    // The head held as it waited is content unless it was the mark, which
    // is decided on its last byte.
    if (m_mark == Mark::None)
        scanBytes(m_head, m_headSize);
    else if (m_mark == Mark::Utf8)
        m_utf8 = Utf8Validator(true);
}

void FormatDetector::scanBytes(const std::uint8_t *bytes, qsizetype size)
{
    if (!utf16Mark())
        m_utf8.feed(QByteArrayView(bytes, size));
    // Once a CR is seen the line ends are settled.
    if (!m_sawCr)
        m_sawCr = std::memchr(bytes, kCr, std::size_t(size)) != nullptr;
    if (!m_sawLf && !m_sawCr)
        m_sawLf = std::memchr(bytes, kLf, std::size_t(size)) != nullptr;
}

void FormatDetector::scanUnits(const std::uint8_t *bytes, qsizetype size)
{
    const bool little = m_mark == Mark::Utf16LE;
    for (qsizetype i = 0; i < size && !m_unpaired; ++i) {
        if (m_pendingByte < 0) {
            m_pendingByte = bytes[i];
            continue;
        }
        const unsigned first = unsigned(m_pendingByte);
        const auto unit = char16_t(little ? (first | unsigned(bytes[i]) << 8)
                                          : (first << 8 | unsigned(bytes[i])));
        m_pendingByte = -1;
        m_sawUnit = true;
        m_sawZeroByteUnit = m_sawZeroByteUnit || unit < 0x100;
        // The alphabets (Latin to Greek, Cyrillic, Hebrew, Arabic, ...) and
        // the dashes, quotes and ellipsis of prose: a text without spaces,
        // digits or breaks in one of them. Windows-1251 text makes them of
        // no byte pair: a tab, LF or CR after a letter makes U+09xx, U+0Axx
        // or U+0Dxx.
        const unsigned high = unit >> 8;
        const bool likely = (high >= 0x01 && high < 0x20 && high != 0x09 && high != 0x0A
                             && high != 0x0D)
            || unit == 0x2013 || unit == 0x2014 || (unit >= 0x2018 && unit <= 0x201E)
            || unit == 0x2026;
        m_sawUnlikelyUnit = m_sawUnlikelyUnit || (!likely && unit >= 0x100);
        m_sawCrUnit = m_sawCrUnit || unit == kCr;
        m_sawLfUnit = m_sawLfUnit || unit == kLf;
        if (m_pendingHigh != 0) {
            m_unpaired = !QChar::isLowSurrogate(unit);
            m_pendingHigh = 0;
        } else if (QChar::isHighSurrogate(unit)) {
            m_pendingHigh = unit;
        } else {
            m_unpaired = QChar::isLowSurrogate(unit);
        }
    }
}

void FormatDetector::feed(QByteArrayView bytes)
{
    const auto *p = reinterpret_cast<const std::uint8_t *>(bytes.data());
    qsizetype n = bytes.size();
    while (m_mark == Mark::Undecided && n > 0) {
        m_head[m_headSize++] = *p++;
        --n;
        decideMark();
    }
    if (n == 0 || settled())
        return;
    if (utf16Mark())
        scanUnits(p, n);
    scanBytes(p, n);
}

bool FormatDetector::settled() const
{
    // Only a CR settles the line ends, and only bytes that break the
    // encoding settle it: what looked plausible may stop being so at the end.
    if (!m_sawCr)
        return false;
    switch (m_mark) {
    case Mark::Undecided: return false;
    case Mark::None:
    case Mark::Utf8: return m_utf8.beyondMostly();
    case Mark::Utf16LE:
    case Mark::Utf16BE: return m_unpaired;
    }
    return false;
}

TextFormat FormatDetector::format() const
{
    if (m_mark == Mark::Undecided && m_headSize > 0) {
        // The file ended within what might have been a mark: it was not one.
        FormatDetector whole = *this;
        whole.m_mark = Mark::None;
        whole.scanBytes(whole.m_head, whole.m_headSize);
        return whole.format();
    }
    TextFormat format;
    bool unitBreaks = false;
    switch (m_mark) {
    case Mark::Utf8:
        if ((!m_utf8.broken() && !m_utf8.midSequence()) || m_utf8.mostlyUtf8Text())
            format = {Encoding::Utf8, true};
        break;
    case Mark::Utf16LE:
    case Mark::Utf16BE:
        if (plausibleUtf16()) {
            format = {m_mark == Mark::Utf16LE ? Encoding::Utf16LE : Encoding::Utf16BE, true};
            unitBreaks = true;
        }
        break;
    case Mark::None:
    case Mark::Undecided:
        if (m_utf8.holdsUtf8Text() || m_utf8.mostlyUtf8Text())
            format.encoding = Encoding::Utf8;
        break;
    }
    const bool cr = unitBreaks ? m_sawCrUnit : m_sawCr;
    const bool lf = unitBreaks ? m_sawLfUnit : m_sawLf;
    format.lineEnds = lf && !cr ? LineEnds::Lf : LineEnds::CrLf;
    return format;
}

} // namespace zezu
