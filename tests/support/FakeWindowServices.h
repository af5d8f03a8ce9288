#pragma once

#include "editor/WindowServices.h"
#include "editor/Caption.h"
#include "text/TextScan.h"

#include <QStringList>

#include <algorithm>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace zezu::test {

// A scripted stand-in for the widgets: it records what the logic shows,
// answers prompts and file dialogs from queues the test fills, and runs a
// callback from inside the event pump.
class FakeWindowServices final : public WindowServices
{
public:
    struct Asked
    {
        QString title;
        QString message;
    };

    // Text area.
    QString textValue;
    qsizetype selStartValue = 0;
    qsizetype selLengthValue = 0;
    // Called for every setText, as the real text area's change notification.
    std::function<void()> onTextChange;
    int setTextCalls = 0;

    QSize window{pixelsToTwips(600), pixelsToTwips(400)};
    QSize textArea{pixelsToTwips(587), pixelsToTwips(378)};

    QString captionValue = caption::forDocument(caption::kUntitled);
    QStringList captions; // every caption set, in order

    std::map<MenuItem, bool> menu{{MenuItem::Gen, true},  {MenuItem::Ungen, true}, {MenuItem::Undo, false},
                                  {MenuItem::Open, true}, {MenuItem::Save, true},
                                  {MenuItem::Exit, true}, {MenuItem::About, true}};

    bool textReadOnly = false;

    // Progress window.
    struct Progress
    {
        int percent;
        int doneWidth;
        bool operator==(const Progress &) const = default;
    };
    bool progressLoaded = false;
    bool progressVisible = false;
    int progressCreated = 0;
    int progressHidden = 0;
    int progressUnloaded = 0;
    int progressBar = 3930; // picBck's width as designed
    std::vector<Progress> progress;

    int aboutShown = 0;

    std::deque<Answer> answers; // for ask()
    std::vector<Asked> asked;
    std::vector<Asked> told;

    std::deque<std::optional<QString>> openChoices;
    std::deque<std::optional<QString>> saveChoices;
    std::vector<FileDialogRequest> openRequests;
    std::vector<FileDialogRequest> saveRequests;

    std::function<void()> onPump;
    long pumps = 0;
    // Off where a long run's every value would cost more than the run.
    bool recordProgress = true;
    int ended = 0;

    // A change of the text, as typing makes one, or a replacement commits.
    void setText(const QString &text)
    {
        textValue = text;
        ++setTextCalls;
        if (onTextChange)
            onTextChange();
    }
    // Pieces no longer than this, that readers of the text meet its edges.
    qsizetype pieceUnits = 5;
    // Reads of a piece while the text cannot change, and while it can.
    mutable long readsLocked = 0;
    mutable long readsUnlocked = 0;
    qsizetype readTextPiece(qsizetype at, qsizetype units, QString &into) const override
    {
        ++(textReadOnly ? readsLocked : readsUnlocked);
        const qsizetype most = std::min(units, pieceUnits);
        const qsizetype end = pairSafeEnd(textValue, std::min(textValue.size(), at + most));
        into.append(QStringView(textValue).sliced(at, end - at));
        return end < textValue.size() ? end : -1;
    }
    qsizetype textSize() const override { return textValue.size(); }
    qsizetype selStart() const override { return selStartValue; }
    qsizetype selLength() const override { return selLengthValue; }
    void setTextChangeHandler(std::function<void()> handler) override
    {
        onTextChange = std::move(handler);
    }

    // A new text being taken in: the text stays as it was meanwhile. The
    // view takes at most takeUnits at a time, and never the first half of a
    // pair that units hold whole, as the text area does.
    std::optional<QString> intake;
    int intakesBegun = 0;
    qsizetype takeUnits = qsizetype(128) * 1024;
    class Replacement final : public TextReplacement
    {
    public:
        explicit Replacement(FakeWindowServices &w)
            : m_w(w)
        {
            m_w.intake = QString();
            ++m_w.intakesBegun;
        }
        ~Replacement() override { m_w.intake.reset(); }
        qsizetype take(QStringView units) override
        {
            const qsizetype end = pairSafeEnd(units, std::min(units.size(), m_w.takeUnits));
            m_w.intake->append(units.first(end));
            return end;
        }
        void commit() override { m_w.setText(*m_w.intake); }

    private:
        FakeWindowServices &m_w;
    };
    std::unique_ptr<TextReplacement> replaceText(qsizetype) override
    {
        return std::make_unique<Replacement>(*this);
    }

    QSize windowSize() const override { return window; }
    QSize textAreaSize() const override { return textArea; }
    void setTextAreaSize(QSize size) override { textArea = size; }

    QString caption() const override { return captionValue; }
    void setCaption(const QString &caption) override
    {
        captionValue = caption;
        captions << caption;
    }

    bool isMenuEnabled(MenuItem item) const override { return menu.at(item); }
    void setMenuEnabled(MenuItem item, bool enabled) override { menu[item] = enabled; }

    void setTextReadOnly(bool readOnly) override { textReadOnly = readOnly; }

    ProgressKind progressKind = ProgressKind::Converting;
    void showProgress(ProgressKind kind = ProgressKind::Converting) override
    {
        progressKind = kind;
        if (!progressLoaded) {
            progressLoaded = true;
            ++progressCreated;
        }
        progressVisible = true;
    }
    void hideProgress() override
    {
        if (progressVisible)
            ++progressHidden;
        progressVisible = false;
    }
    void setProgress(int percent, int doneWidth) override
    {
        if (!progressLoaded)
            throw std::logic_error("progress set while the progress window is not shown");
        if (recordProgress)
            progress.push_back({percent, doneWidth});
    }
    int progressBarWidth() const override { return progressBar; }
    void unloadProgress() override
    {
        if (progressLoaded)
            ++progressUnloaded;
        progressLoaded = progressVisible = false;
    }

    void showAbout() override { ++aboutShown; }

    Answer ask(const QString &title, const QString &message) override
    {
        asked.push_back({title, message});
        if (answers.empty())
            throw std::logic_error("unexpected prompt: " + message.toStdString());
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    // Answered from answers too: Yes is true, any other answer false.
    bool confirm(const QString &title, const QString &message) override
    {
        return ask(title, message) == Answer::Yes;
    }
    void tell(const QString &title, const QString &message) override
    {
        told.push_back({title, message});
    }

    std::optional<QString> chooseFileToOpen(const FileDialogRequest &request) override
    {
        openRequests.push_back(request);
        return next(openChoices, "open");
    }
    std::optional<QString> chooseFileToSave(const FileDialogRequest &request) override
    {
        saveRequests.push_back(request);
        return next(saveChoices, "save");
    }

    // Characters a run did, each a turn of the pump as far as it can tell.
    void processEvents(qsizetype characters) override
    {
        pumps += long(characters);
        if (onPump)
            onPump();
    }
    // The pump between the pieces of an intake, kept apart from the run's.
    std::function<void()> onIntakePump;
    long intakePumps = 0;
    void processEventsNow() override
    {
        ++intakePumps;
        if (onIntakePump)
            onIntakePump();
    }
    // The clock stands still unless a test moves it.
    qint64 clock = 0;
    qint64 clockMs() const override { return clock; }
    void endProgram() override { ++ended; }

private:
    static std::optional<QString> next(std::deque<std::optional<QString>> &queue,
                                       const char *what)
    {
        if (queue.empty())
            throw std::logic_error(std::string("unexpected ") + what + " dialog");
        auto choice = queue.front();
        queue.pop_front();
        return choice;
    }
};

} // namespace zezu::test
