#include "files/PosixFiles.h"

#include <QRandomGenerator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>

namespace zezu::posix {

Fd::~Fd()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

int Fd::close()
{
    const int fd = std::exchange(m_fd, -1);
    return fd < 0 || ::close(fd) == 0 || errno == EINTR ? 0 : errno;
}

int open(Fd &fd, const QByteArray &name, int flags)
{
    int opened;
    do
        opened = ::open(name.constData(), flags | O_CLOEXEC);
    while (opened < 0 && errno == EINTR);
    if (opened < 0)
        return errno;
    fd.reset(opened);
    return 0;
}

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

int followLinks(QByteArray &name)
{
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st;
        if (::lstat(name.constData(), &st) != 0)
            return errno == ENOENT ? 0 : errno;
        if (!S_ISLNK(st.st_mode))
            return 0;
        char target[PATH_MAX];
        const ssize_t length = ::readlink(name.constData(), target, sizeof target);
        if (length < 0)
            return errno;
        if (length == ssize_t(sizeof target))
            return ENAMETOOLONG;
        const QByteArray next(target, length);
        name = next.startsWith('/') ? next : folderOf(name) + '/' + next;
    }
    return ELOOP;
}

int createNewFile(const QByteArray &folder, const char *prefix, QByteArray &name, Fd &fd,
                  TemporaryFileGuard &guard, mode_t mode)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int tries = 0; tries < 100; ++tries) {
        QByteArray candidate = folder + '/' + prefix;
        for (int i = 0; i < 8; ++i)
            candidate += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        // Guarded before it exists, so that no signal can come between; a
        // name taken already can only be a file of ours left by a crash.
        guard.guard(candidate);
        const int created =
            ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (created >= 0) {
            fd.reset(created);
            name = candidate;
            return 0;
        }
        const int error = errno;
        guard.release();
        if (error != EEXIST && error != EINTR)
            return error;
    }
    return EEXIST;
}

int writeAt(int fd, const char *bytes, qsizetype size, qint64 offset)
{
    // A write that was only partly done reports no error: asking again for
    // the rest either finishes it or yields the system's reason (a full
    // disk, a size limit).
    for (qsizetype done = 0; done < size;) {
        const ssize_t written =
            ::pwrite(fd, bytes + done, std::size_t(size - done), off_t(offset + done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0) // no progress and no error: never loop on it
            return EIO;
        done += written;
    }
    return 0;
}

int copyBytes(int from, int to)
{
    QByteArray buffer(qsizetype(1) << 20, Qt::Uninitialized);
    for (off_t offset = 0;;) {
        ssize_t got;
        do
            got = ::pread(from, buffer.data(), std::size_t(buffer.size()), offset);
        while (got < 0 && errno == EINTR);
        if (got <= 0)
            return got < 0 ? errno : 0;
        if (const int error = writeAt(to, buffer.constData(), got, offset))
            return error;
        offset += got;
    }
}

void syncFolder(const QByteArray &folder)
{
    Fd fd;
    if (open(fd, folder, O_RDONLY | O_DIRECTORY) == 0)
        ::fsync(fd.get());
}

} // namespace zezu::posix
