#pragma once
// The side panel trees' scroll bar: owner-drawn in the skin's colours (Face, Shadow), with two
// arrow boxes and a thumb. It only shows and changes Position; the tree it belongs to scrolls
// itself through the change callback.

#include <QTimer>
#include <QWidget>

#include <functional>

class TScrollBar1 : public QWidget {
    Q_OBJECT

public:
    enum TPart { PartTrack = 0, PartUp = 1, PartDown = 2, PartThumb = 3 };
    static constexpr int BarWidth = 18;
    static constexpr int RepeatInterval = 200;
    static constexpr int MinThumb = 10;

    explicit TScrollBar1(QWidget *parent = nullptr);

    int Min() const { return FMin; }
    int Max() const { return FMax; }
    int Position() const { return FPosition; }
    int Page() const { return FPage; }
    int HotPart() const { return FHotPart; }
    int PressedPart() const { return FPressedPart; }
    void SetParams(int min, int max, int position, int page);

    // Thumb rectangle for the current values and size; empty when the bar shows nothing.
    QRect ThumbRect() const;
    // The last position: the top row shows the last page.
    int LastPosition() const { return std::max(0, FMax - FPage + 1); }

    // Called with the new Position whenever the user changes it.
    std::function<void(int position)> OnChange;

    // One tick of the repeat timer while an arrow is held.
    void RepeatTick();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;

private:
    int PartAt(int y) const;
    void SetPosition(int position);

    int FMin = 0, FMax = 0, FPosition = 0, FPage = 0;
    int FHotPart = PartTrack;
    int FPressedPart = PartTrack;
    bool FButtonDown = false;
    int FGrabOffset = 0;
    QTimer FRepeat;
};
