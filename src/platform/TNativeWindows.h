#pragma once
// Takes a window of this program off the screen and back at the X server, behind the toolkit's
// back: the toolkit keeps it shown, so a dialog waiting for an answer goes on waiting.

#include <QtGlobal>

class TNativeWindows {
public:
    static void Unmap(quintptr window);
    static void Map(quintptr window);
};
