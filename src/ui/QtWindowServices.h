#pragma once

#include "editor/IntakePace.h"
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

    void setText(const QString &text) override;
    qsizetype readTextPiece(qsizetype at, qsizetype units, QString &into) const override;
    qsizetype selStart() const override;
    qsizetype selLength() const override;
    void setTextChangeHandler(std::function<void()> handler) override;
    void beginTextIntake(const QString &text) override;
    void extendTextIntake(QStringView more) override;
    qsizetype continueTextIntake(qsizetype units) override;
    void finishTextIntake() override;
    void abandonTextIntake() override;
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
    void setBusy(bool busy) override;

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

    void processEvents() override;
    void processEventsNow() override;
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
    IntakePace m_intakePace{0};
    unsigned m_pumpCalls = 0;
    bool m_ending = false;
    bool m_busy = false;
};

} // namespace zezu
