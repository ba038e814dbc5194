// Skin benchmark, run by hand under X (xvfb-run -a build/bench/bench_skin):
// loading the default skin archive, and redrawing a skinned title bar on a change of the hot
// button (what a pointer move over the title-bar buttons costs).

#include "controls/TSkin.h"
#include "controls/TSkinForm.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    const QString path = QStringLiteral(LUDORA_SKIN_PATH);

    std::vector<double> loads;
    for (int i = 0; i < 50; ++i) {
        TSkin skin;
        QElapsedTimer t;
        t.start();
        const QString error = LoadSkinFrom(path, "default", skin);
        loads.push_back(t.nsecsElapsed() / 1e6);
        if (!error.isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            return 1;
        }
    }
    std::printf("load default skin: median %.2f ms over %zu runs\n", Median(loads), loads.size());

    LoadSkinFrom(path, "default", Skin());
    TSkinForm::SetCompanionHandle(1);
    TSkinForm window(nullptr, TSkinForm::TBorderStyle::Sizeable);
    window.SetCaption(QStringLiteral("Ludora 游戏大厅"));
    window.resize(1280, 800);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    std::vector<double> redraws;
    for (int i = 0; i < 400; ++i) {
        QElapsedTimer t;
        t.start();
        window.SetHotButton(i % 2 ? TSkinForm::btClose : -1); // repaints the title bar at once
        redraws.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("title bar redraw on a hot-button change, 1280 px wide: median %.3f ms over %zu\n",
                Median(redraws), redraws.size());
    return 0;
}
