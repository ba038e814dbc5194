// The window-message layer in this process: its state, the windows it serves and the calls on
// them. The transport, the window directory and embedding are units of their own (WinLayer.h).
#include "platform/WinMessages.h"

#include "platform/TProcessInfo.h"
#include "platform/WinLayer.h"

#include <QCoreApplication>
#include <QFile>
#include <QRandomGenerator>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include <sys/socket.h>
#include <unistd.h>

namespace Win {

namespace Detail {

using namespace Win::Record;

TLayer *L = nullptr;
int SendTimeoutMs = 3000;
QString InitializeProblem;

TWindow *LocalWindow(HWND hwnd) {
    if (!L)
        return nullptr;
    auto it = L->windows.find(hwnd);
    return it == L->windows.end() ? nullptr : &it->second;
}

namespace {

std::function<void(const QString &)> ExceptionHandler;

void ReportException(const QString &what) {
    if (ExceptionHandler)
        ExceptionHandler(what);
    else
        std::fprintf(stderr, "Ludora: %s\n", qPrintable(what));
}

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
        m.senderPid = p.sender;
        CallProc(p.hwnd, m);
    }
}

} // namespace

LRESULT Execute(qint64 sender, quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam,
                quint64 dataWord, const QByteArray &blob, QByteArray *out) {
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
        m.senderPid = sender;
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
        m.senderPid = sender;
        return CallProc(hwnd, m);
    }
    case OpSetText: {
        TMessage m;
        m.hwnd = hwnd;
        m.msg = WM_SETTEXT;
        m.text = QString::fromUtf8(blob);
        m.sent = true;
        m.senderPid = sender;
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

void QueuePosted(const TPosted &p) {
    L->posted.push_back(p);
    if (L->drainScheduled)
        return;
    L->drainScheduled = true;
    QMetaObject::invokeMethod(L->context, &DrainPosted, Qt::QueuedConnection);
}

} // namespace Detail

using namespace Detail;
using namespace Record;

bool Initialize() {
    if (L)
        return true;
    auto layer = std::make_unique<TLayer>();
    layer->dir = ChooseRuntimeDir();
    QString problem;
    if (!MakePrivateDir(layer->dir, &problem)) {
        // Someone else holds the name (in /tmp anybody can): every process of ours takes the
        // same second choice, so they still find each other.
        const QString fallback = FallbackRuntimeDir();
        if (fallback.isEmpty() || !MakePrivateDir(fallback)) {
            InitializeProblem = QStringLiteral("文件夹“%1”不可用：%2").arg(layer->dir, problem);
            return false;
        }
        layer->dir = fallback;
    }
    layer->pid = TProcessInfo::ProcessId();
    layer->startTime = TProcessInfo::StartTime(layer->pid);
    // A random start makes a handle of an ended process unlikely to name a window of a later
    // process that got the same id.
    layer->nextSerial = QRandomGenerator::global()->generate() | 1u;
    layer->socketPath = layer->dir + QStringLiteral("/%1.sock").arg(layer->pid);
    const int fd = Listen(layer->socketPath);
    if (fd < 0) {
        InitializeProblem = QStringLiteral("无法在“%1”中建立通信端口").arg(layer->dir);
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
        QueuePosted({hwnd, msg, wParam, lParam, L->pid});
        return true;
    }
    return PostRemote(hwnd, msg, wParam, lParam);
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

bool ShowWindowAsync(HWND hwnd, int cmdShow) {
    if (!L || hwnd == 0)
        return false;
    if (IsLocal(hwnd)) {
        TWindow *w = LocalWindow(hwnd);
        return w && (ShowLocal(*w, cmdShow), true);
    }
    return PostRemote(hwnd, 0, WPARAM(cmdShow), 0, OpShow);
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

bool IsWindow(HWND hwnd) {
    return Call(OpIsWindow, hwnd, 0, 0, 0) != 0;
}

qint64 ProcessOf(HWND hwnd) {
    return PidOf(hwnd);
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

QString InitializeError() {
    return InitializeProblem;
}

void SetSendTimeout(int milliseconds) {
    SendTimeoutMs = qMax(1, milliseconds);
}

void SetExceptionHandler(std::function<void(const QString &)> handler) {
    ExceptionHandler = std::move(handler);
}

} // namespace Win
