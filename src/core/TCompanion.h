#pragma once
// The companion browser handshake of the main role: a browser that started Ludora with
// "/corvale=<handle>" is minimised while the main window is in front, and restored when the user
// goes back to it or the main window closes.

#include "platform/WinMessages.h"
#include "protocol/Messages.h"

#include <QStringList>

class TCompanion {
public:
    TCompanion() = default;
    explicit TCompanion(HWND handle) : FHandle(handle) {}

    // The handle after "/corvale=" in the first argument (command line without the executable);
    // 0 when there is none or it is not a number.
    static HWND FromArguments(const QStringList &args);

    HWND Handle() const { return FHandle; }

    // The main window now exists: the companion is asked to minimise.
    void MainWindowCreated(HWND mainWindow) const;
    // WM_COMPANION sent by the companion to the main window; returns the message result. The
    // main window is then restored through its own WM_TRAYICON.
    LRESULT Receive(HWND mainWindow, LPARAM lParam);
    // The title bar's back button: true when a companion was told to restore, and the caller
    // then hides the main window; false (nothing done) without a companion.
    bool BackToCompanion() const;
    void MainWindowDestroyed() const;

private:
    HWND FHandle = 0;
};
