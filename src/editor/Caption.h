#pragma once

#include "version/VersionRecord.h"

#include <QString>
#include <QStringView>

namespace zezu::caption {

// The caption shows the document: the prefix, the document's name, and "*"
// once the text was changed since the last open or save (Document.h).
inline constexpr QStringView kSeparator = u" - ";
inline constexpr QStringView kUntitled = u"Безымянный";
inline constexpr QChar kModifiedMarker = u'*';

// The caption of an unmodified document of this name.
QString forDocument(QStringView documentName);

} // namespace zezu::caption
