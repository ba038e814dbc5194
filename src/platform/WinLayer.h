#pragma once
// The state of the window-message layer in this process, shared by its units (transport, window
// directory, embedding, local windows). Not for use outside src/platform/.

#include "platform/WinMessages.h"
#include "platform/WinRecord.h"

#include <QPointer>
#include <QString>
#include <QWidget>
#include <QWindow>

#include <deque>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QSocketNotifier;

namespace Win::Detail {

struct TConnection {
    int fd = -1;
    QByteArray in;
    QSocketNotifier *notifier = nullptr;
    qint64 peerPid = 0;    // the process at the other end
    qsizetype counted = 0; // bytes of `in` counted in TLayer::buffered
    qint64 lastActive = 0; // when it last brought anything, for choosing whom to drop
    bool Closed() const { return fd < 0; }
};
using TConnPtr = std::shared_ptr<TConnection>;

struct TWindow {
    QPointer<QWidget> widget;
    QString className;
    TWndProc proc;
    QString text;
    HWND remoteParent = 0;             // set while embedded into another process's window
    QPointer<QWindow> foreignParent;   // that window, wrapped for Qt
    QPointer<QObject> embedKeeper;     // re-embeds the native window when it is made anew
    QMetaObject::Connection destroyed; // unregisters when the widget goes
};

struct TPosted {
    HWND hwnd;
    quint32 msg;
    WPARAM wParam;
    LPARAM lParam;
    qint64 sender = 0;
};

struct TLayer {
    QString dir;
    QString socketPath;
    int listenFd = -1;
    QSocketNotifier *listenNotifier = nullptr;
    QObject *context = nullptr; // owns the notifiers, lives on the main thread
    qint64 pid = 0;
    quint64 startTime = 0;
    quint32 nextSerial = 1;
    std::map<HWND, TWindow> windows;
    std::vector<TConnPtr> incoming;
    std::map<qint64, TConnPtr> outgoing;
    std::set<quint64> waiting;                  // ids of sends still waiting for their reply
    std::map<quint64, Record::TRecord> replies; // replies that arrived for them
    quint64 nextId = 1;
    std::deque<TPosted> posted;
    bool drainScheduled = false;
    qsizetype buffered = 0;    // bytes read and not yet taken, on every connection
    bool acceptPaused = false; // out of descriptors: accepting rests a moment
};

extern TLayer *L;
extern int SendTimeoutMs;
extern QString InitializeProblem;

inline qint64 PidOf(HWND hwnd) {
    return qint64(hwnd >> 32);
}
inline bool IsLocal(HWND hwnd) {
    return L && PidOf(hwnd) == L->pid;
}
TWindow *LocalWindow(HWND hwnd);

// Local windows (WinMessages.cpp): runs one operation on a window of this process; the same
// code serves local calls and peers.
LRESULT Execute(qint64 sender, quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam,
                quint64 dataWord, const QByteArray &blob, QByteArray *out);
void QueuePosted(const TPosted &p);

// Transport (WinTransport.cpp).
// The process at the other end of fd when it runs as our user, else 0.
qint64 PeerOf(int fd);
bool PeerIsUs(int fd, qint64 expectedPid);
int ConnectTo(qint64 pid);
int Listen(const QString &socketPath); // -1 on failure
void AcceptAll();
void CloseConnection(TConnection &c);
// Sends one operation to hwnd and waits for the result, serving sends of others meanwhile.
LRESULT Call(quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam, quint64 dataWord = 0,
             const QByteArray &blob = QByteArray(), QByteArray *out = nullptr);
// op is OpMessage, or OpShow for a ShowWindow that nobody waits for.
bool PostRemote(HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam,
                quint8 op = Record::OpMessage);

// Window directory (WinDirectory.cpp): the per-user folder and its entry per named window.
QString ChooseRuntimeDir();
// Where every process of the user goes when the first choice is taken; empty when none.
QString FallbackRuntimeDir();
// problem, when given, gets what is wrong with the folder (for the user's eyes).
bool MakePrivateDir(const QString &path, QString *problem = nullptr);
QString SocketPathOf(qint64 pid);
void WriteEntry(HWND hwnd, const TWindow &w);
void RemoveEntry(HWND hwnd, const TWindow &w);

// Embedding (WinEmbed.cpp).
void DetachForeign(TWindow &w);

} // namespace Win::Detail
