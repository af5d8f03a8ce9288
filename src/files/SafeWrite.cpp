// Saving on a system with POSIX files: the file keeps its owner, group, mode
// and other names (see SafeWrite.h).
#include "files/SafeWrite.h"

#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/SpooledBytes.h"
#include "files/TemporaryFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QDir>
#include <QRandomGenerator>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace zezu {

namespace {

// A write that took no byte and named no error.
constexpr int kShortWrite = -1;

// The source stopped short (ByteSource::failure() says why).
constexpr int kSourceFailed = -3;

QString reasonOf(int error, const ByteSource *bytes = nullptr)
{
    return error == kSourceFailed && bytes ? bytes->failure()
        : error == kShortWrite             ? shortWriteReason()
                                           : errorReason(error);
}

bool failed(QString &reason, int error, const ByteSource *bytes = nullptr)
{
    return (reason = reasonOf(error, bytes)), false;
}

// Past the file size limit (RLIMIT_FSIZE) the system sends SIGXFSZ, whose
// default ends the program with the edits unsaved. Ignored, it lets the
// write fail with EFBIG, which is told like a full disk. A handler the
// program set is left alone.
void ignoreFileSizeSignal()
{
    struct sigaction current;
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && !(current.sa_flags & SA_SIGINFO)
        && current.sa_handler == SIG_DFL)
        ::signal(SIGXFSZ, SIG_IGN);
}

// A file descriptor, closed with the object unless closed before.
class Fd
{
public:
    Fd() = default;
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;

    int get() const { return m_fd; }
    void reset(int fd) { m_fd = fd; }
    // Closes it now: 0, or the error a delayed write reports (on NFS).
    int close()
    {
        const int fd = std::exchange(m_fd, -1);
        return fd < 0 || ::close(fd) == 0 || errno == EINTR ? 0 : errno;
    }

private:
    int m_fd = -1;
};

QByteArray folderOf(const QByteArray &name)
{
    const qsizetype slash = name.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

// Follows the chain of symbolic links that name may be, to the file a save
// writes: the links stay, and a dangling one gets its target created. 0, or
// the error (ELOOP for a loop).
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

// The stamp of the open file, when asked for: 0, or the error.
int stampOf(int fd, FileStamp *stamp)
{
    struct stat st;
    if (!stamp)
        return 0;
    if (::fstat(fd, &st) != 0)
        return errno;
    *stamp = FileStamp::of(st);
    return 0;
}

// Writes every piece from the start of the file: 0, or the error.
int writePieces(int fd, ByteSource &bytes)
{
    off_t offset = 0;
    for (QByteArrayView piece = bytes.next(); !piece.isEmpty(); piece = bytes.next()) {
        // A write that was only partly done reports no error: asking again
        // for the rest either finishes the piece or yields the system's
        // reason (a full disk, a size limit).
        for (qsizetype done = 0; done < piece.size();) {
            const ssize_t written =
                ::pwrite(fd, piece.data() + done, std::size_t(piece.size() - done), offset);
            if (written < 0 && errno == EINTR)
                continue;
            if (written < 0)
                return errno;
            if (written == 0) // no progress and no error: never loop on it
                return kShortWrite;
            done += written;
            offset += written;
        }
    }
    return bytes.failure().isEmpty() ? 0 : kSourceFailed;
}

// Makes a new file of a short unused name in the folder, prefix and eight
// random letters: a name near the system's limit with a few characters added
// would be too long. The name is guarded before the file exists, so that no
// signal can come between; a name taken already can only be a file of ours
// left by a crash.
int createNewFile(const QByteArray &folder, const char *prefix, QByteArray &name, Fd &fd,
                  TemporaryFileGuard &guard)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int tries = 0; tries < 100; ++tries) {
        QByteArray candidate = folder + '/' + prefix;
        for (int i = 0; i < 8; ++i)
            candidate += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        guard.guard(candidate);
        // 0666 less the umask, as any new file of the user's.
        const int created =
            ::open(candidate.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

// The new file that is to take the old one's place, removed with the object
// unless it was renamed into place.
struct NewFile
{
    QByteArray name;
    Fd fd;
    TemporaryFileGuard guard;
    NewFile() = default;
    ~NewFile()
    {
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
    NewFile(const NewFile &) = delete;
    NewFile &operator=(const NewFile &) = delete;
};

// The new file is not the old one as the user knows it: it could not be made
// in the folder, or be given the old one's owner, group or mode.
constexpr int kNotTheSame = -2;

// Makes the new file in the folder of name, with the owner, group and mode
// of the old one (old: its status, null when there is none). 0, the error, or
// kNotTheSame.
int makeReplacement(const QByteArray &name, const struct stat *old, NewFile &file)
{
    if (const int error = createNewFile(folderOf(name), ".zezu-", file.name, file.fd, file.guard))
        return old && (error == EACCES || error == EPERM) ? kNotTheSame : error;
    if (!old)
        return 0;
    struct stat made;
    if (::fstat(file.fd.get(), &made) != 0)
        return errno;
    // Only root, or an owner choosing a group of their own, may give a file
    // away; as anyone else a file of another owner is written in place.
    if ((made.st_uid != old->st_uid || made.st_gid != old->st_gid)
        && ::fchown(file.fd.get(), old->st_uid, old->st_gid) != 0)
        return kNotTheSame;
    // After fchown, which clears the set-user-ID and set-group-ID bits.
    if (::fchmod(file.fd.get(), old->st_mode & 07777) != 0)
        return kNotTheSame;
    return 0;
}

// Writes every byte of the file from to the file to, from their starts: 0,
// or the error.
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
        for (ssize_t done = 0; done < got;) {
            const ssize_t written = ::pwrite(to, buffer.constData() + done,
                                             std::size_t(got - done), offset + done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                return written < 0 ? errno : kShortWrite;
            done += written;
        }
        offset += got;
    }
}

// Makes the entries of a folder lasting, as a file's fsync does its bytes.
void syncFolder(const QByteArray &folder)
{
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

// A copy of a file's old bytes, kept while the file is written in place:
// beside it as .zezu-old-XXXXXXXX, or in the temporary folder when its folder
// takes no new file. A signal that ends the program meanwhile waits until the
// file is whole, and then removes the copy; after SIGKILL or a power cut,
// which nothing can wait for, the copy is there. Removed with the object
// unless kept.
struct OldBytes
{
    QByteArray name;
    TemporaryFileGuard guard;
    OldBytes() = default;
    ~OldBytes()
    {
        if (!name.isEmpty())
            ::unlink(name.constData());
    }
    OldBytes(const OldBytes &) = delete;
    OldBytes &operator=(const OldBytes &) = delete;

    // Copies the file's bytes, lastingly: 0, or the error.
    int keep(const QByteArray &file)
    {
        Fd from;
        from.reset(::open(file.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        if (from.get() < 0)
            return errno;
        QByteArray folder = folderOf(file);
        Fd to;
        int error = createNewFile(folder, ".zezu-old-", name, to, guard);
        if (error == EACCES || error == EPERM || error == EROFS) {
            folder = pathBytes(QDir::tempPath());
            error = createNewFile(folder, "zezu-old-", name, to, guard);
        }
        if (!error)
            error = copyBytes(from.get(), to.get());
        if (!error && ::fsync(to.get()) != 0)
            error = errno;
        if (!error)
            error = to.close();
        if (!error)
            syncFolder(folder);
        return error;
    }
    // Puts the old bytes back into the file: 0, or the error.
    int restore(const QByteArray &file) const
    {
        Fd from;
        Fd to;
        from.reset(::open(name.constData(), O_RDONLY | O_CLOEXEC));
        to.reset(::open(file.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
        struct stat st;
        if (from.get() < 0 || to.get() < 0 || ::fstat(from.get(), &st) != 0)
            return errno;
        if (const int error = copyBytes(from.get(), to.get()))
            return error;
        if (::ftruncate(to.get(), st.st_size) != 0 || ::fsync(to.get()) != 0)
            return errno;
        return to.close();
    }
    // The copy stays, for the user: a failure left the file damaged.
    QString keepForUser()
    {
        guard.release();
        const QByteArray kept = std::exchange(name, QByteArray());
        return pathFromBytes(kept.constData());
    }
};

// Puts the bytes in the old file itself. Nothing is touched until a copy of
// the old bytes is safe and the room for every new byte is taken, so that a
// full disk or a size limit leaves the file as it was; a signal meant to end
// the program waits until the file is whole; a failure after that puts the
// old bytes back, or keeps their copy and says where.
bool writeInPlace(const QByteArray &name, ByteSource &bytes, QString &reason, FileStamp *written)
{
    if (bytes.size() < 0) {
        SpooledBytes spool;
        return spool.fill(bytes, reason) && writeInPlace(name, spool, reason, written);
    }
    Fd fd;
    int opened;
    do
        opened = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (opened < 0 && errno == EINTR);
    fd.reset(opened);
    struct stat st;
    if (opened < 0 || ::fstat(opened, &st) != 0)
        return failed(reason, errno);
    if (!S_ISREG(st.st_mode)) {
        reason = notRegularReason();
        return false;
    }
    OldBytes old;
    if (const int error = old.keep(name)) {
        reason = QStringLiteral("не удалось сохранить копию прежнего содержимого: ")
            + reasonOf(error);
        return false;
    }
    const EndingSignalsDeferred deferred;
    const qint64 size = bytes.size();
    int error = 0;
    if (size > 0) {
        do
            error = ::posix_fallocate(opened, 0, size);
        while (error == EINTR);
        // A file system that reserves no space is written all the same.
        if (error == EOPNOTSUPP)
            error = 0;
    }
    if (!error)
        error = writePieces(opened, bytes);
    if (!error && ::ftruncate(opened, size) != 0)
        error = errno;
    if (!error && ::fsync(opened) != 0)
        error = errno;
    if (!error)
        error = stampOf(opened, written);
    if (!error)
        error = fd.close();
    if (!error)
        return true;
    reason = reasonOf(error, &bytes);
    fd.close();
    if (old.restore(name) != 0)
        reason = mayBeDamaged(reason)
            + QStringLiteral("; прежнее содержимое - в файле \"%1\"").arg(shownPath(old.keepForUser()));
    return false;
}

// Writes a complete new file in the folder and renames it over the old one,
// unless the new file would not be the same as the old one: then the old file
// is written in place.
bool replace(const QByteArray &name, const struct stat *old, ByteSource &bytes, QString &reason,
             FileStamp *written)
{
    int error;
    {
        NewFile file;
        error = makeReplacement(name, old, file);
        if (!error)
            error = writePieces(file.fd.get(), bytes);
        if (!error && ::fsync(file.fd.get()) != 0)
            error = errno;
        if (!error)
            error = stampOf(file.fd.get(), written);
        if (!error)
            error = file.fd.close();
        if (!error && ::rename(file.name.constData(), name.constData()) != 0)
            error = errno;
        if (!error) {
            file.guard.release();
            file.name.clear();
            return true;
        }
    }
    if (error == kNotTheSame)
        return writeInPlace(name, bytes, reason, written);
    return failed(reason, error, &bytes);
}

} // namespace

bool saveFile(const QString &path, ByteSource &bytes, QString &reason, FileStamp *written)
{
    ignoreFileSizeSignal();
    QByteArray name = pathBytes(path);
    if (const int error = followLinks(name))
        return failed(reason, error);
    struct stat old;
    if (::stat(name.constData(), &old) != 0) {
        if (errno != ENOENT)
            return failed(reason, errno);
        return replace(name, nullptr, bytes, reason, written);
    }
    if (!S_ISREG(old.st_mode)) {
        reason = S_ISDIR(old.st_mode) ? folderReason() : notRegularReason();
        return false;
    }
    // A file the user may not write is not replaced by one they may.
    if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
        return failed(reason, errno);
    // The file's other names would keep the old text.
    if (old.st_nlink > 1)
        return writeInPlace(name, bytes, reason, written);
    return replace(name, &old, bytes, reason, written);
}

} // namespace zezu
