#include "core/TTabRole.h"

#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "platform/WinMessages.h"
#include "protocol/THostProtocol.h"

#include <QApplication>

#include <memory>

int RunTabRole(QApplication &app, const QStringList &args) {
    bool ok = false;
    const HWND parent = args.value(1).toULongLong(&ok);
    if (!ok || parent == 0)
        return 0;

    // The reasons to end may come before the event loop runs (while the host registers), when
    // exit() alone would be lost: remember them.
    const auto ending = std::make_shared<bool>(false);
    const auto end = [ending]() {
        *ending = true;
        QCoreApplication::exit(0);
    };
    TWBEmbedded::SetTabRole(true);
    TWBEmbedded::SetCommandLine(args);
    TWBEmbedded::SetLastHostGone(end);
    TWBEmbedded::SetDestroyHandler(end);
    // A killed main window must not leave its tab processes behind.
    Win::WatchOwnerProcess(parent, end);

    const QString startParameter =
        THostProtocol::StartParameter(args.value(2), args.size() > 3 ? args.value(3) : QString());
    auto *host = new TWBEmbedded(startParameter);
    TProgram::TraceStart("4-page-created");
    const QRect client = Win::GetClientRect(parent);
    host->resize(client.size());
    host->SetParentWindow(parent);
    TProgram::TraceStart("5-registered");
    host->ShowBrowser();
    TProgram::TraceStart("6-shown");

    int result = 0;
    if (!*ending && !TWBEmbedded::Hosts().isEmpty())
        result = app.exec();
    TWBEmbedded::DestroyAll();
    return result;
}
