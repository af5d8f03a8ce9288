#pragma once

#include <QProxyStyle>

class QMainWindow;

namespace zezu {

// The menu bar from the keyboard, as desktop users expect it: a lone Alt
// takes the keyboard to the menu bar, F10 opens its first menu, and the
// arrows and Enter choose. Neither needs a marked letter in a caption.
class MenuKeysStyle : public QProxyStyle
{
public:
    // base: the name of the style the user's desktop or -style chose.
    explicit MenuKeysStyle(const QString &base)
        : QProxyStyle(base)
    {
    }
    int styleHint(StyleHint hint, const QStyleOption *option = nullptr,
                  const QWidget *widget = nullptr,
                  QStyleHintReturn *returnData = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget = nullptr) const override;
};

// F10 in the window opens the first menu of its menu bar.
void openMenuBarOnF10(QMainWindow &window);

} // namespace zezu
