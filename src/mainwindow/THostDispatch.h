#pragma once
// The main window's window procedure: the probe, close, companion and tray messages, and the page
// hosts' messages (queries for handles, registration, title, back and forward, progress, the
// no-account notice and the capture report), each turned into a change of the window's tab set
// and strips.

#include "platform/WinMessages.h"

class TfrmMain;

class THostDispatch {
public:
    explicit THostDispatch(TfrmMain &form);

    LRESULT WndProc(const Win::TMessage &message);

private:
    // A new page host: a tab for it, and its registration reply in its window text.
    void HostRegister(HWND host);
    // A host's title changed: the tabs of the reporting process take their hosts' window texts.
    void HostTitle(qint64 sender);
    void HostCommandNotice();

    TfrmMain &FForm;
};
