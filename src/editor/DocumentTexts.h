#pragma once

#include "text/TextCodec.h"
#include "text/TextFormat.h"
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

// The question before a save that would write "?" for characters the file's
// encoding lacks.
inline QString unheldCharactersMessage(const UnheldCharacters &unheld, const TextFormat &format)
{
    const char32_t first = unheld.first;
    return QStringLiteral("в кодировке %1 нет некоторых знаков текста (их %2, первый — \"%3\", "
                          "U+%4): они будут записаны как \"?\".\n\n"
                          "сохранить файл в кодировке UTF-8?\n"
                          "да — в UTF-8, нет — в %1 с \"?\", отмена — не сохранять.")
        .arg(encodingName(format.encoding), QString::number(unheld.count),
             QString::fromUcs4(&first, 1),
             QString::number(uint(first), 16).toUpper().rightJustified(4, u'0'));
}

// The question before a save over the document's file, which another program
// wrote since: the answer that keeps the other program's bytes is the default.
inline QString changedOnDiskMessage(const QString &shownPath)
{
    return QStringLiteral("файл \"%1\" изменён другой программой после того, как его открыли "
                          "или сохранили здесь.\n\nзаменить его этим текстом?\n"
                          "да — заменить, нет — не сохранять.")
        .arg(shownPath);
}

// What an open says of a file with bytes that are not of its encoding (a
// UTF-8 file, or a UTF-16 file cut short).
inline QString strayBytesMessage(const QString &shownPath, const StrayBytes &stray,
                                 Encoding encoding)
{
    return QStringLiteral("в файле \"%1\", прочитанном как %4, есть байты не в %4 (их %2, "
                          "первый - байт номер %3). в тексте они показаны как \"\uFFFD\"; "
                          "сохранение в UTF-8 запишет их как были, а преобразование в ссылки "
                          "заменит их на \"?\".")
        .arg(shownPath, QString::number(stray.count), QString::number(stray.first + 1),
             encodingName(encoding));
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
