#pragma once

#include <QString>

// Opens path through the real main window, headless (bench_files' window
// phase), and prints "total first-screen unanswered" in milliseconds; see
// OpenInWindow.cpp.
int openInWindow(int argc, char **argv, const QString &path);
