#include "mainwindow/TTabBarPainter.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "mainwindow/TSpeakerMark.h"

#include <QPainter>

TTabBarPainter::TTabBarPainter(const TToolButtons &buttons)
    : FButtons(buttons),
      FTabButtons(Skin().TabButton.isNull() ? Skin().TabButton
                                            : MagentaTransparent(Skin().TabButton)) {}

void TTabBarPainter::Paint(QPainter &canvas, const TEControl &control, TTabSet &tabs,
                           const QImage &lock, const QFont &font) const {
    const QRect all = control.rect();
    if (!Skin().TabBar.isNull())
        canvas.drawImage(all, Skin().TabBar);
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    tabs.SetBarSize(all.width(), all.height());
    const QList<TTabBarTab> cells = tabs.Layout(lock.isNull() ? QSize(16, 16) : lock.size());
    QFont bold = font;
    bold.setBold(true);
    canvas.setPen(ColorToQColor(Skin().FontColor));
    for (TTabBarTab cell : cells) {
        const TTab &tab = tabs.Tab(cell.Index);
        const QRect speaker = TSpeakerMark::Place(tab, cell);
        const QImage &image = cell.Active ? Skin().TabActive : Skin().TabUnactive;
        DrawThreeSlice(canvas, cell.ImageRect, image, image.rect());
        // The lock is centred in the tab's height, not on the raised text line.
        if (!cell.LockRect.isNull() && !lock.isNull())
            canvas.drawImage(cell.LockRect.topLeft(), lock);
        QFont cellFont = cell.Active ? bold : font;
        // A dead game's tab stays where it was, greyed and slanted, so it does not pass for a
        // running one.
        cellFont.setItalic(tab.Dead);
        canvas.setFont(cellFont);
        canvas.setPen(tab.Dead ? ColorToQColor(Skin().Shadow).darker(160)
                               : ColorToQColor(Skin().FontColor));
        const QFontMetrics metrics(canvas.font());
        const QString text = TTabSet::FitCaption(
            tab, cell, [&metrics](const QString &s) { return metrics.horizontalAdvance(s); });
        canvas.drawText(cell.TextRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
        if (!speaker.isNull())
            TSpeakerMark::Draw(canvas, speaker, tab.Muted, ColorToQColor(Skin().FontColor));
    }
    if (tabs.Count() == 0 || FTabButtons.isNull())
        return;
    const int bw = FTabButtons.width() / 4, bh = FTabButtons.height() / 4;
    for (int row = RowCloseTab; row <= RowLeaveFullScreen; ++row) {
        const TToolButton &b = FButtons[size_t(row)];
        if (!b.Visible)
            continue;
        const int imageRow = tabs.ButtonImageRow(row, control.OverIndex(), control.DownIndex());
        canvas.drawImage(QPoint(b.Left, b.Top), FTabButtons,
                         QRect(b.ImageIndex * bw, imageRow * bh, bw, bh));
    }
}
