// The side panel's pointer handling, menu commands, game start and search.
#include "side/TfrmSide.h"

#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "controls/THotbtn.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmSelLogin.h"
#include "dialogs/TfrmTip.h"
#include "platform/WinMessages.h"
#include "side/TCatalogue.h"
#include "side/TGameLists.h"
#include "side/TTabCommand.h"
#include "side/TTreeView1.h"
#include "side/TfrmAddUser.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QCursor>
#include <QIcon>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointer>
#include <QScopeGuard>
#include <QUrl>

#include <utility>

namespace {

const QString LocationAttr = QStringLiteral("location");

QString Percent(const QString &text) {
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

} // namespace

// ---- Section column and handle -----------------------------------------------------------

void TfrmSide::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    SectionMove(p.x(), p.y());
}

void TfrmSide::leaveEvent(QEvent *) {
    // Timer1 notices the pointer has gone.
}

void TfrmSide::SectionMove(int x, int y) {
    const int section = FLayout.SectionAt(x, y, width(), height(), FExpanded);
    if (section == FHoveredSection)
        return;
    FHoveredSection = section;
    update();
    if (FHoveredSection >= 0)
        FTimer1.start();
    else
        FTimer1.stop();
}

void TfrmSide::Timer1Timer() {
    const QPoint p = mapFromGlobal(QCursor::pos());
    SectionMove(p.x(), p.y());
}

void TfrmSide::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (FPressedSection != FHoveredSection) {
        FPressedSection = FHoveredSection;
        update();
    }
}

void TfrmSide::mouseReleaseEvent(QMouseEvent *) {
    if (FPressedSection < 0)
        return;
    const int section = FPressedSection;
    FPressedSection = -1;
    if (section == 0)
        SetPanelExpanded(!FExpanded);
    else if (section <= 2)
        SelectSection(section);
    else if (FHost.OpenPage)
        FHost.OpenPage(SectionUrl(section));
    update();
}

QString TfrmSide::SectionUrl(int section) {
    const QString pid = Settings().PartnerId;
    switch (section) {
    case 3:
    case 4:
    case 5:
        return Settings().Portal(TPortal::MiniSite) +
               QStringLiteral("url.php?u=%1&pid=").arg(section - 1) + pid;
    case 6:
        return Settings().Portal(TPortal::Base) + QStringLiteral("daohang.html?pid=") + pid;
    case 7:
        return Settings().Portal(TPortal::Brand) + QStringLiteral("help.html?pid=") + pid;
    default:
        return QString();
    }
}

// ---- Group title bars --------------------------------------------------------------------

void TfrmSide::ClientAreaMove(int x, int y) {
    const int group = FPanel1->isVisible()
                          ? FLayout.GroupAt(x, y, FPanel1->geometry(), FGroups.size(), FOpenGroup)
                          : -1;
    if (group == FHoveredGroup)
        return;
    FHoveredGroup = group;
    FClientArea->update();
    if (FHoveredGroup >= 0)
        FTimer4.start();
    else
        FTimer4.stop();
}

void TfrmSide::Timer4Timer() {
    const QPoint p = FClientArea->mapFromGlobal(QCursor::pos());
    ClientAreaMove(p.x(), p.y());
}

// ---- Trees -------------------------------------------------------------------------------

void TfrmSide::SetHoveredNode(TSideNode *node) {
    if (node == FHoveredNode)
        return;
    TTreeView1 *old = FHoveredTree;
    FHoveredNode = node;
    FHoveredTree = node ? static_cast<TTreeView1 *>(node->treeWidget()) : nullptr;
    if (old)
        old->viewport()->update();
    if (FHoveredTree && FHoveredTree != old)
        FHoveredTree->viewport()->update();
    if (FHoveredNode)
        FTimer2.start();
    else
        FTimer2.stop();
}

void TfrmSide::TreeMouseMove(TTreeView1 *tree, int x, int y) {
    TSideNode *node = tree->NodeAt(QPoint(x, y));
    if (node == FHoveredNode)
        return;
    SetHoveredNode(node);
    bool groupTree = false, myGames = false;
    for (const TGroup &g : FGroups)
        if (g.Tree == tree) {
            groupTree = true;
            myGames = g.MyGames;
        }
    if (!groupTree)
        return;
    if (node && node->ImageIndex >= 2 && !myGames) {
        const QRect row = tree->RowRect(node);
        if (FHotbtn1->parentWidget() != tree->viewport())
            FHotbtn1->setParent(tree->viewport());
        FHotbtn1->move(row.right() + 1 - FHotbtn1->width(), row.top());
        FHotbtn1->show();
        FHotbtn1->raise();
    } else {
        FHotbtn1->hide();
    }
}

void TfrmSide::Timer2Timer() {
    if (FHoveredTree == nullptr) {
        FTimer2.stop();
        return;
    }
    const QPoint p = FHoveredTree->viewport()->mapFromGlobal(QCursor::pos());
    if (!FHoveredTree->viewport()->rect().contains(p)) {
        TreeMouseMove(FHoveredTree, -1, -1);
        return;
    }
    TreeMouseMove(FHoveredTree, p.x(), p.y());
}

void TfrmSide::TreeMouseDown(TTreeView1 *tree, Qt::MouseButton button, bool doubleClick, int x,
                             int y) {
    // The tree stays alive while this runs, whatever its menu or dialog sets off meanwhile; it
    // goes once control is back in the event loop, outside its own press handler.
    ++FTreeHandlers;
    const auto done = qScopeGuard([this]() {
        if (--FTreeHandlers == 0)
            for (const QPointer<TTreeView1> &retired : std::exchange(FRetiredTrees, {}))
                if (retired)
                    retired->deleteLater();
    });
    tree->clearSelection();
    TSideNode *node = tree->NodeAt(QPoint(x, y));
    if (node == nullptr || (node->Element.isNull() && node->Url.isEmpty()))
        return;
    if (node->ImageIndex >= 2) {
        if (button == Qt::RightButton) {
            node->setSelected(true);
            SetHoveredNode(node);
            FTimer2.stop();
            // A new catalogue may rebuild the groups while the menu is open.
            const QPointer<TTreeView1> alive(tree);
            FPopupMenu1->exec(tree->viewport()->mapToGlobal(QPoint(x, y)));
            QCoreApplication::processEvents();
            if (alive)
                alive->clearSelection();
            // The pointer has usually left the row by now: let the poll notice.
            if (FHoveredNode)
                FTimer2.start();
        } else if (button == Qt::LeftButton && doubleClick) {
            StartGame(node->Element);
        }
        return;
    }
    // Folders open and close with one press of either button; the second press of a double
    // click leaves the folder as the first one left it.
    if (doubleClick)
        return;
    if (node->ImageIndex == 1) {
        node->setExpanded(false);
    } else if (node->Element.hasChildNodes()) {
        node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        node->setExpanded(true);
    }
    tree->SyncBar();
}

QString TfrmSide::LocationOfNode(const TSideNode *node) const {
    return node ? TCatalogue::LocationOf(node->Element) : QString();
}

// ---- Starting games ----------------------------------------------------------------------

void TfrmSide::StartTabProcess(const QString &location, const QString &user) {
    // A start that fails is not reported: the player simply sees no new tab.
    ::StartTabProcess(FHost.Program, FHost.PageArea, location, user);
}

void TfrmSide::StartGame(const QDomElement &element) {
    const QString location = TCatalogue::LocationOf(element);
    const QStringList users = TGameLists::AccountUsers(UserData(), location);
    const bool fill = Settings().FillForm;
    if (users.isEmpty()) {
        StartTabProcess(location, QString());
    } else if (users.size() == 1) {
        StartTabProcess(location, fill ? users.first() : QString());
    } else if (!fill) {
        StartTabProcess(location, QString());
    } else {
        TfrmSelLogin chooser(window());
        chooser.Location = location;
        for (const QString &user : users)
            chooser.AddName(
                user, false,
                UserData().FindAccount(location, user).attribute(QStringLiteral("caption")));
        if (chooser.ShowModal() != mrOk)
            return;
        for (const QString &user : chooser.CheckedNames()) {
            StartTabProcess(location, user);
            QCoreApplication::processEvents();
        }
    }
}

// ---- Context menu ------------------------------------------------------------------------

void TfrmSide::CreateMenu() {
    FPopupMenu1 = new QMenu(this);
    FPopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    auto item = [this](const QString &caption, auto handler, int image = -1) {
        QAction *a = FPopupMenu1->addAction(caption);
        if (image >= 0)
            a->setIcon(QIcon(QPixmap::fromImage(TreeImage(image))));
        connect(a, &QAction::triggered, this, handler);
        return a;
    };
    item(QStringLiteral("添加帐号"), [this]() { AddAccountCommand(); });
    FSeparator1 = FPopupMenu1->addSeparator();
    FSeparator2 = FPopupMenu1->addSeparator();
    item(
        QStringLiteral("收藏游戏"),
        [this]() {
            if (FHoveredNode)
                AddToMyGames(LocationOfNode(FHoveredNode), true);
        },
        3);
    item(QStringLiteral("游戏资讯"), [this]() { InfoCommand(false); });
    item(QStringLiteral("社区交流"), [this]() { InfoCommand(true); });
    FDeleteItem = item(QStringLiteral("删除游戏"), [this]() { RemoveListEntry(FHoveredNode); });
    connect(FPopupMenu1, &QMenu::aboutToShow, this, &TfrmSide::PopupMenuPopup);
}

void TfrmSide::PopupMenuPopup() {
    for (QAction *a : FAccountItems) {
        FPopupMenu1->removeAction(a);
        a->deleteLater();
    }
    FAccountItems.clear();
    if (FHoveredNode == nullptr)
        return;
    FDeleteItem->setVisible(TGameLists::IsListEntry(UserData(), FHoveredNode->Element));
    const QString location = LocationOfNode(FHoveredNode);
    for (const QString &user : TGameLists::AccountUsers(UserData(), location)) {
        auto *a = new QAction(QIcon(QPixmap::fromImage(TreeImage(2))),
                              QStringLiteral("登录：[") + user + QLatin1Char(']'), FPopupMenu1);
        connect(a, &QAction::triggered, this,
                [this, location, user]() { StartTabProcess(location, user); });
        FPopupMenu1->insertAction(FSeparator2, a);
        FAccountItems.append(a);
    }
}

void TfrmSide::AddAccountCommand() {
    if (FHoveredNode == nullptr)
        return;
    TfrmAddUser dialog(window());
    dialog.PresetGame(FHoveredNode->text(0), LocationOfNode(FHoveredNode));
    dialog.Execute();
}

void TfrmSide::InfoCommand(bool community) {
    if (FHoveredNode == nullptr || !FHost.OpenPage)
        return;
    QDomElement e = FHoveredNode->Element;
    if (e.hasAttribute(LocationAttr))
        e = Catalogue().FindByLocation(e.attribute(LocationAttr));
    const QString attr = community ? QStringLiteral("bbsUrl") : QStringLiteral("infoUrl");
    if (!e.isNull() && e.hasAttribute(attr))
        FHost.OpenPage(e.attribute(attr));
    else if (community)
        FHost.OpenPage(Settings().Portal(TPortal::Base) + QStringLiteral("bbs/"));
    else
        FHost.OpenPage(Settings().Portal(TPortal::MiniSite));
}

// ---- User lists --------------------------------------------------------------------------

bool TfrmSide::SaveUserData() {
    try {
        UserData().Save();
        return true;
    } catch (const EWriteError &e) {
        ShowTip(QStringLiteral("提示"), QStringLiteral("无法保存用户数据！"), e.Message(), bkOk);
        return false;
    }
}

void TfrmSide::AddToMyGames(const QString &location, bool announce) {
    TUserData &data = UserData();
    const QDomElement entry = TGameLists::AddToMyGames(data, location);
    if (entry.isNull()) {
        if (announce && !data.MyGamesFolder().isNull())
            ShowTip(QStringLiteral("提示"), QStringLiteral("您已经收藏了该游戏，请不要重复收藏！"),
                    QString(), bkOk);
        return;
    }
    TSideNode *node = nullptr;
    if (TTreeView1 *tree = TreeOf(data.MyGamesFolder())) {
        node = new TSideNode;
        node->setText(0, entry.attribute(QStringLiteral("caption")));
        node->ImageIndex = 2;
        node->Element = entry;
        tree->addTopLevelItem(node);
    }
    if (!SaveUserData()) {
        // Not kept: the list stays as the file has it, and a later try is no duplicate.
        delete node;
        data.MyGamesFolder().removeChild(entry);
        return;
    }
    FPublish.start();
    if (announce)
        ShowTip(QStringLiteral("提示"),
                QStringLiteral("收藏 ") + entry.attribute(QStringLiteral("caption")) +
                    QStringLiteral(" 成功!"),
                QString(), bkOk);
}

void TfrmSide::AddToRecentGames(const QString &location) {
    // Not saved here: the change reaches the file with the next save of the document.
    if (!TGameLists::AddToRecentGames(UserData(), location).isNull())
        RecentGamesChanged();
}

void TfrmSide::RecentGamesChanged() {
    TUserData &data = UserData();
    TTreeView1 *tree = TreeOf(data.RecentFolder());
    if (tree == nullptr)
        return;
    if (FHoveredTree == tree)
        SetHoveredNode(nullptr);
    if (FHotbtn1->parentWidget() == tree->viewport())
        FHotbtn1->hide();
    tree->clear();
    FillLevel(tree, nullptr, data.RecentFolder());
    FPublish.start();
}

void TfrmSide::RemoveListEntry(TSideNode *node) {
    if (node == nullptr || !TGameLists::IsListEntry(UserData(), node->Element))
        return;
    TGameLists::RemoveListEntry(node->Element);
    SaveUserData();
    if (node == FHoveredNode)
        SetHoveredNode(nullptr);
    FHotbtn1->hide();
    delete node;
    FPublish.start();
}

// ---- Search ------------------------------------------------------------------------------

void TfrmSide::SearchBoxFocusChange(bool focused) {
    QPalette pal = FSearchBox->palette();
    if (focused) {
        if (pal.color(QPalette::Text) == PromptColor) {
            pal.setColor(QPalette::Text, Qt::black);
            FSearchBox->setPalette(pal);
            FSearchBox->clear();
        }
    } else if (FSearchBox->text().isEmpty()) {
        pal.setColor(QPalette::Text, PromptColor);
        FSearchBox->setPalette(pal);
        FSearchBox->setText(SearchPrompt);
    }
}

QString TfrmSide::GameSearchUrl(const QString &text) {
    // The typed text is escaped so that "&", "#" or "+" arrive as typed.
    return Settings().Portal(TPortal::Base) + QStringLiteral("plus/game_search.php?t=") +
           Percent(QStringLiteral("所有类型")) + QStringLiteral("&s=") + Percent(text);
}

void TfrmSide::SearchGame() {
    if (FSearchBox->palette().color(QPalette::Text) == PromptColor || !FHost.OpenPage)
        return;
    FHost.OpenPage(GameSearchUrl(FSearchBox->text()));
}

// ---- State for tools ---------------------------------------------------------------------

void TfrmSide::PublishState() {
    // Lines: the panel's place in its window, every group (the open one marked "*"), and the
    // visible rows of the open tree in panel coordinates.
    QStringList lines;
    const QPoint origin = mapTo(window(), QPoint(0, 0));
    lines << QStringLiteral("panel %1 %2 %3 %4 %5")
                 .arg(origin.x())
                 .arg(origin.y())
                 .arg(width())
                 .arg(height())
                 .arg(FExpanded ? QStringLiteral("expanded") : QStringLiteral("collapsed"));
    if (FExpanded)
        for (int section = 1; section <= TSideLayout::SectionCount; ++section) {
            const QRect r = FLayout.SectionRect(section, width(), height());
            lines << QStringLiteral("section %1 %2 %3 %4 %5%6")
                         .arg(r.x())
                         .arg(r.y())
                         .arg(r.width())
                         .arg(r.height())
                         .arg(section == FSection ? "*" : "")
                         .arg(section);
        }
    for (int i = 0; i < FGroups.size(); ++i)
        lines << QStringLiteral("group %1%2").arg(i == FOpenGroup ? "*" : "", FGroups[i].Title);
    // The rows of the shown tree: the open group's, or the favourites'.
    if (FSection == 2) {
        int left = 3;
        const QFontMetrics metrics(FTitleBar->font());
        for (const QString &item : {QStringLiteral("添加..."), QStringLiteral("整理...")}) {
            const int w = metrics.horizontalAdvance(item) + 18;
            const QPoint p = FTitleBar->mapTo(this, QPoint(left, 3));
            lines << QStringLiteral("title %1 %2 %3 %4 %5")
                         .arg(p.x())
                         .arg(p.y())
                         .arg(w)
                         .arg(FTitleBar->height() - 6)
                         .arg(item);
            left += w;
        }
    }
    if (TTreeView1 *tree = FSection == 2 ? FFavTree : GroupTree(FOpenGroup)) {
        for (QTreeWidgetItem *item = tree->itemAt(0, 1); item; item = tree->itemBelow(item)) {
            const QRect r = tree->RowRect(item);
            if (r.top() >= tree->viewport()->height())
                break;
            const QPoint p = tree->viewport()->mapTo(this, r.topLeft());
            lines << QStringLiteral("row %1 %2 %3 %4 %5")
                         .arg(p.x())
                         .arg(p.y())
                         .arg(r.width())
                         .arg(r.height())
                         .arg(item->text(0));
        }
    }
    Win::SetWindowText(FHandle, lines.join(QLatin1Char('\n')));
}
