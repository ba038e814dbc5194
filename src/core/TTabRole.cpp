#include "core/TTabRole.h"

#include "core/THostProtocol.h"
#include "core/TWBEmbedded.h"
#include "platform/WinMessages.h"

#include <QApplication>

int RunTabRole(QApplication &app, const QStringList &args) {
    bool ok = false;
    HWND parent = args.value(1).toULongLong(&ok);
    if (!ok || parent == 0)
        return 0;

    TWBEmbedded::SetTabRole(true);
    const QString startParameter =
        THostProtocol::StartParameter(args.value(2), args.size() > 3 ? args.value(3) : QString());
    auto *host = new TWBEmbedded(startParameter);
    const QRect client = Win::GetClientRect(parent);
    host->resize(client.size());
    host->SetParentWindow(parent);
    host->ShowBrowser();

    const auto quit = []() { QCoreApplication::exit(0); };
    TWBEmbedded::SetLastHostGone(quit);
    // A killed main window must not leave its tab processes behind.
    Win::WatchOwnerProcess(parent, quit);

    int result = 0;
    if (!TWBEmbedded::Hosts().isEmpty())
        result = app.exec();
    TWBEmbedded::DestroyAll();
    return result;
}
