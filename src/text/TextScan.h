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

inline qsizetype lineBreaks(QStringView text) { return countText(text).lineBreaks; }
inline qsizetype countCharacters(QStringView text) { return countText(text).characters; }

} // namespace zezu
