#pragma once

// Reads of regular files that fail with EIO from a given offset on: a
// reading that fails midway, as a failing disk or a lost network share
// makes it. Include in one source file of a test program only: it stands in
// for the C library's read(), and passes every other read on to it.

#include <QtGlobal>

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace zezu::test {

// The offset from which reads of regular files fail; -1: none fail.
inline std::atomic<qint64> failReadsFrom{-1};

} // namespace zezu::test

extern "C" ssize_t read(int fd, void *buffer, size_t count)
{
    using Read = ssize_t (*)(int, void *, size_t);
    static const Read real = reinterpret_cast<Read>(dlsym(RTLD_NEXT, "read"));
    if (const qint64 from = zezu::test::failReadsFrom.load(); from >= 0) {
        struct stat st;
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::lseek(fd, 0, SEEK_CUR) >= from) {
            errno = EIO;
            return -1;
        }
    }
    return real(fd, buffer, count);
}
