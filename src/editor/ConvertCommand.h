#pragma once

#include <QString>
#include <QStringView>

namespace zezu {

class ConversionRun;
class UndoHistory;
class WindowServices;

// What a text-replacing command works on: the window, the undo history and
// the run in progress.
struct TextCommandContext
{
    WindowServices &window;
    UndoHistory &history;
    ConversionRun &run;
};

// A conversion of text, run piece by piece ahead of the progress shown:
// reserve(out, part) makes room for the whole result once, append(out, piece)
// converts a piece, and pieceEnd(part, end) moves a proposed end of a piece
// back to where the text may be cut (never to 0: pieces are large);
// lengthBound(part) bounds the length of the result.
struct Transform
{
    qsizetype (*lengthBound)(QStringView part);
    void (*reserve)(QString &out, QStringView part);
    void (*append)(QString &out, QStringView piece);
    qsizetype (*pieceEnd)(QStringView part, qsizetype end);
    // Whether the result has the text's line breaks, no more and no fewer.
    bool keepsLineBreaks;
};

// The character reference converter, and the decoder that turns references
// back into characters, as Transforms.
Transform referenceConversion();
Transform referenceDecoding();

// Converts the selection, or the whole text when nothing is selected, in
// place. A snapshot for Undo is taken first; progress is shown after every
// character, and a Cancel puts the text back as it was. A conversion the
// memory cannot hold is refused before it starts, and one that runs out of
// memory ends as a cancelled one does; the user is told either way.
void convertCommand(const TextCommandContext &context, Transform transform);

// Puts the text back as it was before the newest recorded conversion.
void undoCommand(const TextCommandContext &context);

} // namespace zezu
