#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <new>

namespace zezu {

// Whether the program can still allocate this many bytes: the system's
// available memory and the address-space limit both allow it. True when
// neither can be read.
bool canAllocate(qint64 bytes);

// Why a command was refused before the work (saying how much it needs) or
// ended for lack of memory, in words for the user.
inline QString notEnoughMemoryReason(qint64 neededBytes = -1)
{
    const QString reason = QStringLiteral("недостаточно памяти");
    if (neededBytes < 0)
        return reason;
    constexpr qint64 kMiB = qint64(1) << 20;
    return reason + QStringLiteral(" (нужно около %1 МБ)").arg((neededBytes + kMiB - 1) / kMiB);
}

} // namespace zezu
