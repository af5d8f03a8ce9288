#pragma once

namespace zezu {

// Lets a screen reader know the program's own windows as what they are: the
// progress window and the about box as dialogs, announced by their
// captions, and the progress window's background bar as a progress bar.
// Once per program; every later call does nothing.
void makeWindowsAccessible();

} // namespace zezu
