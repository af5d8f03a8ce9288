#pragma once

#include "ui/BreakIndex.h"

#include <QPlainTextEdit>

#include <utility>
#include <vector>

class QTextCursor;

namespace zezu {

// The multi-line text area. Its text is the editor's text: CR LF line breaks,
// every other character kept exactly as set, shown as ShownText describes.
// Selection positions are counted in the text, where a line break counts 2.
class TextArea : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit TextArea(QWidget *parent = nullptr);

    // The one way the program puts a text in: a new document, shown as it
    // comes, the old one kept aside (and read back) until the new one is
    // committed, or put back exactly as it was when it is not. The view's
    // document is then the text's one copy.
    class Replacement
    {
    public:
        explicit Replacement(TextArea &area);
        ~Replacement();
        Replacement(const Replacement &) = delete;
        Replacement &operator=(const Replacement &) = delete;
        // Shows units at the end of the new text.
        void take(QStringView units);
        // The new text is the text, with the change notification.
        void commit();

    private:
        TextArea &m_area;
        QTextDocument *m_old;
        bool m_oldHasLiterals;
        bool m_oldHasParts;
        int m_oldBlocks;
        // How many units the view's last block holds.
        qsizetype m_blockUnits = 0;
        bool m_committed = false;
    };

    // The text a piece at a time (see WindowServices::readTextPiece).
    qsizetype readPiece(qsizetype at, qsizetype units, QString &into) const;

    qsizetype selStart() const;
    qsizetype selLength() const;
    // The text's length in code units (the one a replacement replaces,
    // during one).
    qsizetype textSize() const;

    // Read-only while a command works on the text. The keys that only move
    // through it, pressed meanwhile, scroll what is there and are held: once
    // it is unlocked they move through the whole text, as if pressed then.
    void setLocked(bool locked);

signals:
    // Every change of the text, typed or set.
    void changed();
    // A local file was dropped on the text area: it is opened, not inserted.
    void fileDropped(const QString &path);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    QMimeData *createMimeDataFromSelection() const override;

private:
    void adopt(QTextDocument *document);
    // Inserts text as the view shows it (see showPiece) and notes what the
    // view then holds.
    void insertAsShown(QTextCursor &cursor, QStringView text, qsizetype &blockUnits);
    // Puts text in place of the selection, as typed or pasted.
    void insertText(QStringView text);
    // Whether typed text holds a character the view shows otherwise, or
    // one of its stand-ins, which must read back as itself.
    static bool needsShowing(QStringView typed);
    // Keys whose edit or step meets the break before a part: handled here
    // so that they act on the text's characters.
    bool stepOverPartBreak(QKeyEvent *event);

    // The position in the text of a position in the view.
    qsizetype textPosition(int viewPosition) const;

    // Set while a replacement puts its text in: no change notification.
    bool m_setting = false;
    // A shown piece going in counts its blocks' line separators itself.
    bool m_shownCounted = false;
    // The document a replacement keeps aside: the text until it commits.
    QTextDocument *m_replaced = nullptr;
    bool m_replacedHasLiterals = false;
    BreakIndex m_replacedBreaks;
    // Set while the view holds a stand-in character that was in the text
    // itself and must read back as itself.
    bool m_hasLiterals = false;
    // Set while the view may hold a line laid out in parts.
    bool m_hasParts = false;
    // Where a view position is in the text, and the blocks it counted.
    BreakIndex m_breaks;
    int m_blocks = 0;
    // Moving keys pressed while locked.
    std::vector<std::pair<int, Qt::KeyboardModifiers>> m_heldKeys;
};

} // namespace zezu
