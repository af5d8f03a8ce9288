#pragma once

// A user at the keyboard for Qt's own modal windows, the one way the widget
// tests answer them: while it lives it answers every message box and file
// dialog as it comes up, from inside the window's own event loop as a user's
// clicks would, and records what each one showed.

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <vector>

namespace zezu::test {

class ScriptedUser : public QObject
{
public:
    // A box with a Yes button is the save-changes prompt; any other box is
    // a message.
    enum class Kind { Prompt, Message, OpenDialog, SaveDialog };

    struct Seen
    {
        Kind kind = Kind::Message;
        QString title;
        // Boxes.
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QStringList buttons; // their texts without mnemonics, sorted
        bool escapeCancels = false;
        QString defaultButton; // its text without mnemonics
        // File dialogs.
        QStringList filters;
        QString proposed; // the name in the name field as it came up
        QString folder;   // the folder it started in
        // Whether the busy cursor showed over it.
        bool busy = false;
    };

    // How the prompt is answered; NoButton: the Escape key; Default: Enter.
    QMessageBox::StandardButton promptAnswer = QMessageBox::Yes;
    static constexpr QMessageBox::StandardButton Enter = QMessageBox::Default;
    // The names typed into the dialogs; empty: the dialog is cancelled.
    QString openName;
    QString saveName;
    // Runs once the open dialog has taken its name, before the file is read.
    std::function<void()> afterOpenChosen;
    // Runs as each window comes up, before it is answered.
    std::function<void(QWidget *)> onShown;

    std::vector<Seen> seen; // in order

    ScriptedUser()
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, &ScriptedUser::act);
        m_timer.start();
    }

    // Stops answering: the next command has a user of its own.
    void leave() { m_timer.stop(); }

    int count(Kind kind) const
    {
        return int(std::count_if(seen.begin(), seen.end(),
                                 [kind](const Seen &s) { return s.kind == kind; }));
    }
    // The windows of one kind, in order.
    std::vector<Seen> of(Kind kind) const
    {
        std::vector<Seen> found;
        std::copy_if(seen.begin(), seen.end(), std::back_inserter(found),
                     [kind](const Seen &s) { return s.kind == kind; });
        return found;
    }
    // The text of every message, in order.
    QStringList told() const
    {
        QStringList texts;
        for (const Seen &s : of(Kind::Message))
            texts << s.text;
        return texts;
    }

private:
    void act()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || modal == m_last)
            return;
        m_last = modal;
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            answer(box);
        else if (auto *dialog = qobject_cast<QFileDialog *>(modal))
            answer(dialog);
    }

    void answer(QMessageBox *box)
    {
        const bool prompt = box->button(QMessageBox::Yes);
        Seen s;
        s.kind = prompt ? Kind::Prompt : Kind::Message;
        s.busy = QApplication::overrideCursor() != nullptr;
        s.title = box->windowTitle();
        s.text = box->text();
        s.icon = box->icon();
        for (QAbstractButton *b : box->buttons())
            s.buttons << b->text().remove(u'&');
        s.buttons.sort();
        s.escapeCancels =
            box->escapeButton() && box->escapeButton() == box->button(QMessageBox::Cancel);
        if (box->defaultButton())
            s.defaultButton = box->defaultButton()->text().remove(u'&');
        seen.push_back(s);
        if (onShown)
            onShown(box);
        if (!prompt)
            box->accept();
        else if (promptAnswer == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else if (promptAnswer == Enter)
            QTest::keyClick(box, Qt::Key_Return);
        else
            box->button(promptAnswer)->click();
    }

    void answer(QFileDialog *dialog)
    {
        const bool open = dialog->acceptMode() == QFileDialog::AcceptOpen;
        auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        Seen s;
        s.kind = open ? Kind::OpenDialog : Kind::SaveDialog;
        s.busy = QApplication::overrideCursor() != nullptr;
        s.title = dialog->windowTitle();
        s.filters = dialog->nameFilters();
        s.proposed = edit ? edit->text() : QString();
        s.folder = dialog->directory().absolutePath();
        seen.push_back(s);
        if (onShown)
            onShown(dialog);
        const QString name = open ? openName : saveName;
        if (!edit || name.isEmpty()) {
            dialog->reject();
            return;
        }
        // Typed as a user types: into the focused field, which takes the
        // place of the name the dialog had selected in its list.
        dialog->activateWindow();
        edit->setFocus();
        if (!edit->hasFocus()) {
            if (auto *list = dialog->findChild<QAbstractItemView *>(QStringLiteral("listView")))
                list->clearSelection();
        }
        edit->setText(name);
        // As pressing Enter in the name field: the dialog's own accept runs.
        QMetaObject::invokeMethod(dialog, "accept");
        if (open && afterOpenChosen && !dialog->isVisible())
            afterOpenChosen();
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
};

} // namespace zezu::test
