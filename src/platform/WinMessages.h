#pragma once
// The window-message layer: window handles, numbered messages with two integer parameters and a
// result, window texts and copy-data blocks, between the windows of every Ludora process of one
// user. Each process serves its own windows on its main thread's Qt event loop; processes talk
// over Unix domain sockets in a private per-user folder.
//
// The folder is $LUDORA_RUNTIME_DIR when set (tests give every run its own), else
// $XDG_RUNTIME_DIR/ludora, else a private folder in /tmp; when another user holds that name,
// a folder under ~/.cache. It is created with mode 0700.

#include "platform/WinTypes.h"

#include <QByteArray>
#include <QRect>
#include <QString>

#include <functional>

class QWidget;

namespace Win {

// One message as the receiving window procedure sees it.
struct TMessage {
    HWND hwnd = 0;
    quint32 msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    QString text;         // WM_SETTEXT: the new text (already stored as the window text)
    quint64 dataWord = 0; // WM_COPYDATA: the data word
    QByteArray data;      // WM_COPYDATA: the block
    bool sent = false;    // true when it came through SendMessage, false when posted
    qint64 senderPid = 0; // the process that sent or posted it
};

// A window procedure returns the message result.
using TWndProc = std::function<LRESULT(const TMessage &)>;

// Starts the layer in this process (needs a QCoreApplication); false when the private folder
// cannot be made safe. Finalize closes the socket and removes this process's entries.
bool Initialize();
void Finalize();

// Registers a window that takes part in the protocol. className may be empty; FindWindow finds
// windows by it. The widget backs ShowWindow, MoveWindow, GetClientRect and SetParent.
HWND RegisterWindow(QWidget *widget, const QString &className, TWndProc proc);
void UnregisterWindow(HWND hwnd);
QWidget *WidgetOf(HWND hwnd); // nullptr unless the window lives in this process

// Synchronous: the receiver's result. While waiting, messages *sent* to this process's windows
// are served (never posted ones). A window whose process is gone answers 0 at once; a peer that
// does not answer within a few seconds answers 0.
LRESULT SendMessage(HWND hwnd, quint32 msg, WPARAM wParam = 0, LPARAM lParam = 0);
// Asynchronous, delivered in order per sender through the receiver's event loop.
bool PostMessage(HWND hwnd, quint32 msg, WPARAM wParam = 0, LPARAM lParam = 0);
// WM_COPYDATA, synchronous.
LRESULT SendCopyData(HWND hwnd, WPARAM wParam, quint64 dataWord, const QByteArray &data);
// WM_SETTEXT, synchronous: the layer stores the text, then the window's procedure sees it.
bool SetWindowText(HWND hwnd, const QString &text);
QString GetWindowText(HWND hwnd, int maxChars = 2047);

bool ShowWindow(HWND hwnd, int cmdShow);
// ShowWindow without waiting for the window's process (which may be hung); false when that
// process has ended.
bool ShowWindowAsync(HWND hwnd, int cmdShow);
bool MoveWindow(HWND hwnd, int x, int y, int width, int height);
QRect GetClientRect(HWND hwnd); // (0, 0, width, height); null when the window is gone
// The nearest registered ancestor, in whichever process it lives; 0 for a top-level window.
HWND GetParent(HWND hwnd);
// The top-level registered ancestor (the window itself when it has no parent).
HWND GetRootWindow(HWND hwnd);
// Embeds the native window of child (a window of this process) into parent's native window,
// in whichever process parent lives; parent 0 makes child top-level again.
bool SetParent(HWND child, HWND parent);
bool IsWindow(HWND hwnd);
// The process that owns hwnd (whether or not it still runs).
qint64 ProcessOf(HWND hwnd);
bool IsWindowVisible(HWND hwnd);
bool IsChild(HWND parent, HWND hwnd);
// A registered window with this class name whose process is alive; 0 when none.
HWND FindWindow(const QString &className);
// Calls onGone once, on this thread's event loop, when the process owning hwnd has ended.
void WatchOwnerProcess(HWND hwnd, std::function<void()> onGone);

// How long a send waits for a peer that does not answer (3000 ms unless changed). Time this
// process spends serving sends of others meanwhile is not counted.
void SetSendTimeout(int milliseconds);
// A window procedure that throws answers 0; the exception's text goes to this handler (to
// stderr when none is set), so the main role can show it and the tab role can ignore it.
void SetExceptionHandler(std::function<void(const QString &)> handler);
// The native (X11) window id of hwnd, made native when needed; 0 when the window is gone.
quint64 NativeWindowOf(HWND hwnd);
// The folder the layer uses, after Initialize.
QString RuntimeDir();
// Why Initialize failed, in words for the user.
QString InitializeError();

// Everything above is for the main thread only: it is where the windows live and are served.

} // namespace Win
