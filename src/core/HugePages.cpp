#include "core/HugePages.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#if defined(__linux__)
#include <fstream>
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

void restartWithHugePageAllocations(char **argv)
{
#if defined(__linux__) && defined(__GLIBC__)
    static constexpr char kTunable[] = "glibc.malloc.hugetlb";
    const char *given = std::getenv("GLIBC_TUNABLES");
    // Never a second time, and never over the user's own choice.
    if (given && std::strstr(given, kTunable))
        return;
    std::string mode;
    std::getline(std::ifstream("/sys/kernel/mm/transparent_hugepage/enabled"), mode);
    if (mode.find("[never]") != std::string::npos || mode.empty())
        return;
    const std::string old = given ? given : "";
    const std::string tunables = (old.empty() ? old : old + ':') + kTunable + "=1";
    setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
    execv("/proc/self/exe", argv);
    // Could not start again: go on as we are.
    if (given)
        setenv("GLIBC_TUNABLES", old.c_str(), 1);
    else
        unsetenv("GLIBC_TUNABLES");
#else
    (void)argv;
#endif
}

void reserveWithHugePages(QString &out, qsizetype units)
{
    const qsizetype size = out.size();
    out.reserve(size + units);
    adviseHugePages(out.data() + size, std::size_t(out.capacity() - size) * sizeof(char16_t));
}

} // namespace zezu
