#include "options/TBossKeyEdit.h"

#include <QKeyEvent>
#include <QKeySequence>

TBossKeyEdit::TBossKeyEdit(QWidget *parent) : QLineEdit(parent) {
    setObjectName(QStringLiteral("edtBossKey"));
    setReadOnly(true);
    setPlaceholderText(QStringLiteral("无（老板键已关闭）"));
}

void TBossKeyEdit::SetKeyText(const QString &portable) {
    const QKeySequence key = QKeySequence::fromString(portable, QKeySequence::PortableText);
    FKey = key.isEmpty() ? QString() : key.toString(QKeySequence::PortableText);
    setText(key.toString(QKeySequence::NativeText));
}

void TBossKeyEdit::keyPressEvent(QKeyEvent *event) {
    const int key = event->key();
    const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ControlModifier | Qt::AltModifier |
                                                             Qt::MetaModifier | Qt::ShiftModifier);
    if (mods == Qt::NoModifier && (key == Qt::Key_Backspace || key == Qt::Key_Delete)) {
        SetKeyText(QString());
        return;
    }
    // Tab and Esc keep their meaning in the dialog; a lone key would be taken from every program.
    if (!(mods & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) ||
        key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
        key == Qt::Key_Shift || key == Qt::Key_AltGr || key == Qt::Key_unknown) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    SetKeyText(
        QKeySequence(QKeyCombination(mods, Qt::Key(key))).toString(QKeySequence::PortableText));
}
