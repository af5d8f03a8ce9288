#include "files/SafeWrite.h"

#include "files/FileErrors.h"
#include "files/PathNames.h"
#include "files/PosixFiles.h"
#include "files/SpooledBytes.h"
#include "files/TemporaryFiles.h"

#include <QDir>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <future>
#include <utility>

namespace zezu {

namespace {

using posix::Fd;

// The error, in words for the user: false, for returning at once.
bool failed(QString &reason, int error)
{
    reason = errorReason(error);
    return false;
}

// Stopped by the source: false, with no reason.
bool stopped(QString &reason)
{
    reason.clear();
    return false;
}

// Runs call, a step of the system that may take long, on a thread of its own
// while the source is asked every few milliseconds whether to go on: the
// step itself cannot be stopped, so stop is set for the caller to undo it.
// call's result: 0, or the error.
template <typename Call>
int answering(ByteSource &bytes, bool &stop, Call &&call)
{
    std::future<int> result = std::async(std::launch::async, std::forward<Call>(call));
    while (result.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready)
        stop = !bytes.goOn() || stop;
    return result.get();
}

// A file the save makes for itself, guarded from before it exists: removed
// with the object unless taken (renamed into place, or kept for the user).
class OwnFile
{
public:
    OwnFile() = default;
    ~OwnFile()
    {
        if (!m_name.isEmpty())
            ::unlink(m_name.constData());
    }
    OwnFile(const OwnFile &) = delete;
    OwnFile &operator=(const OwnFile &) = delete;

    // Makes it in the folder (see posix::createNewFile): 0, or the error.
    int make(const QByteArray &folder, const char *prefix, Fd &fd, mode_t mode = 0666)
    {
        return posix::createNewFile(folder, prefix, m_name, fd, m_guard, mode);
    }
    const QByteArray &name() const { return m_name; }
    // Removes it, if any, the source answering meanwhile: the system frees
    // hundreds of megabytes in its own time.
    void remove(ByteSource &bytes)
    {
        if (m_name.isEmpty())
            return;
        bool ignored = false;
        answering(bytes, ignored, [&] { return ::unlink(m_name.constData()); });
        take();
    }
    // It is no longer the save's: a signal, and the object, leave it alone.
    QByteArray take()
    {
        m_guard.release();
        return std::exchange(m_name, QByteArray());
    }

private:
    QByteArray m_name;
    TemporaryFileGuard m_guard;
};

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

// Writes every piece from the start of the file.
bool writePieces(int fd, ByteSource &bytes, QString &reason)
{
    qint64 offset = 0;
    for (QByteArrayView piece;;) {
        if (!bytes.next(piece, reason))
            return false;
        if (piece.isEmpty())
            return true;
        bool stop = false;
        if (const int error = answering(bytes, stop, [&] {
                return posix::writeAt(fd, piece.data(), piece.size(), offset);
            }))
            return failed(reason, error);
        offset += piece.size();
        if (stop || !bytes.goOn())
            return stopped(reason);
    }
}

// Makes the file lasting and notes its stamp, when asked for: 0, or the error.
int settle(int fd, FileStamp *stamp)
{
    struct stat st;
    if (::fsync(fd) != 0 || (stamp && ::fstat(fd, &st) != 0))
        return errno;
    if (stamp)
        *stamp = FileStamp::of(st);
    return 0;
}

// A copy of a file's old bytes, kept while the file is written in place:
// beside it as .zezu-old-XXXXXXXX, or in the temporary folder when its folder
// takes no new file. A signal that ends the program meanwhile waits until the
// file is whole, and then removes the copy; after SIGKILL or a power cut,
// which nothing can wait for, the copy is there. Removed with the object
// unless kept for the user.
class OldBytes
{
public:
    // Copies the file's bytes, lastingly: 0, or the error.
    int keep(const QByteArray &file)
    {
        Fd from;
        if (const int error = posix::open(from, file, O_RDONLY | O_NONBLOCK | O_NOCTTY))
            return error;
        QByteArray folder = posix::folderOf(file);
        Fd to;
        // The user's alone, whoever may read the file: the copy may be in a
        // shared folder, and stays after a SIGKILL.
        constexpr mode_t kOwnerOnly = 0600;
        int error = m_copy.make(folder, ".zezu-old-", to, kOwnerOnly);
        if (error == EACCES || error == EPERM || error == EROFS) {
            folder = pathBytes(QDir::tempPath());
            error = m_copy.make(folder, "zezu-old-", to, kOwnerOnly);
        }
        if (!error)
            error = posix::copyBytes(from.get(), to.get());
        if (!error)
            error = settle(to.get(), nullptr);
        if (!error)
            error = to.close();
        if (!error)
            posix::syncFolder(folder);
        return error;
    }
    // Puts the old bytes back into the file, and the time of its last write
    // from was, its status before: as it was, it does not pass for a file
    // another program changed. 0, or the error.
    int restore(const QByteArray &file, const struct stat &was) const
    {
        Fd from;
        Fd to;
        struct stat st;
        int error = posix::open(from, m_copy.name(), O_RDONLY);
        if (!error)
            error = posix::open(to, file, O_WRONLY | O_NONBLOCK | O_NOCTTY);
        if (!error && ::fstat(from.get(), &st) != 0)
            error = errno;
        if (!error)
            error = posix::copyBytes(from.get(), to.get());
        if (!error && ::ftruncate(to.get(), st.st_size) != 0)
            error = errno;
        const struct timespec times[2] = {was.st_atim, was.st_mtim};
        if (!error && ::futimens(to.get(), times) != 0)
            error = errno;
        if (!error)
            error = settle(to.get(), nullptr);
        return error ? error : to.close();
    }
    // Removes the copy, the source answering meanwhile.
    void discard(ByteSource &bytes) { m_copy.remove(bytes); }
    // The copy stays, for the user: a failure left the file damaged.
    QString keepForUser() { return pathFromBytes(m_copy.take().constData()); }

private:
    OwnFile m_copy;
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
    struct stat st;
    if (const int error = posix::open(fd, name, O_WRONLY | O_NONBLOCK | O_NOCTTY))
        return failed(reason, error);
    if (::fstat(fd.get(), &st) != 0)
        return failed(reason, errno);
    if (!S_ISREG(st.st_mode)) {
        reason = notRegularReason();
        return false;
    }
    OldBytes old;
    bool stop = false;
    if (const int error = answering(bytes, stop, [&] { return old.keep(name); })) {
        reason = QStringLiteral("не удалось сохранить копию прежнего содержимого: ")
            + errorReason(error);
        return false;
    }
    if (stop)
        return stopped(reason);
    const EndingSignalsDeferred deferred;
    const qint64 size = bytes.size();
    int error = 0;
    if (size > 0) {
        do
            error = ::posix_fallocate(fd.get(), 0, size);
        while (error == EINTR);
        // A file system that reserves no space is written all the same.
        if (error == EOPNOTSUPP)
            error = 0;
    }
    if (error) {
        reason = errorReason(error);
    } else if (writePieces(fd.get(), bytes, reason)) {
        error = ::ftruncate(fd.get(), size) != 0
            ? errno
            : answering(bytes, stop, [&] { return settle(fd.get(), written); });
        if (!error)
            error = fd.close();
        if (!error && !stop) {
            old.discard(bytes);
            return true;
        }
        // Stopped at the last step: the old bytes go back all the same.
        reason = error ? errorReason(error) : QString();
    }
    fd.close();
    bool ignored = false;
    if (answering(bytes, ignored, [&] { return old.restore(name, st); }) != 0)
        reason = mayBeDamaged(reason.isEmpty() ? stoppedReason() : reason)
            + QStringLiteral("; прежнее содержимое - в файле \"%1\"").arg(shownPath(old.keepForUser()));
    old.discard(bytes);
    return false;
}

// The new file that is to take the old one's place, removed with the object
// unless it was renamed into place.
class NewFile
{
public:
    enum class Made { Yes, NotTheSame, Failed };

    // Makes it in the folder of name, with the owner, group and mode of the
    // old file (old: its status, null when there is none). NotTheSame: it
    // could not be made there, or be given them, and would not be the file
    // the user knows.
    Made make(const QByteArray &name, const struct stat *old, QString &reason)
    {
        const int error = m_file.make(posix::folderOf(name), ".zezu-", m_fd);
        if (error)
            return old && (error == EACCES || error == EPERM) ? Made::NotTheSame
                                                              : (failed(reason, error), Made::Failed);
        if (!old)
            return Made::Yes;
        struct stat made;
        if (::fstat(m_fd.get(), &made) != 0)
            return failed(reason, errno), Made::Failed;
        // Only root, or an owner choosing a group of their own, may give a
        // file away; as anyone else a file of another owner is written in
        // place. The mode after fchown, which clears the set-ID bits.
        const bool owned = made.st_uid == old->st_uid && made.st_gid == old->st_gid;
        if ((!owned && ::fchown(m_fd.get(), old->st_uid, old->st_gid) != 0)
            || ::fchmod(m_fd.get(), old->st_mode & 07777) != 0)
            return Made::NotTheSame;
        return Made::Yes;
    }

    // Writes the bytes and renames the file over name, whose old bytes the
    // system frees meanwhile. Stopped before the rename, it is removed.
    bool put(const QByteArray &name, ByteSource &bytes, QString &reason, FileStamp *written)
    {
        bool stop = false;
        int error = 0;
        if (writePieces(m_fd.get(), bytes, reason)) {
            error = answering(bytes, stop, [&] { return settle(m_fd.get(), written); });
            if (!error)
                error = m_fd.close();
            if (!error && !stop) {
                error = answering(bytes, stop, [&] {
                    return ::rename(m_file.name().constData(), name.constData()) != 0 ? errno : 0;
                });
                if (!error) {
                    m_file.take();
                    return true;
                }
            }
            if (error)
                failed(reason, error);
            else
                stopped(reason);
        }
        m_fd.close();
        m_file.remove(bytes);
        return false;
    }

private:
    OwnFile m_file;
    Fd m_fd;
};

// Writes a complete new file in the folder and renames it over the old one,
// unless the new file would not be the same as the old one: then the old file
// is written in place.
bool replace(const QByteArray &name, const struct stat *old, ByteSource &bytes, QString &reason,
             FileStamp *written)
{
    NewFile file;
    switch (file.make(name, old, reason)) {
    case NewFile::Made::Yes: return file.put(name, bytes, reason, written);
    case NewFile::Made::NotTheSame: break;
    case NewFile::Made::Failed: return false;
    }
    return writeInPlace(name, bytes, reason, written);
}

} // namespace

bool saveFile(const QString &path, ByteSource &bytes, QString &reason, FileStamp *written)
{
    ignoreFileSizeSignal();
    QByteArray name = pathBytes(path);
    if (const int error = posix::followLinks(name))
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
