#include "side/TScrollBar1.h"

#include "controls/TSkin.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include <algorithm>

TScrollBar1::TScrollBar1(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(BarWidth, 100);
    hide();
    FRepeat.setInterval(RepeatInterval);
    connect(&FRepeat, &QTimer::timeout, this, &TScrollBar1::RepeatTick);
}

void TScrollBar1::SetParams(int min, int max, int position, int page) {
    FMin = min;
    FMax = max;
    FPosition = position;
    FPage = page;
    update();
}

QRect TScrollBar1::ThumbRect() const {
    const int w = width(), h = height();
    if (FMax <= 0 || FMax < FPage)
        return QRect();
    const int track = h - 2 * w;
    if (track <= 0)
        return QRect();
    const int length = std::min(track, std::max(MinThumb, int(qint64(track) * FPage / FMax)));
    const int top = w + int(qint64(track - length) * FPosition / std::max(1, FMax - FPage + 1));
    return QRect(1, top, w - 1, length);
}

void TScrollBar1::paintEvent(QPaintEvent *) {
    QPixmap picture(size());
    const QColor face = ColorToQColor(Skin().Face);
    const QColor shadow = ColorToQColor(Skin().Shadow);
    picture.fill(face);
    if (FMax > 0 && FMax >= FPage) {
        QPainter p(&picture);
        const int w = width(), h = height();
        auto box = [&](const QRect &r, bool hot, bool pressed) {
            p.setPen(Qt::NoPen);
            p.setBrush(pressed ? shadow.lighter(110) : hot ? shadow.lighter(125) : face);
            p.drawRect(r.adjusted(1, 1, -1, -1));
            p.setPen(shadow);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
        };
        const QColor glyph = shadow.darker(170);
        // Up box and its chevron.
        const QRect up(1, 0, w - 1, w - 1);
        box(up, FHotPart == PartUp, FButtonDown && FPressedPart == PartUp);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(5.5, 10), QPointF(9.5, 6), QPointF(13.5, 10)}));
        p.setRenderHint(QPainter::Antialiasing, false);
        // Down box: the same box moved down by H - W + 1.
        const int b = h - w + 1;
        const QRect down = up.translated(0, b - 1);
        box(down, FHotPart == PartDown, FButtonDown && FPressedPart == PartDown);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(
            QPolygonF({QPointF(5.5, b + 6.5), QPointF(9.5, b + 10.5), QPointF(13.5, b + 6.5)}));
        // Thumb.
        const QRect thumb = ThumbRect();
        if (!thumb.isEmpty()) {
            const bool hot = FHotPart == PartThumb || (FButtonDown && FPressedPart == PartThumb);
            p.setPen(QPen(hot ? shadow.darker(130) : shadow, 1));
            p.setBrush(hot ? shadow.lighter(115) : shadow.lighter(135));
            p.drawRoundedRect(QRectF(thumb).adjusted(2.5, 0.5, -2.5, -0.5), 3, 3);
        }
    }
    QPainter(this).drawPixmap(0, 0, picture);
}

int TScrollBar1::PartAt(int y) const {
    const int w = width(), h = height();
    if (y <= 0 || y > h)
        return PartTrack;
    if (y < w)
        return PartUp;
    if (y > h - w)
        return PartDown;
    const QRect thumb = ThumbRect();
    if (!thumb.isEmpty() && y > thumb.top() && y < thumb.top() + thumb.height())
        return PartThumb;
    return PartTrack;
}

void TScrollBar1::SetPosition(int position) {
    position = std::clamp(position, 0, LastPosition());
    if (position == FPosition)
        return;
    FPosition = position;
    update();
    if (OnChange)
        OnChange(FPosition);
}

void TScrollBar1::mousePressEvent(QMouseEvent *event) {
    if (event->button() != Qt::LeftButton)
        return;
    FButtonDown = true;
    const int y = event->position().toPoint().y();
    FHotPart = PartAt(y);
    if (FHotPart > PartTrack)
        FPressedPart = FHotPart;
    if (FHotPart == PartDown) {
        if (FMax - FPage >= FPosition)
            SetPosition(FPosition + 1);
        FRepeat.start();
    } else if (FHotPart == PartUp) {
        if (FPosition > 0)
            SetPosition(FPosition - 1);
        FRepeat.start();
    } else if (FHotPart == PartThumb) {
        FGrabOffset = y - ThumbRect().top();
    } else {
        // A press on the track pages towards the pointer.
        FPressedPart = PartTrack;
        const QRect thumb = ThumbRect();
        SetPosition(FPosition + (y < thumb.top() ? -FPage : FPage));
    }
    update();
}

void TScrollBar1::mouseMoveEvent(QMouseEvent *event) {
    const int y = event->position().toPoint().y();
    if (FButtonDown && FPressedPart == PartThumb) {
        // The thumb follows the pointer where it was grabbed.
        const QRect thumb = ThumbRect();
        const int track = height() - 2 * width() - thumb.height();
        if (track > 0)
            SetPosition(
                int((qint64(y - FGrabOffset - width()) * (LastPosition()) + track / 2) / track));
        return;
    }
    if (FButtonDown)
        return;
    const int part = PartAt(y);
    if (part != FHotPart) {
        FHotPart = part;
        update();
    }
}

void TScrollBar1::mouseReleaseEvent(QMouseEvent *) {
    FButtonDown = false;
    FRepeat.stop();
    update();
}

void TScrollBar1::leaveEvent(QEvent *) {
    if (!FButtonDown && FHotPart != PartTrack) {
        FHotPart = PartTrack;
        update();
    }
}

void TScrollBar1::wheelEvent(QWheelEvent *event) {
    const int steps = event->angleDelta().y() / 40;
    SetPosition(FPosition - steps);
}

void TScrollBar1::RepeatTick() {
    if (!FButtonDown) {
        FRepeat.stop();
        return;
    }
    if (FPressedPart == PartUp && FPosition > 0)
        SetPosition(FPosition - 1);
    else if (FPressedPart == PartDown && FPosition + FPage <= FMax)
        SetPosition(FPosition + 1);
}
