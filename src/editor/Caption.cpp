#include "editor/Caption.h"

namespace zezu::caption {

QString forDocument(QStringView documentName)
{
    QString caption;
    caption.append(record::kProductName).append(kSeparator).append(documentName);
    return caption;
}

bool isModified(QStringView caption)
{
    return caption.endsWith(kModifiedMarker);
}

QString documentName(QStringView caption)
{
    // The prefix is skipped by its length, as the caption is always made with it.
    QStringView name = caption.mid(kPrefixLength);
    if (name.endsWith(kModifiedMarker))
        name.chop(1);
    return name.toString();
}

QString marked(QStringView caption)
{
    return isModified(caption) ? caption.toString() : caption.toString() + kModifiedMarker;
}

} // namespace zezu::caption
