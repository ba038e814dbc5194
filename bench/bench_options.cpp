// Opening the account page of the settings window with many stored accounts: from the page's
// selection until the table holds every row. The first run includes the web engine's start.
//
//   xvfb-run -a build/bench/bench_options [accounts] [runs]

#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "options/TAccountPage.h"
#include "options/TfrmOptions.h"
#include "store/TUserData.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[]) {
    TProgram::PrepareEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    const int accounts = argc > 1 ? std::max(1, atoi(argv[1])) : 2000;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 5;
    LoadSkinFrom(QStringLiteral(LUDORA_BUILD_DIR "/skin/default.skin"), QStringLiteral("default"),
                 Skin());

    TUserData data;
    for (int i = 0; i < accounts; ++i)
        data.AppendAccount(QStringLiteral("休闲游戏\\经典小游戏\\游戏%1\\").arg(i % 40),
                           QStringLiteral("player%1").arg(i),
                           QStringLiteral("帐号 %1 \"<标题>\"").arg(i),
                           QStringLiteral("pw%1").arg(i));

    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        TfrmOptions form(nullptr, &data);
        form.show();
        QEventLoop loop;
        int rows = 0;
        QObject::connect(form.WebBrowser1, &TAccountPage::TableReady, &loop, [&](int n) {
            rows = n;
            loop.quit();
        });
        QTimer::singleShot(60000, &loop, &QEventLoop::quit);
        QElapsedTimer clock;
        double loaded = 0;
        QObject::connect(form.WebBrowser1, &QWebEngineView::loadFinished, &loop,
                         [&]() { loaded = clock.nsecsElapsed() / 1e6; });
        clock.start();
        form.ShowPage(TfrmOptions::PageAccounts);
        loop.exec();
        const double ms = clock.nsecsElapsed() / 1e6;
        if (rows != 2 * accounts) {
            std::fprintf(stderr, "run %d: %d rows instead of %d\n", run, rows, 2 * accounts);
            return 1;
        }
        times.push_back(ms);
        std::printf("run %d: %.1f ms (page loaded at %.1f ms)\n", run + 1, ms, loaded);
    }
    std::vector<double> warm(times.begin() + (times.size() > 1 ? 1 : 0), times.end());
    std::sort(warm.begin(), warm.end());
    std::printf("%d accounts: first open %.1f ms, later opens median %.1f ms (%zu runs)\n",
                accounts, times.front(), warm[warm.size() / 2], warm.size());
    return 0;
}
