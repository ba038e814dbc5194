#pragma once
// Every message number that crosses between Ludora's windows and processes, with the values of
// their parameters. They count from WM_USER, as the windows of older installations expect.

#include "platform/WinTypes.h"

// ---- page host and main window ----

inline constexpr quint32 WM_HOSTQUERY = Win::WM_USER + 100;      // 1124
inline constexpr quint32 WM_HOSTREGISTER = Win::WM_USER + 101;   // 1125
inline constexpr quint32 WM_HOSTTITLE = Win::WM_USER + 102;      // 1126
inline constexpr quint32 WM_HOSTCOMMAND = Win::WM_USER + 104;    // 1128
inline constexpr quint32 WM_HOSTCANFORWARD = Win::WM_USER + 105; // 1129
inline constexpr quint32 WM_HOSTCANBACK = Win::WM_USER + 106;    // 1130
inline constexpr quint32 WM_HOSTPROGRESS = Win::WM_USER + 107;   // 1131
inline constexpr quint32 WM_HOSTDUPLICATE = Win::WM_USER + 108;  // 1132
// Ours, beyond the numbers older installations know: posted by a page host to the main window
// when F11 or Esc is pressed in its page, which the main window's own key handling never sees.
// wParam: the host; lParam: the key (THostKey).
inline constexpr quint32 WM_HOSTFULLSCREEN = Win::WM_USER + 109; // 1133
// Ours: posted by a page host to the main window when its page starts or stops playing sound
// or is muted or unmuted. wParam: the host; lParam: THostAudio bits.
inline constexpr quint32 WM_HOSTAUDIO = Win::WM_USER + 110; // 1134
// Ours: posted by a page host to the main window when its page's zoom changed (the player's
// keys or wheel in the page, or HostCommandZoom). wParam: the host; lParam: the zoom in percent.
inline constexpr quint32 WM_HOSTZOOM = Win::WM_USER + 111; // 1135

// lParam of WM_HOSTQUERY: which window of the main window is asked for.
enum THostQuery : LPARAM {
    HostQueryStatusBar = 0,
    HostQueryCurrentTab = 1,
    HostQueryAddressBox = 2,
    // Beyond what page hosts ask: the page area, so that a process started by hand can be
    // given the handle tab processes are started with.
    HostQueryPageArea = 3,
};

// lParam of WM_HOSTCOMMAND sent to a page host; wParam is the argument.
enum THostCommand : LPARAM {
    HostCommandBack = 0,
    HostCommandForward = 1,
    HostCommandRefresh = 2, // argument: THostRefresh
    HostCommandStop = 3,
    HostCommandCapture = 4, // also posted back to the main window: no login on the page
    HostCommandUrl = 5,     // argument: the window that receives the current URL
    // Ours, beyond the commands older installations know:
    HostCommandMute = 6, // argument: THostMute; answers the page's THostAudio bits
    HostCommandZoom = 7, // argument: zoom in percent (25 to 500), 0 only asks; answers the zoom
};

// The argument of HostCommandMute.
enum THostMute : WPARAM {
    HostMuteOff = 0,
    HostMuteOn = 1,
    HostMuteQuery = 2,
};

// lParam of WM_HOSTAUDIO and the answer of HostCommandMute, read from the engine.
enum THostAudio : LPARAM {
    HostAudioAudible = 1, // the page played sound within the last moments
    HostAudioMuted = 2,
};

// lParam of WM_HOSTFULLSCREEN: the key's virtual-key code.
enum THostKey : LPARAM {
    HostKeyEscape = 0x1B,
    HostKeyF11 = 0x7A,
};

// The argument of HostCommandRefresh.
enum THostRefresh : WPARAM {
    HostRefreshQuery = 0,       // answers 1 while auto-refresh runs, else 0
    HostRefreshNow = 1,         // one refresh now
    HostRefreshToggle = 2,      // auto-refresh on or off at the last interval
    HostRefreshMinInterval = 3, // this and above: auto-refresh on, every so many seconds
};

// ---- main window ----

// The class name the main window registers under; tab processes look it up with FindWindow.
inline constexpr char MainWindowClassName[] = "TLudoraMainWindow";

inline constexpr quint32 WM_MAINPROBE = Win::WM_USER + 201; // 1225, sent by a tab process
inline constexpr quint32 WM_TRAYICON = Win::WM_USER + 202;  // 1226, the tray callback
inline constexpr quint32 WM_COMPANION = Win::WM_USER + 203; // 1227, companion browser handshake
inline constexpr LRESULT MainProbeAnswer = 100083;

// wParam of WM_COMPANION: what the companion browser is asked to do.
inline constexpr WPARAM SC_MINIMIZE = 0xF020; // 61472
inline constexpr WPARAM SC_RESTORE = 0xF120;  // 61728
// lParam of WM_TRAYICON: a double click of the left button brings the main window back.
inline constexpr LPARAM TrayLeftDoubleClick = 515;
