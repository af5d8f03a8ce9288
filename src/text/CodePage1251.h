#pragma once

#include <QChar>
#include <QString>

#include <array>
#include <cstdint>

namespace zezu {

// The Windows-1251 (Cyrillic) code page, built once from Qt's codec so that no
// mapping is typed by hand. Byte 0x98 is unassigned in the page: no character
// has it as its code (as in glibc's iconv and Python's cp1251), yet reading the
// byte gives U+0098, Qt's choice, so that a file holding it survives a round trip.
class CodePage1251
{
public:
    static const CodePage1251 &instance();

    // The single-byte code of a UTF-16 code unit, or -1 when the page cannot
    // hold it (surrogates included).
    int codeOf(char16_t unit) const { return m_code[unit]; }

    // The character of a byte (U+0098 for the unassigned 0x98).
    char16_t charOf(std::uint8_t byte) const { return m_char[byte]; }

private:
    CodePage1251();
    std::array<std::int16_t, 65536> m_code{};
    std::array<char16_t, 256> m_char{};
};

} // namespace zezu
