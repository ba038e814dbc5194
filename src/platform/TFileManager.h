#pragma once
// Shows a folder in the desktop's file manager.

#include <QString>

class TFileManager {
public:
    // Starts the desktop's handler for folders on path without waiting for it. False when none
    // could be started.
    static bool OpenFolder(const QString &path);
};
