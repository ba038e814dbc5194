// The yardstick of bench_play: a bare web view of one page in a window of its own, with nothing of
// the hall around it. The engine's switches come from QTWEBENGINE_CHROMIUM_FLAGS.
//
//   build/bench/bench_play_view <url>
#include "platform/TProcessInfo.h"

#include <QApplication>
#include <QWebEngineSettings>
#include <QWebEngineView>

int main(int argc, char *argv[]) {
    if (argc < 2)
        return 2;
    // Chromium refuses its sandbox as root, as the hall does.
    if (TProcessInfo::IsRoot())
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
                qgetenv("QTWEBENGINE_CHROMIUM_FLAGS") + QByteArray(" --no-sandbox"));
    QApplication app(argc, argv);
    QWebEngineView view;
    view.settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);
    view.resize(1000, 760);
    view.load(QUrl(QString::fromLocal8Bit(argv[argc - 1])));
    view.show();
    return app.exec();
}
