#pragma once
// The selected rectangle of the capture window: its bounds are the selection in screen pixels.
// It shows the frozen snapshot under itself with a blue frame and eight handles, and resizes or
// moves itself by the part the pointer took hold of.

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>

class TSelection : public QWidget {
    Q_OBJECT

public:
    // snapshot: the capture window's frozen screen, drawn under the selection.
    TSelection(const QImage *snapshot, QWidget *parent);

    int Part() const { return FPart; }
    QPoint DragAnchor() const { return FAnchor; }

    // Press (any button) and release of the selection; the capture window wires them.
    std::function<void()> OnPress;
    std::function<void()> OnRelease;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    const QImage *FSnapshot;
    QPoint FAnchor;
    int FPart = 1;
};
