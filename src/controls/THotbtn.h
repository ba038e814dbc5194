#pragma once
// A button with three looks (normal, hot, pressed) and a sticky Down flag. It paints nothing
// itself: OnPaint draws it from State, Down and ImageIndex. Only one hot button per parent.

#include "controls/TShiftState.h"

#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPainter;

class THotbtn : public QWidget {
    Q_OBJECT

public:
    enum : quint8 { StateNormal = 0, StateHot = 1, StatePressed = 2 };

    using TPaintEvent = std::function<void(THotbtn *Sender, QPainter &Canvas)>;
    using TNotifyEvent = std::function<void(THotbtn *Sender)>;
    using TMouseEvent = std::function<void(THotbtn *Sender, Qt::MouseButton Button,
                                           TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent = std::function<void(THotbtn *Sender, TShiftState Shift, int X, int Y)>;

    // How often the pointer is checked while the button is not normal.
    static constexpr int LeaveInterval = 100;

    explicit THotbtn(QWidget *Owner = nullptr);
    ~THotbtn() override;

    quint8 State() const { return FState; }
    // Ignored while disabled or unchanged; any other state than normal makes the sibling hot
    // buttons normal and runs the leave timer. Repaints at once.
    void SetState(quint8 Value);

    bool Down() const { return FDown; }
    void SetDown(bool Value);
    int ImageIndex() const { return FImageIndex; }
    void SetImageIndex(int Value) { FImageIndex = Value; }
    QString Hint() const { return toolTip(); }
    void SetHint(const QString &Value) { setToolTip(Value); }

    // One tick of the leave timer: a pointer outside the button makes it normal.
    void LeaveTimerTick();
    bool LeaveTimerActive() const { return FLeaveTimer.isActive(); }

    TPaintEvent OnPaint;
    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;
    void leaveEvent(QEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;

private:
    quint8 FState = StateNormal;
    bool FDown = false;
    int FImageIndex = 0;
    QTimer FLeaveTimer;
};
