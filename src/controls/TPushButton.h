#pragma once
// A dialog's push button, as AddButtons makes them: a strip control with one item, drawn from the
// skin's button bitmap (three rows: normal, hot, pressed) or plainly when the skin has none. Its
// Tag is the modal result it gives; a release counts only where the press began.

#include "controls/TEControl.h"

#include <QSize>

#include <functional>

class TPushButton : public TEControl {
    Q_OBJECT

public:
    // Without a button bitmap.
    static constexpr int PlainWidth = 75;
    static constexpr int PlainHeight = 23;

    // onClick runs with the button's result after a click.
    TPushButton(QWidget *Owner, const QString &Caption, int Result,
                std::function<void(int Result)> OnClick);

    // The size of every push button in the current skin.
    static QSize ButtonSize();

private:
    static void Draw(TEControl *Sender, QPainter &Canvas);
};
