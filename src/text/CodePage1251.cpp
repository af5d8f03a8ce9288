#include "text/CodePage1251.h"

#include <QByteArray>
#include <QChar>
#include <QString>
#include <QStringDecoder>
#include <QtGlobal>

namespace zezu {

const CodePage1251 &CodePage1251::instance()
{
    // A function-local static: built once, on first use, safely across threads.
    static const CodePage1251 page;
    return page;
}

CodePage1251::CodePage1251()
{
    m_byte.fill(std::uint8_t('?'));

    QStringDecoder decoder("windows-1251", QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        qFatal("The Windows-1251 codec is missing from this Qt build");

    for (int byte = 0; byte < 256; ++byte) {
        const char raw = static_cast<char>(byte);
        const QString decoded = decoder.decode(QByteArrayView(&raw, 1));

        // A byte the codec leaves without a character: reading it gives the C1
        // control of the same value (Qt's choice for 0x98), or U+FFFD from a
        // codec that reports it instead. Either way it is read as the Latin-1
        // character of the byte, which is written back as the byte.
        const bool single = decoded.size() == 1;
        const char16_t unit = single ? decoded.at(0).unicode() : u'\uFFFD';
        const bool unassigned = !single || unit == u'\uFFFD' || QChar::isSurrogate(unit)
            || (byte >= 0x80 && byte < 0xA0 && unit == byte);
        m_char[byte] = unassigned ? static_cast<char16_t>(byte) : unit;
        m_byte[m_char[byte]] = static_cast<std::uint8_t>(byte);
    }
}

} // namespace zezu
