#pragma once
// The owner-drawn strip behind every tool bar, tab bar, status bar, title strip and dialog
// button. It knows nothing of items: it keeps the hot item (OverIndex) and the pressed item
// (DownIndex), asks its owner which item lies under a point (OnGetIndex), asks its owner to
// paint (OnDrawControl) and redraws at once after every change of its state. Item numbers are
// the owner's; -1 means no item, numbers below -1 are zones that take no part in hover tracking.

#include "controls/TShiftState.h"
#include "platform/WinMessages.h"

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>

class QPainter;

class TEControl : public QWidget {
    Q_OBJECT

public:
    using TOnChangeIndex = std::function<void(TEControl *Sender, int &Index)>;
    using TOnGetIndex = std::function<void(TEControl *Sender, int &Index, int X, int Y)>;
    // Canvas is an off-screen surface of the control's size carrying the control's font.
    using TOnDrawControl = std::function<void(TEControl *Sender, QPainter &Canvas)>;
    using TMouseEvent = std::function<void(TEControl *Sender, Qt::MouseButton Button,
                                           TShiftState Shift, int X, int Y)>;
    using TMouseMoveEvent = std::function<void(TEControl *Sender, TShiftState Shift, int X, int Y)>;
    using TNotifyEvent = std::function<void(TEControl *Sender)>;

    // How often the pointer is polled while an item is hot.
    static constexpr int HoverInterval = 150;

    explicit TEControl(QWidget *Owner = nullptr);
    ~TEControl() override;

    int DownIndex() const { return FDownIndex; }
    int FinalIndex() const { return FFinalIndex; }
    int OverIndex() const { return FOverIndex; }
    int ChevronLeft() const { return FChevronLeft; }
    // These three store the value and nothing else; the owner calls Redraw when needed.
    void SetDownIndex(int Value) { FDownIndex = Value; }
    void SetFinalIndex(int Value) { FFinalIndex = Value; }
    void SetChevronLeft(int Value) { FChevronLeft = Value; }
    // For release handlers: the pressed item, dropped and redrawn, so that the next press on
    // the same item presses it again instead of releasing it.
    int TakeDownIndex();
    // The hover change: notifies OnChangeIndex, drops the pressed item when the new number is
    // an item, runs the polling timer exactly while an item is hot, and redraws.
    void SetOverIndex(int Value);

    QString Caption() const { return FCaption; }
    void SetCaption(const QString &Value); // redraws at once
    // Owners keep the hint of the item under the pointer here and raise it themselves.
    QString Hint() const { return FHint; }
    void SetHint(const QString &Value) { FHint = Value; }
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    // The item at client point (X, Y), which may lie outside the control; -1 for none.
    virtual int IndexAt(int X, int Y);

    // Paints the whole control now, through one off-screen picture copied in one go.
    void Redraw();
    // Paints the control onto Target (at its origin); nullptr means the control's own window.
    void DrawTo(QPainter *Target);

    // The window system's erase request: repaints everything at once and answers 1 (erased).
    LRESULT EraseBackground();
    // For owners that register the control with the window-message layer: WM_SETTEXT sets the
    // caption, WM_ERASEBKGND redraws. Other messages answer 0.
    LRESULT WindowProc(const Win::TMessage &Message);

    // One tick of the hover timer: re-queries the item under the pointer while one is hot.
    void HoverTimerTick();
    bool HoverTimerActive() const { return FHoverTimer.isActive(); }

    TOnChangeIndex OnChangeIndex;
    TOnGetIndex OnGetIndex;
    TOnDrawControl OnDrawControl;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    TMouseMoveEvent OnMouseMove;
    TNotifyEvent OnResize;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;

private:
    void Press(QMouseEvent *Event, bool Double);

    int FDownIndex = -1;
    int FFinalIndex = -1;
    int FOverIndex = -1;
    int FChevronLeft = 0;
    QString FCaption;
    QString FHint;
    int FTag = 0;
    QTimer FHoverTimer;
    // The picture Redraw has just built, waiting for the synchronous repaint to copy it.
    QPixmap FPicture;
    bool FPicturePending = false;
};
