#include "controls/TPushButton.h"

#include "controls/TSkin.h"

#include <QPainter>

TPushButton::TPushButton(QWidget *Owner, const QString &Caption, int Result,
                         std::function<void(int Result)> OnClick)
    : TEControl(Owner) {
    SetTag(Result);
    SetCaption(Caption);
    OnGetIndex = [](TEControl *Sender, int &Index, int X, int Y) {
        if (X >= 0 && X <= Sender->width() && Y >= 0 && Y <= Sender->height())
            Index = 0;
    };
    OnDrawControl = &TPushButton::Draw;
    OnMouseUp = [OnClick](TEControl *Sender, Qt::MouseButton, TShiftState, int, int) {
        const int down = Sender->TakeDownIndex();
        if (down >= 0 && Sender->OverIndex() == down && OnClick)
            OnClick(Sender->Tag());
    };
}

QSize TPushButton::ButtonSize() {
    const QImage &bitmap = Skin().Button;
    if (bitmap.isNull())
        return QSize(PlainWidth, PlainHeight);
    return QSize(bitmap.width(), bitmap.height() / 3);
}

void TPushButton::Draw(TEControl *Sender, QPainter &Canvas) {
    const QImage &image = Skin().Button;
    const QRect r = Sender->rect();
    int row = 1;
    if (Sender->OverIndex() < 0)
        row = 0;
    else if (Sender->OverIndex() == Sender->DownIndex())
        row = 2;
    if (image.isNull()) {
        // Plain look without a skin: a framed face, darker when pressed.
        Canvas.fillRect(r, ColorToQColor(row == 2 ? Skin().Shadow : Skin().Face));
        Canvas.setPen(ColorToQColor(row == 1 ? Skin().FontColor : Skin().Shadow));
        Canvas.drawRect(r.adjusted(0, 0, -1, -1));
    } else {
        const int sw = image.width() / 3;
        const int h = image.height() / 3;
        DrawThreeSlice(Canvas, r, image, QRect(0, row * h, 3 * sw, h));
    }
    Canvas.setPen(ColorToQColor(Skin().FontColor));
    Canvas.drawText(r.adjusted(0, 0, 0, -2), Qt::AlignCenter | Qt::TextSingleLine,
                    Sender->Caption());
}
