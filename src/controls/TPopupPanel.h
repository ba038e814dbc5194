#pragma once
// The thin-bordered window that carries the address box's suggestion list. It floats over
// everything under the box, is never activated (the box keeps the keyboard) and starts hidden.

#include <QFrame>

class TPopupPanel : public QFrame {
    Q_OBJECT
public:
    // Owned by owner (the address box), and placed on screen by it.
    explicit TPopupPanel(QWidget *owner);

    // Width and height of the whole window for a client area of the given size.
    void SetClientSize(int width, int clientHeight);
};
