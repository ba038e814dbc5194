#pragma once
// Draws the tool bar and the chevron's drop-down strip from the skin: the button rows with their
// frames, icons and captions, and on the tool bar the frames of the address and search boxes with
// the engine badge, the page icon, the two small buttons and the go buttons.

#include "mainwindow/TToolBarLayout.h"
#include "mainwindow/TToolButton.h"

#include <QFont>
#include <QImage>

class QPainter;
class TEControl;

class TToolBarPainter {
public:
    // Takes the skin's images (magenta made transparent) once; the skin must be loaded.
    TToolBarPainter(const TToolButtons &buttons, TToolBarLayout &layout);

    // Paints strip (the tool bar, or the drop-down strip when strip is ToolBar2) for the chosen
    // search engine.
    void Paint(QPainter &canvas, const TEControl &control, TToolStrip strip, int searchEngine,
               const QFont &font);

private:
    void PaintRows(QPainter &canvas, TToolStrip strip, int over, int down);
    void PaintBoxes(QPainter &canvas, int over, int down, int searchEngine, const QFont &font);

    const TToolButtons &FButtons;
    TToolBarLayout &FLayout;
    QImage FIcons, FGrayIcons, FSmallButtons, FSearchGo, FAddressGo;
};
