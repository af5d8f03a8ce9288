#include "ui/frmMain.h"

#include "art/AppIcon.h"
#include "ui/MenuKeys.h"
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
    setAccessibleDescription(QStringLiteral(
        "Редактор, который заменяет в тексте пробелы, кавычки, знаки &, <, > и русские буквы "
        "ссылками HTML на знаки. Меню — клавиша F10 или Alt."));
    setWindowIcon(appIcon());

    // The text area is placed by the resize rule, not by a layout.
    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);
    txtChar = new TextArea(client);
    txtChar->move(0, 0);
    txtChar->resize(kDesignWidth, kDesignHeight);

    buildMenu();
    openMenuBarOnF10(*this);
    connectCommands();

    resize(kDesignWidth, kDesignHeight + menuBar()->sizeHint().height());
    m_editor.load();
}

void frmMain::buildMenu()
{
    auto action = [](QMenu *menu, const char *name, const QString &caption,
                         QKeySequence shortcut = {}) {
        QAction *a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        a->setShortcut(shortcut);
        return a;
    };
    auto separator = [](QMenu *menu, const char *name) {
        menu->addSeparator()->setObjectName(QString::fromLatin1(name));
    };

    menuBar()->setAccessibleName(QStringLiteral("Меню"));
    mnuText = menuBar()->addMenu(QStringLiteral("::файл."));
    mnuText->setObjectName(QStringLiteral("mnuText"));
    mnuGen = action(mnuText, "mnuGen", QStringLiteral("::преобразовать..."),
                    QKeySequence(Qt::CTRL | Qt::Key_G));
    mnuUngen = action(mnuText, "mnuUngen", QStringLiteral("::раскодировать..."),
                      QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G));
    mnuUndo = action(mnuText, "mnuUndo", QStringLiteral("::отменить..."));
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
    connect(mnuGen, &QAction::triggered, this, [this] { m_editor.convert(); });
    connect(mnuUngen, &QAction::triggered, this, [this] { m_editor.decode(); });
    connect(mnuUndo, &QAction::triggered, this, [this] { m_editor.undo(); });

    // Documents.
    connect(txtChar, &TextArea::changed, this, [this] { m_services.textChanged(); });
    connect(mnuOpen, &QAction::triggered, this, [this] { m_editor.open(); });
    // Queued: the text area finishes its drop before the text is replaced.
    connect(
        txtChar, &TextArea::fileDropped, this,
        [this](const QString &path) { m_editor.openDroppedFile(path); }, Qt::QueuedConnection);
    connect(mnuSave, &QAction::triggered, this, [this] { m_editor.save(); });
    connect(mnuExit, &QAction::triggered, this, [this] { m_editor.exit(); });

    // About.
    connect(mnuAbout, &QAction::triggered, this, [this] { m_services.showAbout(); });
}

QAction *frmMain::menuAction(MenuItem item) const
{
    switch (item) {
    case MenuItem::Gen: return mnuGen;
    case MenuItem::Ungen: return mnuUngen;
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
    if (m_editor.closeRequested())
        event->accept();
    else
        event->ignore();
}

} // namespace zezu
