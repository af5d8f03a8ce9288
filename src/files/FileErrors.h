#pragma once

#include <QString>

namespace zezu {

// How every layer fails: a step that may fail returns false and says why in a
// reason, in words for the user; false with no reason means the user stopped
// it (a Cancel). Only a failed allocation is thrown (std::bad_alloc), caught
// where a command ends.
//
// Why a file could not be read or written, in words for the user. The
// failures a file command meets most are told in Russian whatever the
// system's language; anything else by its number.
QString errorReason(int error);

QString folderReason();     // a folder where a file was expected
QString notRegularReason(); // a FIFO, a device or a socket
QString shortWriteReason(); // a write that made no progress and gave no error
QString changedWhileReadReason(); // a file that kept changing while it was read
QString stoppedReason();          // a save the user stopped, told only if it did harm

// The reason of a failure after the file's old bytes were overwritten in
// part: what is on disk is neither the old content nor the new.
QString mayBeDamaged(const QString &reason);

} // namespace zezu
