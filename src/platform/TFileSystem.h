#pragma once
// File operations the update install needs beyond Qt's: replacing a file in one step, a second
// name for a file, and flushing a folder's entries to disk.

#include <QString>

class TFileSystem {
public:
    // Renames from over to in one step, replacing an existing file: no moment without to.
    static bool Replace(const QString &from, const QString &to);
    // A second name (hard link) for an existing file; false where the file system has none.
    static bool Link(const QString &existing, const QString &newName);
    // Flushes the folder's entries (renames, new names) to disk.
    static bool SyncFolder(const QString &folder);
};
