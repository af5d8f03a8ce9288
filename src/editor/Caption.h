#pragma once

#include "version/VersionRecord.h"

#include <QString>
#include <QStringView>

namespace zezu::caption {

// The caption is the document's only record: the prefix, the document name,
// and "*" once the text was changed since the last open or save.
inline constexpr QStringView kSeparator = u" - ";
// The product name and the separator.
inline constexpr qsizetype kPrefixLength = record::kProductName.size() + kSeparator.size();
inline constexpr QStringView kUntitled = u"Безымянный";
inline constexpr QChar kModifiedMarker = u'*';

// The caption of an unmodified document of this name.
QString forDocument(QStringView documentName);

bool isModified(QStringView caption);

// The caption without its prefix and without a final marker.
QString documentName(QStringView caption);

// The caption with the marker appended, unless it ends with one already.
QString marked(QStringView caption);

} // namespace zezu::caption
