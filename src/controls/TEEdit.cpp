#include "controls/TEEdit.h"

#include <QFocusEvent>
#include <QMouseEvent>
#include <QTimer>

TEEdit::TEEdit(QWidget *Owner) : QLineEdit(Owner) {}

TEEdit::~TEEdit() = default;

void TEEdit::focusInEvent(QFocusEvent *Event) {
    FFocusFromPress = Event->reason() == Qt::MouseFocusReason;
    // The press follows within the same delivery; one that never comes (the focus passed on
    // by another widget) must not count for a later click.
    if (FFocusFromPress)
        QTimer::singleShot(0, this, [this] { FFocusFromPress = false; });
    QLineEdit::focusInEvent(Event);
    if (FocusChange)
        FocusChange(this, true);
}

void TEEdit::focusOutEvent(QFocusEvent *Event) {
    FFocusFromPress = false;
    QLineEdit::focusOutEvent(Event);
    if (FocusChange)
        FocusChange(this, false);
}

void TEEdit::mousePressEvent(QMouseEvent *Event) {
    if (Event->button() == Qt::LeftButton) {
        FHadFocus = hasFocus() && !FFocusFromPress;
        FFocusFromPress = false;
    }
    QLineEdit::mousePressEvent(Event);
}

void TEEdit::mouseReleaseEvent(QMouseEvent *Event) {
    QLineEdit::mouseReleaseEvent(Event);
    // The click that brings the focus selects everything; a drag keeps its own selection.
    if (Event->button() == Qt::LeftButton && !FHadFocus && !hasSelectedText())
        selectAll();
}
