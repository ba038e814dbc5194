#include "mainwindow/TSpeakerMark.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>

QRect TSpeakerMark::Place(const TTab &tab, TTabBarTab &cell) {
    if (!tab.Audible && !tab.Muted)
        return QRect();
    const QRect mark(cell.TextRect.left(), cell.Rect.top() + (cell.Rect.height() - Size) / 2, Size,
                     Size);
    cell.TextRect.setLeft(std::min(cell.TextRect.right() + 1, mark.right() + 1 + Gap));
    return mark;
}

void TSpeakerMark::Draw(QPainter &canvas, const QRect &rect, bool muted, const QColor &color) {
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing);
    const QRectF r(rect);
    const qreal u = r.width() / 14.0;
    // The speaker: a box and its cone.
    QPainterPath body;
    body.moveTo(r.left() + 1 * u, r.top() + 5 * u);
    body.lineTo(r.left() + 4 * u, r.top() + 5 * u);
    body.lineTo(r.left() + 8 * u, r.top() + 1.5 * u);
    body.lineTo(r.left() + 8 * u, r.top() + 12.5 * u);
    body.lineTo(r.left() + 4 * u, r.top() + 9 * u);
    body.lineTo(r.left() + 1 * u, r.top() + 9 * u);
    body.closeSubpath();
    canvas.setPen(Qt::NoPen);
    canvas.setBrush(color);
    canvas.drawPath(body);
    QPen pen(muted ? QColor(200, 40, 40) : color, 1.3 * u, Qt::SolidLine, Qt::RoundCap);
    canvas.setPen(pen);
    canvas.setBrush(Qt::NoBrush);
    if (muted) {
        canvas.drawLine(QPointF(r.left() + 9.5 * u, r.top() + 4.5 * u),
                        QPointF(r.left() + 13.5 * u, r.top() + 9.5 * u));
        canvas.drawLine(QPointF(r.left() + 13.5 * u, r.top() + 4.5 * u),
                        QPointF(r.left() + 9.5 * u, r.top() + 9.5 * u));
    } else {
        canvas.drawArc(QRectF(r.left() + 5 * u, r.top() + 4 * u, 6 * u, 6 * u), -50 * 16, 100 * 16);
        canvas.drawArc(QRectF(r.left() + 4 * u, r.top() + 1.5 * u, 10 * u, 11 * u), -50 * 16,
                       100 * 16);
    }
    canvas.restore();
}
