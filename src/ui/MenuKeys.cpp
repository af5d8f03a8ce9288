#include "ui/MenuKeys.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>

namespace zezu {

int MenuKeysStyle::styleHint(StyleHint hint, const QStyleOption *option, const QWidget *widget,
                             QStyleHintReturn *returnData) const
{
    // Some desktop styles leave a lone Alt to do nothing (those that follow
    // GTK's look among them); the menu bar takes it whatever the style.
    if (hint == SH_MenuBar_AltKeyNavigation)
        return 1;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
}

void openMenuBarOnF10(QMainWindow &window)
{
    auto *open = new QAction(&window);
    open->setObjectName(QStringLiteral("menuBarKey"));
    open->setShortcut(Qt::Key_F10);
    window.addAction(open);
    QObject::connect(open, &QAction::triggered, &window, [&window] {
        QMenuBar *bar = window.menuBar();
        if (!bar->actions().isEmpty())
            bar->setActiveAction(bar->actions().first());
    });
}

} // namespace zezu
