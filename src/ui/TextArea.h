#pragma once

#include <QPlainTextEdit>

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

    // The whole text at once; commands read it a piece at a time.
    QString text() const;
    void setText(const QString &text);

    // A large text taken in a piece at a time: the view shows it as it comes
    // and keeps the old document aside until the intake is finished or
    // abandoned (see WindowServices). A text that arrives in pieces is held
    // only until the view has it: the view's document is then its one copy.
    void beginIntake(const QString &text);
    void extendIntake(QStringView more);
    qsizetype continueIntake(qsizetype units);
    qsizetype intakeTaken() const { return m_intakeTaken; }
    void finishIntake();
    void abandonIntake();

    // The text a piece at a time (see WindowServices::readTextPiece).
    qsizetype readPiece(qsizetype at, qsizetype units, QString &into) const;

    qsizetype selStart() const;
    qsizetype selLength() const;

    // The position in the text of a position in the view.
    qsizetype textPosition(int viewPosition) const;

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

    bool m_setting = false;
    // A shown piece going in counts its blocks' line separators itself.
    bool m_shownCounted = false;
    // The intake in progress: what of its text the view has yet to take
    // (the whole text when it came whole), how far it is in, and the
    // document it replaces.
    QString m_intake;
    qsizetype m_intakeAt = 0; // where in m_intake the view goes on
    qsizetype m_intakeTaken = 0;
    bool m_intakeWhole = true;
    qsizetype m_intakeBlockUnits = 0;
    QTextDocument *m_replaced = nullptr;
    bool m_replacedHasLiterals = false;
    bool m_replacedHasParts = false;
    // The text last set, valid until the view's content changes: reading it
    // back, or setting it again, then costs nothing however long it is.
    QString m_lastSet;
    bool m_lastSetValid = true;
    // Set while the view holds a stand-in character that was in the text
    // itself and must read back as itself.
    bool m_hasLiterals = false;
    // Set while the view may hold a line laid out in parts.
    bool m_hasParts = false;
};

} // namespace zezu
