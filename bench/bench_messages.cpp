// Round trip of SendMessage and throughput of PostMessage between two real processes, against
// the floor: a bare ping-pong over a Unix socket pair between two processes, measured in the
// same run, in alternating blocks, so both see the same machine.
// Usage: bench_messages [round trips] [posts]. Run by hand; not part of the tests.
#include "platform/WinMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

constexpr quint32 Echo = Win::WM_USER + 1;
constexpr quint32 Counted = Win::WM_USER + 2;
constexpr quint32 Count = Win::WM_USER + 3;

// The floor: fixed-size records echoed over a socket pair by the same peer process that serves
// the layer, so both figures come from the same two processes placed alike by the scheduler.
constexpr size_t BareRecordSize = 64;
constexpr quint32 BareEcho = Win::WM_USER + 4; // wParam: how many records to echo

bool ReadAll(int from, char *buffer) {
    size_t got = 0;
    while (got < BareRecordSize) {
        const ssize_t n = ::read(from, buffer + got, BareRecordSize - got);
        if (n <= 0)
            return false;
        got += size_t(n);
    }
    return true;
}

// Blocking echo of count records, polling before each read as an event loop would.
void EchoBare(int fd, qint64 count) {
    char buffer[BareRecordSize];
    for (qint64 i = 0; i < count; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0 || !ReadAll(fd, buffer) ||
            ::write(fd, buffer, BareRecordSize) != ssize_t(BareRecordSize))
            return;
    }
}

bool BareRoundTrip(int fd) {
    char buffer[BareRecordSize] = {};
    return ::write(fd, buffer, BareRecordSize) == ssize_t(BareRecordSize) && ReadAll(fd, buffer);
}

int Serve(int bareFd) {
    if (!Win::Initialize())
        return 2;
    qint64 counted = 0;
    const HWND self = Win::RegisterWindow(nullptr, "TBenchPeer", [&](const Win::TMessage &m) {
        if (m.msg == BareEcho) // a post: the sender is free to ping meanwhile
            EchoBare(bareFd, qint64(m.wParam));
        if (m.msg == Counted)
            ++counted;
        if (m.msg == Count)
            return LRESULT(counted);
        return LRESULT(m.wParam + m.lParam);
    });
    std::printf("ready %llu\n", static_cast<unsigned long long>(self));
    std::fflush(stdout);
    return QCoreApplication::exec();
}

struct TQuantiles {
    double Median = 0;
    double P99 = 0;
};

TQuantiles Quantiles(std::vector<qint64> ns) {
    std::sort(ns.begin(), ns.end());
    return {ns[ns.size() / 2] / 1000.0, ns[ns.size() * 99 / 100] / 1000.0};
}

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() > 2 && args.at(1) == "--serve")
        return Serve(args.at(2).toInt());
    const int trips = args.size() > 1 ? qMax(100, args.at(1).toInt()) : 20000;
    const int posts = args.size() > 2 ? qMax(1000, args.at(2).toInt()) : 200000;

    QTemporaryDir dir;
    qputenv("LUDORA_RUNTIME_DIR", (dir.path() + "/run").toLocal8Bit());
    if (!Win::Initialize())
        return 2;
    int pair[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, pair) != 0)
        return 2;
    QProcess peer; // inherits pair[1]
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QCoreApplication::applicationFilePath(), {"--serve", QString::number(pair[1])});
    QByteArray line;
    while (!line.contains('\n') && peer.waitForReadyRead(10000))
        line += peer.readAllStandardOutput();
    const HWND target = line.trimmed().split(' ').value(1).toULongLong();
    if (target == 0) {
        std::fprintf(stderr, "the peer did not start\n");
        return 1;
    }

    ::close(pair[1]);
    const int bare = pair[0];
    // A block of bare round trips with the peer inside its echo loop.
    const auto bareBlock = [&](int count, std::vector<qint64> *into) {
        Win::PostMessage(target, BareEcho, WPARAM(count), 0);
        QElapsedTimer t;
        for (int i = 0; i < count; ++i) {
            t.start();
            if (!BareRoundTrip(bare))
                return false;
            if (into)
                into->push_back(t.nsecsElapsed());
        }
        return true;
    };
    for (int i = 0; i < 1000; ++i) // warm up
        Win::SendMessage(target, Echo, 1, 2);
    if (!bareBlock(1000, nullptr)) {
        std::fprintf(stderr, "the peer's bare echo did not answer\n");
        return 1;
    }
    std::vector<qint64> sends, floor;
    sends.reserve(size_t(trips));
    floor.reserve(size_t(trips));
    QElapsedTimer clock;
    int wrong = 0;
    constexpr int Block = 500;
    for (int done = 0; done < trips; done += Block) {
        for (int i = done; i < qMin(trips, done + Block); ++i) {
            clock.start();
            const LRESULT r = Win::SendMessage(target, Echo, WPARAM(i), 1);
            sends.push_back(clock.nsecsElapsed());
            if (r != i + 1)
                ++wrong;
        }
        if (!bareBlock(qMin(trips, done + Block) - done, &floor))
            ++wrong;
    }
    const TQuantiles send = Quantiles(sends);
    const TQuantiles base = Quantiles(floor);
    std::printf("SendMessage round trip over %d sends: median %.1f us, 99th percentile %.1f us"
                "%s\n",
                trips, send.Median, send.P99, wrong ? " (WRONG RESULTS)" : "");
    std::printf("bare socket ping-pong, same run:       median %.1f us, 99th percentile %.1f us\n",
                base.Median, base.P99);
    std::printf("ratio SendMessage / bare socket:       median %.2fx, 99th percentile %.2fx\n",
                send.Median / base.Median, send.P99 / base.P99);

    clock.start();
    for (int i = 0; i < posts; ++i)
        Win::PostMessage(target, Counted, 0, i);
    // The count is asked with a send, which the peer answers between its deliveries.
    while (Win::SendMessage(target, Count) < posts)
        ;
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("PostMessage: %d posts delivered in %.3f s, %.0f messages/s\n", posts, seconds,
                posts / seconds);

    peer.kill();
    peer.waitForFinished();
    ::close(bare);
    return 0;
}
