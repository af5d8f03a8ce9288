#include "files/Memory.h"

#include <QFile>

#include <limits>
#include <optional>

#include <sys/resource.h>

namespace zezu {

namespace {

// A "Name:   1234 kB" line of a /proc file, in bytes.
std::optional<qint64> procField(const char *file, QByteArrayView name)
{
    QFile proc(QString::fromLatin1(file));
    if (!proc.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    const QByteArray all = proc.readAll();
    for (const QByteArray &line : all.split('\n')) {
        if (!line.startsWith(name))
            continue;
        bool ok = false;
        const qint64 kb = line.mid(name.size()).trimmed().split(' ').value(0).toLongLong(&ok);
        if (ok)
            return kb * 1024;
    }
    return std::nullopt;
}

} // namespace

bool canAllocate(qint64 bytes)
{
    qint64 room = std::numeric_limits<qint64>::max();
    if (const auto available = procField("/proc/meminfo", "MemAvailable:"))
        room = *available;
    struct rlimit limit;
    if (::getrlimit(RLIMIT_AS, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY) {
        const qint64 used = procField("/proc/self/status", "VmSize:").value_or(0);
        room = std::min(room, qint64(limit.rlim_cur) - used);
    }
    return bytes <= room;
}

} // namespace zezu
