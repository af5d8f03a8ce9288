#pragma once

// A model of the line rule the reader and the writer are held to, written
// byte by byte and owing nothing to the editor's code: CR and CR LF end a
// line, a lone LF is an ordinary character, every line is followed by CR LF,
// and an empty file is an empty text. Characters are what glibc's iconv reads
// each Windows-1251 byte as; 0x98, which it leaves unassigned, reads as U+0098
// so that no byte is lost.

#include "support/Iconv.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

namespace zezu::test {

// The character each byte reads as.
inline const std::array<char16_t, 256> &byteChars()
{
    static const std::array<char16_t, 256> table = [] {
        std::array<char16_t, 256> t{};
        for (int byte = 0; byte < 256; ++byte) {
            const auto c = iconvCharOf(byte);
            t[std::size_t(byte)] = c && c->size() == 1 ? c->at(0).unicode() : char16_t(byte);
        }
        return t;
    }();
    return table;
}

namespace detail {

// Calls piece(b) for every byte kept and lineEnd() for every end of a line.
template<typename Piece, typename LineEnd>
void walkLines(QByteArrayView bytes, Piece &&piece, LineEnd &&lineEnd)
{
    bool open = false;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = std::uint8_t(bytes[i]);
        if (b == '\r') {
            lineEnd();
            open = false;
            if (i + 1 < bytes.size() && bytes[i + 1] == '\n')
                ++i;
            continue;
        }
        piece(b);
        open = true;
    }
    if (open)
        lineEnd();
}

} // namespace detail

// The text a file of these bytes opens as.
inline QString lineRuleText(QByteArrayView bytes)
{
    QString out;
    detail::walkLines(
        bytes, [&](std::uint8_t b) { out += QChar(byteChars()[b]); },
        [&] { out += QLatin1String("\r\n"); });
    return out;
}

// The bytes a save of that text writes: every byte kept, CR LF after every
// line.
inline QByteArray lineRuleBytes(QByteArrayView bytes)
{
    QByteArray out;
    detail::walkLines(
        bytes, [&](std::uint8_t b) { out += char(b); }, [&] { out += "\r\n"; });
    return out;
}

// Whether the file already follows the rule, so that opening and saving it
// must keep its bytes.
inline bool followsLineRule(QByteArrayView bytes) { return lineRuleBytes(bytes) == bytes; }

} // namespace zezu::test
