#include "ui/TextArea.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QPlainTextDocumentLayout>
#include <QTextDocument>

#include <utility>
#include <vector>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define ZEZU_TEXTAREA_SSE2 1
#endif

namespace zezu {

namespace {

// Characters the view cannot hold as themselves, and what it shows instead.
struct StandIn
{
    char16_t original;
    char16_t shown;
};

constexpr StandIn kStandIns[] = {
    {u'\n', u'\u240A'},   // lone LF: SYMBOL FOR LINE FEED
    {u'\r', u'\u240D'},   // lone CR: SYMBOL FOR CARRIAGE RETURN
    {u'\u2029', u'\u2424'}, // paragraph separator: SYMBOL FOR NEWLINE
    {u'\uFDD0', u'\u2425'}, // the view's frame markers
    {u'\uFDD1', u'\u2426'},
};

constexpr int kLiteralProperty = QTextFormat::UserProperty + 1;

char16_t shownFor(char16_t c)
{
    for (const StandIn &s : kStandIns)
        if (s.original == c)
            return s.shown;
    return 0;
}

char16_t originalOf(char16_t c)
{
    for (const StandIn &s : kStandIns)
        if (s.shown == c)
            return s.original;
    return 0;
}

bool isStandIn(char16_t c) { return c >= u'\u240A' && c <= u'\u2426' && originalOf(c); }

bool needsMapping(char16_t c)
{
    // One cheap test for the common case.
    return (c == u'\r' || c == u'\n' || (c >= u'\u2029' && (shownFor(c) || isStandIn(c))));
}

} // namespace

TextArea::TextArea(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("txtChar"));
    QFont font(QStringLiteral("Courier New"));
    font.setPointSizeF(8.25);
    font.setStyleHint(QFont::TypeWriter);
    setFont(font);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    // Converted text is one long word; it must still wrap.
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_setting)
            emit changed();
    });
    adopt(document());
}

void TextArea::adopt(QTextDocument *doc)
{
    connect(doc, &QTextDocument::contentsChange, this, [this] {
        if (!m_setting)
            m_lastSetValid = false;
    });
}

namespace {

// A piece of text as the view shows it (see setText), with the view
// positions of stand-ins that are literal, counted from the piece's start.
QString shownPiece(QStringView text, std::vector<int> &literals)
{
    QString shown;
    shown.reserve(text.size());
    qsizetype breaks = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n') {
            shown += u"\r\n";
            ++i;
            ++breaks;
        } else if (const char16_t s = shownFor(c)) {
            shown += QChar(s);
        } else {
            if (isStandIn(c))
                literals.push_back(int(shown.size() - breaks));
            shown += QChar(c);
        }
    }
    return shown;
}

// Whether the view can hold the text as it stands: no character in it needs
// a stand-in. Eight units at a time skip past anything but CR, LF and the
// few characters from U+2029 up that may need one.
bool isPlain(QStringView text)
{
    const char16_t *src = text.utf16();
    const qsizetype n = text.size();
#if defined(ZEZU_TEXTAREA_SSE2)
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    const __m128i belowSeparator = _mm_set1_epi16(short(0x2028));
    const __m128i zero = _mm_setzero_si128();
#endif
    for (qsizetype i = 0; i < n;) {
#if defined(ZEZU_TEXTAREA_SSE2)
        if (i + 8 <= n) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src + i));
            const __m128i breaks = _mm_or_si128(_mm_cmpeq_epi16(v, cr), _mm_cmpeq_epi16(v, lf));
            // Zero where the unit is U+2028 or below.
            const __m128i high = _mm_subs_epu16(v, belowSeparator);
            const int ordinary = _mm_movemask_epi8(_mm_cmpeq_epi16(high, zero))
                & ~_mm_movemask_epi8(breaks);
            if (ordinary == 0xFFFF) {
                i += 8;
                continue;
            }
        }
#endif
        const char16_t c = src[i];
        if (c == u'\r' && i + 1 < n && src[i + 1] == u'\n')
            i += 2;
        else if (needsMapping(c))
            return false;
        else
            ++i;
    }
    return true;
}

} // namespace

void TextArea::beginIntake(const QString &text)
{
    m_intake = text;
    m_intakeTaken = 0;
    m_setting = true;
    m_replacedHasLiterals = std::exchange(m_hasLiterals, false);
    // Kept aside, not owned by the view, so that it survives the swap.
    m_replaced = document();
    m_replaced->setParent(this);
    auto *doc = new QTextDocument(this);
    doc->setDocumentLayout(new QPlainTextDocumentLayout(doc));
    doc->setDefaultFont(font());
    doc->setUndoRedoEnabled(false);
    setDocument(doc);
    adopt(doc);
}

qsizetype TextArea::continueIntake(qsizetype units)
{
    // A view: indexing the shared string itself would copy it whole.
    const QStringView intake(m_intake);
    const qsizetype n = intake.size();
    qsizetype end = std::min(n, m_intakeTaken + units);
    // A CR LF pair is one line break: never cut it.
    if (end < n && end > 0 && intake[end - 1] == u'\r' && intake[end] == u'\n')
        ++end;
    const QStringView piece = intake.sliced(m_intakeTaken, end - m_intakeTaken);
    std::vector<int> literals;
    // A piece the view can hold as it stands goes in without a copy.
    const QString shown = isPlain(piece)
        ? QString::fromRawData(reinterpret_cast<const QChar *>(piece.utf16()), piece.size())
        : shownPiece(piece, literals);
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const int base = cursor.position();
    cursor.insertText(shown);
    if (!literals.empty()) {
        QTextCharFormat literal;
        literal.setProperty(kLiteralProperty, true);
        for (int pos : literals) {
            cursor.setPosition(base + pos);
            cursor.setPosition(base + pos + 1, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(literal);
        }
        m_hasLiterals = true;
    }
    if (m_intakeTaken == 0)
        setTextCursor(QTextCursor(document()));
    m_intakeTaken = end;
    return end;
}

void TextArea::finishIntake()
{
    delete m_replaced;
    m_replaced = nullptr;
    document()->setUndoRedoEnabled(true);
    m_lastSet = std::exchange(m_intake, QString());
    m_lastSetValid = true;
    m_setting = false;
    emit changed();
}

void TextArea::abandonIntake()
{
    QTextDocument *partial = document();
    // Its text goes first: an intake is abandoned when memory ran out, and
    // the old text's layout, made afresh, needs room.
    partial->clear();
    setDocument(m_replaced);
    m_replaced = nullptr;
    delete partial;
    m_intake = QString();
    m_hasLiterals = m_replacedHasLiterals;
    m_setting = false;
}

void TextArea::setText(const QString &text)
{
    if (m_lastSetValid && text == m_lastSet) {
        // The view already shows this text; laying it out again would only
        // cost time (a cancelled conversion puts back the text it started from).
        emit changed();
        return;
    }

    const bool plain = isPlain(text);

    std::vector<int> literals; // view positions of stand-ins that are literal
    const QString shown = plain ? QString() : shownPiece(text, literals);

    m_setting = true;
    // The view's own undo must not take back a text the program set.
    document()->setUndoRedoEnabled(false);
    setPlainText(plain ? text : shown);
    if (!literals.empty()) {
        QTextCharFormat literal;
        literal.setProperty(kLiteralProperty, true);
        QTextCursor cursor(document());
        for (int pos : literals) {
            cursor.setPosition(pos);
            cursor.setPosition(pos + 1, QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(literal);
        }
    }
    m_hasLiterals = !literals.empty();
    document()->setUndoRedoEnabled(true);
    m_lastSet = text;
    m_lastSetValid = true;
    m_setting = false;
    emit changed();
}

QString TextArea::text() const
{
    if (m_lastSetValid)
        return m_lastSet;
    const QTextDocument *doc = document();
    QString out;
    if (!m_hasLiterals) {
        const QString raw = doc->toRawText();
        out.reserve(raw.size() + doc->blockCount());
        for (const QChar qc : raw) {
            const char16_t c = qc.unicode();
            if (c == u'\u2029')
                out += u"\r\n";
            else if (const char16_t o = isStandIn(c) ? originalOf(c) : 0)
                out += QChar(o);
            else
                out += qc;
        }
        return out;
    }

    out.reserve(doc->characterCount() + doc->blockCount());
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        if (block != doc->begin())
            out += u"\r\n";
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const bool literal = fragment.charFormat().boolProperty(kLiteralProperty);
            for (const QChar qc : fragment.text()) {
                const char16_t c = qc.unicode();
                out += (!literal && isStandIn(c)) ? QChar(originalOf(c)) : qc;
            }
        }
    }
    return out;
}

qsizetype TextArea::textPosition(int viewPosition) const
{
    // Every line break before the position is one character in the view and
    // two (CR LF) in the text.
    return qsizetype(viewPosition) + document()->findBlock(viewPosition).blockNumber();
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

void TextArea::keyPressEvent(QKeyEvent *event)
{
    // Read-only while a run or an intake works: selecting all of a text of
    // hundreds of megabytes would hold the window for seconds.
    if (isReadOnly()
        && (event->matches(QKeySequence::SelectAll)
            || event->matches(QKeySequence::SelectEndOfDocument)
            || event->matches(QKeySequence::SelectStartOfDocument))) {
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
    QPlainTextEdit::insertFromMimeData(source);
}

} // namespace zezu
