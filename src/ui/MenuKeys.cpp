#include "ui/MenuKeys.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyleOption>

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

void MenuKeysStyle::drawControl(ControlElement element, const QStyleOption *option,
                                QPainter *painter, const QWidget *widget) const
{
    // Styles that light a menu title only while its menu is open would show
    // nothing after a lone Alt: the title the keyboard is on is drawn as lit
    // while the menu bar holds the keyboard.
    if (element == CE_MenuBarItem && widget && widget->hasFocus()
        && (option->state & State_Selected)) {
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            QStyleOptionMenuItem lit = *item;
            lit.state |= State_Sunken;
            QProxyStyle::drawControl(element, &lit, painter, widget);
            return;
        }
    }
    QProxyStyle::drawControl(element, option, painter, widget);
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
