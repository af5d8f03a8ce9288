#pragma once

#include <QtGlobal>

namespace zezu {

// How much text the text area takes in one piece. Every piece costs the view
// a layout and a repaint, so many small pieces cost more than the text; one
// large one leaves the window unanswered. Each piece is sized from the pace of
// the last so that it takes about the target time.
class IntakePace
{
public:
    static constexpr qint64 kTargetNs = 40'000'000;
    // The largest piece: past a few million units a piece takes longer than
    // the pace of smaller ones foretells. Without it an Undo at 50 M
    // characters went unanswered for 122-138 ms, at 100 M 121-124 ms; with
    // it 20-29 and 48-51 ms (bench_convert_command, runs alternated).
    static constexpr qsizetype kMost = qsizetype(2) << 20;

    // first: the size of the first piece, and the least a piece can be.
    explicit IntakePace(qsizetype first)
        : m_least(first)
        , m_next(first)
    {
    }

    qsizetype next() const { return m_next; }

    // A piece of units took ns: the next is sized from that pace, growing
    // at most fourfold, so that one quick piece cannot make one that freezes.
    void took(qsizetype units, qint64 ns);

private:
    qsizetype m_least;
    qsizetype m_next;
};

} // namespace zezu
