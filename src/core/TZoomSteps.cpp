#include "core/TZoomSteps.h"

#include <iterator>

namespace {

// The browser's usual levels, so a game looks as it does at these sizes elsewhere.
constexpr int Levels[] = {25,  33,  50,  67,  75,  80,  90,  100, 110,
                          125, 150, 175, 200, 250, 300, 400, 500};

} // namespace

int TZoomSteps::Next(int percent, int direction) {
    if (direction > 0) {
        for (int level : Levels)
            if (level > percent)
                return level;
        return Max;
    }
    if (direction < 0) {
        for (auto it = std::rbegin(Levels); it != std::rend(Levels); ++it)
            if (*it < percent)
                return *it;
        return Min;
    }
    return percent;
}

int TZoomSteps::Valid(int percent) {
    return percent >= Min && percent <= Max ? percent : Normal;
}
