#pragma once
// The main role: the process that owns the main window, its tabs and every dialog.

#include <QStringList>

class QApplication;

// args: the command line without the executable. The window-message layer must be running.
// Returns the exit code once the main window has closed.
int RunMainRole(QApplication &app, const QStringList &args);
