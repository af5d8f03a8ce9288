#include "text/HugePages.h"

#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace zezu {

void adviseHugePages(void *begin, std::size_t bytes)
{
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    if (begin == nullptr || bytes < kHugePagesFrom)
        return;
    static const auto page = std::uintptr_t(sysconf(_SC_PAGESIZE));
    // The advice takes whole pages: the first is the one begin is in, which
    // the range shares with what lies before it; advice there does no harm.
    const auto from = reinterpret_cast<std::uintptr_t>(begin) / page * page;
    const auto to = (reinterpret_cast<std::uintptr_t>(begin) + bytes) / page * page;
    madvise(reinterpret_cast<void *>(from), to - from, MADV_HUGEPAGE);
#else
    (void)begin;
    (void)bytes;
#endif
}

void reserveWithHugePages(QString &out, qsizetype units)
{
    const qsizetype size = out.size();
    out.reserve(size + units);
    adviseHugePages(out.data() + size, std::size_t(out.capacity() - size) * sizeof(char16_t));
}

} // namespace zezu
