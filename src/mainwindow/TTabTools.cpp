#include "mainwindow/TTabTools.h"

#include "controls/TAddressBox.h"
#include "dialogs/TfrmPass.h"
#include "dialogs/TfrmSetRefresh.h"
#include "mainwindow/TfrmMain.h"
#include "protocol/Messages.h"

#include <QLineEdit>

namespace {

const QString ProtectCaption = QStringLiteral("请输入解除标签保护密码");

} // namespace

TTabTools::TTabTools(TfrmMain &form) : FForm(form) {}

void TTabTools::Protect(int index) {
    TTabSet &tabs = FForm.Tabs();
    if (!tabs.IsValid(index))
        return;
    const HWND handle = tabs.Tab(index).Handle;
    TfrmPass dialog(&FForm);
    dialog.SetCaption(ProtectCaption);
    if (dialog.ShowModal() != mrOk)
        return;
    index = tabs.IndexOfHandle(handle);
    if (index < 0)
        return;
    tabs.Tab(index).Password = dialog.Edit1->text();
    Win::ShowWindow(handle, Win::SW_HIDE);
    if (index == tabs.CurrentTab() && !tabs.Tab(index).Password.isEmpty())
        FForm.AddressBox()->SetAddressText(QString());
}

bool TTabTools::Unprotect(HWND host) {
    TTabSet &tabs = FForm.Tabs();
    TfrmPass dialog(&FForm);
    dialog.SetCaption(ProtectCaption);
    const bool ok = dialog.ShowModal() == mrOk;
    const int index = tabs.IndexOfHandle(host);
    if (!ok || index < 0 || dialog.Edit1->text() != tabs.Tab(index).Password)
        return false;
    tabs.Tab(index).Password.clear();
    return true;
}

void TTabTools::SetRefreshInterval(int index) {
    TTabSet &tabs = FForm.Tabs();
    if (!tabs.IsValid(index))
        return;
    const HWND handle = tabs.Tab(index).Handle;
    // The host cannot report its interval, so the window remembers what it last set; a host
    // that does not refresh starts from the default.
    const bool running = FForm.SendToTab(index, HostCommandRefresh, 0) == 1;
    const int current = running ? FRefreshSeconds.value(handle, TfrmSetRefresh::MinimumInterval)
                                : TfrmSetRefresh::MinimumInterval;
    TfrmSetRefresh dialog(&FForm);
    dialog.Edit1->setText(QString::number(current));
    if (dialog.ShowModal() != mrOk || tabs.IndexOfHandle(handle) < 0)
        return;
    const int seconds = TfrmSetRefresh::IntervalFrom(dialog.Edit1->text());
    FRefreshSeconds[handle] = seconds;
    Win::PostMessage(handle, WM_HOSTCOMMAND, WPARAM(seconds), HostCommandRefresh);
}
