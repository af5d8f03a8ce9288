#include "files/FileErrors.h"

#include <QByteArray>

#include <cerrno>

namespace zezu {

QString errorReason(int error)
{
    // Where the C library has no Russian messages it speaks English, which
    // would leave half a sentence in another language in our message boxes;
    // a rare error is named by its number.
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
    case ENOTDIR: return QStringLiteral("часть пути - не папка");
    case EBADF: return QStringLiteral("файл не открыт для этого действия");
    case EPIPE: return QStringLiteral("читающая сторона канала закрыта");
    case EINVAL: return QStringLiteral("недопустимое действие для этого файла");
    case EEXIST: return QStringLiteral("файл уже существует");
    case EBUSY:
    case ETXTBSY: return QStringLiteral("файл занят");
    case EXDEV: return QStringLiteral("файл на другой файловой системе");
    case EMFILE:
    case ENFILE: return QStringLiteral("открыто слишком много файлов");
    case ENOMEM: return QStringLiteral("недостаточно памяти");
    case EAGAIN: return QStringLiteral("ресурс временно недоступен");
    case ENXIO:
    case ENODEV: return QStringLiteral("нет такого устройства");
    case EINTR: return QStringLiteral("действие прервано");
    default: return QStringLiteral("системная ошибка %1").arg(error);
    }
}

QString folderReason() { return QStringLiteral("это папка, а не файл"); }

QString notRegularReason() { return QStringLiteral("это не обычный файл"); }

QString shortWriteReason() { return QStringLiteral("данные записаны не полностью"); }
QString changedWhileReadReason() { return QStringLiteral("файл изменился во время чтения"); }
QString stoppedReason() { return QStringLiteral("сохранение прервано"); }

QString mayBeDamaged(const QString &reason)
{
    return QStringLiteral("файл мог быть повреждён: ") + reason;
}

} // namespace zezu
