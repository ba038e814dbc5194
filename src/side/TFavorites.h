#pragma once
// The player's Internet favourites: a folder tree of ".url" shortcut files (INI form, section
// "InternetShortcut", key "URL"), so shortcuts made by other programs open here and ours open
// elsewhere. No widgets: the side panel's tree, the add-favourite dialog and the main window
// build on this.
//
// Relative folder paths name a subfolder of the favourites folder, components joined by "/",
// without leading or trailing "/"; empty is the favourites folder itself.

#include <QList>
#include <QString>
#include <QStringList>

// One entry of a favourites folder.
struct TFavoriteEntry {
    bool IsFolder = false;
    QString FileName; // the name on disk ("x.URL" for a shortcut)
    QString Caption;  // what a tree shows: the folder name, or the file name less ".url"
};

// One item of the folder menu: every subfolder, after its parent, indented by its depth.
struct TFolderMenuEntry {
    QString Caption;  // the folder's name
    QString Relative; // its relative folder path (the item's hint)
    int Depth = 0;    // 0 for the favourites folder's own subfolders
};

class TFavorites {
public:
    static const QString Section;     // "InternetShortcut"
    static const QString UrlKey;      // "URL"
    static const QString RootCaption; // "收藏夹"

    // $XDG_DATA_HOME/ludora/Favorites/ (with the trailing "/"), created when missing. Resolved
    // at the first call and kept for the process.
    static QString Folder();
    // Folder() + relative + "/" (just Folder() for the favourites folder itself).
    static QString FolderPath(const QString &relative);

    // The entries of one folder (a path ending in "/"): subfolders first, then ".url" files
    // (extension in any case), each kind in case-insensitive name order; other files are left
    // out. A folder that cannot be read gives none.
    static QList<TFavoriteEntry> ListFolder(const QString &folderPath);
    // Every subfolder of the favourites folder below relative, in menu order.
    static QList<TFolderMenuEntry> FolderMenu(const QString &relative = QString());

    // The name suggested for a page title: each of * / : < > ? \ | becomes "_".
    static QString NameFromTitle(const QString &title);
    // Empty when name may be used as a shortcut or folder name; otherwise the reason, for the
    // player. Names that would leave their folder ("..", a separator) are refused.
    static QString CheckName(const QString &name);

    // The address of a shortcut file; empty when it has none.
    static QString ReadShortcut(const QString &filePath);
    // Writes the address into a shortcut file, keeping its other sections and keys. Returns an
    // empty string, or a message for the player when it could not be written.
    static QString WriteShortcut(const QString &filePath, const QString &url);
    // Adds a shortcut named name (without ".url") in a folder; empty on success, otherwise the
    // message for the player and nothing is written.
    static QString Add(const QString &relative, const QString &name, const QString &url);
    // Creates folder name under relative (one level; an existing folder is fine). Empty on
    // success, otherwise a message for the player.
    static QString CreateFolder(const QString &relative, const QString &name);

    // The relative folder last chosen in the add-favourite dialog's menu, for the process.
    static QString RememberedFolder();
    static void SetRememberedFolder(const QString &relative);

    // The organise command: opens the favourites folder in the desktop's file manager.
    // False when no file manager could be started. The caller refreshes its view afterwards.
    static bool Organise();
};
