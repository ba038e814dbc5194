#pragma once
// A container that never erases its background and leaves all painting to its owner.

#include "controls/TShiftState.h"
#include "platform/WinMessages.h"

#include <QColor>
#include <QWidget>

#include <functional>

class QPainter;

class TPaintPanel : public QWidget {
    Q_OBJECT

public:
    // Canvas paints on the panel, with the panel's font and its colour as the brush.
    using TPaintEvent = std::function<void(TPaintPanel *Sender, QPainter &Canvas)>;
    using TNotifyEvent = std::function<void(TPaintPanel *Sender)>;
    using TMouseEvent = std::function<void(TPaintPanel *Sender, Qt::MouseButton Button,
                                           TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent =
        std::function<void(TPaintPanel *Sender, TShiftState Shift, int X, int Y)>;

    explicit TPaintPanel(QWidget *Owner = nullptr);
    ~TPaintPanel() override;

    QColor Color() const;
    void SetColor(const QColor &Value);

    // The window system's erase request: runs the paint step at once and answers 1 (erased).
    LRESULT EraseBackground();
    // For owners that register the panel with the window-message layer: WM_ERASEBKGND is the
    // erase request; other messages answer 0.
    LRESULT WindowProc(const Win::TMessage &Message);

    TPaintEvent OnPaint;
    TNotifyEvent OnMouseLeave;
    TNotifyEvent OnResize;
    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void leaveEvent(QEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
};
