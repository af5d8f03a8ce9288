#include "ui/frmMain.h"

#include "convert/ConvertCommand.h"
#include "convert/UndoHistory.h"
#include "document/DocumentCommands.h"
#include "ui/AppIcon.h"
#include "ui/TextArea.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>


namespace zezu {

frmMain::frmMain(QWidget *parent)
    : QMainWindow(parent)
    , m_services(*this)
    , m_editor(m_services)
{
    setObjectName(QStringLiteral("frmMain"));
    m_services.setCaption(QStringLiteral("ZEZU.vexlo - Безымянный"));
    setWindowIcon(appIcon());

    // The text area is placed by the resize rule, not by a layout.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    txtChar = new TextArea(client);
    txtChar->move(0, 0);
    txtChar->resize(kDesignWidth, kDesignHeight);

    buildMenu();
    connectCommands();

    resize(kDesignWidth, kDesignHeight + menuBar()->sizeHint().height());
    m_editor.load();
}

void frmMain::buildMenu()
{
    auto action = [this](QMenu *menu, const char *name, const QString &caption,
                         QKeySequence shortcut = {}) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    mnuText = menuBar()->addMenu(QStringLiteral("::файл."));
    mnuText->setObjectName(QStringLiteral("mnuText"));
    mnuGen = action(mnuText, "mnuGen", QStringLiteral("::преобразовать..."),
                    QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuUndo = action(mnuText, "mnuUndo", QStringLiteral("::отменить..."));
    mnuUndo->setEnabled(false);
    separator(mnuText, "mnl2");
    mnuOpen = action(mnuText, "mnuOpen", QStringLiteral("::открыть..."),
                     QKeySequence(Qt::CTRL | Qt::Key_O));
    mnuSave = action(mnuText, "mnuSave", QStringLiteral("::сохранить..."),
                     QKeySequence(Qt::CTRL | Qt::Key_S));
    separator(mnuText, "mnl");
    mnuExit = action(mnuText, "mnuExit", QStringLiteral("::выход..."));

    mnH = menuBar()->addMenu(QStringLiteral("::?..."));
    mnH->setObjectName(QStringLiteral("mnH"));
    mnuAbout = action(mnH, "mnuAbout", QStringLiteral("::о программе..."));
}

void frmMain::connectCommands()
{
    // Conversion.
    connect(mnuGen, &QAction::triggered, this, [this] { convertCommand(m_editor); });
    connect(mnuUndo, &QAction::triggered, this, [this] { undoCommand(m_editor); });

    // Documents.
    connect(txtChar, &TextArea::changed, this, [this] { onTextChanged(m_editor); });
    connect(mnuOpen, &QAction::triggered, this, [this] { openCommand(m_editor); });
    connect(mnuSave, &QAction::triggered, this, [this] { saveCommand(m_editor); });
    connect(mnuExit, &QAction::triggered, this, [this] { exitCommand(m_editor); });

    // About.
    connect(mnuAbout, &QAction::triggered, this, [this] { m_services.showAbout(); });
}

QAction *frmMain::menuAction(MenuItem item) const
{
    switch (item) {
    case MenuItem::Gen: return mnuGen;
    case MenuItem::Undo: return mnuUndo;
    case MenuItem::Open: return mnuOpen;
    case MenuItem::Save: return mnuSave;
    case MenuItem::Exit: return mnuExit;
    case MenuItem::About: return mnuAbout;
    }
    return nullptr;
}

void frmMain::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    m_editor.resize();
}

void frmMain::closeEvent(QCloseEvent *event)
{
    if (m_services.isEnding()) {
        event->accept();
        return;
    }
    if (closeRequested(m_editor))
        event->accept();
    else
        event->ignore();
}

} // namespace zezu
