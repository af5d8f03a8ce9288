#pragma once

#include <QByteArray>
#include <QString>

namespace zezu {

// Paths as the system has them, bytes, and as the programs hold them. A name
// from an old archive may be Windows-1251 bytes that are not UTF-8: each such
// byte is held escaped (isEscapedByte in TextCodec.h), so that the file is
// opened and saved under its very name, and shown with U+FFFD in its place.

// A path given as bytes, on a command line.
QString pathFromBytes(const char *bytes);
// The bytes of a path, for the system's calls.
QByteArray pathBytes(const QString &path);
// A path as a message or caption shows it.
QString shownPath(const QString &path);

// The size of the file at path, or 0 when there is none.
qint64 fileSize(const QString &path);

} // namespace zezu
