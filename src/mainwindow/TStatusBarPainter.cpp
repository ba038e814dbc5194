#include "mainwindow/TStatusBarPainter.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "mainwindow/TAdStrip.h"
#include "mainwindow/TToolBarLayout.h"

#include <QPainter>

void TStatusBarPainter::Paint(QPainter &canvas, const TEControl &control, int progress,
                              TAdStrip &ads, const QFont &font, const QString &zoom) {
    const QRect all = control.rect();
    const QImage &image = Skin().StatusBar;
    if (!image.isNull())
        canvas.drawImage(all, image, QRect(0, 0, image.width() / 2, image.height()));
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    // Four cells: left cap, track, right cap, fill.
    const QImage &bar = Skin().ProgressBar;
    const int cw = bar.width() / 4;
    const TStatusBarRects rects = TToolBarLayout::StatusBar(
        all.width(), all.height(), image.width() / 2, QSize(cw, bar.height()), progress);
    if (!rects.Progress.isNull() && cw > 0) {
        const QRect p = rects.Progress;
        const int h = bar.height();
        const int y = p.top();
        DrawThreeSlice(canvas, QRect(p.left(), y, p.width(), h), bar, QRect(0, 0, 3 * cw, h));
        if (!rects.Fill.isNull())
            canvas.drawImage(QRect(rects.Fill.left(), y, rects.Fill.width(), h), bar,
                             QRect(3 * cw, 0, cw, h));
    }
    canvas.setFont(font);
    canvas.setPen(ColorToQColor(Skin().FontColor));
    QRect text = rects.Text;
    const QFontMetrics metrics(font);
    if (!zoom.isEmpty()) {
        const int w = metrics.horizontalAdvance(zoom) + 12;
        canvas.drawText(QRect(text.right() + 1 - w, text.top(), w, text.height()),
                        Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, zoom);
        text.setRight(text.right() - w);
    }
    if (!control.Caption().isEmpty()) {
        canvas.drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                        metrics.elidedText(control.Caption(), Qt::ElideRight, text.width()));
        return;
    }
    if (!ads.Running())
        return;
    const QList<TAdStrip::TItem> &items = ads.Layout(
        text.width(), [&metrics](const QString &s) { return metrics.horizontalAdvance(s); });
    canvas.setClipRect(text);
    QFont underlined = font;
    underlined.setUnderline(true);
    for (const TAdStrip::TItem &item : items) {
        canvas.setFont(item.Line == control.OverIndex() ? underlined : font);
        canvas.drawText(
            QRect(text.left() + item.Left, text.top(), item.TextWidth + 1, text.height()),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
            TAdStrip::TextOf(ads.Lines().value(item.Line)));
    }
}
