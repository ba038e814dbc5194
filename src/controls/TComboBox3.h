#pragma once
// The folder box: a TComboBox2 whose arrow opens a pop-up menu instead of a list, with an image
// of the menu's image list at its left.

#include "controls/TComboBox2.h"

#include <QList>
#include <QMenu>
#include <QPixmap>
#include <QPointer>

class TComboBox3 : public TComboBox2 {
    Q_OBJECT

public:
    // Width of the arrow zone at the right end, and of the image zone at the left.
    static constexpr int ArrowWidth = 22;

    explicit TComboBox3(QWidget *Owner = nullptr);
    ~TComboBox3() override;

    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value);
    QMenu *DropMenu() const { return FDropMenu; }
    void SetDropMenu(QMenu *Value) { FDropMenu = Value; }
    // The image list of the drop menu; the box shows image ImageIndex of it.
    const QList<QPixmap> &Images() const { return FImages; }
    void SetImages(const QList<QPixmap> &Value);

    // Opens the drop menu under the box (nothing without one); the box never shows a list.
    void showPopup() override;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;

private:
    void PlaceEdit();

    int FImageIndex = 0;
    QPointer<QMenu> FDropMenu;
    QList<QPixmap> FImages;
};
