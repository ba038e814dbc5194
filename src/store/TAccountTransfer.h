#pragma once
// Export and import of the game accounts, and clearing them when the program closes: the file
// side, without dialogs. An export file has the format of a user data file.

#include "store/TDataFile.h"

#include <QString>

#include <functional>

class TUserData;

class TAccountTransfer {
public:
    // Larger files are no export of ours (the reader refuses them too); reading them is refused.
    static constexpr qint64 MaxImportSize = TDataFile::MaxSize;

    // Writes the whole document (password and game lists included) to path through a temporary
    // file, readable by the user only: on failure no file is left half-written and an existing
    // one keeps its content.
    static bool Export(const TUserData &data, const QString &path);

    enum class TImport { Done, Unreadable, SaveFailed, TooLarge };
    // Takes "caption" and "pass" of every account of the file into data; askOverwrite is asked
    // for each account already stored and false skips it. "ubox", "pbox" and the game lists of
    // the file are not taken. Then saves data. TooLarge: the store would have grown past what
    // the reader accepts. Unless Done, data is as it was before.
    static TImport Import(TUserData &data, const QString &path,
                          const std::function<bool()> &askOverwrite);

    // Removes every stored game account of the current user (the game lists stay) and saves.
    // False when the file could not be written; the accounts are then gone from memory only.
    static bool ClearAccounts(TUserData &data);
};
