#pragma once
// The messages the peer process of the window-message tests answers.

#include "platform/WinMessages.h"

namespace PeerMsg {
inline constexpr quint32 Echo = Win::WM_USER + 1;      // wParam * 1000 + lParam
inline constexpr quint32 Nested = Win::WM_USER + 2;    // sends Answer to window wParam, adds 1
inline constexpr quint32 Answer = Win::WM_USER + 3;    // handled by the test process
inline constexpr quint32 Hang = Win::WM_USER + 4;      // sleeps lParam ms, answers 7
inline constexpr quint32 PostCount = Win::WM_USER + 5; // posts seen in order, -1 after a gap
inline constexpr quint32 Sequence = Win::WM_USER + 6;  // posted with lParam 0, 1, 2, ...
inline constexpr quint32 WriteBack = Win::WM_USER + 7; // window wParam's text := "reply:" + it
inline constexpr quint32 Embed = Win::WM_USER + 8;     // SetParent into wParam, fill it, show
inline constexpr quint32 TextSeen = Win::WM_USER + 9;  // WM_SETTEXT calls that saw it stored
} // namespace PeerMsg
