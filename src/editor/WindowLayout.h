#pragma once

#include "editor/WindowServices.h"

namespace zezu {

// The distances the text area keeps from the window's edges, in twips.
class WindowLayout
{
public:
    // Records the margins from the design-time sizes, before the window is
    // first shown; they never change afterwards.
    void load(const WindowServices &window);

    // Keeps the text area at the recorded margins.
    void resize(WindowServices &window) const;

    int widthMargin() const { return m_widthMargin; }
    int heightMargin() const { return m_heightMargin; }

private:
    int m_widthMargin = 0;
    int m_heightMargin = 0;
};

} // namespace zezu
