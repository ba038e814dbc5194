#include "controls/TPaintPanel.h"

#include <QMouseEvent>
#include <QPainter>

TPaintPanel::TPaintPanel(QWidget *Owner) : QWidget(Owner) {
    // Never erased: the owner paints every pixel, so erasing first would only flicker.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
}

TPaintPanel::~TPaintPanel() = default;

QColor TPaintPanel::Color() const {
    return palette().color(QPalette::Window);
}

void TPaintPanel::SetColor(const QColor &Value) {
    QPalette Palette = palette();
    Palette.setColor(QPalette::Window, Value);
    setPalette(Palette);
    update();
}

LRESULT TPaintPanel::EraseBackground() {
    repaint();
    return 1;
}

LRESULT TPaintPanel::WindowProc(const Win::TMessage &Message) {
    if (Message.msg == Win::WM_ERASEBKGND)
        return EraseBackground();
    return 0;
}

void TPaintPanel::paintEvent(QPaintEvent *) {
    if (!OnPaint)
        return;
    QPainter Canvas(this);
    Canvas.setFont(font());
    Canvas.setBrush(Color());
    OnPaint(this, Canvas);
}

void TPaintPanel::resizeEvent(QResizeEvent *Event) {
    QWidget::resizeEvent(Event);
    if (OnResize)
        OnResize(this);
}

void TPaintPanel::leaveEvent(QEvent *Event) {
    QWidget::leaveEvent(Event);
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TPaintPanel::mousePressEvent(QMouseEvent *Event) {
    const QPoint Point = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), TShiftState::Of(*Event), Point.x(), Point.y());
}

void TPaintPanel::mouseDoubleClickEvent(QMouseEvent *Event) {
    const QPoint Point = Event->position().toPoint();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), TShiftState::Of(*Event, true), Point.x(), Point.y());
}

void TPaintPanel::mouseReleaseEvent(QMouseEvent *Event) {
    const QPoint Point = Event->position().toPoint();
    if (OnMouseUp)
        OnMouseUp(this, Event->button(), TShiftState::Of(*Event), Point.x(), Point.y());
    if (Event->button() == Qt::LeftButton && rect().contains(Point) && OnClick)
        OnClick(this);
}

void TPaintPanel::mouseMoveEvent(QMouseEvent *Event) {
    const QPoint Point = Event->position().toPoint();
    if (OnMouseMove)
        OnMouseMove(this, TShiftState::Of(*Event), Point.x(), Point.y());
}
