#pragma once

#include "files/ReadSource.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QTemporaryFile>

#include <functional>
#include <memory>

namespace zezu {

// A file, or standard input, read in pieces after its format was told from
// all of its bytes, as the editor tells it (readTextFile), without ever
// holding the whole input:
//  - a regular file is read once to tell the format (mostly stopping early,
//    as FormatDetector::settled() allows) and again from its start;
//  - standard input (a pipe, say) cannot be read twice: its first bytes are
//    held in memory until the format is settled; past kHeadLimit the held
//    bytes and what follows, until the format is settled or the input ends,
//    go to a temporary file, which is read back before the rest of the input.
//    So memory stays bounded, and only an input that keeps the verdict open
//    (a file with LF line ends and no CR, say) is ever written out whole.
class StreamInput
{
public:
    // Bytes read per piece.
    static constexpr qsizetype kPiece = qsizetype(256) << 10;
    // The most of standard input held in memory while its format is told.
    static constexpr qsizetype kHeadLimit = qsizetype(8) << 20;

    StreamInput();
    ~StreamInput();
    StreamInput(const StreamInput &) = delete;
    StreamInput &operator=(const StreamInput &) = delete;

    // path "-" is standard input. Anything but a regular file (a folder, a
    // FIFO, a device) is refused by name, without waiting on it.
    bool open(const QString &path, QString &reason);
    // Tells the format; call once, after open() and before next().
    bool detect(TextFormat &format, QString &reason);
    // The next piece, valid until the next call; empty at the end. False on
    // failure, with reason.
    bool next(QByteArrayView &piece, QString &reason);

private:
    bool readSource(QByteArrayView &piece, QString &reason);
    bool spoolRest(FormatDetector &detector, QString &reason);
    // Feeds the detector piece by piece until it is settled, the source ends
    // or more() says no; keep(piece) takes each piece fed and may fail.
    bool feedUntilSettled(FormatDetector &detector, QString &reason,
                          const std::function<bool()> &more,
                          const std::function<bool(QByteArrayView)> &keep);

    ReadSource m_source;
    bool m_sourceEnded = false;
    QByteArray m_buffer;
    // Standard input's first bytes, and where their reading stands.
    QByteArray m_head;
    qsizetype m_headPos = 0;
    std::unique_ptr<QTemporaryFile> m_spool;
};

} // namespace zezu
