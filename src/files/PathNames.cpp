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
    // A name's escapes are of bytes past ASCII: a lone U+DC00..U+DC7F (no
    // name read from bytes has one) would be a NUL or a "/" in disguise.
    QString name = path;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char16_t u = name[i].unicode();
        if (u >= 0xDC00 && u < 0xDC80 && (i == 0 || !name[i - 1].isHighSurrogate()))
            name[i] = QChar(kReplacement);
    }
    return encodeText(name, TextFormat{Encoding::Utf8, false, LineEnds::CrLf});
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
