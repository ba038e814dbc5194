// The side panel's favourites section ("收藏"): a title strip with "添加..." and "整理..." above a
// tree of the favourites folder, its levels read as they are opened.
#include "side/TfrmSide.h"

#include "controls/TEControl.h"
#include "controls/THotbtn.h"
#include "controls/TSkin.h"
#include "dialogs/TFolderMenu.h"
#include "dialogs/TfrmAddFav.h"
#include "side/TFavorites.h"
#include "side/TTreeView1.h"

#include <QPainter>
#include <QPainterPath>

#include <array>

namespace {

constexpr int TitleBarHeight = 28;
constexpr int ImageFolder = 0;
constexpr int ImageShortcut = 2;
// The name of a node's file or folder on disk ("x.URL" for a shortcut shown as "x").
constexpr int FileNameRole = Qt::UserRole + 1;
const std::array<QString, 2> TitleItems = {QStringLiteral("添加..."), QStringLiteral("整理...")};

} // namespace

void TfrmSide::CreateFavourites() {
    FTitleBar = new TEControl(FPanel2);
    FTitleBar->setObjectName(QStringLiteral("TitleBar"));
    FTitleBar->OnDrawControl = [this](TEControl *s, QPainter &c) { TitleBarDraw(s, c); };
    FTitleBar->OnGetIndex = [this](TEControl *, int &index, int x, int y) {
        index = TitleBarIndexAt(x, y);
    };
    FTitleBar->OnMouseUp = [this](TEControl *s, Qt::MouseButton b, TShiftState, int, int) {
        const int down = s->DownIndex();
        s->SetDownIndex(-1);
        s->Redraw();
        if (b != Qt::LeftButton)
            return;
        if (down == 0) {
            QString title;
            quint64 host = 0;
            if (FHost.CurrentTab)
                FHost.CurrentTab(title, host);
            AddFavourite(title, host);
        } else if (down == 1) {
            OrganiseFavourites();
        }
    };

    FFavHolder = new QWidget(FPanel2);
    FFavHolder->setObjectName(QStringLiteral("FavouritesHolder"));
    FFavTree = CreateTree(FFavHolder);
    FFavTree->setObjectName(QStringLiteral("FavouritesTree"));
    // The group trees' expand handler fills from catalogue elements; this one from folders.
    FFavTree->OnExpanding = [this](TTreeView1 *, TSideNode *node) {
        node->ImageIndex = 1;
        if (node->childCount() == 0)
            FillFavouritesLevel(node, FavouritesPath(node));
        FPublish.start();
    };
    FFavTree->OnMouseDown = [this](TTreeView1 *, Qt::MouseButton b, bool d, int x, int y) {
        FavouritesMouseDown(b, d, x, y);
    };
    LayoutFavourites();
}

void TfrmSide::LayoutFavourites() {
    const int w = FPanel2->width(), h = FPanel2->height();
    FTitleBar->setGeometry(0, 0, w, TitleBarHeight);
    FFavHolder->setGeometry(0, TitleBarHeight, w, std::max(0, h - TitleBarHeight));
}

void TfrmSide::PrepareFavourites() {
    TFavorites::Folder();
    FFavTree->SetRowHeight(FHotbtn1->height() > 0 ? FHotbtn1->height() : FFavTree->RowHeight());
    RefreshFavourites();
}

void TfrmSide::RefreshFavourites() {
    if (FHoveredTree == FFavTree)
        SetHoveredNode(nullptr);
    FFavTree->clear();
    FillFavouritesLevel(nullptr, TFavorites::Folder());
    FFavTree->SyncBar();
    FPublish.start();
}

void TfrmSide::FillFavouritesLevel(TSideNode *parent, const QString &folderPath) {
    FFavTree->setUpdatesEnabled(false);
    QList<QTreeWidgetItem *> nodes;
    for (const TFavoriteEntry &entry : TFavorites::ListFolder(folderPath)) {
        auto *node = new TSideNode;
        node->setText(0, entry.Caption);
        node->setData(0, FileNameRole, entry.FileName);
        node->ImageIndex = entry.IsFolder ? ImageFolder : ImageShortcut;
        nodes.append(node);
    }
    if (parent)
        parent->addChildren(nodes);
    else
        FFavTree->addTopLevelItems(nodes);
    FFavTree->setUpdatesEnabled(true);
}

QString TfrmSide::FavouritesPath(const QTreeWidgetItem *node) const {
    // The favourites folder, then the names from the top level down to the node.
    QStringList names;
    for (const QTreeWidgetItem *n = node; n; n = n->parent())
        names.prepend(n->data(0, FileNameRole).toString());
    QString path = TFavorites::Folder();
    for (const QString &name : names)
        path += name + QLatin1Char('/');
    return path;
}

void TfrmSide::FavouritesMouseDown(Qt::MouseButton, bool doubleClick, int x, int y) {
    FFavTree->clearSelection();
    TSideNode *node = FFavTree->NodeAt(QPoint(x, y));
    // The second press of a double click leaves things as the first one left them: one tab per
    // double click, and a folder does not close again at once.
    if (node == nullptr || doubleClick)
        return;
    if (node->ImageIndex == ImageShortcut) {
        const QString parent =
            node->parent() ? FavouritesPath(node->parent()) : TFavorites::Folder();
        // A shortcut without an address opens an empty page.
        if (FHost.OpenPage)
            FHost.OpenPage(
                TFavorites::ReadShortcut(parent + node->data(0, FileNameRole).toString()));
        return;
    }
    node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    node->setExpanded(!node->isExpanded());
    FFavTree->SyncBar();
}

bool TfrmSide::AddFavourite(const QString &tabTitle, quint64 host) {
    if (!TfrmAddFav::AddFavourite(window(), tabTitle, HWND(host)))
        return false;
    RefreshFavourites();
    return true;
}

void TfrmSide::OrganiseFavourites() {
    TFavorites::Organise();
    RefreshFavourites();
}

// ---- Title strip ---------------------------------------------------------------------------

int TfrmSide::TitleBarIndexAt(int x, int y) const {
    if (y <= 3 || y >= FTitleBar->height() - 3)
        return -1;
    const QFontMetrics metrics(FTitleBar->font());
    int left = 3;
    for (int i = 0; i < int(TitleItems.size()); ++i) {
        const int right = left + metrics.horizontalAdvance(TitleItems[i]) + 18;
        if (x >= left && x <= right)
            return i;
        left = right;
    }
    return -1;
}

void TfrmSide::TitleBarDraw(TEControl *sender, QPainter &canvas) {
    canvas.fillRect(sender->rect(), ColorToQColor(Skin().Face));
    canvas.setFont(sender->font());
    canvas.setRenderHint(QPainter::Antialiasing);
    const QFontMetrics metrics(sender->font());
    const int top = 3, bottom = sender->height() - 3;
    int left = 3;
    for (int i = 0; i < int(TitleItems.size()); ++i) {
        const int right = left + metrics.horizontalAdvance(TitleItems[i]) + 18;
        const QRect r(left, top, right - left, bottom - top);
        if (sender->OverIndex() == i) {
            canvas.setPen(QPen(ColorToQColor(Skin().Shadow), 1));
            canvas.setBrush(Qt::NoBrush);
            canvas.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        }
        canvas.setPen(ColorToQColor(Skin().FontColor));
        canvas.drawText(r, Qt::AlignCenter | Qt::TextSingleLine, TitleItems[i]);
        left = right;
    }
}
