#include "mainwindow/TStripHandlers.h"

#include "controls/TEControl.h"
#include "mainwindow/TfrmMain.h"

#include <QApplication>
#include <QCursor>
#include <QToolTip>

TStripHandlers::TStripHandlers(TfrmMain &form) : FForm(form) {}

void TStripHandlers::ToolBarGetIndex(TEControl *sender, int &index, int x, int y) {
    const TStripHit hit = FForm.FLayout.HitTest(
        sender == FForm.FToolBar2 ? TToolStrip::ToolBar2 : TToolStrip::ToolBar, x, y);
    sender->SetHint(hit.Hint);
    index = hit.Index;
}

void TStripHandlers::ToolBarChangeIndex(TEControl *sender, int &index) {
    // The tab bar's buttons are zones below -1 (no hover polling), and they have tips too.
    if (index != NoIndex && !sender->Hint().isEmpty())
        QToolTip::showText(QCursor::pos(), sender->Hint(), sender);
    else
        QToolTip::hideText();
}

void TStripHandlers::ToolBarMouseDown(TEControl *sender, Qt::MouseButton button, int x, int y) {
    if (button != Qt::LeftButton)
        return;
    const int index = sender->DownIndex();
    if ((index == RowRefresh || index == RowAccounts) && FForm.FButtons[size_t(index)].ArrowHit) {
        FForm.FMenus->PopupArrowMenu(index);
        return;
    }
    if (sender == FForm.FToolBar && FForm.FLayout.InSearchEngineZone(x, y)) {
        sender->SetDownIndex(NoIndex);
        FForm.FMenus->PopupEngineMenu();
    }
}

void TStripHandlers::ToolBarMouseUp(TEControl *sender) {
    const int index = sender->DownIndex();
    sender->SetDownIndex(NoIndex);
    sender->Redraw();
    if (sender == FForm.FToolBar2) {
        FForm.FToolBar2->hide();
        FForm.FTimer1.stop();
    }
    if (index == NoIndex)
        return;
    if ((index == RowRefresh || index == RowAccounts) && FForm.FButtons[size_t(index)].ArrowHit)
        return;
    FForm.ToolBarAction(index);
}

void TStripHandlers::Timer1Timer() {
    TEControl *strip = FForm.FToolBar2;
    if (!strip->isVisible()) {
        FForm.FTimer1.stop();
        return;
    }
    if (QApplication::mouseButtons() != Qt::NoButton && strip->OverIndex() < 0) {
        strip->hide();
        FForm.FTimer1.stop();
    }
}

void TStripHandlers::TabBarGetIndex(TEControl *sender, int &index, int x, int y) {
    const TStripHit hit = FForm.FTabs.HitTest(x, y);
    sender->SetHint(hit.Hint);
    index = hit.Index;
}

void TStripHandlers::TabBarMouseDown(Qt::MouseButton button, bool doubleClick) {
    TEControl *bar = FForm.FTabBar;
    const int index = bar->OverIndex();
    if (index < 0)
        return;
    if (button == Qt::LeftButton) {
        if (doubleClick)
            FForm.CloseTab(index);
        else
            FForm.ShowTab(index);
    } else if (button == Qt::RightButton) {
        bar->SetDownIndex(NoIndex);
        FForm.FMenus->PopupTabMenu(index);
    }
}

void TStripHandlers::TabBarMouseUp() {
    TEControl *bar = FForm.FTabBar;
    const int index = bar->DownIndex();
    bar->SetDownIndex(NoIndex);
    if (index >= NoIndex) {
        bar->Redraw();
        return;
    }
    // The button acts after its hot and pressed looks are gone.
    bar->SetOverIndex(NoIndex);
    bar->Redraw();
    const int current = FForm.FTabs.CurrentTab();
    switch (index) {
    case CloseTabIndex:
        FForm.CloseTab(current);
        break;
    case PrevTabIndex:
        FForm.ShowTab(current - 1);
        break;
    case NextTabIndex:
        FForm.ShowTab(current + 1);
        break;
    case LeaveFullScreenIndex:
        FForm.ToggleFullScreen();
        break;
    default:
        break;
    }
}

void TStripHandlers::StatusBarGetIndex(TEControl *sender, int &index, int x, int y) {
    const TAdStrip &ads = FForm.FAdStrip;
    index = NoIndex;
    if (sender->Caption().isEmpty() && ads.Running())
        index = ads.HitTest(x - TToolBarLayout::StatusTextLeft, y, sender->height());
    sender->setCursor(index >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

void TStripHandlers::StatusBarMouseDown(int x, int y) {
    int index = NoIndex;
    StatusBarGetIndex(FForm.FStatusBar, index, x, y);
    const QString url = FForm.FAdStrip.Url(index);
    if (!url.isEmpty())
        FForm.OpenPage(url);
}
