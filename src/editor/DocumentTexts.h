#pragma once

#include "version/VersionRecord.h"

#include <QString>
#include <QStringView>

namespace zezu {

// What the document commands say and ask.

// Title of the save-changes prompt and of failure messages.
inline constexpr QStringView kMessageTitle = record::kProductName;

// Qt's filter form of the open and save dialogs.
inline constexpr QStringView kOpenFilter = u"текстовые файлы (*.txt);;все файлы (*)";
inline constexpr QStringView kSaveFilter = u"текстовые файлы (*.txt)";
inline constexpr QStringView kOpenTitle = u"::открытие файл...";
inline constexpr QStringView kSaveTitle = u"::сохранение файла...";

// The save-changes prompt's message for a document of this name.
inline QString saveChangesMessage(const QString &documentName)
{
    return QStringLiteral("вы хотите сохранить изменения в ''") + documentName
        + QStringLiteral("''?");
}

// The name a chosen file is saved under: ".txt" is added unless the name ends
// with exactly ".txt".
inline QString withTextExtension(const QString &chosenName)
{
    if (chosenName.endsWith(QLatin1String(".txt"), Qt::CaseSensitive))
        return chosenName;
    return chosenName + QLatin1String(".txt");
}

} // namespace zezu
