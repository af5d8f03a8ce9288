#pragma once

#include <QStringView>

namespace zezu {

// What a command counts of a text before its first event pump: its
// characters, a surrogate pair counting once, and its CR LF line breaks. One
// pass, eight units a step where the processor allows, so that a text of
// hundreds of megabytes takes milliseconds.
struct TextCounts
{
    qsizetype characters = 0;
    qsizetype lineBreaks = 0;
};
TextCounts countText(QStringView text);

// Where a piece of text that ends at end may end instead so that it splits
// neither a CR LF pair nor a surrogate pair: end, or one unit on.
inline qsizetype pairSafeEnd(QStringView text, qsizetype end)
{
    if (end > 0 && end < text.size()
        && (text[end - 1].isHighSurrogate() || (text[end - 1] == u'\r' && text[end] == u'\n')))
        ++end;
    return end;
}

// Where the characters (a surrogate pair counting once) of text that start
// at from end: from and that many characters on, or the text's end.
qsizetype unitsOfCharacters(QStringView text, qsizetype from, qsizetype characters);

inline qsizetype countCharacters(QStringView text) { return countText(text).characters; }

} // namespace zezu
