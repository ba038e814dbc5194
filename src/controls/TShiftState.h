#pragma once
// What a mouse notification carries besides the button and the point: the keyboard modifiers,
// the mouse buttons held, and whether the press is the second press of a double click.

#include <QMouseEvent>
#include <Qt>

struct TShiftState {
    Qt::KeyboardModifiers Keys;
    Qt::MouseButtons Buttons;
    bool Double = false;

    static TShiftState Of(const QMouseEvent &Event, bool Double = false) {
        return {Event.modifiers(), Event.buttons(), Double};
    }
};
