#include "ui/TextArea.h"

#include "ui/ShownDocument.h"

#include "text/TextScan.h"

#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QScrollBar>
#include <QScopedValueRollback>
#include <QTextBlock>
#include <QTextCursor>
#include <QPlainTextDocumentLayout>
#include <QTextDocument>

#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace zezu {

namespace {

// The keys that move through the text or select, and edit nothing.
bool movesOnly(const QKeyEvent *event)
{
    static constexpr QKeySequence::StandardKey kMoves[] = {
        QKeySequence::MoveToNextChar,       QKeySequence::MoveToPreviousChar,
        QKeySequence::MoveToNextWord,       QKeySequence::MoveToPreviousWord,
        QKeySequence::MoveToNextLine,       QKeySequence::MoveToPreviousLine,
        QKeySequence::MoveToNextPage,       QKeySequence::MoveToPreviousPage,
        QKeySequence::MoveToStartOfLine,    QKeySequence::MoveToEndOfLine,
        QKeySequence::MoveToStartOfBlock,   QKeySequence::MoveToEndOfBlock,
        QKeySequence::MoveToStartOfDocument, QKeySequence::MoveToEndOfDocument,
        QKeySequence::SelectNextChar,       QKeySequence::SelectPreviousChar,
        QKeySequence::SelectNextWord,       QKeySequence::SelectPreviousWord,
        QKeySequence::SelectNextLine,       QKeySequence::SelectPreviousLine,
        QKeySequence::SelectNextPage,       QKeySequence::SelectPreviousPage,
        QKeySequence::SelectStartOfLine,    QKeySequence::SelectEndOfLine,
        QKeySequence::SelectStartOfBlock,   QKeySequence::SelectEndOfBlock,
    };
    return std::any_of(std::begin(kMoves), std::end(kMoves),
                       [event](QKeySequence::StandardKey key) { return event->matches(key); });
}

// Keys held for a text still coming in: enough for any a user presses in a
// long load, auto-repeat included, without growing for ever.
constexpr std::size_t kMostHeldKeys = 256;

} // namespace

TextArea::TextArea(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("txtChar"));
    setAccessibleName(QStringLiteral("Текст"));
    setAccessibleDescription(QStringLiteral(
        "Ctrl+G заменяет выделенное, а если ничего не выделено — весь текст, ссылками HTML "
        "на знаки; Ctrl+Shift+G возвращает знаки из ссылок."));
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Converted text is one long word; it must still wrap.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalScrollBar()->setAccessibleName(QStringLiteral("Прокрутка текста"));
    horizontalScrollBar()->setAccessibleName(QStringLiteral("Прокрутка текста по горизонтали"));
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_setting)
            emit changed();
    });
    adopt(document());
}

void TextArea::adopt(QTextDocument *doc)
{
    m_breaks.rebuild(doc);
    m_blocks = doc->blockCount();
    connect(doc, &QTextDocument::contentsChange, this, [this, doc](int from, int, int added) {
        if (!m_shownCounted)
            countLineSeparators(doc, from, from + added);
        if (doc == document()) {
            m_breaks.changed(doc, from, added, std::exchange(m_blocks, doc->blockCount()));
        }
    });
}

TextArea::Replacement::Replacement(TextArea &area)
    : m_area(area)
    , m_old(area.document())
    , m_oldHasLiterals(std::exchange(area.m_hasLiterals, false))
    , m_oldHasParts(std::exchange(area.m_hasParts, false))
    , m_oldBlocks(area.m_blocks)
{
    area.m_replacedBreaks = std::move(area.m_breaks);
    // Kept aside, not owned by the view, so that it survives the swap.
    m_old->setParent(&area);
    area.m_replaced = m_old;
    area.m_replacedHasLiterals = m_oldHasLiterals;
    area.m_setting = true;
    auto *doc = new QTextDocument(&area);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(area.font());
    // The view's own undo must not take back a text the program set.
    doc->setUndoRedoEnabled(false);
    area.setDocument(doc);
    area.adopt(doc);
}

TextArea::Replacement::~Replacement()
{
    m_area.m_replaced = nullptr;
    if (m_committed) {
        delete m_old;
        return;
    }
    QTextDocument *partial = m_area.document();
    // Its text goes first: a replacement is let go when memory ran out, and
    // the old text's layout, made afresh, needs room. No change is told.
    partial->clear();
    m_area.setDocument(m_old);
    delete partial;
    m_area.m_hasLiterals = m_oldHasLiterals;
    m_area.m_hasParts = m_oldHasParts;
    m_area.m_breaks = std::move(m_area.m_replacedBreaks);
    m_area.m_blocks = m_oldBlocks;
    m_area.m_setting = false;
}

void TextArea::Replacement::take(QStringView units)
{
    QTextCursor cursor(m_area.document());
    cursor.movePosition(QTextCursor::End);
    const bool first = cursor.position() == 0;
    m_area.insertAsShown(cursor, units, m_blockUnits);
    if (first)
        m_area.setTextCursor(QTextCursor(m_area.document()));
}

void TextArea::Replacement::commit()
{
    m_committed = true;
    m_area.document()->setUndoRedoEnabled(true);
    m_area.m_setting = false;
    emit m_area.changed();
}

void TextArea::insertAsShown(QTextCursor &cursor, QStringView text, qsizetype &blockUnits)
{
    const ShownPiece shown = showPiece(text, blockUnits);
    const QScopedValueRollback counted(m_shownCounted, true);
    insertShown(cursor, text, shown);
    m_hasLiterals |= !shown.literals.empty();
    m_hasParts |= !shown.partStarts.empty();
}

qsizetype TextArea::readPiece(qsizetype at, qsizetype units, QString &into) const
{
    // During a replacement the text is still the one it replaces: a save from
    // the exit prompt meanwhile writes that, not the part taken in so far.
    return m_replaced ? readBackPiece(m_replaced, at, units, into, m_replacedHasLiterals)
                      : readBackPiece(document(), at, units, into, m_hasLiterals);
}

qsizetype TextArea::textPosition(int viewPosition) const
{
    return m_breaks.textPosition(document(), viewPosition);
}

qsizetype TextArea::textSize() const
{
    const QTextDocument *doc = m_replaced ? m_replaced : document();
    const BreakIndex &breaks = m_replaced ? m_replacedBreaks : m_breaks;
    return breaks.textPosition(doc, doc->characterCount() - 1);
}

qsizetype TextArea::selStart() const
{
    return textPosition(textCursor().selectionStart());
}

qsizetype TextArea::selLength() const
{
    const QTextCursor c = textCursor();
    return textPosition(c.selectionEnd()) - textPosition(c.selectionStart());
}

void TextArea::setLocked(bool locked)
{
    setReadOnly(locked);
    if (locked)
        return;
    // The keys that moved through the text while it came in move through
    // all of it now, from its start, in the order they were pressed.
    for (const auto &[key, modifiers] : std::exchange(m_heldKeys, {})) {
        QKeyEvent again(QEvent::KeyPress, key, modifiers);
        keyPressEvent(&again);
    }
}

void TextArea::keyPressEvent(QKeyEvent *event)
{
    if (isReadOnly() && movesOnly(event) && m_heldKeys.size() < kMostHeldKeys)
        m_heldKeys.emplace_back(event->key(), event->modifiers());
    // Read-only while a run or an intake works: selecting all of a text of
    // hundreds of megabytes would hold the window for seconds.
    if (isReadOnly()
        && (event->matches(QKeySequence::SelectAll)
            || event->matches(QKeySequence::SelectEndOfDocument)
            || event->matches(QKeySequence::SelectStartOfDocument))) {
        event->accept();
        return;
    }
    if (!isReadOnly() && stepOverPartBreak(event))
        return;
    // A typed character the view would take for a mark of its own goes in as
    // the text it is, as a pasted one does.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (!isReadOnly() && !enter && needsShowing(event->text())) {
        insertText(event->text());
        event->accept();
        return;
    }
    // Shift+Enter would insert a line separator; every Enter is a line break.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && (event->modifiers() & Qt::ShiftModifier)) {
        QKeyEvent plain(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), ushort(event->count()));
        QPlainTextEdit::keyPressEvent(&plain);
        event->setAccepted(plain.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool TextArea::stepOverPartBreak(QKeyEvent *event)
{
    QTextCursor cursor = textCursor();
    const auto nextIsPart = [](const QTextCursor &c) { return isPart(c.block().next()); };
    const auto atPartStart = [](const QTextCursor &c) { return c.atBlockStart() && isPart(c.block()); };
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && isPart(document()->findBlock(cursor.selectionStart()))) {
        // The view would make the new line a part of the one it breaks.
        cursor.beginEditBlock();
        cursor.removeSelectedText();
        cursor.insertBlock(QTextBlockFormat());
        cursor.endEditBlock();
    } else if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier
               && !cursor.hasSelection()
               && atPartStart(cursor)) {
        // The break before a part is no character: the key takes the one
        // before it.
        while (atPartStart(cursor))
            cursor.movePosition(QTextCursor::PreviousCharacter);
        cursor.deletePreviousChar();
    } else if (event->matches(QKeySequence::Delete) && !cursor.hasSelection()
               && cursor.atBlockEnd() && nextIsPart(cursor)) {
        while (cursor.atBlockEnd() && nextIsPart(cursor))
            cursor.movePosition(QTextCursor::NextCharacter);
        cursor.deleteChar();
    } else {
        const bool select = event->matches(QKeySequence::SelectNextChar)
            || event->matches(QKeySequence::SelectPreviousChar);
        const bool right = event->matches(QKeySequence::MoveToNextChar)
            || event->matches(QKeySequence::SelectNextChar);
        if (!select && !right && !event->matches(QKeySequence::MoveToPreviousChar))
            return false;
        // One step over a part's break moves through no character: take
        // one more.
        const int before = cursor.position();
        QPlainTextEdit::keyPressEvent(event);
        cursor = textCursor();
        const QTextCursor::MoveMode mode = select ? QTextCursor::KeepAnchor : QTextCursor::MoveAnchor;
        if (right && cursor.position() == before + 1 && atPartStart(cursor))
            cursor.movePosition(QTextCursor::NextCharacter, mode);
        else if (!right && cursor.position() == before - 1 && cursor.atBlockEnd() && nextIsPart(cursor))
            cursor.movePosition(QTextCursor::PreviousCharacter, mode);
        else
            return true;
    }
    setTextCursor(cursor);
    ensureCursorVisible();
    event->accept();
    return true;
}

void TextArea::inputMethodEvent(QInputMethodEvent *event)
{
    const QString commit = event->commitString();
    if (isReadOnly() || !needsShowing(commit)) {
        QPlainTextEdit::inputMethodEvent(event);
        return;
    }
    // The view takes the composition and what it replaces; the committed
    // text goes in as typed text does.
    QInputMethodEvent rest(event->preeditString(), event->attributes());
    rest.setCommitString(QString(), event->replacementStart(), event->replacementLength());
    QPlainTextEdit::inputMethodEvent(&rest);
    insertText(commit);
    event->accept();
}

bool TextArea::needsShowing(QStringView typed)
{
    // Control characters (a typed CR is Enter) are the view's own business.
    return std::any_of(typed.begin(), typed.end(), [](QChar c) {
        return c.unicode() >= 0x20 && (standInFor(c.unicode()) || originalOf(c.unicode()));
    });
}

void TextArea::insertText(QStringView text)
{
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    qsizetype blockUnits = cursor.positionInBlock();
    insertAsShown(cursor, text, blockUnits);
    cursor.endEditBlock();
    setTextCursor(cursor);
    ensureCursorVisible();
}

void TextArea::contextMenuEvent(QContextMenuEvent *event)
{
    // Its "select all" is the same; read-only, the menu offers nothing else
    // that a run would want.
    if (isReadOnly()) {
        event->accept();
        return;
    }
    QPlainTextEdit::contextMenuEvent(event);
}

namespace {

// The first local file among the dropped URLs; empty when there is none.
QString droppedFile(const QMimeData *source)
{
    if (!source || !source->hasUrls())
        return {};
    for (const QUrl &url : source->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return {};
}

} // namespace

bool TextArea::canInsertFromMimeData(const QMimeData *source) const
{
    return !droppedFile(source).isEmpty() || QPlainTextEdit::canInsertFromMimeData(source);
}

void TextArea::insertFromMimeData(const QMimeData *source)
{
    if (const QString path = droppedFile(source); !path.isEmpty()) {
        emit fileDropped(path);
        return;
    }
    if (!source->hasText() || isReadOnly()) {
        QPlainTextEdit::insertFromMimeData(source);
        return;
    }
    // CR, LF and CR LF from another program are line breaks here; every
    // other character is itself, a paragraph separator too. Long lines go
    // in as parts, as a text set by the program does.
    QString text = source->text();
    text.replace(u"\r\n"_s, u"\n"_s).replace(u'\r', u'\n');
    text.replace(u"\n"_s, u"\r\n"_s);
    insertText(text);
}

QMimeData *TextArea::createMimeDataFromSelection() const
{
    QMimeData *data = QPlainTextEdit::createMimeDataFromSelection();
    if (m_hasParts && data && data->hasText())
        data->setText(withoutPartBreaks(data->text(), textCursor()));
    return data;
}

} // namespace zezu
