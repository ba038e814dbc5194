#include "mainwindow/THostDispatch.h"

#include "controls/TEControl.h"
#include "core/TProgram.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/RegistrationReply.h"
#include "mainwindow/TDeadTabs.h"
#include "mainwindow/TPlayerTools.h"
#include "mainwindow/TfrmMain.h"
#include "protocol/Messages.h"
#include "protocol/THostProtocol.h"
#include "side/TCatalogue.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QTimer>

namespace {

const QString OpeningTitle = QStringLiteral("正在打开...");
const QString BlankTitle = QStringLiteral("空白页");

} // namespace

THostDispatch::THostDispatch(TfrmMain &form) : FForm(form) {}

LRESULT THostDispatch::WndProc(const Win::TMessage &m) {
    TfrmMain &f = FForm;
    switch (m.msg) {
    case WM_MAINPROBE:
        return MainProbeAnswer;
    case Win::WM_CLOSE:
        // A close request from outside runs like the title bar's: never inside the sender's send.
        QTimer::singleShot(0, &f, [&f]() { f.close(); });
        return 0;
    case WM_COMPANION: {
        const LRESULT result = f.FCompanion.Receive(f.FHandle, m.lParam);
        // The return item comes and goes with the companion.
        f.RedrawTitleBar();
        return result;
    }
    case WM_TRAYICON:
        if (m.lParam == TrayLeftDoubleClick)
            f.BringBack();
        return 0;
    case WM_HOSTFULLSCREEN:
        // F11 or Esc in the shown tab's page, in this or a tab process.
        if (f.FTabs.Current() && f.FTabs.Current()->Handle == HWND(m.wParam) &&
            TSkinForm::ModalForm() == nullptr &&
            (m.lParam == HostKeyF11 || m.lParam == HostKeyEscape))
            f.ToggleFullScreen();
        return 0;
    case WM_HOSTQUERY:
        switch (m.lParam) {
        case HostQueryStatusBar:
            return LRESULT(f.FStatusBarHandle);
        case HostQueryCurrentTab:
            return f.FTabs.Current() ? LRESULT(f.FTabs.Current()->Handle) : 0;
        case HostQueryAddressBox:
            return LRESULT(f.FAddressBoxHandle);
        case HostQueryPageArea:
            return LRESULT(f.FPanel2Handle);
        default:
            return 0;
        }
    case WM_HOSTREGISTER:
        HostRegister(HWND(m.lParam));
        return 0;
    case WM_HOSTTITLE:
        HostTitle(m.senderPid);
        return 0;
    case WM_HOSTCANBACK:
        if (f.FTabs.SetCanBack(HWND(m.wParam), m.lParam != 0))
            f.FToolBar->Redraw();
        return 0;
    case WM_HOSTCANFORWARD:
        if (f.FTabs.SetCanForward(HWND(m.wParam), m.lParam != 0))
            f.FToolBar->Redraw();
        return 0;
    case WM_HOSTPROGRESS:
        if (f.FTabs.SetProgress(HWND(m.wParam), int(m.lParam)))
            f.FStatusBar->Redraw();
        return 0;
    case WM_HOSTCOMMAND:
        if (m.wParam == 4 && m.lParam == 0)
            // Posted: the question must not run inside the host's send.
            QTimer::singleShot(0, &f, [this]() { HostCommandNotice(); });
        return 0;
    case WM_HOSTAUDIO:
        if (f.FPlayerTools)
            f.FPlayerTools->HostAudio(HWND(m.wParam), m.lParam);
        return 0;
    case WM_HOSTZOOM:
        if (f.FPlayerTools)
            f.FPlayerTools->HostZoom(HWND(m.wParam),
                                     int(qBound(LPARAM(0), m.lParam, LPARAM(1000))));
        return 0;
    case Win::WM_COPYDATA:
        // A second report before the timer fires replaces the first.
        f.FCaptureReport = THostProtocol::CaptureReportText(m.data);
        f.FCaptureTimer.start();
        return 1;
    default:
        return 0;
    }
}

void THostDispatch::HostRegister(HWND host) {
    const QString text = Win::GetWindowText(host, 2047);
    const TRegistration reg =
        BuildRegistrationReply(text, Catalogue(), UserData(), Settings().PartnerId);
    // A game's zoom is kept under its location, the start text's first line.
    const QString zoomKey = reg.Game.isNull() ? QString() : text.section(QLatin1Char('\n'), 0, 0);
    if (FForm.TakeDeadTabPlace(host, text, reg.Game, reg.User)) {
        if (FForm.FPlayerTools)
            FForm.FPlayerTools->HostRegistered(host, zoomKey);
        Win::SetWindowText(host, reg.Reply);
        return;
    }
    TTab tab;
    tab.Title = OpeningTitle;
    tab.Handle = host;
    tab.Game = reg.Game;
    tab.User = reg.User;
    const HWND previous = FForm.FTabs.Append(tab);
    if (previous != 0)
        Win::ShowWindowAsync(previous, Win::SW_HIDE); // it may be hung
    FForm.FToolBar->Redraw();
    FForm.TabBarChanged();
    if (FForm.FPlayerTools)
        FForm.FPlayerTools->HostRegistered(host, zoomKey);
    Win::SetWindowText(host, reg.Reply);
    FForm.FDeadTabs->Registered(host, text);
}

void THostDispatch::HostTitle(qint64 sender) {
    TTabSet &tabs = FForm.FTabs;
    for (int i = 0; i < tabs.Count(); ++i) {
        TTab &tab = tabs.Tab(i);
        if (FForm.FDeadTabs && FForm.FDeadTabs->IsDead(tab.Handle))
            continue; // keeps its last title
        // Only the tabs of the process that reports: it waits for us and answers at once, while
        // asking any other could wait on a hung tab. The others keep the title they reported.
        if (Win::ProcessOf(tab.Handle) != sender)
            continue;
        const QString title = Win::GetWindowText(tab.Handle, 255);
        tab.Title = title.isEmpty() ? BlankTitle : title;
    }
    FForm.TabBarChanged();
}

void THostDispatch::HostCommandNotice() {
    ShowTip(QStringLiteral("提示"), QStringLiteral("该页面没有帐号信息，无法保存！"), QString(),
            bkOk);
}
