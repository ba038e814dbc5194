// Address suggestions over a large history: the time from the typed text to the sorted, trimmed
// list, which is all the worker does after a key press.
// Usage: bench_history [pages=100000] [rounds=5]
#include "controls/TGetHistoryThread.h"
#include "store/THistoryStore.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int pages = argc > 1 ? atoi(argv[1]) : 100000;
    const int rounds = argc > 2 ? atoi(argv[2]) : 5;
    QTemporaryDir dir;
    const QString file = dir.filePath(QLatin1String(THistoryStore::FileName));

    const QStringList hosts = {"game", "play", "bbs", "news", "mail", "shop", "video", "wiki"};
    const QStringList titles = {"三国", "水浒", "西游", "红楼", "仙侠", "江湖", "武林", "传奇"};
    QRandomGenerator rng(42);
    std::vector<double> records;
    {
        THistoryStore store(file);
        if (!store.IsOpen()) {
            std::fprintf(stderr, "%s\n", qPrintable(store.ErrorText()));
            return 1;
        }
        for (int i = 0; i < pages; ++i) {
            const QString url = QStringLiteral("http://%1%2.example.com/p/%3?id=%4")
                                    .arg(hosts[rng.bounded(hosts.size())])
                                    .arg(rng.bounded(500))
                                    .arg(rng.bounded(100000))
                                    .arg(i);
            const QString title = QStringLiteral("%1 第%2区").arg(titles[rng.bounded(8)]).arg(i);
            QElapsedTimer t;
            t.start();
            if (!store.RecordVisit(url, title))
                return 1;
            records.push_back(t.nsecsElapsed() / 1e6);
        }
    }

    // What a user types, key by key, then texts of every frequency: a host, a title, a page
    // number, and texts found nowhere (a single letter is not looked up in the text index).
    const QStringList typed = {
        "h",      "ht", "htt",  "http",     "http://", "http://g", "http://ga", "http://game1",
        "game12", "三", "三国", "三国 第9", "p/4242",  "id=99999", "zzz-none",  "Q"};
    std::vector<double> opens;
    std::vector<std::vector<double>> perText(typed.size());
    int shown = 0;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        THistoryStore store(file);
        opens.push_back(t.nsecsElapsed() / 1e6);
        for (int i = 0; i < typed.size(); ++i) {
            t.restart();
            shown = int(store.Search(typed[i], 18).size());
            perText[i].push_back(t.nsecsElapsed() / 1e6);
        }
    }
    // Key press to suggestions on the user interface thread: through the address box's worker.
    std::vector<double> keys;
    {
        TGetHistoryThread worker(file, 18);
        QEventLoop loop;
        QObject::connect(&worker, &TGetHistoryThread::Found, &loop, &QEventLoop::quit);
        for (int r = 0; r < rounds; ++r) {
            for (const QString &text : typed) {
                QElapsedTimer t;
                t.start();
                worker.Search(text);
                loop.exec();
                keys.push_back(t.nsecsElapsed() / 1e6);
            }
        }
    }
    std::printf("pages: %d, file: %lld bytes, rounds: %d\n", pages,
                static_cast<long long>(QFileInfo(file).size()), rounds);
    std::printf("record visit: median %.3f ms\n", Median(records));
    std::printf("open: median %.2f ms\n", Median(opens));
    std::vector<double> searches;
    for (int i = 0; i < typed.size(); ++i) {
        std::printf("  search \"%s\": median %.2f ms\n", qPrintable(typed[i]), Median(perText[i]));
        searches.insert(searches.end(), perText[i].begin(), perText[i].end());
    }
    std::printf("search (18 shortest of all matches), all texts: median %.2f ms, max %.2f ms\n",
                Median(searches), *std::max_element(searches.begin(), searches.end()));
    std::printf("key press to suggestions (worker thread): median %.2f ms, max %.2f ms\n",
                Median(keys), *std::max_element(keys.begin(), keys.end()));
    return shown == 0 ? 0 : 1; // the last text matches nothing
}
