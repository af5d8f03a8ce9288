#pragma once

#include <QString>
#include <QStringView>


namespace zezu {

// Turns character references back into characters, so that text the converter
// wrote comes back as it was:
//  - "&nbsp;" becomes a plain space;
//  - every other HTML5 named reference that ends with ";" becomes its
//    character (or two);
//  - "&#1040;", "&#x410;" and "&#X410;" (with the ";") become their character,
//    as the HTML standard reads a number: zero, surrogates and numbers past
//    U+10FFFF become U+FFFD, 0x80..0x9F what HTML reads them as (0x80 is the
//    euro sign), and every other number its code point, a control or a
//    noncharacter too. Leading zeros may be as many as they are; past them a
//    number has at most kMostDigits digits, or it is no reference;
//  - everything else, a reference without its ";" included, is copied as it is.
// The result is never longer than the references.
QString fromReferences(QStringView references);

// Appends the characters of references to out (the same rule as fromReferences).
void appendText(QString &out, QStringView references);

// How many units at the end of piece are the start of a reference that more
// text could still complete: the "&…" that must be carried over to the front
// of the next piece when text is decoded in pieces. 0 when the end of piece
// is no such start. A named reference's start is at most kLongestReferenceStart
// units long; a numeric one ("&#0000…") runs on for as long as its digits do,
// so a caller that reads pieces of a fixed size should read more when the
// carried start is as long as a piece.
qsizetype incompleteReferenceTail(QStringView piece);

// The longest start of a named reference: "&" and the longest name.
inline constexpr qsizetype kLongestReferenceStart = 32;

// The most digits a numeric reference has past its leading zeros: more than
// any number needs (past 7 it is U+FFFD), few enough that a reader of a
// stream holds them in little room.
inline constexpr qsizetype kMostDigits = 8192;

// A numeric reference's digits: the value of c in base 16 (hex) or 10, or 16
// when c is no such digit.
constexpr bool isDigit(char16_t c)
{
    return unsigned(c - u'0') < 10;
}
constexpr unsigned hexValue(char16_t c)
{
    if (isDigit(c))
        return unsigned(c - u'0');
    const unsigned letter = unsigned((c | 0x20) - u'a');
    return letter < 6 ? letter + 10 : 16;
}
constexpr unsigned digitValue(char16_t c, bool hex)
{
    return hex ? hexValue(c) : isDigit(c) ? unsigned(c - u'0') : 16;
}

} // namespace zezu
