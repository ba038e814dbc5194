#pragma once
// A combo box with a hover state, an optional rounded outline and a paint event that runs after
// the box's own painting, so the owner can draw over it.

#include <QComboBox>
#include <QTimer>

#include <functional>

class QPainter;

class TComboBox2 : public QComboBox {
    Q_OBJECT

public:
    using TPaintEvent = std::function<void(TComboBox2 *Sender, QPainter &Canvas)>;
    using TNotifyEvent = std::function<void(TComboBox2 *Sender)>;

    // How often the pointer is checked while the box is hot.
    static constexpr int HoverInterval = 200;

    explicit TComboBox2(QWidget *Owner = nullptr);
    ~TComboBox2() override;

    // Corner size of the rounded outline; 0 keeps the rectangle.
    int Rgn() const { return FRgn; }
    void SetRgn(int Value);
    // Height of a list item, and of the inner edit of the box with an image.
    int ItemHeight() const { return FItemHeight; }
    void SetItemHeight(int Value);

    bool Hot() const { return FHot; }
    // Ignored when unchanged; repaints, runs the hover timer while hot, then OnStateChanged.
    void SetHot(bool Value);

    // One tick of the hover timer: unless the box has the focus, a pointer outside ends Hot.
    void HoverTimerTick();
    bool HoverTimerActive() const { return FHoverTimer.isActive(); }
    // The box, its edit or its list has the input focus.
    bool HasFocusWithin() const;

    TPaintEvent OnPaint;
    TNotifyEvent OnStateChanged;

protected:
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void enterEvent(QEnterEvent *Event) override;

private:
    void ApplyRgn();

    int FRgn = 0;
    int FItemHeight = 16;
    bool FHot = false;
    QTimer FHoverTimer;
};
