#pragma once

#include "files/ReadSource.h"
#include "files/ScratchFile.h"
#include "text/TextFormat.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zezu {

// The one reader of text files: a file, or standard input, read in pieces
// with the format its bytes tell, without ever holding the whole input. The
// editor's open (TextFile.h) and the command line read through it. The
// format is told
//  - first (Telling::First), from all of the bytes before the first piece:
//    a regular file is read once to tell it (mostly stopping early, as
//    FormatDetector::settled() allows) and again from its start; standard
//    input, which cannot be read twice, is held in memory until the format is
//    settled, past kHeadLimit in a scratch file, which is read back before the
//    rest of the input. So memory stays bounded, and only an input that keeps
//    the verdict open (a file with LF line ends and no CR, say) is ever
//    written out whole;
//  - or as read (Telling::AsRead, a regular file only), from the bytes read
//    so far, which a later byte may contradict: the caller then reads again.
class StreamInput
{
public:
    enum class Telling : std::uint8_t { First, AsRead };

    // Bytes read per piece.
    static constexpr qsizetype kPiece = qsizetype(256) << 10;
    // The most of standard input held in memory while its format is told.
    static constexpr qsizetype kHeadLimit = qsizetype(8) << 20;

    // betweenPieces, when given, runs after every piece read to tell the
    // format first, so that a window can answer meanwhile; when it says no,
    // the reading stops and next() fails with no reason.
    explicit StreamInput(Telling telling = Telling::First,
                         std::function<bool()> betweenPieces = {});
    ~StreamInput();
    StreamInput(const StreamInput &) = delete;
    StreamInput &operator=(const StreamInput &) = delete;

    // Anything but a regular file (a folder, a FIFO, a device) is refused,
    // without waiting on it.
    bool openFile(const QString &path, QString &reason);
    // Read from where it stands, never rewound, never closed; its format is
    // told first.
    bool openStandardInput(QString &reason);
    // The size of a regular file when opened, else 0: a hint, no more.
    qint64 sizeHint() const { return m_source.size(); }
    // A regular file's stamp when opened (ReadSource::stamp()).
    const FileStamp &stamp() const { return m_source.stamp(); }

    // The next piece, valid until the next call, empty at the end; and the
    // format told, of all the bytes or of those read so far. False on
    // failure, with reason.
    bool next(QByteArrayView &piece, TextFormat &format, QString &reason);
    // Once next() gave the end: the file was written to while it was read,
    // or its bytes tell another format than they did first (it changed
    // between the two readings).
    bool changedWhileRead() const;

private:
    bool tellFirst(QString &reason);
    bool readSource(QByteArrayView &piece, QString &reason);
    bool nextHeld(QByteArrayView &piece, QString &reason);
    bool spoolRest(FormatDetector &detector, QString &reason);
    // Feeds the detector piece by piece until it is settled, the source ends
    // or more() says no; keep(piece) takes each piece fed and may fail.
    bool feedUntilSettled(FormatDetector &detector, QString &reason,
                          const std::function<bool()> &more,
                          const std::function<bool(QByteArrayView)> &keep);

    Telling m_telling;
    std::function<bool()> m_betweenPieces;
    ReadSource m_source;
    bool m_sourceEnded = false;
    QByteArray m_buffer;
    // Standard input's first bytes, and where their reading stands.
    QByteArray m_head;
    qsizetype m_headPos = 0;
    std::unique_ptr<ScratchFile> m_spool;
    // The format told first, once it was; and the bytes as read after that
    // (a regular file's second reading), or as read at all (AsRead).
    std::optional<TextFormat> m_told;
    std::optional<FormatDetector> m_reading;
};

} // namespace zezu
