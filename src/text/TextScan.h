#pragma once

#include <QStringView>

namespace zezu {

// Which code units a scan looks for: those whose bits under mask equal value.
struct UnitTest
{
    char16_t mask;
    char16_t value;
};

// How many positions i of text have a unit passing first at i and one passing
// second at i + 1. Eight units a step where the processor allows, so that a
// text of hundreds of megabytes takes milliseconds: scans like this run
// before a command's first event pump.
qsizetype countUnitPairs(QStringView text, UnitTest first, UnitTest second);

// CR LF pairs: the line breaks of the editor's text.
inline qsizetype lineBreaks(QStringView text)
{
    return countUnitPairs(text, {0xFFFF, u'\r'}, {0xFFFF, u'\n'});
}

// Characters, a surrogate pair counting once. Pairs cannot overlap, a low
// surrogate being no high one.
inline qsizetype countCharacters(QStringView text)
{
    return text.size() - countUnitPairs(text, {0xFC00, 0xD800}, {0xFC00, 0xDC00});
}

} // namespace zezu
