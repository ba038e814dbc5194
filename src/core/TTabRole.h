#pragma once
// The tab role: a process that hosts game pages inside a window of a running main window.

#include <QStringList>

class QApplication;

// args is the whole command line, program first: program, decimal handle of the parent window
// (the main window's page area), start parameter (URL or catalogue location), optional user
// name. Returns the exit code once the last page host is gone, WM_DESTROY arrived or the main
// window's process ended. A parent that is not a number or 0 ends at once, silently.
// The window-message layer must be initialised.
int RunTabRole(QApplication &app, const QStringList &args);
