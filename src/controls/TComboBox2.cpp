#include "controls/TComboBox2.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>

TComboBox2::TComboBox2(QWidget *Owner) : QComboBox(Owner) {
    FHoverTimer.setInterval(HoverInterval);
    connect(&FHoverTimer, &QTimer::timeout, this, &TComboBox2::HoverTimerTick);
}

TComboBox2::~TComboBox2() = default;

void TComboBox2::SetRgn(int Value) {
    FRgn = Value;
    ApplyRgn();
}

void TComboBox2::SetItemHeight(int Value) {
    FItemHeight = Value;
    update();
}

void TComboBox2::SetHot(bool Value) {
    if (Value == FHot)
        return;
    FHot = Value;
    repaint();
    if (FHot)
        FHoverTimer.start();
    else
        FHoverTimer.stop();
    if (OnStateChanged)
        OnStateChanged(this);
}

bool TComboBox2::HasFocusWithin() const {
    const QWidget *Focus = QApplication::focusWidget();
    if (!Focus)
        return false;
    return Focus == this || isAncestorOf(Focus) || (view() && Focus == view());
}

void TComboBox2::HoverTimerTick() {
    // Leave notifications are useless here (the inner edit causes them); while the box has
    // the focus it stays hot.
    if (HasFocusWithin())
        return;
    const QPoint Point = mapFromGlobal(QCursor::pos());
    if (Point.x() <= 0 || Point.y() <= 0 || Point.x() > width() || Point.y() > height())
        SetHot(false);
}

void TComboBox2::paintEvent(QPaintEvent *Event) {
    QComboBox::paintEvent(Event);
    if (!OnPaint)
        return;
    QPainter Canvas(this);
    Canvas.setFont(font());
    OnPaint(this, Canvas);
}

void TComboBox2::resizeEvent(QResizeEvent *Event) {
    QComboBox::resizeEvent(Event);
    ApplyRgn();
}

void TComboBox2::enterEvent(QEnterEvent *Event) {
    QComboBox::enterEvent(Event);
    SetHot(true);
}

void TComboBox2::ApplyRgn() {
    if (FRgn <= 0) {
        clearMask();
        return;
    }
    // A rounded outline one pixel larger than the box, corners of FRgn x FRgn.
    QPainterPath Outline;
    Outline.addRoundedRect(QRectF(0, 0, width() + 1, height() + 1), FRgn / 2.0, FRgn / 2.0);
    setMask(QRegion(Outline.toFillPolygon().toPolygon()));
    update();
}
