#pragma once
// The skinned window: the base of every top-level window but the side panel, the capture window
// and the folder drop-down. The window is frameless and draws its title bar, frame, title-bar
// buttons, rounded outline and the dialog button row from the skin itself. Children go into
// Client(), whose coordinates are the window's client coordinates.

#include "platform/WinMessages.h"

#include <QList>
#include <QMenu>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QEventLoop;

class TEControl;

// What a modal show returns: the result of the button pressed; mrNone when the window was closed
// otherwise.
enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrYes = 6, mrNo = 7 };

// The standard button rows of a dialog and of the message box.
enum TButtonKind : int {
    bkOk = 0,       // "确定" (mrOk)
    bkOkCancel = 1, // "取消" (mrCancel), "确定" (mrOk)
    bkYesNo = 4,    // "否" (mrNo), "是" (mrYes)
};

// Everything the title-bar hit test depends on, so it can be computed without a window.
struct TTitleGeometry {
    int Width = 0;        // outer window width
    int TitleHeight = 0;  // height of the title bar bitmap
    int Frame = 0;        // frame thickness
    int ButtonWidth = 0;  // btn_window width / 5
    int ButtonHeight = 0; // btn_window height / 3
    bool Dialog = true;
    bool Companion = false;  // a companion browser handle is held
    int ReturnTextWidth = 0; // width of the return item's text in the window font
};

class TSkinForm : public QWidget {
    Q_OBJECT

public:
    enum class TBorderStyle { Sizeable, Dialog };

    // Title-bar button numbers.
    static constexpr int btClose = 0;
    static constexpr int btMaximize = 1;
    static constexpr int btMinimize = 2;
    static constexpr int btMenu = 3;
    static constexpr int btReturn = 4;
    static constexpr int ButtonTimerInterval = 250;
    static const QString ReturnText; // "返回Qeltor浏览器"

    explicit TSkinForm(QWidget *Owner = nullptr, TBorderStyle Style = TBorderStyle::Dialog);
    ~TSkinForm() override;

    bool IsDialog() const { return FBorderStyle == TBorderStyle::Dialog; }
    // False when no skin archive could be read: the window then keeps the system frame.
    bool Skinned() const { return FSkinned; }

    QWidget *Client() const { return FClient; }
    int ClientWidth() const;
    int ClientHeight() const;
    // Sizes the window so that the client area gets the given size (the design size of dialogs).
    void SetClientSize(int Width, int Height);
    int TitleBarHeight() const; // 0 while unskinned
    int FrameThickness() const;

    QString CaptionText() const { return FCaptionText; }
    void SetCaption(const QString &Text); // the window text, shown in the title bar

    int HotButton() const { return FHotButton; }
    int DownButton() const { return FDownButton; }
    void SetHotButton(int I);
    bool ButtonTimerActive() const { return FButtonTimer.isActive(); }

    bool FullScreen() const { return FFullScreen; }
    void SetFullScreen(bool Value);
    bool ButtonBar() const { return FButtonBar; }
    void SetButtonBar(bool Value);
    int Tag() const { return FTag; }
    void SetTag(int Value) { FTag = Value; }

    // The standard push buttons of Kind (none for a value outside TButtonKind). The first button
    // listed is the rightmost. Sets Tag to Kind.
    void AddButtons(TButtonKind Kind);
    QList<TEControl *> Buttons() const { return FButtons; }
    TEControl *ButtonWithResult(int Result) const;

    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Value);
    // Shows the window modally and returns its result: the result of the button pressed, 0 when
    // the window was closed otherwise. While another skinned window is in a modal show this one
    // stays on top with a loop of its own instead of nesting a second modal state.
    int ShowModal();
    static TSkinForm *ModalForm();

    // The title-bar button under a screen point, -1 for none.
    int TitleButtonAt(const QPoint &ScreenPos);
    static int TitleButtonZone(const TTitleGeometry &G, int X, int Y, QPoint *MenuPoint = nullptr);
    TTitleGeometry TitleGeometry() const;
    // The point (window coordinates) at which the menu button opens the application menu.
    QPoint MenuPoint() const { return FMenuPoint; }

    // The main window's application menu, opened by the menu button.
    void SetAppMenu(QMenu *Menu) { FAppMenu = Menu; }

    // The companion browser that started the program (0 when none), shared by all windows.
    // Its owner installs a source that is read at every use, so a companion that lets go
    // stops the return item at once. SetCompanionHandle fixes a constant (0: none).
    static HWND CompanionHandle();
    static void SetCompanionHandle(HWND Handle);
    static void SetCompanionSource(std::function<HWND()> Source);
    // Repaints the title bar now (after its state changed from outside).
    void RedrawTitleBar() { DrawTitleBar(); }

    // A style for plain edit boxes on skinned windows, in the skin's colours.
    static QString EditStyleSheet();

    // The rounded outline of a window of this size.
    static QRegion RoundedRegion(int Width, int Height);

protected:
    // Runs before the window appears each time it is shown (the form's show handler).
    virtual void FormShow() {}

    bool eventFilter(QObject *Watched, QEvent *Event) override;
    void paintEvent(QPaintEvent *Event) override;
    void resizeEvent(QResizeEvent *Event) override;
    void showEvent(QShowEvent *Event) override;
    void hideEvent(QHideEvent *Event) override;
    void changeEvent(QEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;
    void mouseMoveEvent(QMouseEvent *Event) override;
    void mouseDoubleClickEvent(QMouseEvent *Event) override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    friend class TSkinClient;
    void LayoutClient();
    void DrawTitleBar();
    void PaintTitleBar(QPainter &Painter);
    void PaintFrame(QPainter &Painter);
    void PaintClient(QPainter &Painter);
    void ButtonTimerTick();
    void MinimizeWindow();
    Qt::Edges ResizeEdgesAt(const QPoint &Pos) const;
    int ResizeCornerSize() const;
    void StartResize(Qt::Edges Edges, const QPoint &GlobalPos);
    void FollowResize(const QPoint &GlobalPos);
    void PositionOnOwner();

    TBorderStyle FBorderStyle;
    bool FSkinned = false;
    QWidget *FClient = nullptr;
    QWidget *FSizeGrip = nullptr;
    QString FCaptionText;
    int FHotButton = -1;
    int FDownButton = -1;
    bool FFullScreen = false;
    QTimer FButtonTimer;
    bool FButtonBar = false;
    int FTag = 0;
    int FModalResult = 0;
    QEventLoop *FModalLoop = nullptr;
    QList<TEControl *> FButtons;
    QPoint FMenuPoint;
    QPointer<QMenu> FAppMenu;
    bool FPositioned = false;
    // Manual move where the window system offers no move of its own.
    bool FDragging = false;
    QPoint FDragOffset;
    Qt::Edges FResizeEdges;
    QPoint FResizeStart;
    QRect FResizeGeometry;
};
