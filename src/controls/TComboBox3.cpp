#include "controls/TComboBox3.h"

#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

TComboBox3::TComboBox3(QWidget *Owner) : TComboBox2(Owner) {
    // The inner edit shows the chosen entry between the image and the arrow.
    setEditable(true);
}

TComboBox3::~TComboBox3() = default;

void TComboBox3::SetImageIndex(int Value) {
    FImageIndex = Value;
    update();
}

void TComboBox3::SetImages(const QList<QPixmap> &Value) {
    FImages = Value;
    update();
}

void TComboBox3::showPopup() {
    if (FDropMenu)
        FDropMenu->popup(mapToGlobal(QPoint(0, height() - 1)));
}

void TComboBox3::PlaceEdit() {
    QLineEdit *Edit = lineEdit();
    if (!Edit)
        return;
    const QRect Place(ArrowWidth, 5, qMax(0, width() - 2 * ArrowWidth), ItemHeight());
    if (Edit->geometry() != Place)
        Edit->setGeometry(Place);
}

void TComboBox3::paintEvent(QPaintEvent *Event) {
    PlaceEdit();
    TComboBox2::paintEvent(Event);
    if (FDropMenu && FImageIndex >= 0 && FImageIndex < FImages.size()) {
        QPainter Canvas(this);
        Canvas.drawPixmap(3, 3, FImages.at(FImageIndex));
    }
}

void TComboBox3::resizeEvent(QResizeEvent *Event) {
    TComboBox2::resizeEvent(Event);
    // The box's own layout has just placed the edit; put it where the image leaves room.
    PlaceEdit();
}

void TComboBox3::showEvent(QShowEvent *Event) {
    TComboBox2::showEvent(Event);
    PlaceEdit();
}

void TComboBox3::mousePressEvent(QMouseEvent *Event) {
    if (Event->button() == Qt::LeftButton && Event->position().x() > width() - ArrowWidth) {
        showPopup();
        return;
    }
    TComboBox2::mousePressEvent(Event);
}
