#include "mainwindow/TMainMenus.h"

#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "mainwindow/SearchAddress.h"
#include "mainwindow/TMenuStyle.h"
#include "mainwindow/TfrmMain.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QCursor>
#include <QMenu>

namespace {

constexpr int HomePageImage = 12; // the house of the menu images

template <typename THandler>
QAction *Item(QMenu *menu, const QString &caption, int image, THandler handler) {
    QAction *action = menu->addAction(caption);
    TMenuStyle::SetImage(action, image);
    QObject::connect(action, &QAction::triggered, menu, handler);
    return action;
}

} // namespace

TMainMenus::TMainMenus(TfrmMain &form) : FForm(form) {
    TTabSet &tabs = form.FTabs;
    TfrmMain *f = &form;

    PopupMenu1 = new QMenu(f);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Item(PopupMenu1, QStringLiteral("关闭标签"), 11,
         [f, &tabs]() { f->CloseTab(tabs.ContextTab); });
    PopupMenu1->addSeparator();
    Item(PopupMenu1, QStringLiteral("锁定标签"), 4, [f, &tabs]() {
        if (!tabs.IsValid(tabs.ContextTab))
            return;
        TTab &tab = tabs.Tab(tabs.ContextTab);
        tab.Locked = !tab.Locked;
        f->TabBarChanged();
    });
    Item(PopupMenu1, QStringLiteral("保护标签"), 5,
         [f, &tabs]() { f->FTabTools.Protect(tabs.ContextTab); });
    Item(PopupMenu1, QStringLiteral("添加到收藏夹 "), 0, [f]() { f->AddToFavorites(); });
    FAutoRefreshMenu = PopupMenu1->addMenu(QStringLiteral("自动刷新"));
    TMenuStyle::SetImage(FAutoRefreshMenu->menuAction(), 3);
    FAutoRefreshOn = Item(FAutoRefreshMenu, QStringLiteral("启用"), -1, [&tabs]() {
        if (tabs.IsValid(tabs.ContextTab))
            Win::PostMessage(tabs.Tab(tabs.ContextTab).Handle, WM_HOSTCOMMAND, 2,
                             HostCommandRefresh);
    });
    FAutoRefreshOn->setCheckable(true);
    Item(FAutoRefreshMenu, QStringLiteral("设置刷新频率"), -1,
         [f, &tabs]() { f->FTabTools.SetRefreshInterval(tabs.ContextTab); });
    QObject::connect(FAutoRefreshMenu, &QMenu::aboutToShow, FAutoRefreshMenu,
                     [this]() { AutoRefreshMenuPopup(); });
    PopupMenu1->addSeparator();
    Item(PopupMenu1, QStringLiteral("复制并新开"), 2, [&tabs]() {
        if (tabs.IsValid(tabs.ContextTab))
            Win::SendMessage(tabs.Tab(tabs.ContextTab).Handle, WM_HOSTDUPLICATE, 0, 0);
    });

    PopupMenu2 = new QMenu(f);
    PopupMenu2->setObjectName(QStringLiteral("PopupMenu2"));
    Item(PopupMenu2, QStringLiteral("显示/隐藏"), -1, [f]() {
        if (f->isVisible())
            f->hide();
        else
            f->BringBack();
    });
    PopupMenu2->addSeparator();
    AddPortalItems(PopupMenu2);
    PopupMenu2->addSeparator();
    Item(PopupMenu2, QStringLiteral("退出"), 9, [f]() {
        f->Shutdown();
        QCoreApplication::quit();
    });

    PopupMenu3 = new QMenu(f);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    Item(PopupMenu3, QStringLiteral("全部刷新"), 3, [&tabs]() {
        for (int i = 0; i < tabs.Count(); ++i)
            Win::PostMessage(tabs.Tab(i).Handle, WM_HOSTCOMMAND, 1, HostCommandRefresh);
    });
    PopupMenu3->addSeparator();
    Item(PopupMenu3, QStringLiteral("设置刷新频率"), -1,
         [f, &tabs]() { f->FTabTools.SetRefreshInterval(tabs.CurrentTab()); });
    FRefreshMenuOn = Item(PopupMenu3, QStringLiteral("启用自动刷新"), -1,
                          [f]() { f->PostToCurrent(HostCommandRefresh, 2); });
    FRefreshMenuOn->setCheckable(true);
    QObject::connect(PopupMenu3, &QMenu::aboutToShow, PopupMenu3, [this]() { RefreshMenuPopup(); });

    PopupMenu4 = new QMenu(f);
    PopupMenu4->setObjectName(QStringLiteral("PopupMenu4"));
    Item(PopupMenu4, QStringLiteral("导入游戏帐号"), -1, [f]() { f->ImportAccounts(); });
    Item(PopupMenu4, QStringLiteral("导出游戏帐号"), -1, [f]() { f->ExportAccounts(); });
    PopupMenu4->addSeparator();
    // The item's tag is the command: capture the login typed into the shown page.
    Item(PopupMenu4, QStringLiteral("保存当前帐号"), 6,
         [f]() { f->PostToCurrent(HostCommandCapture); });
    Item(PopupMenu4, QStringLiteral("管理帐号数据"), 7, [f]() { f->OpenSettingsWindow(1); });

    PopupMenu5 = new QMenu(f);
    PopupMenu5->setObjectName(QStringLiteral("PopupMenu5"));
    Item(PopupMenu5, QStringLiteral("登录帐号"), 6, [f]() { f->ShowLoginDialog(QString()); });
    PopupMenu5->addSeparator();
    AddPortalItems(PopupMenu5);
    form.SetAppMenu(PopupMenu5);

    PopupMenu6 = new QMenu(f);
    PopupMenu6->setObjectName(QStringLiteral("PopupMenu6"));
    auto *engines = new QActionGroup(PopupMenu6);
    for (int tag = 0; tag < SearchEngineCount; ++tag) {
        QAction *action = Item(PopupMenu6, SearchEngineCaption(tag), -1, [f, tag]() {
            f->SetSearchEngine(tag);
            f->FSearchBox->setFocus();
        });
        action->setCheckable(true);
        engines->addAction(action);
        FEngineActions.append(action);
    }
    QObject::connect(PopupMenu6, &QMenu::aboutToShow, PopupMenu6,
                     [this, f]() { FEngineActions.value(f->FSearchTag)->setChecked(true); });

    // Behind the described entries, so none of them moves.
    for (QMenu *menu : {PopupMenu4, PopupMenu5}) {
        FUserLines << menu->addSeparator();
        QAction *line = menu->addAction(QString());
        line->setEnabled(false);
        line->setObjectName(QStringLiteral("CurrentUser"));
        FUserLines << line;
    }
    SetUserLine(QString());

    for (QMenu *menu : {PopupMenu1, PopupMenu2, PopupMenu3, PopupMenu4, PopupMenu5, PopupMenu6})
        TMenuStyle::Apply(menu);
}

void TMainMenus::SetUserLine(const QString &line) {
    for (int i = 0; i + 1 < FUserLines.size(); i += 2) {
        FUserLines[i]->setVisible(!line.isEmpty());
        FUserLines[i + 1]->setText(line);
        FUserLines[i + 1]->setVisible(!line.isEmpty());
    }
}

QString TMainMenus::UserLine() const {
    return FUserLines.size() > 1 && FUserLines[1]->isVisible() ? FUserLines[1]->text() : QString();
}

void TMainMenus::AddPortalItems(QMenu *menu) {
    TfrmMain *f = &FForm;
    // Not the user image of "登录帐号" beside it: the home page has one of its own.
    Item(menu, QStringLiteral("官方网站"), HomePageImage,
         [f]() { f->OpenPage(Settings().Portal(TPortal::Home)); });
    Item(menu, QStringLiteral("使用交流"), -1,
         [f]() { f->OpenPage(Settings().Portal(TPortal::Forum)); });
    Item(menu, QStringLiteral("游戏社区"), -1,
         [f]() { f->OpenPage(Settings().Portal(TPortal::Community)); });
    menu->addSeparator();
    Item(menu, QStringLiteral("关于游戏大厅..."), 10, [f]() { f->ShowAbout(); });
    Item(menu, QStringLiteral("检查新版本"), 7, [f]() { f->CheckUpdate(true); });
}

void TMainMenus::PopupTabMenu(int index) {
    FForm.FTabs.ContextTab = index;
    PopupMenu1->popup(QCursor::pos());
}

void TMainMenus::PopupArrowMenu(int row) {
    QMenu *menu = row == RowRefresh ? PopupMenu3 : PopupMenu4;
    TEControl *strip = FForm.FToolBar2->isVisible() && !FForm.FButtons[size_t(row)].Visible
                           ? FForm.FToolBar2
                           : FForm.FToolBar;
    menu->exec(strip->mapToGlobal(FForm.FLayout.ArrowMenuPos(row)));
    // The drop-down's errand ends with its menu, chosen or dismissed.
    if (strip == FForm.FToolBar2)
        FForm.CloseToolBar2();
    // The press is used up by the menu; the strip looks again at what is under the pointer.
    strip->SetDownIndex(NoIndex);
    strip->HoverTimerTick();
    strip->Redraw();
}

void TMainMenus::PopupEngineMenu() {
    PopupMenu6->popup(FForm.FToolBar->mapToGlobal(FForm.FLayout.SearchMenuPos()));
}

void TMainMenus::RefreshMenuPopup() {
    FRefreshMenuOn->setChecked(FForm.SendToTab(FForm.FTabs.CurrentTab(), HostCommandRefresh, 0) ==
                               1);
}

void TMainMenus::AutoRefreshMenuPopup() {
    FAutoRefreshOn->setChecked(FForm.SendToTab(FForm.FTabs.ContextTab, HostCommandRefresh, 0) == 1);
}
