// Round trip of SendMessage and throughput of PostMessage between two real processes.
// Usage: bench_messages [round trips] [posts]. Run by hand; not part of the tests.
#include "platform/WinMessages.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr quint32 Echo = Win::WM_USER + 1;
constexpr quint32 Counted = Win::WM_USER + 2;
constexpr quint32 Count = Win::WM_USER + 3;

int Serve() {
    if (!Win::Initialize())
        return 2;
    qint64 counted = 0;
    const HWND self = Win::RegisterWindow(nullptr, "TBenchPeer", [&](const Win::TMessage &m) {
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

} // namespace

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.contains("--serve"))
        return Serve();
    const int trips = args.size() > 1 ? qMax(100, args.at(1).toInt()) : 20000;
    const int posts = args.size() > 2 ? qMax(1000, args.at(2).toInt()) : 200000;

    QTemporaryDir dir;
    qputenv("LUDORA_RUNTIME_DIR", (dir.path() + "/run").toLocal8Bit());
    if (!Win::Initialize())
        return 2;
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QCoreApplication::applicationFilePath(), {"--serve"});
    QByteArray line;
    while (!line.contains('\n') && peer.waitForReadyRead(10000))
        line += peer.readAllStandardOutput();
    const HWND target = line.trimmed().split(' ').value(1).toULongLong();
    if (target == 0) {
        std::fprintf(stderr, "the peer did not start\n");
        return 1;
    }

    for (int i = 0; i < 1000; ++i) // warm up
        Win::SendMessage(target, Echo, 1, 2);
    std::vector<qint64> ns(size_t(trips), 0);
    QElapsedTimer clock;
    int wrong = 0;
    for (int i = 0; i < trips; ++i) {
        clock.start();
        const LRESULT r = Win::SendMessage(target, Echo, WPARAM(i), 1);
        ns[size_t(i)] = clock.nsecsElapsed();
        if (r != i + 1)
            ++wrong;
    }
    std::sort(ns.begin(), ns.end());
    const double median = ns[ns.size() / 2] / 1000.0;
    const double p99 = ns[ns.size() * 99 / 100] / 1000.0;
    std::printf("SendMessage round trip over %d sends: median %.1f us, 99th percentile %.1f us"
                "%s\n",
                trips, median, p99, wrong ? " (WRONG RESULTS)" : "");

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
    return 0;
}
