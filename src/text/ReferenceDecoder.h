#pragma once

#include <QString>
#include <QStringView>

namespace zezu {

// Turns character references back into characters, so that text the converter
// wrote comes back as it was:
//  - "&nbsp;" becomes a plain space;
//  - every other HTML5 named reference that ends with ";" becomes its
//    character (or two);
//  - "&#1040;", "&#x410;" and "&#X410;" (with the ";") become their character.
//    Zero, surrogates and numbers past U+10FFFF become U+FFFD; 0x80..0x9F
//    become what HTML5 reads them as (0x80 is the euro sign); the other
//    numbers HTML5 calls invalid (U+0001..U+001F but tab, line feed, form
//    feed and carriage return; U+007F; U+FDD0..U+FDEF; each plane's last
//    two) become nothing, as with Python's html.unescape;
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

} // namespace zezu
