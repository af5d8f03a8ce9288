#include "version/Version.h"

namespace zezu {

QString versionLine(int majorNumber, int minorNumber)
{
    return QStringLiteral("::версия: ") + QString::number(majorNumber) + QLatin1Char('.')
           + QString::number(minorNumber) + QStringLiteral("...");
}

} // namespace zezu
