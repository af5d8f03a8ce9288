#include "editor/WindowLayout.h"

#include <algorithm>

namespace zezu {

void WindowLayout::load(const WindowServices &window)
{
    const QSize win = window.windowSize();
    const QSize txt = window.textAreaSize();
    m_widthMargin = win.width() - txt.width();
    m_heightMargin = win.height() - txt.height();
}

void WindowLayout::resize(WindowServices &window) const
{
    const QSize win = window.windowSize();
    QSize txt = window.textAreaSize();
    // A window narrower than the margin would ask for a negative width.
    txt.setWidth(std::max(0, win.width() - m_widthMargin));
    // A minimized window keeps the text area's last height.
    if (win.height() > m_heightMargin)
        txt.setHeight(win.height() - m_heightMargin);
    window.setTextAreaSize(txt);
}

} // namespace zezu
