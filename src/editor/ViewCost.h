#pragma once

#include <QtGlobal>

namespace zezu {

// What a text costs in memory: a QString's units, and what the text area
// takes beside them (its blocks and layout). Measured by bench_view_cost as a
// shown text area takes 20 M units in lines of 0 to 1,400 units: its peak
// resident size grows by 1.3 to 2.4 bytes a unit; its address space, which a
// limit bounds, by more, as its text's buffer grows ahead of the text: 3.4 to
// 3.8 bytes a unit, whatever the lines (short lines share a block; the
// longest block holds 4,096 units). Rounded up, so that the check refuses
// before the intake fails.
inline constexpr qint64 kTextBytesPerUnit = 2;
inline constexpr qint64 kViewBytesPerUnit = 5;

// What the text area will take for text, beside the text.
inline qint64 viewBytes(qint64 units)
{
    return kViewBytesPerUnit * units;
}

} // namespace zezu
