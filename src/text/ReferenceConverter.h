#pragma once

#include <QString>
#include <QStringView>

namespace zezu {

// Turns text into character references: space and the four markup characters
// become named references, the Cyrillic letters А..я and ё decimal ones, every
// other character that Windows-1251 holds is copied (U+0098, the page's byte
// 0x98, too), and every character it cannot hold becomes its decimal
// reference ("&#128512;" for U+1F600, a surrogate pair being one character),
// so the output holds only what a Windows-1251 page can carry. A lone
// surrogate, no character, and a C1 control (U+0080..U+009F), which HTML
// reads as another character, become "?".
QString toReferences(QStringView text);

// Appends the references for text to out (the same rule as toReferences).
void appendReferences(QString &out, QStringView text);

// How many characters of text the converter writes as "?".
qsizetype questionMarksFor(QStringView text);

// An upper bound of the length of text's references (what the converter
// makes room for, a few units of slack included).
qsizetype referencesLengthBound(QStringView text);

// The number of UTF-16 code units of the character that starts at index i:
// 2 for a well-formed surrogate pair, otherwise 1. Inline: a run asks for
// every character.
inline qsizetype characterLength(QStringView text, qsizetype i)
{
    if (i < 0 || i >= text.size())
        return 0;
    if (i + 1 < text.size() && text[i].isHighSurrogate() && text[i + 1].isLowSurrogate())
        return 2;
    return 1;
}

} // namespace zezu
