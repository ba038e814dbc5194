#include "controls/TEControl.h"

#include <QCursor>
#include <QMouseEvent>
#include <QPainter>

TEControl::TEControl(QWidget *Owner) : QWidget(Owner) {
    // Opaque: the owner's picture covers everything, so nothing is erased underneath, and an
    // owner without a paint handler leaves the area as it was.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAutoFillBackground(false);
    // Moves arrive without a button held, as they do for any window.
    setMouseTracking(true);
    FHoverTimer.setInterval(HoverInterval);
    connect(&FHoverTimer, &QTimer::timeout, this, &TEControl::HoverTimerTick);
}

TEControl::~TEControl() = default;

int TEControl::IndexAt(int X, int Y) {
    FFinalIndex = -1;
    FChevronLeft = 0;
    int Index = -1;
    if (OnGetIndex)
        OnGetIndex(this, Index, X, Y);
    return Index;
}

void TEControl::SetOverIndex(int Value) {
    if (Value == FOverIndex)
        return;
    FHoverTimer.stop();
    if (OnChangeIndex)
        OnChangeIndex(this, Value);
    if (Value >= 0) {
        FDownIndex = -1;
        FHoverTimer.start();
    }
    FOverIndex = Value;
    Redraw();
}

int TEControl::TakeDownIndex() {
    const int down = FDownIndex;
    FDownIndex = -1;
    if (down != -1)
        Redraw();
    return down;
}

void TEControl::SetCaption(const QString &Value) {
    FCaption = Value;
    Redraw();
}

void TEControl::Redraw() {
    DrawTo(nullptr);
}

void TEControl::DrawTo(QPainter *Target) {
    if (!OnDrawControl || width() <= 0 || height() <= 0)
        return;
    const qreal Ratio = devicePixelRatioF();
    QPixmap Picture(size() * Ratio);
    Picture.setDevicePixelRatio(Ratio);
    {
        QPainter Canvas(&Picture);
        Canvas.setFont(font());
        OnDrawControl(this, Canvas);
    }
    if (Target) {
        Target->drawPixmap(0, 0, Picture);
        return;
    }
    // The toolkit lets a widget put pixels on screen only from its paint event; a synchronous
    // repaint copies the finished picture there before Redraw returns.
    FPicture = Picture;
    FPicturePending = true;
    repaint();
    FPicturePending = false;
    FPicture = QPixmap();
}

LRESULT TEControl::EraseBackground() {
    Redraw();
    return 1;
}

LRESULT TEControl::WindowProc(const Win::TMessage &Message) {
    switch (Message.msg) {
    case Win::WM_SETTEXT:
        SetCaption(Message.text);
        return 1;
    case Win::WM_ERASEBKGND:
        return EraseBackground();
    default:
        return 0;
    }
}

void TEControl::HoverTimerTick() {
    if (FOverIndex < 0)
        return;
    const QPoint Point = mapFromGlobal(QCursor::pos());
    SetOverIndex(IndexAt(Point.x(), Point.y()));
}

void TEControl::paintEvent(QPaintEvent *) {
    QPainter Painter(this);
    if (FPicturePending) {
        Painter.drawPixmap(0, 0, FPicture);
        return;
    }
    // The window system asks for the area to be restored: paint everything anew.
    DrawTo(&Painter);
}

void TEControl::resizeEvent(QResizeEvent *Event) {
    QWidget::resizeEvent(Event);
    if (OnResize)
        OnResize(this);
    Redraw();
}

void TEControl::Press(QMouseEvent *Event, bool Double) {
    const QPoint Point = Event->position().toPoint();
    const int Index = IndexAt(Point.x(), Point.y());
    // A press sets the hot item directly: no notification, the timer is left as it is.
    FOverIndex = Index;
    // A second press on the pressed item releases it; a press on empty space clears it.
    FDownIndex = Index == FDownIndex ? -1 : Index;
    Redraw();
    if (OnMouseDown)
        OnMouseDown(this, Event->button(), TShiftState::Of(*Event, Double), Point.x(), Point.y());
}

void TEControl::mousePressEvent(QMouseEvent *Event) {
    Press(Event, false);
}

void TEControl::mouseDoubleClickEvent(QMouseEvent *Event) {
    Press(Event, true);
}

void TEControl::mouseReleaseEvent(QMouseEvent *Event) {
    // The control does not hold the mouse while a button is down: a release outside it is
    // not its own. The pressed item is left to the owner.
    const QPoint Point = Event->position().toPoint();
    if (!rect().contains(Point))
        return;
    if (OnMouseUp)
        OnMouseUp(this, Event->button(), TShiftState::Of(*Event), Point.x(), Point.y());
}

void TEControl::mouseMoveEvent(QMouseEvent *Event) {
    // Moves outside arrive only because the toolkit holds the mouse during a press; the hover
    // timer notices the pointer leaving, as for a control that does not hold it.
    const QPoint Point = Event->position().toPoint();
    if (!rect().contains(Point))
        return;
    if (OnMouseMove)
        OnMouseMove(this, TShiftState::Of(*Event), Point.x(), Point.y());
    SetOverIndex(IndexAt(Point.x(), Point.y()));
}
