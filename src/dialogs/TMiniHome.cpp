#include "dialogs/TMiniHome.h"

#include "store/TSettings.h"

TMiniHome::TMiniHome() : TSkinForm(nullptr, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("MiniHome"));
    SetCaption(QStringLiteral("迷你首页"));
    SetClientSize(586, 362);
    Timer1.setInterval(ShowDelay);
    connect(&Timer1, &QTimer::timeout, this, &TMiniHome::Timer1Timer);
    Timer1.start();
}

QString TMiniHome::PageAddress() {
    return SettingsOpen() ? Settings().Portal(TPortal::MiniHome)
                          : TSettings::PortalDefault(TPortal::MiniHome);
}

void TMiniHome::SetPageHost(QWidget *Host) {
    FPageHost = Host;
    if (!Host)
        return;
    Host->setParent(Client());
    Host->setGeometry(Client()->rect());
    Host->show();
}

void TMiniHome::Timer1Timer() {
    Timer1.stop();
    if (OnNavigate)
        OnNavigate(PageAddress());
    show();
}

void TMiniHome::resizeEvent(QResizeEvent *Event) {
    TSkinForm::resizeEvent(Event);
    if (FPageHost)
        FPageHost->setGeometry(Client()->rect());
}
