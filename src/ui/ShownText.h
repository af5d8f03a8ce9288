#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace zezu {

// How the text area shows a text. Each CR LF pair is a line break of the
// view; a lone CR or LF, and the few characters the view would take for a
// break of its own, are shown as visible stand-ins that read back as what
// they stand for.
//
// The view's cost goes by its blocks, so short lines share one: each after
// the first behind a line separator (U+2028), until the block holds
// kGroupUnits. 50 MB of fortunes-ru went in in 7.3 s as a block a line,
// in 0.7 s as 16 lines a block. Blocks of 2,048 units rather than 1,024 took
// a conversion of 50 M characters 1.96-2.01 s against 2.30-2.45 s and of
// 10 M 398-401 ms against 448-517 ms, its Undo 253-268 ms against 315-324 ms
// (bench_convert_command, 4 runs alternated), and a 50 MiB file whole on
// screen 900-927 ms against 989-1083 ms (bench_files, 3 runs alternated);
// blocks of 4,096 were slower again (one series: 10 M in 624 ms).
//
// A block is laid out whole on every change, and a long one without a break
// opportunity (every converted line) in time growing with the square of its
// length: a block that reaches kPartUnits inside a line ends there, and the
// next, a part, continues the line; the break before a part reads back as
// nothing.
constexpr qsizetype kGroupUnits = 2048;
constexpr qsizetype kPartUnits = 4096;
// A part ends after the last space or ';' this close to its limit, so that
// its last line breaks where a line would (after a word or a reference).
constexpr qsizetype kPartSlack = 256;

// The stand-in the view shows for a character, or 0 when it shows itself.
char16_t standInFor(char16_t c);
// The character a stand-in stands for, or 0 when c is no stand-in.
char16_t originalOf(char16_t c);

// A piece of text in the form the view takes it in.
struct ShownPiece
{
    // Whether the piece goes in as it stands: no line break, no stand-in, no
    // part. Then shown is empty.
    bool asIs = false;
    // Line breaks as U+2028 within a block and LF between blocks, stand-ins
    // in place of the characters that need them.
    QString shown;
    // Indexes in shown where a part begins; in ascending order.
    std::vector<qsizetype> partStarts;
    // View offsets, from the piece's start, of stand-ins that were in the
    // text itself and must read back as themselves.
    std::vector<qsizetype> literals;
    // Line separators in each block the piece makes or extends, in order.
    std::vector<int> separators;
};

// The piece as the view takes it in. blockUnits is how many units the
// view's block holds before the piece; it comes back counted to the
// piece's end.
ShownPiece showPiece(QStringView text, qsizetype &blockUnits);

// Appends what a block's shown text (or a fragment of it that holds no
// literal) stands for: line separators as CR LF, stand-ins as what they
// stand in for.
void appendReadBack(QString &out, QStringView shown);

} // namespace zezu
