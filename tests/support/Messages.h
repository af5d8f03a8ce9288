#pragma once

// What the editor shows, written out once for the tests: captions, the
// failure messages and their reasons of our own, and a name at the length
// limit.

#include <QDir>
#include <QString>

namespace zezu::test {

// The caption of a document with this title ("a.txt", "a.txt*").
inline QString named(const QString &title) { return QStringLiteral("ZEZU.vexlo - ") + title; }

inline const QString kFresh = QStringLiteral("ZEZU.vexlo - Безымянный");
inline const QString kFreshModified = QStringLiteral("ZEZU.vexlo - Безымянный*");

inline const QString kFolderReason = QStringLiteral("это папка, а не файл");
inline const QString kNotRegularReason = QStringLiteral("это не обычный файл");

// 125 two-byte letters and "a.txt": a name of exactly 255 bytes.
inline const QString kLongestName = QString(125, u'ж') + QStringLiteral("a.txt");

inline QString saveFailed(const QString &path, const QString &reason)
{
    return QStringLiteral("не удалось сохранить файл \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

inline QString openFailed(const QString &path, const QString &reason)
{
    return QStringLiteral("не удалось открыть файл \"%1\": %2")
        .arg(QDir::toNativeSeparators(path), reason);
}

} // namespace zezu::test
