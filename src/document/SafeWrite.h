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
// symbolic link stays and its target is written. The file stays the same
// file: a complete new one is renamed over it, atomically, when it can have
// the old one's owner, group and mode and the old one has no other name;
// otherwise (a folder that takes no new file, a file of another owner, hard
// links) the old file is written in place, once room for the new bytes is
// reserved. On failure reason says why, in words for the user; the file is as
// it was, unless the reason says it may be damaged.
bool saveFile(const QString &path, ByteSource &bytes, QString &reason);

} // namespace zezu
