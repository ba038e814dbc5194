#include "platform/WinMessages.h"

#include "platform/TProcessInfo.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <QWindow>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace Win {

namespace {

// Record kinds and the operations a send can carry.
enum : quint8 { RecSend = 1, RecPost = 2, RecReply = 3 };
enum : quint8 {
    OpMessage = 1,
    OpCopyData,
    OpSetText,
    OpGetText,
    OpShow,
    OpMove,
    OpClientRect,
    OpGetParent,
    OpIsWindow,
    OpIsVisible,
    OpNativeId,
};

// Every record: this header (its first field counts the bytes after it), then a byte block
// (text in UTF-8, copy-data, geometry). Both ends run on one machine, so host byte order.
#pragma pack(push, 1)
struct THeader {
    quint32 size = 0;
    quint8 kind = 0;
    quint8 op = 0;
    quint16 reserved = 0;
    quint32 msg = 0;
    quint64 id = 0;
    quint64 hwnd = 0;
    quint64 wParam = 0;
    qint64 lParam = 0; // the result in a reply
    quint64 dataWord = 0;
};
#pragma pack(pop)

constexpr quint32 MaxRecord = 64u << 20; // a larger length means a broken peer

struct TRecord {
    THeader h;
    QByteArray blob;
};

struct TConnection {
    int fd = -1;
    QByteArray in;
    QSocketNotifier *notifier = nullptr;
    qint64 peerPid = 0;
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
    std::set<quint64> waiting;          // ids of sends still waiting for their reply
    std::map<quint64, TRecord> replies; // replies that arrived for them
    quint64 nextId = 1;
    std::deque<TPosted> posted;
    bool drainScheduled = false;
};

TLayer *L = nullptr;
int SendTimeoutMs = 3000;
std::function<void(const QString &)> ExceptionHandler;

void ReportException(const QString &what) {
    if (ExceptionHandler)
        ExceptionHandler(what);
    else
        std::fprintf(stderr, "Ludora: %s\n", qPrintable(what));
}

qint64 PidOf(HWND hwnd) {
    return qint64(hwnd >> 32);
}
bool IsLocal(HWND hwnd) {
    return L && PidOf(hwnd) == L->pid;
}

TWindow *LocalWindow(HWND hwnd) {
    if (!L)
        return nullptr;
    auto it = L->windows.find(hwnd);
    return it == L->windows.end() ? nullptr : &it->second;
}

QString EntryPath(HWND hwnd) {
    return L->dir + QStringLiteral("/w") + QString::number(hwnd);
}
QString SocketPathOf(qint64 pid) {
    return L->dir + QStringLiteral("/%1.sock").arg(pid);
}

QString ChooseRuntimeDir() {
    const QString own = qEnvironmentVariable("LUDORA_RUNTIME_DIR");
    if (!own.isEmpty())
        return own;
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg + QStringLiteral("/ludora");
    return QStringLiteral("/tmp/ludora-%1").arg(TProcessInfo::UserId());
}

// The folder must be a real folder of ours that nobody else can enter.
bool MakePrivateDir(const QString &path) {
    const QByteArray p = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).path());
    if (mkdir(p.constData(), 0700) != 0 && errno != EEXIST)
        return false;
    struct stat st {};
    if (lstat(p.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid())
        return false;
    if ((st.st_mode & 0777) != 0700 && chmod(p.constData(), 0700) != 0)
        return false;
    return true;
}

bool PeerIsUs(int fd, qint64 expectedPid) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return false;
    if (cred.uid != geteuid())
        return false;
    return expectedPid == 0 || cred.pid == expectedPid;
}

void CloseConnection(TConnection &c) {
    if (c.notifier) {
        c.notifier->setEnabled(false);
        c.notifier->deleteLater();
        c.notifier = nullptr;
    }
    if (c.fd >= 0)
        ::close(c.fd);
    c.fd = -1;
}

// Writes a whole record; a peer whose buffer stays full for the send timeout counts as gone.
bool WriteAll(TConnection &c, const QByteArray &bytes) {
    qsizetype done = 0;
    while (done < bytes.size() && !c.Closed()) {
        const ssize_t n =
            ::send(c.fd, bytes.constData() + done, size_t(bytes.size() - done), MSG_NOSIGNAL);
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            pollfd pfd{c.fd, POLLOUT, 0};
            if (::poll(&pfd, 1, SendTimeoutMs) <= 0 || (pfd.revents & (POLLERR | POLLHUP)))
                break;
        } else {
            break;
        }
    }
    if (done == bytes.size())
        return true;
    CloseConnection(c);
    return false;
}

QByteArray Encode(THeader h, const QByteArray &blob) {
    h.size = quint32(sizeof(THeader) - sizeof(quint32) + blob.size());
    QByteArray bytes(reinterpret_cast<const char *>(&h), sizeof h);
    bytes += blob;
    return bytes;
}

// Reads what has arrived; false when the peer has gone (what was read stays usable).
bool ReadAvailable(TConnection &c) {
    char buf[65536];
    while (!c.Closed()) {
        const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            c.in.append(buf, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        return false;
    }
    return false;
}

bool TakeRecord(TConnection &c, TRecord &r) {
    if (c.in.size() < qsizetype(sizeof(THeader)))
        return false;
    THeader h;
    std::memcpy(&h, c.in.constData(), sizeof h);
    if (h.size > MaxRecord || h.size < sizeof(THeader) - sizeof(quint32)) {
        c.in.clear();
        CloseConnection(c);
        return false;
    }
    const qsizetype total = qsizetype(h.size + sizeof(quint32));
    if (c.in.size() < total)
        return false;
    r.h = h;
    r.blob = c.in.mid(sizeof h, total - qsizetype(sizeof h));
    c.in.remove(0, total);
    return true;
}

int ConnectTo(qint64 pid) {
    const QByteArray path = QFile::encodeName(SocketPathOf(pid));
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path)
        return -1;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        !PeerIsUs(fd, pid)) {
        ::close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    return fd;
}

TConnPtr Outgoing(qint64 pid) {
    auto it = L->outgoing.find(pid);
    if (it != L->outgoing.end()) {
        if (!it->second->Closed())
            return it->second;
        L->outgoing.erase(it);
    }
    const int fd = ConnectTo(pid);
    if (fd < 0)
        return nullptr;
    auto c = std::make_shared<TConnection>();
    c->fd = fd;
    c->peerPid = pid;
    L->outgoing[pid] = c;
    return c;
}

// ---- this process's windows ----

LRESULT CallProc(HWND hwnd, const TMessage &m) {
    TWindow *w = LocalWindow(hwnd);
    if (!w || !w->proc)
        return 0;
    const TWndProc proc = w->proc; // the procedure may unregister its own window
    // An exception must not unwind through the event loop or leave a peer without its answer.
    try {
        return proc(m);
    } catch (const std::exception &e) {
        ReportException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ReportException(QStringLiteral("unknown exception"));
    }
    return 0;
}

HWND RegisteredAncestor(QWidget *widget) {
    for (QWidget *p = widget ? widget->parentWidget() : nullptr; p; p = p->parentWidget())
        for (const auto &[hwnd, w] : L->windows)
            if (w.widget == p)
                return hwnd;
    return 0;
}

bool ShowLocal(TWindow &w, int cmdShow) {
    QWidget *widget = w.widget;
    if (!widget)
        return false;
    const bool wasVisible = widget->isVisible();
    if (cmdShow == SW_HIDE)
        widget->hide();
    else if (cmdShow == SW_SHOWNORMAL && widget->isWindow())
        widget->showNormal();
    else
        widget->show();
    return wasVisible;
}

// Runs one operation on a window of this process; the same code serves local calls and peers.
LRESULT Execute(quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam, quint64 dataWord,
                const QByteArray &blob, QByteArray *out) {
    TWindow *w = LocalWindow(hwnd);
    if (!w)
        return 0;
    switch (op) {
    case OpMessage: {
        TMessage m;
        m.hwnd = hwnd;
        m.msg = msg;
        m.wParam = wParam;
        m.lParam = lParam;
        m.sent = true;
        return CallProc(hwnd, m);
    }
    case OpCopyData: {
        TMessage m;
        m.hwnd = hwnd;
        m.msg = WM_COPYDATA;
        m.wParam = wParam;
        m.dataWord = dataWord;
        m.data = blob;
        m.sent = true;
        return CallProc(hwnd, m);
    }
    case OpSetText: {
        TMessage m;
        m.hwnd = hwnd;
        m.msg = WM_SETTEXT;
        m.text = QString::fromUtf8(blob);
        m.sent = true;
        w->text = m.text;
        CallProc(hwnd, m);
        return 1;
    }
    case OpGetText:
        if (out)
            *out = w->text.toUtf8();
        return w->text.size();
    case OpShow:
        return ShowLocal(*w, int(wParam)) ? 1 : 0;
    case OpMove: {
        if (!w->widget || blob.size() != 4 * qsizetype(sizeof(qint32)))
            return 0;
        qint32 g[4];
        std::memcpy(g, blob.constData(), sizeof g);
        w->widget->setGeometry(g[0], g[1], qMax(0, g[2]), qMax(0, g[3]));
        return 1;
    }
    case OpClientRect:
        if (!w->widget)
            return 0;
        // Width in the high half, height in the low half; 0 stands for "no window".
        return (qint64(qMax(0, w->widget->width())) << 32) | quint32(qMax(0, w->widget->height())) |
               (qint64(1) << 62);
    case OpGetParent:
        return LPARAM(w->remoteParent ? w->remoteParent : RegisteredAncestor(w->widget));
    case OpIsWindow:
        return 1;
    case OpIsVisible:
        return w->widget && w->widget->isVisible() ? 1 : 0;
    case OpNativeId:
        return w->widget ? LPARAM(w->widget->winId()) : 0;
    }
    return 0;
}

void DrainPosted() {
    if (!L)
        return;
    L->drainScheduled = false;
    // Only what is queued now: posts that arrive meanwhile wait for the next turn of the loop,
    // so a flood of posts never starves input and timers.
    size_t count = L->posted.size();
    while (count-- > 0 && L && !L->posted.empty()) {
        const TPosted p = L->posted.front();
        L->posted.pop_front();
        TMessage m;
        m.hwnd = p.hwnd;
        m.msg = p.msg;
        m.wParam = p.wParam;
        m.lParam = p.lParam;
        m.sent = false;
        CallProc(p.hwnd, m);
    }
}

void SchedulePosted() {
    if (L->drainScheduled || L->posted.empty())
        return;
    L->drainScheduled = true;
    QMetaObject::invokeMethod(L->context, &DrainPosted, Qt::QueuedConnection);
}

// ---- serving peers ----

void ServeIncoming(const TConnPtr &c);

void WatchIncoming(const TConnPtr &c) {
    c->notifier = new QSocketNotifier(qintptr(c->fd), QSocketNotifier::Read, L->context);
    std::weak_ptr<TConnection> weak = c;
    QObject::connect(c->notifier, &QSocketNotifier::activated, L->context, [weak] {
        if (auto c = weak.lock())
            ServeIncoming(c);
    });
}

void AcceptAll() {
    for (;;) {
        const int fd = ::accept4(L->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        if (!PeerIsUs(fd, 0)) {
            ::close(fd);
            continue;
        }
        auto c = std::make_shared<TConnection>();
        c->fd = fd;
        L->incoming.push_back(c);
        WatchIncoming(c);
    }
}

void DropClosedIncoming() {
    std::erase_if(L->incoming, [](const TConnPtr &c) { return c->Closed(); });
}

// Serves every complete record that has arrived on a connection from a peer: sends at once,
// posts into the queue the event loop delivers.
void ServeIncoming(const TConnPtr &c) {
    if (!L || c->Closed())
        return;
    const bool open = ReadAvailable(*c);
    TRecord r;
    while (L && TakeRecord(*c, r)) {
        if (r.h.kind == RecSend) {
            QByteArray out;
            const LRESULT result = Execute(r.h.op, r.h.hwnd, r.h.msg, r.h.wParam, r.h.lParam,
                                           r.h.dataWord, r.blob, &out);
            if (!L)
                return;
            THeader reply;
            reply.kind = RecReply;
            reply.id = r.h.id;
            reply.lParam = result;
            if (!c->Closed())
                WriteAll(*c, Encode(reply, out));
        } else if (r.h.kind == RecPost) {
            L->posted.push_back({r.h.hwnd, r.h.msg, r.h.wParam, r.h.lParam});
            SchedulePosted();
        }
    }
    if (!open && L) {
        CloseConnection(*c);
        DropClosedIncoming();
    }
}

// ---- calling peers ----

// Sends one operation to hwnd and waits for the result, serving sends of others meanwhile.
LRESULT Call(quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam, quint64 dataWord = 0,
             const QByteArray &blob = QByteArray(), QByteArray *out = nullptr) {
    if (!L || hwnd == 0)
        return 0;
    if (IsLocal(hwnd))
        return Execute(op, hwnd, msg, wParam, lParam, dataWord, blob, out);

    THeader h;
    h.kind = RecSend;
    h.op = op;
    h.msg = msg;
    h.id = L->nextId++;
    h.hwnd = hwnd;
    h.wParam = wParam;
    h.lParam = lParam;
    h.dataWord = dataWord;
    const QByteArray bytes = Encode(h, blob);

    TConnPtr c = Outgoing(PidOf(hwnd));
    if (c && !WriteAll(*c, bytes)) {
        // A cached connection to a process that has since gone: one fresh attempt.
        c = Outgoing(PidOf(hwnd));
        if (c && !WriteAll(*c, bytes))
            c = nullptr;
    }
    if (!c)
        return 0; // the process has ended

    const quint64 id = h.id;
    L->waiting.insert(id);
    QElapsedTimer clock;
    clock.start();
    qint64 deadline = SendTimeoutMs;
    LRESULT result = 0;
    for (;;) {
        auto got = L->replies.find(id);
        if (got != L->replies.end()) {
            result = got->second.h.lParam;
            if (out)
                *out = got->second.blob;
            L->replies.erase(got);
            break;
        }
        if (c->Closed())
            break; // the peer ended while we waited
        const qint64 left = deadline - clock.elapsed();
        if (left <= 0)
            break; // a hung peer

        std::vector<TConnPtr> serve = L->incoming;
        std::vector<pollfd> fds;
        fds.push_back({c->fd, POLLIN, 0});
        fds.push_back({L->listenFd, POLLIN, 0});
        for (const TConnPtr &in : serve)
            fds.push_back({in->fd, POLLIN, 0});
        const int n = ::poll(fds.data(), fds.size(), int(left));
        if (n < 0 && errno != EINTR)
            break;
        if (n <= 0)
            continue;
        if (fds[0].revents) {
            const bool open = ReadAvailable(*c);
            TRecord r;
            while (TakeRecord(*c, r))
                if (r.h.kind == RecReply && L->waiting.count(r.h.id))
                    L->replies[r.h.id] = r;
            if (!open)
                CloseConnection(*c);
        }
        if (fds[1].revents)
            AcceptAll();
        for (size_t i = 0; i < serve.size(); ++i) {
            if (!fds[i + 2].revents)
                continue;
            // Our own serving is not the peer's delay.
            const qint64 before = clock.elapsed();
            ServeIncoming(serve[i]);
            if (!L)
                return 0;
            deadline += clock.elapsed() - before;
        }
    }
    L->waiting.erase(id);
    L->replies.erase(id);
    if (c->Closed()) {
        auto it = L->outgoing.find(c->peerPid);
        if (it != L->outgoing.end() && it->second == c)
            L->outgoing.erase(it);
    }
    return result;
}

void WriteEntry(HWND hwnd, const TWindow &w) {
    if (w.className.isEmpty())
        return;
    QSaveFile f(EntryPath(hwnd));
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(QByteArray::number(L->startTime) + '\n' +
            QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n' + w.className.toUtf8());
    f.commit();
}

void RemoveEntry(HWND hwnd, const TWindow &w) {
    if (!w.className.isEmpty())
        QFile::remove(EntryPath(hwnd));
}

void DetachForeign(TWindow &w) {
    if (!w.foreignParent)
        return;
    if (w.widget && w.widget->windowHandle())
        w.widget->windowHandle()->setParent(nullptr);
    delete w.foreignParent.data();
    w.foreignParent = nullptr;
}

} // namespace

// ---- the API ----

bool Initialize() {
    if (L)
        return true;
    auto layer = std::make_unique<TLayer>();
    layer->dir = ChooseRuntimeDir();
    if (!MakePrivateDir(layer->dir))
        return false;
    layer->pid = TProcessInfo::ProcessId();
    layer->startTime = TProcessInfo::StartTime(layer->pid);
    // A random start makes a handle of an ended process unlikely to name a window of a later
    // process that got the same id.
    layer->nextSerial = QRandomGenerator::global()->generate() | 1u;
    layer->socketPath = layer->dir + QStringLiteral("/%1.sock").arg(layer->pid);

    const QByteArray path = QFile::encodeName(layer->socketPath);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(path.constData()); // left by an ended process that had our id
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 64) != 0) {
        ::close(fd);
        return false;
    }
    layer->listenFd = fd;
    layer->context = new QObject;
    layer->listenNotifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, layer->context);
    QObject::connect(layer->listenNotifier, &QSocketNotifier::activated, layer->context,
                     [] { AcceptAll(); });
    L = layer.release();
    qAddPostRoutine(Finalize);
    return true;
}

void Finalize() {
    if (!L)
        return;
    TLayer *layer = L;
    for (auto &[hwnd, w] : layer->windows) {
        QObject::disconnect(w.destroyed);
        RemoveEntry(hwnd, w);
        DetachForeign(w);
    }
    for (auto &c : layer->incoming)
        CloseConnection(*c);
    for (auto &[pid, c] : layer->outgoing)
        CloseConnection(*c);
    ::close(layer->listenFd);
    ::unlink(QFile::encodeName(layer->socketPath).constData());
    L = nullptr;
    delete layer->context;
    delete layer;
}

HWND RegisterWindow(QWidget *widget, const QString &className, TWndProc proc) {
    if (!L)
        return 0;
    HWND hwnd = 0;
    do {
        hwnd = (HWND(L->pid) << 32) | L->nextSerial++;
    } while (quint32(hwnd) == 0 || L->windows.count(hwnd));
    TWindow &w = L->windows[hwnd];
    w.widget = widget;
    w.className = className;
    w.proc = std::move(proc);
    if (widget)
        w.destroyed = QObject::connect(widget, &QObject::destroyed, L->context,
                                       [hwnd] { UnregisterWindow(hwnd); });
    WriteEntry(hwnd, w);
    return hwnd;
}

void UnregisterWindow(HWND hwnd) {
    TWindow *w = LocalWindow(hwnd);
    if (!w)
        return;
    QObject::disconnect(w->destroyed);
    RemoveEntry(hwnd, *w);
    DetachForeign(*w);
    L->windows.erase(hwnd);
}

QWidget *WidgetOf(HWND hwnd) {
    TWindow *w = LocalWindow(hwnd);
    return w ? w->widget.data() : nullptr;
}

LRESULT SendMessage(HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam) {
    return Call(OpMessage, hwnd, msg, wParam, lParam);
}

bool PostMessage(HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam) {
    if (!L || hwnd == 0)
        return false;
    if (IsLocal(hwnd)) {
        if (!LocalWindow(hwnd))
            return false;
        L->posted.push_back({hwnd, msg, wParam, lParam});
        SchedulePosted();
        return true;
    }
    THeader h;
    h.kind = RecPost;
    h.op = OpMessage;
    h.msg = msg;
    h.hwnd = hwnd;
    h.wParam = wParam;
    h.lParam = lParam;
    const QByteArray bytes = Encode(h, QByteArray());
    TConnPtr c = Outgoing(PidOf(hwnd));
    if (c && !WriteAll(*c, bytes)) {
        c = Outgoing(PidOf(hwnd));
        if (c && !WriteAll(*c, bytes))
            return false;
    }
    return c != nullptr;
}

LRESULT SendCopyData(HWND hwnd, WPARAM wParam, quint64 dataWord, const QByteArray &data) {
    return Call(OpCopyData, hwnd, WM_COPYDATA, wParam, 0, dataWord, data);
}

bool SetWindowText(HWND hwnd, const QString &text) {
    return Call(OpSetText, hwnd, WM_SETTEXT, 0, 0, 0, text.toUtf8()) != 0;
}

QString GetWindowText(HWND hwnd, int maxChars) {
    QByteArray out;
    if (Call(OpGetText, hwnd, 0, 0, 0, 0, QByteArray(), &out) == 0)
        return QString();
    const QString text = QString::fromUtf8(out);
    return maxChars >= 0 ? text.left(maxChars) : text;
}

bool ShowWindow(HWND hwnd, int cmdShow) {
    return Call(OpShow, hwnd, 0, WPARAM(cmdShow), 0) != 0;
}

bool MoveWindow(HWND hwnd, int x, int y, int width, int height) {
    const qint32 g[4] = {x, y, width, height};
    return Call(OpMove, hwnd, 0, 0, 0, 0,
                QByteArray(reinterpret_cast<const char *>(g), sizeof g)) != 0;
}

QRect GetClientRect(HWND hwnd) {
    const LRESULT packed = Call(OpClientRect, hwnd, 0, 0, 0);
    if (packed == 0)
        return QRect();
    const int width = int((packed >> 32) & 0x3FFFFFFF);
    const int height = int(quint32(packed));
    return QRect(0, 0, width, height);
}

HWND GetParent(HWND hwnd) {
    return HWND(Call(OpGetParent, hwnd, 0, 0, 0));
}

HWND GetRootWindow(HWND hwnd) {
    if (!IsWindow(hwnd))
        return 0;
    HWND root = hwnd;
    // A bounded walk: a cycle of parents across processes must not hang us.
    for (int depth = 0; depth < 64; ++depth) {
        const HWND parent = GetParent(root);
        if (parent == 0)
            break;
        root = parent;
    }
    return root;
}

namespace {

// Puts child's native window into parent's. The child always stays a top-level widget of its
// own, also under a parent of this process: joined to that window's widget tree, a page (drawn
// with OpenGL) would switch the whole window to OpenGL composition, in which native strips
// beside the page area are never drawn.
bool Embed(HWND child, HWND parent) {
    TWindow *w = LocalWindow(child);
    if (!w || !w->widget)
        return false;
    QWindow *target = nullptr;
    QPointer<QWindow> foreign;
    if (IsLocal(parent)) {
        TWindow *p = LocalWindow(parent);
        if (!p || !p->widget)
            return false;
        // Through a wrapper of our own, as for a foreign window: a child of the parent's
        // QWindow would be deleted with it, under the feet of the child's widget.
        foreign = QWindow::fromWinId(p->widget->winId());
        target = foreign;
    } else {
        const quint64 native = quint64(Call(OpNativeId, parent, 0, 0, 0));
        if (native == 0)
            return false;
        w = LocalWindow(child); // the call served others: look again
        if (!w || !w->widget)
            return false;
        foreign = QWindow::fromWinId(WId(native));
        target = foreign;
    }
    if (!target)
        return false;
    QWidget *widget = w->widget;
    if (widget->parentWidget())
        widget->setParent(nullptr);
    widget->winId(); // a native top-level window of ours to reparent
    QPointer<QWindow> old = w->foreignParent;
    widget->windowHandle()->setParent(target);
    w->foreignParent = foreign;
    if (old != foreign)
        delete old.data();
    w->remoteParent = parent;
    return true;
}

// A widget whose native window is made anew (a web view switches its top level to an OpenGL
// surface when first shown) loses its parent window: embed the new one again.
class TEmbedKeeper : public QObject {
public:
    explicit TEmbedKeeper(HWND hwnd, QObject *parent) : QObject(parent), FHwnd(hwnd) {}
    bool eventFilter(QObject *watched, QEvent *event) override {
        if (event->type() == QEvent::WinIdChange && !FBusy) {
            TWindow *w = LocalWindow(FHwnd);
            if (w && w->widget == watched && w->remoteParent) {
                FBusy = true;
                const bool visible = w->widget->isVisible();
                Embed(FHwnd, w->remoteParent);
                if (visible)
                    w->widget->show();
                FBusy = false;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    HWND FHwnd;
    bool FBusy = false;
};

} // namespace

bool SetParent(HWND child, HWND parent) {
    TWindow *w = LocalWindow(child);
    if (!w || !w->widget || child == parent)
        return false;
    QWidget *widget = w->widget;
    const bool wasVisible = widget->isVisible();

    if (parent == 0) {
        DetachForeign(*w);
        if (widget->parentWidget())
            widget->setParent(nullptr);
        w->remoteParent = 0;
    } else {
        if (!Embed(child, parent))
            return false;
        w = LocalWindow(child);
        if (w && !w->embedKeeper) {
            auto *keeper = new TEmbedKeeper(child, widget);
            widget->installEventFilter(keeper);
            w->embedKeeper = keeper;
        }
    }
    if (wasVisible)
        widget->show();
    return true;
}

bool IsWindow(HWND hwnd) {
    return Call(OpIsWindow, hwnd, 0, 0, 0) != 0;
}

bool IsWindowVisible(HWND hwnd) {
    return Call(OpIsVisible, hwnd, 0, 0, 0) != 0;
}

bool IsChild(HWND parent, HWND hwnd) {
    if (parent == 0 || hwnd == 0)
        return false;
    HWND p = GetParent(hwnd);
    for (int depth = 0; p != 0 && depth < 64; ++depth) {
        if (p == parent)
            return true;
        p = GetParent(p);
    }
    return false;
}

HWND FindWindow(const QString &className) {
    if (!L || className.isEmpty())
        return 0;
    HWND found = 0;
    qint64 newest = -1;
    const QDir dir(L->dir);
    const QStringList names = dir.entryList({QStringLiteral("w*")}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const HWND hwnd = name.mid(1).toULongLong(&ok);
        if (!ok)
            continue;
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = f.readAll().split('\n');
        if (lines.size() < 3 || QString::fromUtf8(lines.at(2)) != className)
            continue;
        const qint64 pid = PidOf(hwnd);
        bool alive = false;
        if (pid == L->pid)
            alive = LocalWindow(hwnd) != nullptr;
        else
            alive = TProcessInfo::IsAlive(pid, lines.at(0).toULongLong()) &&
                    QFile::exists(SocketPathOf(pid));
        if (!alive) {
            // Left by a process that ended without cleaning up.
            if (pid != L->pid)
                f.remove();
            continue;
        }
        const qint64 when = lines.at(1).toLongLong();
        if (when > newest) {
            newest = when;
            found = hwnd;
        }
    }
    return found;
}

void WatchOwnerProcess(HWND hwnd, std::function<void()> onGone) {
    if (!L || !onGone)
        return;
    const qint64 pid = PidOf(hwnd);
    if (pid == L->pid)
        return; // we see our own end differently
    const int fd = ConnectTo(pid);
    if (fd < 0) {
        QTimer::singleShot(0, L->context, std::move(onGone));
        return;
    }
    // The peer never writes on this connection: it becomes readable only when the peer's end
    // closes, that is when its process has ended.
    auto *notifier = new QSocketNotifier(qintptr(fd), QSocketNotifier::Read, L->context);
    QObject::connect(notifier, &QSocketNotifier::activated, L->context,
                     [notifier, fd, onGone = std::move(onGone)] {
                         char buf[256];
                         const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                         if (n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR)))
                             return;
                         notifier->setEnabled(false);
                         notifier->deleteLater();
                         ::close(fd);
                         onGone();
                     });
}

void SetSendTimeout(int milliseconds) {
    SendTimeoutMs = qMax(1, milliseconds);
}

void SetExceptionHandler(std::function<void(const QString &)> handler) {
    ExceptionHandler = std::move(handler);
}

quint64 NativeWindowOf(HWND hwnd) {
    return quint64(Call(OpNativeId, hwnd, 0, 0, 0));
}

QString RuntimeDir() {
    return L ? L->dir : ChooseRuntimeDir();
}

} // namespace Win
