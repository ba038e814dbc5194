#pragma once
// The numbers of the window-message layer that need no window: handles, message parameters and
// the system's own message numbers. Kept apart so that protocol texts and numbers build without
// the layer itself.

#include <QtGlobal>

using HWND = quint64; // 0 = no window; printed in decimal on command lines
using WPARAM = quint64;
using LPARAM = qint64;
using LRESULT = qint64;

namespace Win {

inline constexpr quint32 WM_DESTROY = 2;
inline constexpr quint32 WM_SETTEXT = 12;
inline constexpr quint32 WM_CLOSE = 16;
inline constexpr quint32 WM_ERASEBKGND = 20;
inline constexpr quint32 WM_COPYDATA = 74;
inline constexpr quint32 WM_KEYDOWN = 256;
inline constexpr quint32 WM_USER = 1024;

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

} // namespace Win
