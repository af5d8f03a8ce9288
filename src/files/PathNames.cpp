#include "files/PathNames.h"

#include "files/FileStamp.h"

#include "text/TextCodec.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace zezu {


QString pathFromBytes(const char *bytes)
{
    return decodeUtf8Escaped(QByteArrayView(bytes));
}

QByteArray pathBytes(const QString &path)
{
    return encodeUtf8Escaped(path);
}

qint64 fileSize(const QString &path)
{
    struct stat st;
    return ::stat(pathBytes(path).constData(), &st) == 0 ? qint64(st.st_size) : 0;
}

std::optional<FileStamp> fileStamp(const QString &path)
{
    struct stat st;
    if (::stat(pathBytes(path).constData(), &st) != 0)
        return std::nullopt;
    return FileStamp::of(st);
}


QString shownPath(const QString &path)
{
    return withEscapesShown(QDir::toNativeSeparators(path));
}

} // namespace zezu
