#pragma once

class QApplication;

namespace zezu {

// True when Qt has a screen to open windows on. Without one Qt would abort
// with a message about platform plugins that tells a user nothing.
bool hasDisplay();

// Application name, version and organization, and Qt's own Russian
// translation so that standard buttons and dialogs match the interface.
void setUpApplication(QApplication &app);

int runEditor(int argc, char **argv);

} // namespace zezu
