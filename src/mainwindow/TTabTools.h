#pragma once
// The tab tools that ask the user: protecting a tab with a password (its page stays hidden until
// the password is given back) and setting a tab's auto-refresh interval.

#include "platform/WinMessages.h"

#include <QHash>

class TfrmMain;

class TTabTools {
public:
    explicit TTabTools(TfrmMain &form);

    // Asks for a password and hides the tab's page until it is given back.
    void Protect(int index);
    // Asks for the password of the protected tab of host; true when it matched, and the tab is
    // then no longer protected.
    bool Unprotect(HWND host);
    // Asks for the interval and tells the tab's host to refresh on it.
    void SetRefreshInterval(int index);

private:
    TfrmMain &FForm;
    QHash<HWND, int> FRefreshSeconds; // last interval set per host
};
