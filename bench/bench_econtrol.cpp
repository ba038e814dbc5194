// How long one redraw of a full-width strip takes: the owner paints a background and 20 items
// with captions into the off-screen picture, which is then copied to the screen.
// Run by hand under a display: xvfb-run -a build/bench/bench_econtrol [width] [rounds]

#include "controls/TEControl.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QTest>

#include <cstdio>

int main(int argc, char **argv) {
    QApplication App(argc, argv);
    const int Width = argc > 1 ? atoi(argv[1]) : 1920;
    const int Rounds = argc > 2 ? atoi(argv[2]) : 1000;

    TEControl Strip;
    Strip.resize(Width, 30);
    Strip.OnGetIndex = [](TEControl *, int &Index, int X, int) { Index = X / 60; };
    Strip.OnDrawControl = [](TEControl *Sender, QPainter &Canvas) {
        QLinearGradient Background(0, 0, 0, Sender->height());
        Background.setColorAt(0, QColor(230, 236, 245));
        Background.setColorAt(1, QColor(190, 205, 225));
        Canvas.fillRect(Sender->rect(), Background);
        for (int Item = 0; Item * 60 < Sender->width() && Item < 20; ++Item) {
            const QRect Cell(Item * 60 + 2, 3, 56, 24);
            if (Item == Sender->OverIndex())
                Canvas.fillRect(Cell, Item == Sender->DownIndex() ? Qt::darkGray : Qt::lightGray);
            Canvas.drawText(Cell, Qt::AlignCenter, QStringLiteral("按钮%1").arg(Item));
        }
    };
    Strip.show();
    if (!QTest::qWaitForWindowExposed(&Strip)) {
        std::fprintf(stderr, "no display\n");
        return 1;
    }

    for (int Round = 0; Round < 50; ++Round) // warm up the font and the paint engine
        Strip.Redraw();

    QElapsedTimer Clock;
    Clock.start();
    for (int Round = 0; Round < Rounds; ++Round)
        Strip.SetOverIndex(Round % 20); // a hover change: one complete redraw each
    const double HoverMs = Clock.nsecsElapsed() / 1e6 / Rounds;

    Clock.restart();
    for (int Round = 0; Round < Rounds; ++Round)
        Strip.EraseBackground();
    const double EraseMs = Clock.nsecsElapsed() / 1e6 / Rounds;

    std::printf(
        "strip %d x 30: hover change with redraw %.3f ms, erase redraw %.3f ms (%d rounds)\n",
        Width, HoverMs, EraseMs, Rounds);
    return 0;
}
