#pragma once

// An address-space limit set on this very process, and room under it taken
// away, for the tests of what a command does when memory runs out for real.

#include <QFile>

#include <sys/mman.h>
#include <sys/resource.h>

#include <cstddef>

// AddressSanitizer, as GCC and as clang tell it.
#if defined(__SANITIZE_ADDRESS__)
#define ZEZU_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEZU_ASAN 1
#endif
#endif
#ifndef ZEZU_ASAN
#define ZEZU_ASAN 0
#endif

// AddressSanitizer maps terabytes of shadow: no address-space limit can be set.

namespace zezu::test {

// What this process has mapped, in bytes; -1 when it cannot be read.
inline qint64 mappedBytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmSize:"))
                return line.mid(7).trimmed().split(' ').value(0).toLongLong() * 1024;
    return -1;
}

// Limits this process to what it has mapped now and room more.
inline bool limitAddressSpace(qint64 room)
{
    const qint64 used = mappedBytes();
    const rlimit limit{rlim_t(used + room), rlim_t(used + room)};
    return used >= 0 && ::setrlimit(RLIMIT_AS, &limit) == 0;
}

// Room left under the address-space limit, less keep, taken by a mapping
// nothing uses: what another part of the program might have taken meanwhile.
struct TakenRoom
{
    void *at = nullptr;
    std::size_t bytes = 0;
};

inline TakenRoom takeRoomLeft(qint64 keep)
{
    rlimit limit{};
    ::getrlimit(RLIMIT_AS, &limit);
    const auto bytes = std::size_t(qint64(limit.rlim_cur) - mappedBytes() - keep);
    void *at =
        ::mmap(nullptr, bytes, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    return at == MAP_FAILED ? TakenRoom{} : TakenRoom{at, bytes};
}

} // namespace zezu::test
