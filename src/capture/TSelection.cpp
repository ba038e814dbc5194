#include "capture/TSelection.h"

#include "capture/TCaptureGeometry.h"

#include <QMouseEvent>
#include <QPainter>

TSelection::TSelection(const QImage *snapshot, QWidget *parent)
    : QWidget(parent), FSnapshot(snapshot) {
    setObjectName(QStringLiteral("Selection"));
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::SizeAllCursor);
}

void TSelection::paintEvent(QPaintEvent *) {
    QPainter canvas(this);
    const int w = width(), h = height();
    if (FSnapshot)
        canvas.drawImage(rect(), *FSnapshot,
                         TCaptureGeometry::ImageRect(geometry(), FSnapshot->devicePixelRatio()));
    const QColor blue(0, 0, 255);
    canvas.setPen(blue);
    canvas.drawPolyline(QPolygon(
        {QPoint(2, 2), QPoint(2, h - 3), QPoint(w - 3, h - 3), QPoint(w - 3, 2), QPoint(2, 2)}));
    const int s = TCaptureGeometry::HandleSize;
    const QPoint handles[] = {{0, 0},           {w - s, 0},          {0, h - s},
                              {w - s, h - s},   {0, (h - s) / 2},    {w - s, (h - s) / 2},
                              {(w - s) / 2, 0}, {(w - s) / 2, h - s}};
    for (const QPoint &p : handles)
        canvas.fillRect(QRect(p, QSize(s, s)), blue);
}

void TSelection::mousePressEvent(QMouseEvent *event) {
    FAnchor = event->position().toPoint();
    if (OnPress)
        OnPress();
}

void TSelection::mouseMoveEvent(QMouseEvent *event) {
    const QPoint p = event->position().toPoint();
    if (!(event->buttons() & Qt::LeftButton)) {
        FPart = TCaptureGeometry::PartAt(p.x(), p.y(), width(), height());
        setCursor(TCaptureGeometry::PartCursor(FPart));
        return;
    }
    if (FPart == spMove) {
        move(pos() + p - FAnchor);
    } else {
        // The capture window covers the screen from (0, 0): its coordinates are the parent's.
        const QPoint c = mapToParent(p);
        setGeometry(TCaptureGeometry::Resize(FPart, geometry(), c));
    }
    update();
}

void TSelection::mouseReleaseEvent(QMouseEvent *) {
    if (OnRelease)
        OnRelease();
}
