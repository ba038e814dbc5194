#include "TMainDouble.h"

#include "core/TProgram.h"
#include "protocol/Messages.h"
#include "protocol/THostProtocol.h"

TMainDouble::TMainDouble(QSize size) {
    FRootWidget = new QWidget;
    FRootWidget->setWindowTitle(QStringLiteral("main window double"));
    FRootWidget->setGeometry(0, 0, size.width(), size.height() + 40);
    FRootWidget->setStyleSheet(QStringLiteral("background: #3060a0"));
    FMiddle = new QWidget(FRootWidget);
    FMiddle->setGeometry(0, 20, size.width(), size.height());
    FPageWidget = new QWidget(FMiddle);
    FPageWidget->setGeometry(0, 0, size.width(), size.height());
    FPageWidget->setAttribute(Qt::WA_NativeWindow);
    FStatusWidget = new QWidget(FRootWidget);
    FStatusWidget->setGeometry(0, size.height() + 20, size.width(), 20);
    FAddressWidget = new QWidget(FRootWidget);
    FAddressWidget->setGeometry(0, 0, size.width(), 20);

    FRoot = Win::RegisterWindow(FRootWidget, QString::fromLatin1(MainWindowClassName),
                                [this](const Win::TMessage &m) { return RootProc(m); });
    FMiddleHandle = Win::RegisterWindow(FMiddle, QString(), nullptr);
    FPageArea = Win::RegisterWindow(FPageWidget, QString(), nullptr);
    FStatusBar = Win::RegisterWindow(FStatusWidget, QString(), [this](const Win::TMessage &m) {
        if (m.msg == Win::WM_ERASEBKGND)
            ++StatusRedraws;
        return LRESULT(m.msg == Win::WM_SETTEXT ? 1 : 0);
    });
    FAddressBox = Win::RegisterWindow(FAddressWidget, QString(), nullptr);
    ReplyBuilder = [](const QString &text) { return text; };
    FRootWidget->show();
}

TMainDouble::~TMainDouble() {
    delete FRootWidget;
}

LRESULT TMainDouble::RootProc(const Win::TMessage &m) {
    switch (m.msg) {
    case WM_MAINPROBE:
        return MainProbeAnswer;
    case WM_HOSTQUERY:
        if (m.lParam == HostQueryStatusBar)
            return LRESULT(FStatusBar);
        if (m.lParam == HostQueryCurrentTab)
            return LRESULT(Current);
        if (m.lParam == HostQueryAddressBox)
            return LRESULT(FAddressBox);
        return 0;
    case WM_HOSTREGISTER: {
        const HWND host = HWND(m.lParam);
        if (Current)
            Win::ShowWindow(Current, Win::SW_HIDE);
        Current = host;
        TRegistration r;
        r.Host = host;
        r.Text = Win::GetWindowText(host, 2047);
        r.Reply = ReplyBuilder(r.Text);
        Win::SetWindowText(host, r.Reply);
        Registrations.append(r);
        if (OnRegister)
            OnRegister(r);
        return 0;
    }
    case WM_HOSTTITLE:
        for (const TRegistration &r : Registrations)
            TitleOf[r.Host] = Win::GetWindowText(r.Host, 255);
        return 0;
    case Win::WM_COPYDATA:
        Copies.append(m.data);
        CopySenders.append(HWND(m.wParam));
        return 1;
    case WM_HOSTCOMMAND:
    case WM_HOSTPROGRESS:
    case WM_HOSTCANBACK:
    case WM_HOSTCANFORWARD:
        Posted.append({m.msg, m.wParam, m.lParam});
        return 0;
    default:
        return 0;
    }
}

int TMainDouble::CountPosted(quint32 msg, LPARAM lParam) const {
    int n = 0;
    for (const TPosted &p : Posted)
        if (p.Msg == msg && p.LParam == lParam)
            ++n;
    return n;
}

QStringList TMainDouble::Reports() const {
    QStringList reports;
    for (const QByteArray &data : Copies)
        reports.append(THostProtocol::CaptureReportText(data));
    return reports;
}
