#pragma once
// The region capture window: a frozen snapshot of the screen shown over the whole screen, on
// which the player drags a selection and copies it to the clipboard or saves it as a file.
// Each start takes a new snapshot; the window frees itself when closed.

#include <QImage>
#include <QPoint>
#include <QWidget>

class THotbtn;
class TPaintPanel;
class TSelection;
class TSelectionHint;

class TfrmCaptor : public QWidget {
    Q_OBJECT

public:
    static const QString HintDrag;     // "按住鼠标左键拖选截取范围"
    static const QString HintEsc;      // "按 "ESC" 或鼠标右键结束"
    static const QString HintRelease;  // "松开鼠标左键确定选取范围"
    static const QString HintAdjust;   // "用鼠标左键调整大小和位置"
    static const QString HintDblClick; // "双击选取范围保存图像并结束"
    static const QString SaveFilter;

    // Snapshot of the primary screen now, the window sized to it, everything hidden but the hint.
    TfrmCaptor();
    ~TfrmCaptor() override;

    // Creates the window without owner and shows it over the whole screen.
    static TfrmCaptor *Start();

    const QImage &Snapshot() const { return FSnapshot; }
    TSelection *Selection() const { return FSelection; }
    TSelectionHint *Hint() const { return FHint; }
    TPaintPanel *PaintPanel1() const { return FPaintPanel1; }
    THotbtn *Hotbtn1() const { return FHotbtn1; }
    THotbtn *Hotbtn2() const { return FHotbtn2; }

    // The snapshot's pixels under the selection.
    QImage SelectedImage() const;
    void CopyToClipboard();
    void SaveToFile();

    // The save dialog's filter index chosen last in this process; 0 at start.
    static int RememberedType();
    // Test seam: the next save dialog answers with this name and filter index without being
    // shown (an empty name cancels).
    static void SetNextSaveAnswer(const QString &fileName, int filterIndex);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void SelectionRelease();
    void SelectionPress();
    void PaintButton(THotbtn *sender, QPainter &canvas);
    bool AskSaveName(QString &fileName, int &filterIndex);

    QImage FSnapshot;
    QPoint FAnchor;
    TSelection *FSelection = nullptr;
    TSelectionHint *FHint = nullptr;
    TPaintPanel *FPaintPanel1 = nullptr;
    THotbtn *FHotbtn1 = nullptr;
    THotbtn *FHotbtn2 = nullptr;
    bool FDragging = false;
};
