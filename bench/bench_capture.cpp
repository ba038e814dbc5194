// Region capture and favourites timings: from the capture button to the frozen screen shown,
// and listing a favourites folder of 2,000 shortcuts.
// Run under xvfb-run -s "-screen 0 1920x1080x24" for the full-HD figure.

#include "capture/TfrmCaptor.h"
#include "controls/TSkin.h"
#include "side/TFavorites.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

// Notes when the capture window has painted its first frame.
class TPaintWatch : public QObject {
public:
    bool Painted = false;
    bool eventFilter(QObject *, QEvent *event) override {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

double Median(QList<double> values) {
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    LoadSkinFrom(QStringLiteral(LUDORA_SKIN_PATH), QStringLiteral("default"), Skin());
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 10;
    const QSize screen = QGuiApplication::primaryScreen()->size();

    QList<double> shown;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        QCoreApplication::processEvents(); // what the main window does before starting the tool
        QPointer<TfrmCaptor> captor = TfrmCaptor::Start();
        TPaintWatch watch;
        captor->installEventFilter(&watch);
        while (!watch.Painted)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QCoreApplication::processEvents();
        shown.append(timer.nsecsElapsed() / 1e6);
        captor->close();
        while (captor)
            QCoreApplication::processEvents();
    }
    std::printf("capture button to frozen screen shown (%dx%d): median %.1f ms, max %.1f ms "
                "over %d runs\n",
                screen.width(), screen.height(), Median(shown),
                *std::max_element(shown.begin(), shown.end()), runs);

    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    for (int i = 0; i < 2000; ++i) {
        QFile f(folder + QStringLiteral("游戏 %1.url").arg(i * 7919 % 2000));
        if (!f.open(QIODevice::WriteOnly))
            return 1;
        f.write("[InternetShortcut]\r\nURL=http://127.0.0.1/game\r\n");
    }
    QList<double> listed;
    qsizetype count = 0;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        count = TFavorites::ListFolder(folder).size();
        listed.append(timer.nsecsElapsed() / 1e6);
    }
    std::printf("ListFolder of %lld shortcuts: median %.1f ms over %d runs\n",
                static_cast<long long>(count), Median(listed), runs);
    return 0;
}
