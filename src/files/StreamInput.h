#pragma once

#include "files/ReadSource.h"
#include "files/ScratchFile.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace zezu {

// The one reader of text files: a file, or standard input, read in pieces
// after its format was told from all of its bytes, without ever holding the
// whole input. The editor's open reads a whole file through it (readTextFile),
// the command line streams through it.
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

    // Anything but a regular file (a folder, a FIFO, a device) is refused,
    // without waiting on it.
    bool openFile(const QString &path, QString &reason);
    bool openStandardInput(QString &reason);
    // The size of a regular file when opened, else 0: a hint, no more.
    qint64 sizeHint() const { return m_source.size(); }
    // A regular file's stamp when opened (ReadSource::stamp()).
    const FileStamp &stamp() const { return m_source.stamp(); }
    // Tells the format; call once, after opening and before next().
    // betweenPieces, when given, runs after every piece read, so that a
    // window can answer while a large file is read; when it says no, the
    // reading stops and detect() fails with no reason.
    bool detect(TextFormat &format, QString &reason,
                const std::function<bool()> &betweenPieces = {});
    // Instead of detect(), for a regular file read once: the format is told
    // from the bytes as next() reads them (formatSoFar()), and the reader
    // decodes by one it assumes.
    void tellAsRead() { m_recheck.emplace(); }
    TextFormat formatSoFar() const { return m_recheck->format(); }
    void assume(const TextFormat &format) { m_format = format; }
    // The next piece, valid until the next call; empty at the end. False on
    // failure, with reason.
    bool next(QByteArrayView &piece, QString &reason);
    // Once next() gave the end: the file was written to while it was read,
    // or its bytes tell another format than detect() did (it changed between
    // the two readings), or than the one assumed (its head told a format the
    // rest does not).
    bool changedWhileRead() const
    {
        return m_recheck && (m_recheck->format() != m_format || m_source.changedSinceOpened());
    }

private:
    bool readSource(QByteArrayView &piece, QString &reason);
    bool spoolRest(FormatDetector &detector, QString &reason);
    // Feeds the detector piece by piece until it is settled, the source ends
    // or more() says no; keep(piece) takes each piece fed and may fail.
    bool feedUntilSettled(FormatDetector &detector, QString &reason,
                          const std::function<bool()> &more,
                          const std::function<bool(QByteArrayView)> &keep,
                          const std::function<bool()> &betweenPieces = {});

    ReadSource m_source;
    bool m_sourceEnded = false;
    QByteArray m_buffer;
    // Standard input's first bytes, and where their reading stands.
    QByteArray m_head;
    qsizetype m_headPos = 0;
    std::unique_ptr<ScratchFile> m_spool;
    // A regular file, read twice: what detect() found, told again from the
    // second reading.
    TextFormat m_format;
    std::optional<FormatDetector> m_recheck;
};

} // namespace zezu
