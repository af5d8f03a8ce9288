#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

namespace zezu {

// What the text area takes per code unit of its text, beside the text itself
// (its blocks and layout; measured on Russian prose with short lines, with
// room to spare), and what a QString takes.
inline constexpr qint64 kViewBytesPerUnit = 6;
inline constexpr qint64 kTextBytesPerUnit = 2;

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
