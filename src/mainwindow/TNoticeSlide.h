#pragma once
// The notification pane's position arithmetic, without the pane: the page steers it with
// "javascript:show(N)" commands (1 hide, 2 slide up, 3 slide down to a strip), a 100 ms timer
// moves it 10 px a tick, and it stays anchored to the page frame's bottom right corner.

#include <QPoint>
#include <QString>

class TNoticeSlide {
public:
    static constexpr int Step = 10;
    static constexpr int RightMargin = 20;
    static constexpr int BottomGap = 5;    // a pane that is up ends this far above the bottom
    static constexpr int StripHeight = 28; // what stays visible of a pane slid down
    static constexpr int StripStop = 38;   // sliding down ends once the top passes this line
    static constexpr int TickInterval = 100;

    enum { Hide = 1, SlideUp = 2, SlideDown = 3 };

    // The digit N of a "javascript:show(N)" navigation (case-insensitive), 0 when the character
    // after the parenthesis is not a digit; -1 when the URL is no show command at all.
    static int ShowCommand(const QString &url);
    // Commands the pane takes; other navigations go on to the engine.
    static bool Handles(int command) { return command >= Hide && command <= SlideDown; }

    // Placed below the frame's visible part, ready to slide up.
    void Open(int frameWidth, int frameHeight, int paneWidth);
    void HideAway(int paneWidth); // off-screen to the left, offset 0
    // One timer tick for the running slide; false once the slide has ended (stop the timer).
    bool Tick(int frameHeight, int paneHeight);
    void StartSlide(int command) { FSlide = command; }
    // The frame was resized: a pane on screen keeps its place at the bottom right corner.
    void Reanchor(int frameWidth, int frameHeight, int paneWidth);
    // The pane's height changed (it fits its page): a pane that stood up keeps standing up, its
    // bottom 5 px above the frame's; sliding and strip positions are left to the ticks.
    void Refit(int frameHeight, int oldHeight, int newHeight);

    int Offset() const { return FOffset; }
    int Slide() const { return FSlide; }
    QPoint Pos() const { return FPos; }
    bool OnScreen() const { return FPos.x() > 0; }

private:
    int FOffset = 0; // from the frame's bottom up to the pane's top
    int FSlide = SlideUp;
    QPoint FPos{-10000, 0};
};
