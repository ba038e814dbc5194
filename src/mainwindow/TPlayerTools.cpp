#include "mainwindow/TPlayerTools.h"

#include "controls/TEControl.h"
#include "core/TZoomSteps.h"
#include "mainwindow/TMenuStyle.h"
#include "mainwindow/TSpeakerMark.h"
#include "mainwindow/TfrmMain.h"
#include "protocol/Messages.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>

TPlayerTools::TPlayerTools(TfrmMain &form) : FForm(form) {
    QMenu *menu = form.FMenus->PopupMenu1;
    menu->addSeparator();
    FMute = menu->addAction(QStringLiteral("静音"));
    TMenuStyle::SetImage(FMute, -1);
    connect(FMute, &QAction::triggered, this, [this]() {
        const TTabSet &tabs = FForm.FTabs;
        if (tabs.IsValid(tabs.ContextTab))
            SetMuted(tabs.ContextTab, !tabs.Tab(tabs.ContextTab).Muted);
    });
    connect(menu, &QMenu::aboutToShow, this, [this]() {
        const TTabSet &tabs = FForm.FTabs;
        const bool muted = tabs.IsValid(tabs.ContextTab) && tabs.Tab(tabs.ContextTab).Muted;
        FMute->setText(muted ? QStringLiteral("取消静音") : QStringLiteral("静音"));
    });
    form.FTabBar->installEventFilter(this);
}

void TPlayerTools::HostRegistered(HWND host, const QString &location) {
    const int index = FForm.FTabs.IndexOfHandle(host);
    if (index < 0)
        return;
    TTab &tab = FForm.FTabs.Tab(index);
    tab.Audible = false;
    tab.Muted = false;
    tab.ZoomKey = location;
    tab.Zoom = location.isEmpty() ? TZoomSteps::Normal : Settings().ReadZoom(location);
    // Posted: the host is still inside its registration send and takes it after.
    if (tab.Zoom != TZoomSteps::Normal)
        Win::PostMessage(host, WM_HOSTCOMMAND, WPARAM(tab.Zoom), HostCommandZoom);
}

void TPlayerTools::HostAudio(HWND host, LPARAM state) {
    const int index = FForm.FTabs.IndexOfHandle(host);
    if (index < 0)
        return;
    TTab &tab = FForm.FTabs.Tab(index);
    tab.Audible = (state & HostAudioAudible) != 0;
    tab.Muted = (state & HostAudioMuted) != 0;
    FForm.FTabBar->Redraw();
}

void TPlayerTools::HostZoom(HWND host, int percent) {
    const int index = FForm.FTabs.IndexOfHandle(host);
    if (index < 0)
        return;
    TTab &tab = FForm.FTabs.Tab(index);
    tab.Zoom = TZoomSteps::Valid(percent);
    if (!tab.ZoomKey.isEmpty()) {
        try {
            Settings().WriteZoom(tab.ZoomKey, tab.Zoom);
        } catch (const EWriteError &) {
            // A read-only settings file: the zoom holds for this tab only, no question per step.
        }
    }
    if (index == FForm.FTabs.CurrentTab())
        FForm.FStatusBar->Redraw();
}

void TPlayerTools::SetMuted(int index, bool muted) {
    if (!FForm.FTabs.IsValid(index))
        return;
    TTab &tab = FForm.FTabs.Tab(index);
    tab.Muted = muted;
    Win::PostMessage(tab.Handle, WM_HOSTCOMMAND, muted ? HostMuteOn : HostMuteOff, HostCommandMute);
    FForm.FTabBar->Redraw();
}

QString TPlayerTools::ZoomText() const {
    const TTab *tab = const_cast<TTabSet &>(FForm.FTabs).Current();
    if (tab == nullptr || tab->Zoom == TZoomSteps::Normal)
        return QString();
    return QStringLiteral("缩放 %1%").arg(tab->Zoom);
}

int TPlayerTools::MarkAt(const QPoint &pos) const {
    TTabSet &tabs = FForm.FTabs;
    const QImage lock = TMenuStyle::MenuImage(4);
    for (TTabBarTab cell : tabs.Layout(lock.isNull() ? QSize(16, 16) : lock.size())) {
        const QRect mark = TSpeakerMark::Place(tabs.Tab(cell.Index), cell);
        if (mark.adjusted(-2, -2, 2, 2).contains(pos))
            return cell.Index;
    }
    return -1;
}

bool TPlayerTools::eventFilter(QObject *watched, QEvent *event) {
    if (watched == FForm.FTabBar && (event->type() == QEvent::MouseButtonPress ||
                                     event->type() == QEvent::MouseButtonDblClick)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::LeftButton)
            return false;
        const int index = MarkAt(mouse->position().toPoint());
        if (index < 0)
            return false;
        // The mark is a button of its own: the press neither shows nor (twice) closes the tab.
        SetMuted(index, !FForm.FTabs.Tab(index).Muted);
        return true;
    }
    return false;
}
