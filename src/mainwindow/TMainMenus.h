#pragma once
// The main window's popup menus, owner-drawn by TMenuStyle: the tab context menu, the tray menu,
// the refresh and account arrow menus of the tool bar, the title bar's menu and the search engine
// menu; built once with the window, each item wired to the window's action.

#include <QList>

class QAction;
class QMenu;
class TEControl;
class TfrmMain;

class TMainMenus {
public:
    // Builds the menus as children of form.
    explicit TMainMenus(TfrmMain &form);

    // The tab context menu for tab index at the pointer.
    void PopupTabMenu(int index);
    // The refresh or account menu of a drop-down row (5 or 7) below its arrow; the strip the row
    // is on looks again at what is under the pointer once the menu has closed.
    void PopupArrowMenu(int row);
    // The search engine menu below the engine zone of the search box.
    void PopupEngineMenu();
    // The disabled line at the end of the account and title bar menus that names the logged-in
    // user; hidden with its separator when nobody is.
    void SetUserLine(const QString &line);
    QString UserLine() const;

    QMenu *PopupMenu1 = nullptr; // tab context menu
    QMenu *PopupMenu2 = nullptr; // tray menu
    QMenu *PopupMenu3 = nullptr; // refresh arrow
    QMenu *PopupMenu4 = nullptr; // account arrow
    QMenu *PopupMenu5 = nullptr; // title bar menu button
    QMenu *PopupMenu6 = nullptr; // search engines

private:
    void AddPortalItems(QMenu *menu);
    // Checks "启用" and "启用自动刷新" from the tab's host before the menu shows.
    void AutoRefreshMenuPopup();
    void RefreshMenuPopup();

    TfrmMain &FForm;
    QMenu *FAutoRefreshMenu = nullptr;
    QAction *FAutoRefreshOn = nullptr;
    QAction *FRefreshMenuOn = nullptr;
    QList<QAction *> FEngineActions;
    QList<QAction *> FUserLines; // separator and line, per menu
};
