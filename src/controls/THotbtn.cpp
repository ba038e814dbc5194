#include "controls/THotbtn.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>

THotbtn::THotbtn(QWidget *Owner) : QWidget(Owner) {
    FLeaveTimer.setInterval(LeaveInterval);
    connect(&FLeaveTimer, &QTimer::timeout, this, &THotbtn::LeaveTimerTick);
}

THotbtn::~THotbtn() = default;

void THotbtn::SetState(quint8 Value) {
    // A disabled button keeps the look it had when it was disabled.
    if (!isEnabled() || Value == FState)
        return;
    if (Value != StateNormal)
        FLeaveTimer.start();
    else
        FLeaveTimer.stop();
    if (Value != StateNormal && parentWidget()) {
        const auto Siblings = parentWidget()->findChildren<THotbtn *>(Qt::FindDirectChildrenOnly);
        for (THotbtn *Sibling : Siblings)
            if (Sibling != this)
                Sibling->SetState(StateNormal);
    }
    FState = Value;
    repaint();
}

void THotbtn::SetDown(bool Value) {
    if (Value == FDown)
        return;
    FDown = Value;
    repaint();
}

void THotbtn::LeaveTimerTick() {
    // Also ends a pressed look when the pointer was dragged away, Down or not.
    if (!rect().contains(mapFromGlobal(QCursor::pos())))
        SetState(StateNormal);
}

void THotbtn::paintEvent(QPaintEvent *) {
    if (!OnPaint)
        return;
    QPainter Canvas(this);
    Canvas.setFont(font());
    OnPaint(this, Canvas);
}

void THotbtn::enterEvent(QEnterEvent *Event) {
    QWidget::enterEvent(Event);
    if (!FDown)
        SetState(StateHot);
}

void THotbtn::leaveEvent(QEvent *Event) {
    QWidget::leaveEvent(Event);
    if (!FDown)
        SetState(StateNormal);
}

void THotbtn::mousePressEvent(QMouseEvent *Event) {
    SetState(StatePressed);
    const QPoint Point = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), TShiftState::Of(*Event), Point.x(), Point.y());
}

void THotbtn::mouseDoubleClickEvent(QMouseEvent *Event) {
    SetState(StatePressed);
    const QPoint Point = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), TShiftState::Of(*Event, true), Point.x(), Point.y());
}

void THotbtn::mouseReleaseEvent(QMouseEvent *Event) {
    if (!FDown)
        SetState(StateHot);
    const QPoint Point = Event->position().toPoint();
    if (OnMouseUp)
        OnMouseUp(this, Event->button(), TShiftState::Of(*Event), Point.x(), Point.y());
    // A click is a left release over the button.
    if (Event->button() == Qt::LeftButton && rect().contains(Point) && OnClick)
        OnClick(this);
}

void THotbtn::mouseMoveEvent(QMouseEvent *Event) {
    const QPoint Point = Event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, TShiftState::Of(*Event), Point.x(), Point.y());
}
