#pragma once
// The zoom levels a page steps through with Ctrl + wheel and Ctrl + "+" / "-", in percent.

class TZoomSteps {
public:
    static constexpr int Min = 25;
    static constexpr int Max = 500;
    static constexpr int Normal = 100;

    // The next level above (direction > 0) or below (direction < 0) percent, which need not be a
    // level itself; the ends stay where they are.
    static int Next(int percent, int direction);
    // percent within Min..Max; anything else (a damaged settings value) gives Normal.
    static int Valid(int percent);
};
