#include "text/ReferenceRule.h"

#include "text/CodePage1251.h"

namespace zezu::rule {

QString referenceOf(char16_t unit)
{
    const CodePage1251 &page = CodePage1251::instance();
    const int code = page.codeOf(unit);
    if (becomesQuestionMark(unit, page.holds(unit)))
        return QStringLiteral("?");
    // U+0098, the page's byte 0x98, is kept; what the page lacks is its
    // decimal reference.
    if (code < 0)
        return page.holds(unit) ? QString(QChar(unit))
                                : QStringLiteral("&#%1;").arg(unsigned(unit));
    if (code >= kCyrillicFirst && code <= kCyrillicLast)
        return QStringLiteral("&#%1;").arg(code + kCyrillicOffset);
    if (code == kSmallYo)
        return QStringLiteral("&#%1;").arg(kSmallYoPoint);
    for (const Named &named : kNamed) {
        if (named.character == code)
            return QString::fromUtf16(named.reference.data(), qsizetype(named.reference.size()));
    }
    return QString(QChar(unit));
}

} // namespace zezu::rule
