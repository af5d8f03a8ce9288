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
// Starts the peak resident size afresh from the present size, so that the
// next peakKiB() is that of what runs meanwhile; false when it cannot.
inline bool restartPeak()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    return clearRefs.open(QIODevice::WriteOnly) && clearRefs.write("5") == 1;
}
// The peak of its address space (VmPeak), which an address-space limit
// bounds, reserved room included.
inline long peakAddressKiB() { return statusKiB("VmPeak"); }
