#pragma once

#include <QFont>

namespace zezu {

// The two faces of the small windows, at their design sizes.
inline QFont tahoma(bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPointSizeF(8.25);
    f.setBold(bold);
    return f;
}

inline QFont verdanaSmallBold()
{
    QFont f(QStringLiteral("Verdana"));
    f.setPointSizeF(6.75);
    f.setBold(true);
    return f;
}

} // namespace zezu
