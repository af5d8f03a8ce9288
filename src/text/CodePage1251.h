#pragma once

#include <array>
#include <cstdint>

namespace zezu {

// The Windows-1251 (Cyrillic) code page, built once from Qt's codec so that no
// mapping is typed by hand: one table for reading bytes, one for writing units.
// Byte 0x98 is unassigned in the page: no character has it as its code (as in
// glibc's iconv and Python's cp1251), yet reading the byte gives U+0098, Qt's
// choice, and U+0098 is written back as 0x98, so that a file holding the byte
// survives a round trip.
class CodePage1251
{
public:
    static const CodePage1251 &instance();

    // The character of a byte (U+0098 for the unassigned 0x98).
    char16_t charOf(std::uint8_t byte) const { return m_char[byte]; }

    // The byte a UTF-16 code unit is written as: "?" where the page has none.
    std::uint8_t byteOf(char16_t unit) const { return m_byte[unit]; }

    // Whether the page holds the unit: written as its own byte, not as "?".
    bool holds(char16_t unit) const { return m_byte[unit] != '?' || unit == u'?'; }

    // The single-byte code of a UTF-16 code unit, or -1 when the page has no
    // character for it (surrogates and U+0098 included).
    int codeOf(char16_t unit) const
    {
        const std::uint8_t byte = m_byte[unit];
        const bool unassigned = byte >= 0x80 && byte < 0xA0 && m_char[byte] == byte;
        return m_char[byte] == unit && !unassigned ? byte : -1;
    }

private:
    CodePage1251();
    std::array<char16_t, 256> m_char{};
    std::array<std::uint8_t, 65536> m_byte{};
};

} // namespace zezu
