#pragma once

#include <QString>
#include <QStringView>

#include <cstdint>

namespace zezu {

// How the converter and the decoder append to a string through a pointer.

// Whether text lies in out's own buffer, which growing out would move.
inline bool overlaps(const QString &out, QStringView text)
{
    const auto outBegin = reinterpret_cast<std::uintptr_t>(out.constData());
    const auto outEnd = reinterpret_cast<std::uintptr_t>(out.constData() + out.size());
    const auto textBegin = reinterpret_cast<std::uintptr_t>(text.data());
    return textBegin >= outBegin && textBegin < outEnd;
}

// Makes out room units long, for a writer to store into past what it held,
// and returns its first unit; the writer then resizes it to what it wrote.
// A fresh string gets what it needs and no more; room reserved before is
// kept (QString::reserve() reallocates even when asked for exactly the
// capacity it has); appending grows geometrically, as QString does.
inline char16_t *roomFor(QString &out, qsizetype room)
{
    if (out.isEmpty() && out.capacity() < room)
        out.reserve(room);
    out.resize(room);
    return reinterpret_cast<char16_t *>(out.data());
}

} // namespace zezu
