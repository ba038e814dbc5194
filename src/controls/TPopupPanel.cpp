#include "controls/TPopupPanel.h"

#include <QVBoxLayout>

TPopupPanel::TPopupPanel(QWidget *owner)
    // A tool tip window bypasses the window manager and never takes the focus, so clicks in the
    // list leave the keyboard with the box.
    : QFrame(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFrameStyle(QFrame::Box | QFrame::Plain);
    setLineWidth(1);
    // Whatever the owner puts in fills the client area.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    hide();
}

void TPopupPanel::SetClientSize(int width, int clientHeight) {
    resize(width, clientHeight + 2 * frameWidth());
}
