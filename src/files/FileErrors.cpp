#include "files/FileErrors.h"

#include <QByteArray>

#include <cerrno>

namespace zezu {

QString errorReason(int error)
{
    // Where the C library has no Russian messages it speaks English, which
    // would leave half a sentence in another language in our message boxes.
    switch (error) {
    case ENOENT: return QStringLiteral("файл или папка не найдены");
    case EACCES:
    case EPERM: return QStringLiteral("нет доступа");
    case EROFS: return QStringLiteral("файловая система только для чтения");
    case ENOSPC: return QStringLiteral("нет места на диске");
    case EFBIG:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return QStringLiteral("превышен предельный размер файла или квота");
    case ENAMETOOLONG: return QStringLiteral("слишком длинное имя");
#ifdef ELOOP
    case ELOOP: return QStringLiteral("слишком много символических ссылок");
#endif
    case EIO: return QStringLiteral("ошибка ввода-вывода");
    case EISDIR: return folderReason();
    default: return qt_error_string(error);
    }
}

QString folderReason() { return QStringLiteral("это папка, а не файл"); }

QString notRegularReason() { return QStringLiteral("это не обычный файл"); }

QString shortWriteReason() { return QStringLiteral("данные записаны не полностью"); }
QString changedWhileReadReason() { return QStringLiteral("файл изменился во время чтения"); }

QString mayBeDamaged(const QString &reason)
{
    return QStringLiteral("файл мог быть повреждён: ") + reason;
}

} // namespace zezu
