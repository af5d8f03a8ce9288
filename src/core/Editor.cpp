#include "core/Editor.h"

#include <algorithm>

namespace zezu {

Editor::Editor(WindowServices &window)
    : m_window(window)
{
}

void Editor::load()
{
    const QSize win = m_window.windowSize();
    const QSize txt = m_window.textAreaSize();
    m_state.widthMargin = win.width() - txt.width();
    m_state.heightMargin = win.height() - txt.height();
    m_state.undoCount = 0;
    m_state.cancelRequested = false;
}

void Editor::resize()
{
    const QSize win = m_window.windowSize();
    QSize txt = m_window.textAreaSize();
    // A window narrower than the margin would ask for a negative width.
    txt.setWidth(std::max(0, win.width() - m_state.widthMargin));
    // A minimized window keeps the text area's last height.
    if (win.height() > m_state.heightMargin)
        txt.setHeight(win.height() - m_state.heightMargin);
    m_window.setTextAreaSize(txt);
}

} // namespace zezu
