#pragma once
// Draws the status bar from the skin: the background, the shown page's load progress at the
// right end, and the page's status text or, when there is none, the scrolling ad strip with the
// item under the pointer underlined.

#include <QFont>

class QPainter;
class TAdStrip;
class TEControl;

class TStatusBarPainter {
public:
    // progress: the shown tab's load progress (0 for none); zoom: the shown page's zoom, drawn
    // at the right of the text, empty for none.
    static void Paint(QPainter &canvas, const TEControl &control, int progress, TAdStrip &ads,
                      const QFont &font, const QString &zoom = QString());
};
