#pragma once
// The suggestion list inside the address box's pop-up: owner-drawn rows of 30 pixels, two lines
// each (title above, URL below), following the pointer. A left press chooses the row for the
// box; the list never takes the focus and ignores the other buttons.

#include <QListWidget>

class TAddressBox;

class TAddress : public QListWidget {
    Q_OBJECT
public:
    static constexpr int ItemHeight = 30;

    TAddress(TAddressBox *box, QWidget *parent);

    TAddressBox *Box() const { return FBox; }
    // The selected row, or -1.
    int SelectedIndex() const;
    // Item text: title + line feed + URL.
    QString ItemText(int index) const;
    // The box's arrow and page keys: move the selection as the list's own keys would.
    void MoveSelection(QKeyEvent *event) { keyPressEvent(event); }

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    class TItemDrawer;
    TAddressBox *FBox;
};
