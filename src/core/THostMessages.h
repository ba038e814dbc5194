#pragma once
// Message numbers of the page host protocol, between page hosts (in any process) and the main
// window. They count from WM_USER, as the windows of older installations expect.

#include "platform/WinMessages.h"

inline constexpr quint32 WM_HOSTQUERY = Win::WM_USER + 100;      // 1124
inline constexpr quint32 WM_HOSTREGISTER = Win::WM_USER + 101;   // 1125
inline constexpr quint32 WM_HOSTTITLE = Win::WM_USER + 102;      // 1126
inline constexpr quint32 WM_HOSTCOMMAND = Win::WM_USER + 104;    // 1128
inline constexpr quint32 WM_HOSTCANFORWARD = Win::WM_USER + 105; // 1129
inline constexpr quint32 WM_HOSTCANBACK = Win::WM_USER + 106;    // 1130
inline constexpr quint32 WM_HOSTPROGRESS = Win::WM_USER + 107;   // 1131
inline constexpr quint32 WM_HOSTDUPLICATE = Win::WM_USER + 108;  // 1132

// lParam of WM_HOSTQUERY: which window of the main window is asked for.
enum THostQuery : LPARAM {
    HostQueryStatusBar = 0,
    HostQueryCurrentTab = 1,
    HostQueryAddressBox = 2,
};

// lParam of WM_HOSTCOMMAND sent to a page host; wParam is the argument.
enum THostCommand : LPARAM {
    HostCommandBack = 0,
    HostCommandForward = 1,
    HostCommandRefresh = 2, // argument 0 query, 1 now, 2 toggle, >= 3 interval in seconds
    HostCommandStop = 3,
    HostCommandCapture = 4, // also posted back to the main window: no login on the page
    HostCommandUrl = 5,     // argument: the window that receives the current URL
};
