#pragma once

#include <QString>

namespace zezu::bench {

// Russian prose with every kind of character the converter replaces, in
// CRLF lines, cut to the given number of characters.
inline QString prose(qsizetype chars)
{
    const QString paragraph = QStringLiteral(
        "Съешь же ещё этих мягких французских булок, да выпей чаю. В чащах юга жил "
        "бы цитрус? Да, но фальшивый экземпляр! \"Широкая электрификация\" южных "
        "губерний даст мощный толчок подъёму сельского хозяйства & <промышленности>.\r\n");
    QString text;
    text.reserve(chars + paragraph.size());
    while (text.size() < chars)
        text += paragraph;
    text.truncate(chars);
    return text;
}

} // namespace zezu::bench
