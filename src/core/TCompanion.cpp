#include "core/TCompanion.h"

#include "core/TProgram.h"

HWND TCompanion::FromArguments(const QStringList &args) {
    static const QString prefix = QStringLiteral("/corvale=");
    if (args.isEmpty() || !args.at(0).startsWith(prefix))
        return 0;
    return TProgram::ParseHandle(args.at(0).mid(prefix.size()));
}

void TCompanion::MainWindowCreated(HWND mainWindow) const {
    if (FHandle != 0)
        Win::SendMessage(FHandle, WM_COMPANION, SC_MINIMIZE, LPARAM(mainWindow));
}

LRESULT TCompanion::Receive(HWND mainWindow, LPARAM lParam) {
    if (lParam != 0)
        Win::PostMessage(FHandle, WM_COMPANION, SC_MINIMIZE, LPARAM(mainWindow));
    else
        FHandle = 0;
    Win::PostMessage(mainWindow, WM_TRAYICON, 0, TrayLeftDoubleClick);
    return 1;
}

bool TCompanion::BackToCompanion() const {
    if (FHandle == 0)
        return false;
    Win::PostMessage(FHandle, WM_COMPANION, SC_RESTORE, 0);
    return true;
}

void TCompanion::MainWindowDestroyed() const {
    if (FHandle != 0)
        Win::PostMessage(FHandle, WM_COMPANION, SC_RESTORE, 0);
}
