#include "capture/TSelectionHint.h"

#include "capture/TCaptureGeometry.h"
#include "controls/TSkin.h"

#include <QPainter>

TSelectionHint::TSelectionHint(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("SelectionHint"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setGeometry(TCaptureGeometry::HintMargin, TCaptureGeometry::HintMargin, HintWidth, HintHeight);
}

void TSelectionHint::paintEvent(QPaintEvent *) {
    QPainter canvas(this);
    const int w = width(), h = height();
    canvas.fillRect(rect(), ColorToQColor(Skin().Face));
    canvas.setPen(ColorToQColor(Skin().Shadow));
    canvas.drawRect(0, 0, w - 1, h - 1);
    canvas.drawLine(0, 22, w, 22);
    canvas.setFont(Skin().Font);
    // The strip above the line names the tool, in the skin's title colour.
    canvas.setPen(ColorToQColor(Skin().FontColor));
    QFont bold = Skin().Font;
    bold.setBold(true);
    canvas.setFont(bold);
    canvas.drawText(QRect(6, 0, w - 7, 22), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                    QStringLiteral("区域截图"));
    canvas.setFont(Skin().Font);
    canvas.drawText(QRect(6, 30, w - 7, 22), Qt::AlignLeft | Qt::AlignTop, Line1);
    canvas.drawText(QRect(6, 60, w - 7, 22), Qt::AlignLeft | Qt::AlignTop, Line2);
}

void TSelectionHint::enterEvent(QEnterEvent *) {
    if (parentWidget())
        move(TCaptureGeometry::HintLeftOnEnter(geometry(), parentWidget()->width()), y());
}
