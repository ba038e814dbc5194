// The transport of the window-message layer: one Unix domain socket per process, connections to
// and from peers, records written and read on them, and the wait of a send for its reply.
#include "platform/WinLayer.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace Win::Detail {

using namespace Win::Record;

namespace {

// Reading stops at this much buffered unless the record being read is longer: a peer that
// floods its socket is served in turns of the event loop instead of filling memory.
constexpr qsizetype ReadChunk = 1 << 20;
// All connections together hold at most this much unread or unfinished: beyond it the one
// holding most is dropped, so a few peers that never finish their records cannot fill memory.
constexpr qsizetype BufferBudget = 4 * qsizetype(MaxSize);
// Connections from peers: at most this many in all and from one process. Real peers hold one
// or two each; beyond a cap the longest-idle one of the process holding most is closed.
constexpr size_t MaxIncoming = 256;
constexpr size_t MaxPerPeer = 16;
// How long a connect may wait for a peer whose backlog is full.
constexpr int ConnectTimeoutMs = 1000;
// How long accepting rests when this process has run out of descriptors.
constexpr int AcceptPauseMs = 200;

bool FillAddress(sockaddr_un &addr, const QString &socketPath) {
    const QByteArray path = QFile::encodeName(socketPath);
    addr = sockaddr_un{};
    addr.sun_family = AF_UNIX;
    if (size_t(path.size()) >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path.constData(), size_t(path.size()));
    return true;
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

// Brings TLayer::buffered up to date with what c holds.
void Recount(TConnection &c) {
    if (c.Closed())
        return;
    L->buffered += c.in.size() - c.counted;
    c.counted = c.in.size();
}

// Over the budget: closes the connection holding most.
void EnforceBudget() {
    while (L->buffered > BufferBudget) {
        TConnection *largest = nullptr;
        auto consider = [&largest](const TConnPtr &c) {
            if (!c->Closed() && (!largest || c->counted > largest->counted))
                largest = c.get();
        };
        for (const TConnPtr &c : L->incoming)
            consider(c);
        for (const auto &[pid, c] : L->outgoing)
            consider(c);
        if (!largest || largest->counted == 0)
            return;
        CloseConnection(*largest);
    }
}

// Reads what has arrived, as far as the record being read needs; false when the peer has gone
// (what was read stays usable). A malformed length stops reading: the caller drops the peer.
bool ReadAvailable(TConnection &c) {
    char buf[65536];
    while (!c.Closed()) {
        const qsizetype needed = Needed(c.in);
        if (needed == 0 || c.in.size() >= qMax(needed, ReadChunk))
            return true; // the rest waits for the next turn
        const ssize_t n = ::recv(c.fd, buf, sizeof buf, 0);
        if (n > 0) {
            c.in.append(buf, n);
            c.lastActive = QDateTime::currentMSecsSinceEpoch();
            Recount(c);
            EnforceBudget();
            // A short read drained the socket: asking again would only hear EAGAIN, one wasted
            // call per record. What arrives later wakes the poll or the notifier again.
            if (size_t(n) < sizeof buf)
                return !c.Closed();
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

// The next complete record of c; a malformed one closes c.
bool TakeRecord(TConnection &c, TRecord &r) {
    switch (Take(c.in, r)) {
    case TTake::Record:
        Recount(c);
        return true;
    case TTake::Partial:
        return false;
    case TTake::Malformed:
        break;
    }
    c.in.clear();
    CloseConnection(c);
    return false;
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

// Writes to the process of hwnd; a cached connection to a process that has since gone gets one
// fresh attempt. Null when the process has ended.
TConnPtr WriteTo(HWND hwnd, const QByteArray &bytes) {
    TConnPtr c = Outgoing(PidOf(hwnd));
    if (c && !WriteAll(*c, bytes)) {
        c = Outgoing(PidOf(hwnd));
        if (c && !WriteAll(*c, bytes))
            c = nullptr;
    }
    return c;
}

void ServeIncoming(const TConnPtr &c);

void WatchIncoming(const TConnPtr &c) {
    c->notifier = new QSocketNotifier(qintptr(c->fd), QSocketNotifier::Read, L->context);
    std::weak_ptr<TConnection> weak = c;
    QObject::connect(c->notifier, &QSocketNotifier::activated, L->context, [weak] {
        if (auto c = weak.lock())
            ServeIncoming(c);
    });
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
        if (r.h.kind == Send) {
            QByteArray out;
            const LRESULT result = Execute(c->peerPid, r.h.op, r.h.hwnd, r.h.msg, r.h.wParam,
                                           r.h.lParam, r.h.dataWord, r.blob, &out);
            if (!L)
                return;
            THeader reply;
            reply.kind = Reply;
            reply.id = r.h.id;
            reply.lParam = result;
            if (!c->Closed())
                WriteAll(*c, Encode(reply, out));
        } else if (r.h.kind == Post && r.h.op == OpMessage) {
            QueuePosted({r.h.hwnd, r.h.msg, r.h.wParam, r.h.lParam, c->peerPid});
        } else if (r.h.kind == Post && r.h.op == OpShow) {
            QTimer::singleShot(
                0, L->context, [sender = c->peerPid, hwnd = r.h.hwnd, cmdShow = r.h.wParam] {
                    if (L)
                        Execute(sender, OpShow, hwnd, 0, cmdShow, 0, 0, QByteArray(), nullptr);
                });
        }
    }
    if (!L)
        return;
    if (!open)
        CloseConnection(*c);
    if (c->Closed())
        DropClosedIncoming();
}

// Makes room for one more connection from peer (0: from anyone, forced when out of
// descriptors): beyond a cap, the longest-idle connection of the process holding most goes.
void MakeRoomFor(qint64 peer, bool force = false) {
    DropClosedIncoming();
    std::map<qint64, size_t> perPeer;
    for (const TConnPtr &c : L->incoming)
        ++perPeer[c->peerPid];
    qint64 victimPeer = 0;
    if (peer != 0 && perPeer[peer] >= MaxPerPeer) {
        victimPeer = peer;
    } else if (force || L->incoming.size() >= MaxIncoming) {
        size_t most = 0;
        for (const auto &[pid, count] : perPeer)
            if (count > most) {
                most = count;
                victimPeer = pid;
            }
    } else {
        return;
    }
    TConnection *idlest = nullptr;
    for (const TConnPtr &c : L->incoming)
        if (c->peerPid == victimPeer && (!idlest || c->lastActive < idlest->lastActive))
            idlest = c.get();
    if (idlest)
        CloseConnection(*idlest);
    DropClosedIncoming();
}

void ResumeAccepting() {
    if (!L)
        return;
    L->acceptPaused = false;
    if (L->listenNotifier)
        L->listenNotifier->setEnabled(true);
}

} // namespace

qint64 PeerOf(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0)
        return 0;
    if (cred.uid != geteuid())
        return 0;
    return cred.pid;
}

bool PeerIsUs(int fd, qint64 expectedPid) {
    const qint64 peer = PeerOf(fd);
    return peer != 0 && (expectedPid == 0 || peer == expectedPid);
}

void CloseConnection(TConnection &c) {
    if (L && !c.Closed())
        L->buffered -= c.counted;
    c.counted = 0;
    if (c.notifier) {
        c.notifier->setEnabled(false);
        c.notifier->deleteLater();
        c.notifier = nullptr;
    }
    if (c.fd >= 0)
        ::close(c.fd);
    c.fd = -1;
}

int ConnectTo(qint64 pid) {
    sockaddr_un addr;
    if (!FillAddress(addr, SocketPathOf(pid)))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    // Never blocks for long: a peer whose backlog stays full counts as unreachable.
    QElapsedTimer clock;
    clock.start();
    bool connected = false;
    for (;;) {
        if (::connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0 ||
            errno == EISCONN) {
            connected = true;
            break;
        }
        const qint64 left = ConnectTimeoutMs - clock.elapsed();
        if (left <= 0)
            break;
        if (errno == EINPROGRESS) {
            pollfd pfd{fd, POLLOUT, 0};
            int error = 0;
            socklen_t len = sizeof error;
            connected = ::poll(&pfd, 1, int(left)) > 0 &&
                        getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &len) == 0 && error == 0;
            break;
        }
        if (errno != EAGAIN && errno != EINTR)
            break;
        ::poll(nullptr, 0, int(qMin<qint64>(left, 20))); // the backlog is full: try again soon
    }
    if (!connected || !PeerIsUs(fd, pid)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int Listen(const QString &socketPath) {
    sockaddr_un addr;
    if (!FillAddress(addr, socketPath))
        return -1;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return -1;
    ::unlink(addr.sun_path); // left by an ended process that had our id
    if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0 ||
        ::listen(fd, 64) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void AcceptAll() {
    if (L->acceptPaused)
        return;
    bool madeRoom = false;
    for (;;) {
        const int fd = ::accept4(L->listenFd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // Out of descriptors: the longest-idle connection of the process holding most
                // makes room, once per turn.
                if (!madeRoom && !L->incoming.empty()) {
                    madeRoom = true;
                    MakeRoomFor(0, true);
                    continue;
                }
                // The pending connection stays readable: retrying at once would spin.
                L->acceptPaused = true;
                if (L->listenNotifier)
                    L->listenNotifier->setEnabled(false);
                QTimer::singleShot(AcceptPauseMs, L->context, &ResumeAccepting);
            }
            return;
        }
        const qint64 peer = PeerOf(fd);
        if (peer == 0) {
            ::close(fd);
            continue;
        }
        MakeRoomFor(peer);
        auto c = std::make_shared<TConnection>();
        c->fd = fd;
        c->peerPid = peer;
        c->lastActive = QDateTime::currentMSecsSinceEpoch();
        L->incoming.push_back(c);
        WatchIncoming(c);
    }
}

LRESULT Call(quint8 op, HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam, quint64 dataWord,
             const QByteArray &blob, QByteArray *out) {
    if (!L || hwnd == 0)
        return 0;
    if (IsLocal(hwnd))
        return Execute(L->pid, op, hwnd, msg, wParam, lParam, dataWord, blob, out);

    THeader h;
    h.kind = Send;
    h.op = op;
    h.msg = msg;
    h.id = L->nextId++;
    h.hwnd = hwnd;
    h.wParam = wParam;
    h.lParam = lParam;
    h.dataWord = dataWord;
    const TConnPtr c = WriteTo(hwnd, Encode(h, blob));
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
        fds.push_back({L->acceptPaused ? -1 : L->listenFd, POLLIN, 0});
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
                if (r.h.kind == Reply && L->waiting.count(r.h.id))
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

bool PostRemote(HWND hwnd, quint32 msg, WPARAM wParam, LPARAM lParam, quint8 op) {
    THeader h;
    h.kind = Post;
    h.op = op;
    h.msg = msg;
    h.hwnd = hwnd;
    h.wParam = wParam;
    h.lParam = lParam;
    return WriteTo(hwnd, Encode(h, QByteArray())) != nullptr;
}

} // namespace Win::Detail
