#pragma once

#include "editor/Caption.h"
#include "text/TextCodec.h"
#include "text/TextFormat.h"

#include <QFileInfo>
#include <QString>

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

    // The text changed: true when this is the first change since the last
    // open or save.
    bool markModified() { return !std::exchange(m_modified, true); }
    // The text is now that of the file at path, in this format.
    void opened(const QString &path, const TextFormat &format) { saved(path, format); }
    // The text is now in the file at path, written in this format.
    void saved(const QString &path, const TextFormat &format)
    {
        const QFileInfo file(path);
        m_name = file.fileName();
        m_folder = file.absolutePath();
        m_modified = false;
        m_format = format;
    }

    QString caption() const
    {
        // A name's bytes that are not UTF-8 show as U+FFFD.
        const QString unmarked = caption::forDocument(withEscapesShown(m_name));
        return m_modified ? unmarked + caption::kModifiedMarker : unmarked;
    }

private:
    QString m_name = caption::kUntitled.toString();
    QString m_folder;
    bool m_modified = false;
    TextFormat m_format;
};

} // namespace zezu
