#pragma once

#include "editor/Caption.h"
#include "text/TextFormat.h"

#include <QString>

#include <utility>

namespace zezu {

// The document the text area holds: its name, whether it has edits not yet
// saved, and the format of the file it came from, which a save writes back
// (a new document's is the default). The caption is made from it, so a name
// that itself ends in "*" neither reads as modified nor loses its star.
class Document
{
public:
    const QString &name() const { return m_name; }
    bool isModified() const { return m_modified; }
    const TextFormat &format() const { return m_format; }

    // The text changed: true when this is the first change since the last
    // open or save.
    bool markModified() { return !std::exchange(m_modified, true); }
    // The text is now that of the file of this name, in this format.
    void opened(const QString &name, const TextFormat &format)
    {
        m_name = name;
        m_format = format;
        m_modified = false;
    }
    void saved(const QString &name)
    {
        m_name = name;
        m_modified = false;
    }

    QString caption() const
    {
        const QString unmarked = caption::forDocument(m_name);
        return m_modified ? unmarked + caption::kModifiedMarker : unmarked;
    }

private:
    QString m_name = caption::kUntitled.toString();
    bool m_modified = false;
    TextFormat m_format;
};

} // namespace zezu
