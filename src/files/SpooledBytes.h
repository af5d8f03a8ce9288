#pragma once

#include "files/SafeWrite.h"
#include "files/ScratchFile.h"

#include <QByteArray>

namespace zezu {

// The bytes of a source of unknown size (a stream), held in a scratch file,
// so that their size is known before a file is written in place; memory
// holds one piece at a time.
class SpooledBytes final : public ByteSource
{
public:
    // Takes every piece of bytes; false with reason when the source failed or
    // the scratch file could not take them.
    bool fill(ByteSource &bytes, QString &reason);

    qint64 size() const override { return m_file.size(); }
    bool next(QByteArrayView &piece, QString &reason) override;

private:
    ScratchFile m_file;
    qint64 m_given = 0;
    QByteArray m_buffer;
};

} // namespace zezu
