#pragma once

#include "version/VersionRecord.h"

#include <QString>

namespace zezu {

// The about box's version line: "::версия: " then the major and minor
// numbers in decimal, then "...". The revision is not shown.
QString versionLine(int majorNumber, int minorNumber);

// The version line of this build's version record.
inline QString versionLine()
{
    return versionLine(record::kVersionMajor, record::kVersionMinor);
}

} // namespace zezu
