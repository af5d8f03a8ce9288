// Saving elsewhere, through Qt's files (see SafeWrite.h).
#include "files/SafeWrite.h"

#include "files/FileErrors.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <filesystem>

namespace zezu {

namespace {

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
    reason = bytes.failure();
    return reason.isEmpty();
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

} // namespace

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

} // namespace zezu
