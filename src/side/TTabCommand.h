#pragma once
// Starting a game in a tab process of its own: the program in the tab role with the page area's
// handle, the game location and, when an account was chosen, its user name.

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The arguments after the program path, each one argument whatever blanks or characters it
// holds: the decimal handle, the location, the user name when not empty.
QStringList TabProcessArguments(quint64 pageArea, const QString &location, const QString &user);
// Starts program detached with those arguments; false when it could not be started.
bool StartTabProcess(const QString &program, quint64 pageArea, const QString &location,
                     const QString &user);
