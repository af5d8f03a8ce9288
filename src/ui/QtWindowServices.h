#pragma once

#include "editor/WindowServices.h"

#include <QElapsedTimer>
#include <QPointer>

namespace zezu {

class frmMain;
class frmConv;
class frmAbout;

// The window services over the real widgets of the main window.
class QtWindowServices final : public WindowServices
{
public:
    explicit QtWindowServices(frmMain &window);

    qsizetype readTextPiece(qsizetype at, qsizetype units, QString &into) const override;
    qsizetype textSize() const override;
    qsizetype selStart() const override;
    qsizetype selLength() const override;
    void setTextChangeHandler(std::function<void()> handler) override;
    std::unique_ptr<TextReplacement> replaceText(qsizetype leastPiece) override;
    // The text area's change notification.
    void textChanged() const;

    QSize windowSize() const override;
    QSize textAreaSize() const override;
    void setTextAreaSize(QSize size) override;

    QString caption() const override;
    void setCaption(const QString &caption) override;

    bool isMenuEnabled(MenuItem item) const override;
    void setMenuEnabled(MenuItem item, bool enabled) override;

    void setTextReadOnly(bool readOnly) override;

    void showProgress(ProgressKind kind = ProgressKind::Converting) override;
    void setProgress(int percent, int doneWidth) override;
    int progressBarWidth() const override;
    void hideProgress() override;
    void unloadProgress() override;

    void showAbout() override;

    Answer ask(const QString &title, const QString &message) override;
    bool confirm(const QString &title, const QString &message) override;
    void tell(const QString &title, const QString &message) override;

    std::optional<QString> chooseFileToOpen(const FileDialogRequest &request) override;
    std::optional<QString> chooseFileToSave(const FileDialogRequest &request) override;

    void processEvents(qsizetype characters) override;
    void processEventsNow() override;
    qint64 clockMs() const override;
    void endProgram() override;

    bool isEnding() const { return m_ending; }

private:
    std::optional<QString> runFileDialog(const FileDialogRequest &request, bool forSaving);

    frmMain &m_window;
    QString m_caption;
    std::function<void()> m_onTextChange;
    QPointer<frmConv> m_progress;
    QPointer<frmAbout> m_about;
    QElapsedTimer m_sincePump;
    QElapsedTimer m_clock;
    qsizetype m_sinceClock = 0; // characters since the clock was read
    bool m_ending = false;
};

} // namespace zezu
