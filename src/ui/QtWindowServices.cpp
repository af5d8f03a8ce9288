#include "ui/QtWindowServices.h"

#include "text/TextScan.h"
#include "ui/IntakePace.h"
#include "ui/TextArea.h"
#include "ui/frmAbout.h"
#include "ui/frmConv.h"
#include "ui/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QHeaderView>
#include <QTreeView>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <utility>

namespace zezu {

namespace {
// The event pump runs pending events only this often, so that a long run is
// not dominated by event handling while a click is still seen promptly.
constexpr qint64 kPumpIntervalMs = 5;
}

QtWindowServices::QtWindowServices(frmMain &window)
    : m_window(window)
{
    m_clock.start();
}

qsizetype QtWindowServices::readTextPiece(qsizetype at, qsizetype units, QString &into) const
{
    return m_window.textArea()->readPiece(at, units, into);
}
qsizetype QtWindowServices::textSize() const { return m_window.textArea()->textSize(); }
qsizetype QtWindowServices::selStart() const { return m_window.textArea()->selStart(); }
qsizetype QtWindowServices::selLength() const { return m_window.textArea()->selLength(); }

void QtWindowServices::setTextChangeHandler(std::function<void()> handler)
{
    m_onTextChange = std::move(handler);
}

namespace {

// A new text for the text area, taken in at the pace the view sets.
class QtTextReplacement final : public TextReplacement
{
public:
    QtTextReplacement(TextArea &area, qsizetype leastPiece)
        : m_area(area)
        , m_pace(leastPiece)
    {
    }
    qsizetype take(QStringView units) override
    {
        const qsizetype end = pairSafeEnd(units, std::min(units.size(), m_pace.next()));
        QElapsedTimer clock;
        clock.start();
        m_area.take(units.first(end));
        m_pace.took(end, clock.nsecsElapsed());
        return end;
    }
    void commit() override { m_area.commit(); }

private:
    TextArea::Replacement m_area;
    IntakePace m_pace;
};

} // namespace

std::unique_ptr<TextReplacement> QtWindowServices::replaceText(qsizetype leastPiece)
{
    return std::make_unique<QtTextReplacement>(*m_window.textArea(), leastPiece);
}

void QtWindowServices::textChanged() const
{
    if (m_onTextChange)
        m_onTextChange();
}

QSize QtWindowServices::windowSize() const
{
    return {pixelsToTwips(m_window.width()), pixelsToTwips(m_window.height())};
}

QSize QtWindowServices::textAreaSize() const
{
    const QSize px = m_window.textArea()->size();
    return {pixelsToTwips(px.width()), pixelsToTwips(px.height())};
}

void QtWindowServices::setTextAreaSize(QSize size)
{
    m_window.textArea()->resize(twipsToPixels(size.width()), twipsToPixels(size.height()));
}

QString QtWindowServices::caption() const { return m_caption; }
void QtWindowServices::setCaption(const QString &caption)
{
    m_caption = caption;
    // Qt reads "[*]" in a title as the modified placeholder and drops it; a
    // doubled one is shown as itself, so a file named "a[*].txt" shows whole.
    QString shown = caption;
    shown.replace(QLatin1String("[*]"), QLatin1String("[*][*]"));
    m_window.setWindowTitle(shown);
}

bool QtWindowServices::isMenuEnabled(MenuItem item) const
{
    return m_window.menuAction(item)->isEnabled();
}

void QtWindowServices::setMenuEnabled(MenuItem item, bool enabled)
{
    m_window.menuAction(item)->setEnabled(enabled);
}

void QtWindowServices::setTextReadOnly(bool readOnly)
{
    m_window.textArea()->setLocked(readOnly);
}

void QtWindowServices::showProgress(ProgressKind kind)
{
    if (!m_progress) {
        m_progress = new frmConv(&m_window, [this] { m_window.editor().cancelRun(); },
                                 [this] { m_window.editor().progressWindowClosed(); });
        // The same window while a file is taken in or written, saying so,
        // and saying to a screen reader what its Cancel leaves.
        switch (kind) {
        case ProgressKind::Converting:
            m_progress->setAccessibleDescription(QStringLiteral(
                "Текст преобразуется. Отмена оставит текст, каким он был."));
            break;
        case ProgressKind::Opening:
            m_progress->setWindowTitle(QStringLiteral("::открытие файла..."));
            m_progress->setAccessibleDescription(QStringLiteral(
                "Файл открывается. Отмена оставит прежний текст."));
            break;
        case ProgressKind::Saving:
            m_progress->setWindowTitle(QStringLiteral("::сохранение файла..."));
            m_progress->setAccessibleDescription(QStringLiteral(
                "Файл сохраняется. Отмена оставит файл, каким он был."));
            break;
        }
    }
    // A user of the keyboard alone reaches Cancel; the keys that move through
    // the text still go to it. A menu opened just before would hold the
    // keyboard, and run its chosen item by the next Enter once the commands
    // are back: it closes.
    if (!m_progress->isVisible()) {
        for (int menus = 0; menus < 8 && QApplication::activePopupWidget(); ++menus)
            QApplication::activePopupWidget()->close();
        m_progress->showWithKeyboard(m_window.textArea());
    }
}

void QtWindowServices::setProgress(int percent, int doneWidth)
{
    if (m_progress)
        m_progress->setProgress(percent, twipsToPixels(doneWidth));
}

int QtWindowServices::progressBarWidth() const
{
    return m_progress ? pixelsToTwips(m_progress->barWidthPx()) : 0;
}

void QtWindowServices::hideProgress()
{
    if (m_progress && m_progress->isVisible()) {
        const bool hadKeyboard = m_progress->isActiveWindow();
        m_progress->hide();
        // The keyboard goes back to the window it came from.
        if (hadKeyboard)
            m_window.activateWindow();
    }
}

void QtWindowServices::unloadProgress()
{
    if (m_progress) {
        hideProgress();
        m_progress->deleteLater();
        m_progress = nullptr;
    }
}

void QtWindowServices::showAbout()
{
    // One about box at a time; its load handler runs only when it is created.
    if (!m_about || m_about->isUnloaded())
        m_about = new frmAbout(&m_window);
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

Answer QtWindowServices::ask(const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::NoIcon, title, message,
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &m_window);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes: return Answer::Yes;
    case QMessageBox::No: return Answer::No;
    default: return Answer::Cancel;
    }
}

bool QtWindowServices::confirm(const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Yes | QMessageBox::No,
                    &m_window);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void QtWindowServices::tell(const QString &title, const QString &message)
{
    QMessageBox box(QMessageBox::Warning, title, message, QMessageBox::Ok, &m_window);
    box.exec();
}

namespace {

// Qt's Russian catalogue lacks the type of a folder ("Folder"); a file's is
// the system's own name for its kind, in the user's language.
class RussianFileTypes final : public QFileIconProvider
{
public:
    QString type(const QFileInfo &info) const override
    {
        return info.isDir() ? QStringLiteral("Папка") : QFileIconProvider::type(info);
    }
};

// The columns of the dialog's list as wide as what they show: the size and
// the date were cut short ("51 …йты").
void fitColumns(QFileDialog &dialog)
{
    if (auto *list = dialog.findChild<QTreeView *>(QStringLiteral("treeView"))) {
        QHeaderView *header = list->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

} // namespace

std::optional<QString> QtWindowServices::runFileDialog(const FileDialogRequest &request,
                                                       bool forSaving)
{
    const auto mode = forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen;
    QFileDialog dialog(&m_window, request.title, request.folder, request.filter);
    RussianFileTypes types;
    dialog.setIconProvider(&types);
    fitColumns(dialog);
    dialog.resize(std::max(dialog.sizeHint().width(), 760), dialog.sizeHint().height());
    dialog.setAcceptMode(mode);
    // A typed name is taken even when no such file exists; opening it then
    // fails with a message.
    dialog.setFileMode(QFileDialog::AnyFile);
    // The save command asks for no confirmation before replacing a file.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!request.fileName.isEmpty())
        dialog.selectFile(request.fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtWindowServices::chooseFileToOpen(const FileDialogRequest &request)
{
    return runFileDialog(request, false);
}

std::optional<QString> QtWindowServices::chooseFileToSave(const FileDialogRequest &request)
{
    return runFileDialog(request, true);
}

void QtWindowServices::processEvents(qsizetype characters)
{
    // Reading the clock costs more than the rest of a short piece's work, so
    // it is read only every so many characters.
    if ((m_sinceClock += characters) < 256)
        return;
    m_sinceClock = 0;
    if (m_sincePump.isValid() && m_sincePump.elapsed() < kPumpIntervalMs)
        return;
    QCoreApplication::processEvents();
    m_sincePump.start();
}

qint64 QtWindowServices::clockMs() const
{
    return m_clock.elapsed();
}

void QtWindowServices::processEventsNow()
{
    QCoreApplication::processEvents();
    m_sincePump.start();
}

void QtWindowServices::endProgram()
{
    m_ending = true;
    for (QWidget *w : QApplication::topLevelWidgets())
        w->hide();
    QCoreApplication::exit(0);
}

} // namespace zezu
