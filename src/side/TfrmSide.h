#pragma once
// The side panel docked at the main window's left edge: seven section buttons, the game search
// strip, the accordion of game groups (recently played, my games, one per catalogue section)
// above one visible tree, the favourites panel, and the handle that collapses it. Games start
// from here in tab processes of their own.

#include "side/TSideLayout.h"

#include <QDomElement>
#include <QImage>
#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <array>
#include <functional>

class QMenu;
class QAction;
class QTreeWidgetItem;
class TEControl;
class TEEdit;
class THotbtn;
class TPaintPanel;
class TScrollBar1;
class TSideNode;
class TTreeView1;

class TfrmSide : public QWidget {
    Q_OBJECT

public:
    static constexpr int Timer1Interval = 250; // section column hover poll
    static constexpr int Timer2Interval = 250; // tree hover poll
    static constexpr int Timer4Interval = 200; // group bar hover poll
    static const QString SearchPrompt;         // "请输入游戏名称关键字"
    static const QColor PromptColor;           // TColor $00C6C8CC
    static const QString WindowClass;          // the class name tools find the panel by

    // What the panel needs of the main window.
    struct THost {
        std::function<void(const QString &url)> OpenPage; // a new tab in the main process
        quint64 PageArea = 0;                             // the parent of every page host
        QString Program;                                  // the executable tab processes run
        // The shown tab's title and page host (0 with no tab), for "添加...".
        std::function<void(QString &title, quint64 &host)> CurrentTab;
    };

    TfrmSide(QWidget *parent, const THost &host);
    ~TfrmSide() override;

    // Builds every group from the catalogue and the user's lists (runs at first show).
    void BuildGroups();
    // Drops every group tree and builds them again, after a new catalogue or another user.
    void RebuildGroups();
    // Stores a downloaded catalogue as "games.xml" and rebuilds the groups; text that does not
    // parse into a declaration and a root leaves the old file. Returns whether it was stored.
    bool ReplaceCatalogue(const QString &text);
    // Collapsed: only the handle remains; expanded: search strip and section column too.
    void SetPanelExpanded(bool expanded);
    bool PanelExpanded() const { return FExpanded; }

    // The list operations, with their trees kept in step.
    void AddToMyGames(const QString &location, bool announce);
    void AddToRecentGames(const QString &location);
    void RemoveListEntry(TSideNode *node);

    // Starts the game a node stands for, choosing among its stored accounts.
    void StartGame(const QDomElement &element);
    // A tab process for location, logged in as user when not empty.
    void StartTabProcess(const QString &location, const QString &user);

    // The favourites panel ("收藏", Panel2): its title strip and tree are made with the panel,
    // the tree is filled the first time the section is shown (TfrmSideFavourites.cpp).
    QWidget *FavouritesPanel() const { return FPanel2; }
    TTreeView1 *FavouritesTree() const { return FFavTree; }
    TEControl *TitleBar() const { return FTitleBar; }
    void PrepareFavourites();
    // Clears the favourites tree and fills its top level from the favourites folder.
    void RefreshFavourites();
    // The add-favourite dialog for a tab's page; the tree shows the shortcut it wrote. True when
    // one was written.
    bool AddFavourite(const QString &tabTitle, quint64 host);
    // "整理...": the favourites folder in the file manager, then the tree afresh.
    void OrganiseFavourites();
    // The recently played list changed in the document: its tree shows it again.
    void RecentGamesChanged();

    // State, for the main window and tests.
    int GroupCount() const { return FGroups.size(); }
    QString GroupTitle(int index) const;
    TTreeView1 *GroupTree(int index) const;
    int OpenGroup() const { return FOpenGroup; }
    void SetOpenGroup(int group);
    int SelectedSection() const { return FSection; }
    void SelectSection(int section);
    QMenu *PopupMenu() const { return FPopupMenu1; }
    TEEdit *SearchBox() const { return FSearchBox; }
    THotbtn *AddButton() const { return FHotbtn1; }
    TSideNode *HoveredNode() const { return FHoveredNode; }
    void SetHoveredNode(TSideNode *node);
    const TSideLayout &Layout() const { return FLayout; }
    // The URL each section button opens (3 to 7), and the game search for a text.
    static QString SectionUrl(int section);
    static QString GameSearchUrl(const QString &text);
    void SearchGame();
    // The menu commands on HoveredNode.
    void AddAccountCommand();
    void InfoCommand(bool community);

    // The section icons (24 x 24) and tree images (16 x 16) drawn by the build.
    static QImage SectionIcon(int section);
    static QImage TreeImage(int index);

signals:
    // The panel was collapsed or expanded: its parent lays its children out again.
    void WidthChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void moveEvent(QMoveEvent *event) override;

private:
    struct TGroup {
        TTreeView1 *Tree = nullptr;
        QString Title;
        QDomElement Element;
        bool MyGames = false;
    };

    void CreateComponents();
    void CreateFavourites();
    void LayoutFavourites();
    void FillFavouritesLevel(TSideNode *parent, const QString &folderPath);
    QString FavouritesPath(const QTreeWidgetItem *node) const;
    void FavouritesMouseDown(Qt::MouseButton button, bool doubleClick, int x, int y);
    void TitleBarDraw(TEControl *sender, QPainter &canvas);
    int TitleBarIndexAt(int x, int y) const;
    void CreateMenu();
    void FirstShow();
    void LayoutChildren();
    void ClientAreaResize();
    void FillLevel(TTreeView1 *tree, TSideNode *parent, const QDomElement &element);
    TTreeView1 *CreateTree(QWidget *parent);
    TTreeView1 *TreeOf(const QDomElement &listFolder) const;

    // Painting.
    void ClientAreaPaint(QPainter &canvas);
    void DrawNode(TTreeView1 *tree, QPainter &canvas, TSideNode *node, const QRect &row,
                  const QRect &text);
    void HotbtnPaint(QPainter &canvas);

    // Pointer handling.
    void SectionMove(int x, int y);
    void ClientAreaMove(int x, int y);
    void TreeMouseMove(TTreeView1 *tree, int x, int y);
    void TreeMouseDown(TTreeView1 *tree, Qt::MouseButton button, bool doubleClick, int x, int y);
    void Timer1Timer();
    void Timer2Timer();
    void Timer4Timer();
    void PopupMenuPopup();
    void SearchBoxFocusChange(bool focused);
    bool SaveUserData(); // false, with the notice shown, when the file was not written
    QString LocationOfNode(const TSideNode *node) const;
    void PublishState();

    THost FHost;
    TSideLayout FLayout;
    quint64 FHandle = 0;
    bool FExpanded = true;
    bool FShown = false;
    bool FFavouritesPrepared = false;
    int FSection = 1; // 1 games, 2 favourites
    int FHoveredSection = -1;
    int FPressedSection = -1;
    int FOpenGroup = 0;
    int FHoveredGroup = -1;
    int FPressedGroup = -1;
    QList<TGroup> FGroups;
    // A tree's press handler can run a menu or a dialog; trees of groups rebuilt meanwhile wait
    // here, hidden, until the outermost handler has returned.
    int FTreeHandlers = 0;
    QList<QPointer<TTreeView1>> FRetiredTrees;
    TSideNode *FHoveredNode = nullptr;
    TTreeView1 *FHoveredTree = nullptr;

    TEControl *FEControl1 = nullptr;
    TEEdit *FSearchBox = nullptr;
    TPaintPanel *FClientArea = nullptr;
    QWidget *FPanel1 = nullptr;
    QWidget *FPanel2 = nullptr;
    TEControl *FTitleBar = nullptr;
    QWidget *FFavHolder = nullptr; // below the title strip: the tree and its bar
    TTreeView1 *FFavTree = nullptr;
    THotbtn *FHotbtn1 = nullptr;
    QMenu *FPopupMenu1 = nullptr;
    QAction *FSeparator1 = nullptr;
    QAction *FSeparator2 = nullptr;
    QAction *FDeleteItem = nullptr;
    QList<QAction *> FAccountItems;
    QTimer FTimer1, FTimer2, FTimer4, FPublish;
    std::array<QImage, 8> FIcons;
};
