#include "mainwindow/TToolBarPainter.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "mainwindow/SearchAddress.h"

#include <QPainter>
#include <QPainterPath>

namespace {

QImage Transparent(const QImage &image) {
    return image.isNull() ? image : MagentaTransparent(image);
}

} // namespace

TToolBarPainter::TToolBarPainter(const TToolButtons &buttons, TToolBarLayout &layout)
    : FButtons(buttons), FLayout(layout), FIcons(Transparent(Skin().BtnMain)),
      FGrayIcons(Transparent(Skin().BtnMainGray)), FSmallButtons(Transparent(Skin().Ico1)),
      FSearchGo(Transparent(Skin().BtnSearch)), FAddressGo(Transparent(Skin().BtnGo)) {}

void TToolBarPainter::Paint(QPainter &canvas, const TEControl &control, TToolStrip strip,
                            int searchEngine, const QFont &font) {
    const QRect all = control.rect();
    if (!Skin().ToolBar.isNull())
        canvas.drawImage(all, Skin().ToolBar);
    else
        canvas.fillRect(all, ColorToQColor(Skin().Face));
    const bool second = strip == TToolStrip::ToolBar2;
    if (second) {
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.drawRect(all.adjusted(0, 0, -1, -1));
    }
    canvas.setFont(font);
    PaintRows(canvas, strip, control.OverIndex(), control.DownIndex());
    if (!second)
        PaintBoxes(canvas, control.OverIndex(), control.DownIndex(), searchEngine, font);
}

void TToolBarPainter::PaintRows(QPainter &canvas, TToolStrip strip, int over, int down) {
    const int cell = FIcons.height();
    for (int row : FLayout.PlaceRows(strip)) {
        const TToolButton &b = FButtons[size_t(row)];
        if (b.Kind == TToolButton::Separator) {
            const int x = b.Left + b.Width / 2;
            canvas.setPen(ColorToQColor(Skin().Shadow));
            canvas.drawLine(x, b.Top + 4, x, b.Bottom() - 5);
            canvas.setPen(ColorToQColor(Skin().Light));
            canvas.drawLine(x + 1, b.Top + 4, x + 1, b.Bottom() - 5);
            continue;
        }
        const TToolLook look = FLayout.Look(row, over, down);
        if (look.Frame) {
            DrawThreeSlice(canvas, look.Body, Skin().BgButton, look.BodyPressed);
            if (!look.Arrow.isNull())
                DrawThreeSlice(canvas, look.Arrow, Skin().BgButton, look.ArrowPressed);
        }
        const int shift = look.Shifted ? 1 : 0;
        const QImage &icons = b.Enabled ? FIcons : FGrayIcons;
        if (cell > 0) {
            const int square = row == RowChevron ? b.Width : b.Height;
            const int x = b.Left + (square - cell) / 2 + shift;
            const int y = b.Top + (b.Height - cell) / 2 + shift;
            canvas.drawImage(QPoint(x, y), icons, QRect(b.ImageIndex * cell, 0, cell, cell));
            if (b.Kind == TToolButton::DropDown) {
                const int aw = TToolBarLayout::ArrowHitWidth;
                canvas.drawImage(QPoint(b.Right() - aw, y), icons, QRect(9 * cell, 0, aw, cell));
            }
        }
        if (b.ShowCaption) {
            const int right = b.Kind == TToolButton::DropDown ? 18 : 6;
            canvas.setPen(b.Enabled ? ColorToQColor(Skin().FontColor) : QColor(0x80, 0x80, 0x80));
            canvas.drawText(QRect(b.Left + shift, b.Top + shift, b.Width - right, b.Height),
                            Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, b.Caption);
        }
    }
}

void TToolBarPainter::PaintBoxes(QPainter &canvas, int over, int down, int searchEngine,
                                 const QFont &font) {
    // The boxes' frames, the engine and page icons, the small buttons and the go buttons.
    canvas.setRenderHint(QPainter::Antialiasing);
    for (const QRect &frame : {FLayout.SearchFrame(), FLayout.AddressFrame()}) {
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.setBrush(Qt::white);
        canvas.drawRoundedRect(QRectF(frame).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    }
    {
        // The chosen engine: a round badge with the engine's first character and a small arrow.
        static const QColor engineColours[SearchEngineCount] = {
            QColor(0x2F, 0x6B, 0xD8), QColor(0x34, 0xA8, 0x53), QColor(0xE8, 0x6A, 0x1C)};
        const QRect frame = FLayout.SearchFrame();
        const QRect badge(frame.left() + 5, frame.center().y() - 7, 15, 15);
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(engineColours[searchEngine]);
        canvas.drawEllipse(badge);
        QFont badgeFont = font;
        badgeFont.setPixelSize(9);
        canvas.setFont(badgeFont);
        canvas.setPen(Qt::white);
        canvas.drawText(badge, Qt::AlignCenter, SearchEngineCaption(searchEngine).left(1));
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(ColorToQColor(Skin().FontColor));
        const int ax = badge.right() + 2, ay = frame.center().y();
        canvas.drawPolygon(
            QPolygon({QPoint(ax, ay - 1), QPoint(ax + 5, ay - 1), QPoint(ax + 2, ay + 2)}));
        // The page icon: a small globe.
        const QRect address = FLayout.AddressFrame();
        const QRectF globe(address.left() + 4.5, address.center().y() - 5.5, 11, 11);
        canvas.setBrush(Qt::NoBrush);
        canvas.setPen(QPen(QColor(0x4A, 0x86, 0xC8), 1.2));
        canvas.drawEllipse(globe);
        canvas.drawEllipse(globe.adjusted(3, 0, -3, 0));
        canvas.drawLine(QPointF(globe.left(), globe.center().y()),
                        QPointF(globe.right(), globe.center().y()));
        canvas.setFont(font);
    }
    canvas.setRenderHint(QPainter::Antialiasing, false);
    if (!FSmallButtons.isNull()) {
        const int sw = FSmallButtons.width() / 2, sh = FSmallButtons.height() / 3;
        for (int row : {RowFavorites, RowCapture}) {
            const TToolButton &b = FButtons[size_t(row)];
            const int index = row == RowFavorites ? FavoritesIndex : CaptureIndex;
            const int state = over == index ? (down == index ? 2 : 1) : 0;
            canvas.drawImage(QPoint(b.Left, b.Top), FSmallButtons,
                             QRect(b.ImageIndex * sw, state * sh, sw, sh));
        }
    }
    const auto drawGo = [&](const QRect &rect, const QImage &image, int index) {
        if (image.isNull())
            return;
        const int gw = image.width() / 3;
        // Normal, hot under the pointer, pressed while held down under it.
        const int state = over == index ? (down == index ? 2 : 1) : 0;
        canvas.drawImage(QPoint(rect.left(), rect.top() + (rect.height() - image.height()) / 2),
                         image, QRect(state * gw, 0, gw, image.height()));
    };
    drawGo(FLayout.SearchGo(), FSearchGo, SearchGoIndex);
    drawGo(FLayout.AddressGo(), FAddressGo, AddressGoIndex);
}
