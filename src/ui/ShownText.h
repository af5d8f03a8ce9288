#pragma once

#include <QString>
#include <QStringView>

#include <vector>

namespace zezu {

// How the text area shows a text. Each CR LF pair is a line of the view; a
// lone CR or LF, and the few characters the view would take for a paragraph
// break, are shown as visible stand-ins that read back as what they stand for.
//
// A line longer than kPartUnits is shown as several blocks of the view, its
// parts: the view lays a block out whole on every change, and a block without
// a break opportunity (every converted line) costs time growing with the
// square of its length. A part's block is marked as continuing the line, so
// that the break before it reads back as nothing.
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
    // Whether the piece goes in as it stands (CR LF pairs are breaks to the
    // view): no stand-in, no part. Then shown is empty.
    bool asIs = false;
    // Line breaks as LF, stand-ins in place of the characters that need them.
    QString shown;
    // Indexes in shown where a part begins; in ascending order.
    std::vector<qsizetype> partStarts;
    // View offsets, from the piece's start, of stand-ins that were in the
    // text itself and must read back as themselves.
    std::vector<qsizetype> literals;
};

// The piece as the view takes it in. lineUnits is how many units of the
// current line the view holds before the piece, counted from the start of
// its last part; it comes back counted to the piece's end.
ShownPiece showPiece(QStringView text, qsizetype &lineUnits);

} // namespace zezu
