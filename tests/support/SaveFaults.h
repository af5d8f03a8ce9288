#pragma once

// The saves that must fail, for the logic's tests and the window's alike:
// each way into a save, each place a save cannot go.

#include "files/FileErrors.h"
#include "support/Messages.h"

#include <QMetaType>
#include <QTest>

#include <cerrno>

namespace zezu::test {

// The four ways into a save: the command, and Yes to the prompt of open, of
// exit and of the close button.
enum class Entry { Save, OpenYes, ExitYes, CloseYes };
inline constexpr Entry kEntries[] = {Entry::Save, Entry::OpenYes, Entry::ExitYes,
                                     Entry::CloseYes};

// A row for each way in and each failure: the name chosen in the case's
// folder (which holds old.txt, folder.txt/, fifo.txt and kLongestName), the
// reason the message must give, the text's size, and the size limit that
// stands for a full disk (0: none). entryName names the way in.
template <typename EntryName>
void addSaveFailRows(EntryName entryName)
{
    using namespace Qt::StringLiterals;
    QTest::addColumn<Entry>("entry");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<qsizetype>("textSize");
    QTest::addColumn<qint64>("sizeLimit");
    for (const Entry e : kEntries) {
        const char *via = entryName(e);
        // Without ".txt": the dialog would otherwise enter the folder.
        QTest::addRow("%s: a folder where the file should go", via)
            << e << u"folder"_s << kFolderReason << qsizetype(10) << qint64(0);
        QTest::addRow("%s: under a missing folder", via)
            << e << u"missing/out.txt"_s << errorReason(ENOENT) << qsizetype(10) << qint64(0);
        QTest::addRow("%s: under a regular file", via)
            << e << u"old.txt/out.txt"_s << errorReason(ENOTDIR) << qsizetype(10) << qint64(0);
        QTest::addRow("%s: a FIFO", via)
            << e << u"fifo.txt"_s << kNotRegularReason << qsizetype(10) << qint64(0);
        // 126 Cyrillic letters are 252 bytes; with ".txt" the name is too long.
        QTest::addRow("%s: a name too long once .txt is added", via)
            << e << QString(126, u'я') << errorReason(ENAMETOOLONG) << qsizetype(10)
            << qint64(0);
        // A size limit stops the write as a full disk does, inside the one
        // piece written.
        QTest::addRow("%s: disk full inside a write", via)
            << e << u"old.txt"_s << errorReason(EFBIG) << qsizetype(200000) << qint64(65536);
        // A file of the longest name is replaced through a file of a short
        // name: it too must stay whole, and the short one must go.
        QTest::addRow("%s: disk full, replacing a name of 255 bytes", via)
            << e << kLongestName << errorReason(EFBIG) << qsizetype(200000) << qint64(65536);
    }
}

} // namespace zezu::test

Q_DECLARE_METATYPE(zezu::test::Entry)
