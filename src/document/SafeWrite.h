#pragma once

#include <QByteArrayView>
#include <QString>

namespace zezu {

// A file's new content, handed out piece by piece so that a large text is
// never held whole as bytes.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // The number of bytes all the pieces make.
    virtual qint64 size() const = 0;
    // The next piece; empty once all were given.
    virtual QByteArrayView next() = 0;
};

// Puts the bytes in the file at path, which is created when missing. A
// symbolic link stays and its target is written. The file is replaced
// atomically, by a complete new file renamed over it, and stays as it was on
// any failure. On failure reason says why, in words for the user.
bool saveFile(const QString &path, ByteSource &bytes, QString &reason);

} // namespace zezu
