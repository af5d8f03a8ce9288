#include "document/SafeWrite.h"

#include "document/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>

#ifdef Q_OS_UNIX
#include <QRandomGenerator>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>
#else
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>
#endif

namespace zezu {

namespace {

#ifdef Q_OS_UNIX

// A write that took no byte and named no error.
constexpr int kShortWrite = -1;

QString reasonOf(int error) { return error == kShortWrite ? shortWriteReason() : errorReason(error); }

bool failed(QString &reason, int error)
{
    reason = reasonOf(error);
    return false;
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
        return ::close(fd) == 0 || errno == EINTR ? 0 : errno;
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
    return 0;
}

// Makes a new file of a short unused name in the folder: a name near the
// system's limit with a few characters added would be too long.
int createNewFile(const QByteArray &folder, QByteArray &name, Fd &fd)
{
    static constexpr char kLetters[] =
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    for (int tries = 0; tries < 100; ++tries) {
        name = folder + "/.zezu-";
        for (int i = 0; i < 8; ++i)
            name += kLetters[QRandomGenerator::global()->bounded(int(sizeof kLetters) - 1)];
        // 0666 less the umask, as any new file of the user's.
        const int created = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (created >= 0) {
            fd.reset(created);
            return 0;
        }
        if (errno != EEXIST && errno != EINTR)
            return errno;
    }
    return EEXIST;
}

// Writes a complete new file in the folder and renames it over the old one
// (old: its status, null when there is none), which keeps its permissions.
bool replaceByRename(const QByteArray &name, const struct stat *old, ByteSource &bytes,
                     QString &reason)
{
    QByteArray newName;
    Fd fd;
    if (const int error = createNewFile(folderOf(name), newName, fd))
        return failed(reason, error);
    // The new file goes unless it was renamed into place.
    auto removeNew = qScopeGuard([&] { ::unlink(newName.constData()); });
    int error = old && ::fchmod(fd.get(), old->st_mode & 07777) != 0 ? errno : 0;
    if (!error)
        error = writePieces(fd.get(), bytes);
    if (!error && ::fsync(fd.get()) != 0)
        error = errno;
    if (!error)
        error = fd.close();
    if (!error && ::rename(newName.constData(), name.constData()) != 0)
        error = errno;
    if (error)
        return failed(reason, error);
    removeNew.dismiss();
    return true;
}

#else

bool writePieces(QFileDevice &file, ByteSource &bytes, QString &reason)
{
    for (QByteArrayView piece = bytes.next(); !piece.isEmpty(); piece = bytes.next()) {
        for (qsizetype done = 0; done < piece.size();) {
            const qint64 written = file.write(piece.data() + done, piece.size() - done);
            if (written <= 0) {
                reason = written < 0 ? file.errorString() : shortWriteReason();
                return false;
            }
            done += written;
        }
    }
    return true;
}

// To replace an existing file QSaveFile makes its new file under the old
// name with 7 characters added, which cannot be made for a name near the
// system's limit.
bool tooLongForSaveFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.fileName().size() + 7 > 255;
}

// Replaces the file as QSaveFile would, through a new file of a short name in
// the same folder that is renamed over it once complete.
bool replaceThroughShortName(const QString &path, ByteSource &bytes, QString &reason)
{
    const QFileInfo info(path);
    const QString target = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    QTemporaryFile file(QFileInfo(target).absolutePath() + QStringLiteral("/.zezu-XXXXXX"));
    if (!file.open()) {
        reason = file.errorString();
        return false;
    }
    if (!writePieces(file, bytes, reason))
        return false;
    if (!file.flush()) {
        reason = file.errorString();
        return false;
    }
    file.setPermissions(QFileInfo(target).permissions());
    file.close();
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(file.fileName().toStdU16String()),
                            std::filesystem::path(target.toStdU16String()), error);
    if (error) {
        reason = QString::fromStdString(error.message());
        return false;
    }
    file.setAutoRemove(false);
    return true;
}

#endif

} // namespace

#ifdef Q_OS_UNIX

bool saveFile(const QString &path, ByteSource &bytes, QString &reason)
{
    ignoreFileSizeSignal();
    QByteArray name = QFile::encodeName(path);
    if (const int error = followLinks(name))
        return failed(reason, error);
    struct stat old;
    if (::stat(name.constData(), &old) != 0) {
        if (errno != ENOENT)
            return failed(reason, errno);
        return replaceByRename(name, nullptr, bytes, reason);
    }
    if (!S_ISREG(old.st_mode)) {
        reason = S_ISDIR(old.st_mode) ? folderReason() : notRegularReason();
        return false;
    }
    // A file the user may not write is not replaced by one they may.
    if (::faccessat(AT_FDCWD, name.constData(), W_OK, AT_EACCESS) != 0)
        return failed(reason, errno);
    return replaceByRename(name, &old, bytes, reason);
}

#else

bool saveFile(const QString &path, ByteSource &bytes, QString &reason)
{
    if (tooLongForSaveFile(path))
        return replaceThroughShortName(path, bytes, reason);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        reason = file.errorString();
        return false;
    }
    if (!writePieces(file, bytes, reason)) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        reason = file.error() == QFileDevice::NoError ? QStringLiteral("файл не удалось заменить")
                                                      : file.errorString();
        return false;
    }
    return true;
}

#endif

} // namespace zezu
