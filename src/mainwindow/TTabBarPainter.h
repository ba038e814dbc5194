#pragma once
// Draws the tab bar from the skin: every tab in three slices (active or inactive) with its lock
// and its caption, bold for the shown tab, and the four tab bar buttons.

#include "mainwindow/TTabSet.h"
#include "mainwindow/TToolButton.h"

#include <QFont>
#include <QImage>

class QPainter;
class TEControl;

class TTabBarPainter {
public:
    // Takes the skin's tab bar buttons (magenta made transparent) once; the skin must be loaded.
    explicit TTabBarPainter(const TToolButtons &buttons);

    // lock: the image of a locked tab (the menu's lock image).
    void Paint(QPainter &canvas, const TEControl &control, TTabSet &tabs, const QImage &lock,
               const QFont &font) const;

private:
    const TToolButtons &FButtons;
    QImage FTabButtons;
};
