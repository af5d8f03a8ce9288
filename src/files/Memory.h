#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>

#include <new>

namespace zezu {

// What the text area takes beside the text itself: its blocks and layout.
// Measured by bench_view_cost as a shown text area takes 20 M units in lines
// of 0 to 1,400 units: its peak resident size grows by 1.3 to 2.4 bytes a
// unit; its address space, which a limit bounds, by more, as its text's
// buffer grows ahead of the text: 3.4 to 3.8 bytes a unit, whatever the
// lines (short lines share a block; the longest block holds 4,096 units).
// Rounded up, so that the check refuses before the intake fails.
inline constexpr qint64 kViewBytesPerUnit = 5;
// What a QString takes per code unit.
inline constexpr qint64 kTextBytesPerUnit = 2;

// What the text area will take for text, beside the text.
inline qint64 viewBytes(qsizetype units)
{
    return kViewBytesPerUnit * units;
}

// Thrown when work already begun finds that what comes next will not fit:
// caught where a failed allocation is, and says how much was needed.
struct NotEnoughMemory : std::bad_alloc
{
    explicit NotEnoughMemory(qint64 bytes)
        : needed(bytes)
    {
    }
    qint64 needed;
};

// How much the failure says was needed; -1 when it does not say.
inline qint64 neededFor(const std::bad_alloc &failure)
{
    const auto *refusal = dynamic_cast<const NotEnoughMemory *>(&failure);
    return refusal ? refusal->needed : -1;
}

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
