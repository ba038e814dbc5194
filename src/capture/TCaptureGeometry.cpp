#include "capture/TCaptureGeometry.h"

#include <QFileInfo>

#include <algorithm>

int TCaptureGeometry::PartAt(int x, int y, int w, int h) {
    const int s = HandleSize;
    const int middleY = (h - s) / 2;
    const bool inMiddleY = y > middleY && y < middleY + s;
    if (x < s) {
        if (y < s)
            return spTopLeft;
        if (y > h - s)
            return spBottomLeft;
        return inMiddleY ? spLeft : spMove;
    }
    if (x > w - s) {
        if (y < s)
            return spTopRight;
        if (y > h - s)
            return spBottomRight;
        return inMiddleY ? spRight : spMove;
    }
    const int middleX = (w - s) / 2;
    if (x > middleX && x < middleX + s) {
        if (y < s)
            return spTop;
        if (y > h - s)
            return spBottom;
    }
    return spMove;
}

Qt::CursorShape TCaptureGeometry::PartCursor(int part) {
    switch (part) {
    case spTopLeft:
    case spBottomRight:
        return Qt::SizeFDiagCursor;
    case spTopRight:
    case spBottomLeft:
        return Qt::SizeBDiagCursor;
    case spLeft:
    case spRight:
        return Qt::SizeHorCursor;
    case spTop:
    case spBottom:
        return Qt::SizeVerCursor;
    default:
        return Qt::SizeAllCursor;
    }
}

QRect TCaptureGeometry::Span(const QPoint &anchor, const QPoint &pointer) {
    return QRect(std::min(anchor.x(), pointer.x()), std::min(anchor.y(), pointer.y()),
                 std::abs(pointer.x() - anchor.x()), std::abs(pointer.y() - anchor.y()));
}

QRect TCaptureGeometry::Resize(int part, const QRect &bounds, const QPoint &pointer) {
    // Right and Bottom are exclusive here: Left + Width, Top + Height.
    int left = bounds.x(), top = bounds.y();
    int right = left + bounds.width(), bottom = top + bounds.height();
    const int cx = pointer.x(), cy = pointer.y();
    const bool movesLeft = part == spLeft || part == spTopLeft || part == spBottomLeft;
    const bool movesRight = part == spRight || part == spTopRight || part == spBottomRight;
    const bool movesTop = part == spTop || part == spTopLeft || part == spTopRight;
    const bool movesBottom = part == spBottom || part == spBottomLeft || part == spBottomRight;
    if (movesLeft)
        left = std::min(cx, right - MinSide);
    if (movesRight)
        right = left + std::max(cx - left, MinSide);
    if (movesTop)
        top = std::min(cy, bottom - MinSide);
    if (movesBottom)
        bottom = top + std::max(cy - top, MinSide);
    return QRect(left, top, right - left, bottom - top);
}

QRect TCaptureGeometry::ImageRect(const QRect &logical, qreal ratio) {
    const int left = qRound(logical.x() * ratio), top = qRound(logical.y() * ratio);
    const int right = qRound((logical.x() + logical.width()) * ratio);
    const int bottom = qRound((logical.y() + logical.height()) * ratio);
    return QRect(left, top, right - left, bottom - top);
}

bool TCaptureGeometry::Keeps(const QSize &size) {
    return size.width() >= MinSelection && size.height() >= MinSelection;
}

QPoint TCaptureGeometry::BarPosition(const QRect &selection, const QSize &bar,
                                     const QSize &client) {
    if (bar.height() * 2 < selection.height() && bar.width() * 2 < selection.width())
        return selection.topLeft() + QPoint(BarGap, BarGap);
    const int selectionBottom = selection.y() + selection.height();
    int left = selection.x();
    if (left + bar.width() > client.width())
        left = client.width() - bar.width();
    int top = selection.y() >= bar.height() + BarGap ? selection.y() - (bar.height() + BarGap)
                                                     : selectionBottom + BarGap;
    if (top + bar.height() > client.height())
        top = selectionBottom - bar.height() - BarGap;
    return QPoint(left, top);
}

int TCaptureGeometry::HintLeftWhileDragging(const QRect &hint, int windowWidth, const QPoint &p) {
    if (p.y() >= hint.y() + hint.height())
        return hint.x();
    const int right = hint.x() + hint.width();
    if (hint.x() <= HintMargin && p.x() < right)
        return windowWidth - hint.width();
    if (hint.x() > HintMargin && p.x() > hint.x())
        return HintMargin;
    return hint.x();
}

int TCaptureGeometry::HintLeftOnEnter(const QRect &hint, int parentWidth) {
    return hint.x() > HintMargin ? HintMargin : parentWidth - hint.width() - HintMargin;
}

QString TCaptureGeometry::Extension(int type) {
    switch (NormalType(type)) {
    case itJpeg:
        return QStringLiteral(".jpg");
    case itPng:
        return QStringLiteral(".png");
    default:
        return QStringLiteral(".bmp");
    }
}

int TCaptureGeometry::NormalType(int filterIndex) {
    return filterIndex == itJpeg || filterIndex == itPng ? filterIndex : int(itBmp);
}

QString TCaptureGeometry::SaveName(const QString &chosen, int type) {
    // The extension is what follows the last dot of the file name itself, dot included.
    const QString fileName = QFileInfo(chosen).fileName();
    const int dot = fileName.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot < 0 ? QString() : fileName.mid(dot).toLower();
    const QString wanted = Extension(type);
    return extension == wanted ? chosen : chosen + wanted;
}
