#pragma once

#include "files/FileStamp.h"

#include <QByteArrayView>
#include <QString>

namespace zezu {

// A file's new content, handed out piece by piece so that a large text is
// never held whole as bytes.
class ByteSource
{
public:
    virtual ~ByteSource() = default;
    // The number of bytes all the pieces make; -1 when not known before they
    // are all given (a stream).
    virtual qint64 size() const = 0;
    // The next piece, valid until the next call; empty once all were given.
    // False when the source failed, with reason: a save then leaves the
    // file as it was.
    virtual bool next(QByteArrayView &piece, QString &reason) = 0;
    // Asked after every piece written, and every few milliseconds while the
    // system takes long over one step (making hundreds of megabytes lasting,
    // copying old bytes aside), so that a window can answer: false stops the
    // save, which leaves the file as it was and fails with no reason.
    virtual bool goOn() { return true; }
};

// Puts the bytes in the file at path, which is created when missing. A
// symbolic link stays and its target is written. The file stays the same
// file: a complete new one is renamed over it, atomically, when it can have
// the old one's owner, group and mode and the old one has no other name;
// otherwise (a folder that takes no new file, a file of another owner, hard
// links) the old file is written in place, once a copy of its old bytes is
// safe and room for the new ones reserved (a source of unknown size is first
// spooled, so as to know it), with the signals that would end the program
// waiting until it is whole. On failure reason says why, in words for the
// user; the file is as it was, unless the reason says it may be damaged and
// where its old bytes are. written, when given, is set to the stamp of the
// file as written.
bool saveFile(const QString &path, ByteSource &bytes, QString &reason,
              FileStamp *written = nullptr);

} // namespace zezu
