#pragma once

#include "files/SafeWrite.h"

#include <QByteArray>
#include <QTemporaryFile>

namespace zezu {

// The bytes of a source of unknown size (a stream), held in a temporary file
// of the system's temporary folder, so that their size is known before a file
// is written in place; memory holds one piece at a time.
class SpooledBytes final : public ByteSource
{
public:
    // Takes every piece of bytes; false with reason when the source failed or
    // the temporary file could not take them.
    bool fill(ByteSource &bytes, QString &reason);

    qint64 size() const override { return m_size; }
    QByteArrayView next() override;
    QString failure() const override { return m_failure; }

private:
    // Never asked for its name, so that it stays a file without one where
    // the system allows: nothing is left of it whatever ends the program.
    QTemporaryFile m_file;
    qint64 m_size = 0;
    qint64 m_given = 0;
    QByteArray m_buffer;
    QString m_failure;
};

} // namespace zezu
