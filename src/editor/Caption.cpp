#include "editor/Caption.h"

namespace zezu::caption {

QString forDocument(QStringView documentName)
{
    QString caption;
    caption.append(record::kProductName).append(kSeparator).append(documentName);
    return caption;
}

} // namespace zezu::caption
