#pragma once

#include <QChar>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

namespace zezu::rule {

// The converter's rule, the one place it is written, by the characters'
// Windows-1251 codes as it is stated: the Cyrillic letters from kCyrillicFirst
// to kCyrillicLast become "&#" and code + kCyrillicOffset, their Unicode code
// point, and ";", and the small "ё" (kSmallYo) "&#" and its code point
// (kSmallYoPoint) and ";"; the markup characters and the space become their
// named references; every other character the page holds is copied. The
// converter's tables and fast paths, and the decoder's shortcut for what the
// converter writes, are all made from here.
inline constexpr int kCyrillicFirst = 192;
inline constexpr int kCyrillicLast = 255;
inline constexpr int kCyrillicOffset = 848;
inline constexpr int kSmallYo = 184;
inline constexpr int kSmallYoPoint = 0x0451;

struct Named
{
    char16_t character; // an ASCII character: its code in the page is itself
    std::u16string_view reference;
};
inline constexpr Named kNamed[] = {
    {u' ', u"&nbsp;"}, {u'"', u"&quot;"}, {u'&', u"&amp;"}, {u'<', u"&lt;"}, {u'>', u"&gt;"},
};

// The units whose output is longer than themselves, in a few ranges, so that
// a block of text is tested against them in a few steps: the Cyrillic letters
// in one (with U+0450 between them), and the named characters in ranges of
// ASCII close together (with a few others between them).
struct Range
{
    char16_t first;
    char16_t last;
    constexpr bool holds(char16_t u) const { return u >= first && u <= last; }
};
inline constexpr std::array<Range, 3> kGrowing = [] {
    std::array<Range, 3> ranges{};
    ranges[0] = {char16_t(std::min(kCyrillicFirst + kCyrillicOffset, kSmallYoPoint)),
                 char16_t(std::max(kCyrillicLast + kCyrillicOffset, kSmallYoPoint))};
    // The named characters in order, each range taking in those less than
    // eight apart.
    std::array<char16_t, std::size(kNamed)> named{};
    for (std::size_t i = 0; i < named.size(); ++i)
        named[i] = kNamed[i].character;
    for (std::size_t i = 0; i < named.size(); ++i)
        for (std::size_t j = i + 1; j < named.size(); ++j)
            if (named[j] < named[i])
                std::swap(named[i], named[j]);
    std::size_t r = 1;
    ranges[r] = {named[0], named[0]};
    for (std::size_t i = 1; i < named.size(); ++i) {
        if (named[i] - ranges[r].last < 8)
            ranges[r].last = named[i];
        else
            ranges[++r] = {named[i], named[i]};
    }
    return ranges;
}();

constexpr bool grows(char16_t u)
{
    for (const Range &range : kGrowing)
        if (range.holds(u))
            return true;
    return false;
}

// The decimal references of the letters all have four digits, which the
// decoder reads without a search.
static_assert(kCyrillicFirst + kCyrillicOffset >= 1000 && kCyrillicLast + kCyrillicOffset <= 9999
              && kSmallYoPoint >= 1000 && kSmallYoPoint <= 9999);
static_assert([] {
    for (const Named &named : kNamed)
        if (named.character >= 0x80 || !grows(named.character) || named.reference.size() > 8)
            return false;
    return true;
}(), "every named character is ASCII, in a growing range, its reference short");

// A lone surrogate is no character, and no reference can carry a C1 control
// in HTML ("&#150;" reads as "–"): they become "?". Only U+0098 is a
// character of the page (held), its byte 0x98.
constexpr bool becomesQuestionMark(char16_t unit, bool held)
{
    return QChar::isSurrogate(unit) || (unit >= 0x80 && unit < 0xA0 && !held);
}

// What the rule makes of one code unit, alone.
QString referenceOf(char16_t unit);

} // namespace zezu::rule
