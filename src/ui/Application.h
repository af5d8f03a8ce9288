#pragma once

class QApplication;

namespace zezu {

// True when Qt has a screen to open windows on. Without one Qt would abort
// with a message about platform plugins that tells a user nothing.
bool hasDisplay();

// Application name, version and organization, and Qt's own Russian
// translation so that standard buttons and dialogs match the interface.
void setUpApplication(QApplication &app);

// Starts this program again with argv, once, with glibc's malloc asking for
// huge pages (see tunablesForHugePages); returns only when it did not.
void restartWithHugePages(char **argv);

int runEditor(int argc, char **argv);

} // namespace zezu
