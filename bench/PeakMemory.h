#pragma once

#include <QFile>

// A field of this process's status, in KiB; -1 when unknown.
inline long statusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray name = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(name))
            return line.mid(name.size()).trimmed().split(' ').first().toLong();
    return -1;
}

// The peak resident size of this process (VmHWM), in KiB; -1 when unknown.
inline long peakKiB() { return statusKiB("VmHWM"); }
// The peak of its address space (VmPeak), which an address-space limit
// bounds, reserved room included.
inline long peakAddressKiB() { return statusKiB("VmPeak"); }
