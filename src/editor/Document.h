#pragma once

#include "editor/Caption.h"
#include "files/FileStamp.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QFileInfo>
#include <QString>

#include <optional>
#include <utility>

namespace zezu {

// The document the text area holds: its name and the folder of its file,
// whether it has edits not yet saved, and the format of the file it came
// from, which a save writes back (a new document's is the default). The
// caption is made from it, so a name that itself ends in "*" neither reads as
// modified nor loses its star.
class Document
{
public:
    const QString &name() const { return m_name; }
    // The absolute folder of the document's file; empty for a new document.
    const QString &folder() const { return m_folder; }
    bool isModified() const { return m_modified; }
    const TextFormat &format() const { return m_format; }

    // Whether the file at path is this document's, and another program wrote
    // it since this document read or wrote it: a save would replace bytes
    // the user has not seen.
    bool changedOnDisk(const QString &path) const
    {
        if (!m_stamp || m_folder.isEmpty() || QFileInfo(path).absoluteFilePath() != filePath())
            return false;
        const std::optional<FileStamp> now = fileStamp(path);
        return now && *now != *m_stamp;
    }

    // The text changed: true when this is the first change since the last
    // open or save.
    bool markModified() { return !std::exchange(m_modified, true); }
    // The text is now that of the file at path, in this format, as stamped
    // when it was read.
    void opened(const QString &path, const TextFormat &format, const FileStamp &stamp)
    {
        saved(path, format, stamp);
    }
    // The text is now in the file at path, written in this format.
    void saved(const QString &path, const TextFormat &format, const FileStamp &stamp)
    {
        const QFileInfo file(path);
        m_name = file.fileName();
        m_folder = file.absolutePath();
        m_modified = false;
        m_format = format;
        m_stamp = stamp;
    }

    QString caption() const
    {
        // A name's bytes that are not UTF-8 show as U+FFFD.
        const QString unmarked = caption::forDocument(withEscapesShown(m_name));
        return m_modified ? unmarked + caption::kModifiedMarker : unmarked;
    }

private:
    QString filePath() const { return m_folder + u'/' + m_name; }

    QString m_name = caption::kUntitled.toString();
    QString m_folder;
    std::optional<FileStamp> m_stamp;
    bool m_modified = false;
    TextFormat m_format;
};

} // namespace zezu
