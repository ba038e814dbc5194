// Throughput of the fetch component against the demo portal on 127.0.0.1.
// Usage: bench_httpget [path/to/tools/portal/portal.py]   (run from the checkout by default)

#include "net/THTTPGet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <cstdio>

namespace {

// Runs one fetch to its end; returns the milliseconds it took, or -1 on failure.
double Fetch(THTTPGet &get, bool file) {
    bool done = false, ok = false;
    get.OnDoneString = [&](THTTPGet *, const QByteArray &) { done = ok = true; };
    get.OnDoneFile = [&](THTTPGet *, const QString &, qint64) { done = ok = true; };
    get.OnError = [&](THTTPGet *) { done = true; };
    QElapsedTimer timer;
    timer.start();
    file ? get.StartFileFetch() : get.StartTextFetch();
    while (!done || get.Busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return ok ? timer.nsecsElapsed() / 1e6 : -1;
}

} // namespace

int main(int argc, char **argv) {
    QCoreApplication app(argc, argv);
    const QString script =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("tools/portal/portal.py");
    QProcess portal;
    portal.start("python3", {script, "--port", "0"});
    QByteArray seen;
    QRegularExpressionMatch m;
    while (!(m = QRegularExpression("http://127\\.0\\.0\\.1:(\\d+)/").match(seen)).hasMatch()) {
        if (!portal.waitForReadyRead(10000)) {
            std::fprintf(stderr, "the portal did not start (%s)\n", qPrintable(script));
            return 1;
        }
        seen += portal.readAllStandardOutput();
    }
    const QString base = m.captured(0) + "fetch/";
    QTemporaryDir dir;

    THTTPGet get;
    get.SetFileName(dir.filePath("bench.bin"));
    qint64 progress = 0;
    get.OnProgress = [&](THTTPGet *, qint64, qint64) { ++progress; };
    const int size = 10485760;
    for (bool file : {false, true}) {
        get.SetURL(base + QString("bytes?n=%1").arg(size));
        double best = 1e12;
        for (int i = 0; i < 5; ++i)
            best = qMin(best, Fetch(get, file));
        std::printf("%s fetch of 10 MiB: best of 5 %.1f ms, %.0f MiB/s, %lld progress events\n",
                    file ? "file" : "text", best, 10 * 1000 / best, progress / 5);
        progress = 0;
    }

    get.SetURL(base + "bytes?n=1000");
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < 100; ++i)
        Fetch(get, false);
    std::printf("text fetch of 1000 bytes: %.2f ms each (100 in a row)\n",
                timer.nsecsElapsed() / 1e6 / 100);
    portal.terminate();
    portal.waitForFinished(3000);
    return 0;
}
