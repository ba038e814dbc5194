#include "controls/TSkinForm.h"

#include "controls/TEControl.h"
#include "controls/TPushButton.h"
#include "controls/TSkin.h"
#include "protocol/Messages.h"
#include "store/TSettings.h"

#include <QApplication>
#include <QEventLoop>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QToolTip>
#include <QWindow>

namespace {

TSkinForm *ModalFormNow = nullptr;
// Where the companion handle is read; its owner (the main window) installs it.
std::function<HWND()> CompanionSource;

const char *const TitleHints[] = {"关闭", "最大化/还原", "最小化", "菜单", ""};

// The title-bar buttons with magenta made transparent, rebuilt when the skin changes.
const QImage &WindowButtonsImage() {
    static qint64 key = -1;
    static QImage masked;
    if (Skin().BtnWindow.cacheKey() != key) {
        key = Skin().BtnWindow.cacheKey();
        masked = MagentaTransparent(Skin().BtnWindow);
    }
    return masked;
}

} // namespace

// The client area: the window background and the separator above the button row.
class TSkinClient : public QWidget {
public:
    explicit TSkinClient(TSkinForm *Form) : QWidget(Form), FForm(Form) {}

protected:
    void paintEvent(QPaintEvent *) override {
        QPainter painter(this);
        FForm->PaintClient(painter);
    }

private:
    TSkinForm *FForm;
};

const QString TSkinForm::ReturnText = QStringLiteral("返回Qeltor浏览器");

TSkinForm::TSkinForm(QWidget *Owner, TBorderStyle Style)
    : QWidget(Owner), FBorderStyle(Style), FSkinned(Skin().Loaded) {
    Qt::WindowFlags flags = Style == TBorderStyle::Dialog && Owner ? Qt::Dialog : Qt::Window;
    if (FSkinned)
        flags |= Qt::FramelessWindowHint;
    setWindowFlags(flags);
    setMouseTracking(true);

    FClient = new TSkinClient(this);
    FClient->setMouseTracking(true);
    if (FSkinned && Style == TBorderStyle::Sizeable) {
        // Catches presses in the resize corner above whatever the client shows there.
        FSizeGrip = new QWidget(this);
        FSizeGrip->setCursor(Qt::SizeFDiagCursor);
        FSizeGrip->installEventFilter(this);
    }

    FButtonTimer.setInterval(ButtonTimerInterval);
    connect(&FButtonTimer, &QTimer::timeout, this, &TSkinForm::ButtonTimerTick);

    setFont(Skin().Font);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, ColorToQColor(Skin().Face));
    pal.setColor(QPalette::WindowText, ColorToQColor(Skin().FontColor));
    pal.setColor(QPalette::Text, ColorToQColor(Skin().FontColor));
    pal.setColor(QPalette::ButtonText, ColorToQColor(Skin().FontColor));
    setPalette(pal);
    LayoutClient();
}

TSkinForm::~TSkinForm() {
    if (ModalFormNow == this)
        ModalFormNow = nullptr;
    if (FModalLoop)
        FModalLoop->exit(0);
}

int TSkinForm::TitleBarHeight() const {
    return FSkinned ? Skin().TitleBarHeight() : 0;
}

int TSkinForm::FrameThickness() const {
    return FSkinned ? Skin().FrameThickness() : 0;
}

int TSkinForm::ClientWidth() const {
    return FClient->width();
}

int TSkinForm::ClientHeight() const {
    return FClient->height();
}

void TSkinForm::SetClientSize(int Width, int Height) {
    const int f = FrameThickness();
    const int top = FFullScreen ? f : TitleBarHeight();
    resize(Width + 2 * f, top + Height + f);
    LayoutClient();
}

void TSkinForm::SetCaption(const QString &Text) {
    FCaptionText = Text;
    setWindowTitle(Text);
    DrawTitleBar();
}

void TSkinForm::SetFullScreen(bool Value) {
    if (FFullScreen == Value)
        return;
    FFullScreen = Value;
    LayoutClient();
    update();
}

void TSkinForm::SetButtonBar(bool Value) {
    FButtonBar = Value;
    FClient->update();
}

HWND TSkinForm::CompanionHandle() {
    return CompanionSource ? CompanionSource() : 0;
}

void TSkinForm::SetCompanionHandle(HWND Handle) {
    if (Handle == 0)
        CompanionSource = nullptr;
    else
        CompanionSource = [Handle]() { return Handle; };
}

void TSkinForm::SetCompanionSource(std::function<HWND()> Source) {
    CompanionSource = std::move(Source);
}

TSkinForm *TSkinForm::ModalForm() {
    return ModalFormNow;
}

QString TSkinForm::EditStyleSheet() {
    const QColor border = ColorToQColor(Skin().Shadow);
    const QColor text = ColorToQColor(Skin().FontColor);
    return QStringLiteral("QLineEdit { background: white; color: %1; border: 1px solid %2;"
                          " border-radius: 3px; padding: 1px 4px; min-height: 18px;"
                          " selection-background-color: #3d8ee0; }"
                          "QLineEdit:focus { border-color: #2b79d0; }")
        .arg(text.name(), border.name());
}

QRegion TSkinForm::RoundedRegion(int Width, int Height) {
    // Pixels cut from each end of the first (and last) rows: the outline of a 9 x 9 corner.
    static constexpr int Cut[] = {3, 1, 1};
    QRegion region(0, 0, Width, Height);
    for (int row = 0; row < 3 && row < Height; ++row) {
        const int c = std::min(Cut[row], Width);
        for (int y : {row, Height - 1 - row}) {
            region -= QRegion(0, y, c, 1);
            region -= QRegion(Width - c, y, c, 1);
        }
    }
    return region;
}

void TSkinForm::LayoutClient() {
    const int f = FrameThickness();
    const int top = FFullScreen ? f : TitleBarHeight();
    FClient->setGeometry(f, top, std::max(0, width() - 2 * f), std::max(0, height() - top - f));
    if (FSizeGrip) {
        const int g = ResizeCornerSize();
        const bool show = g > 0 && !FFullScreen && !(windowState() & Qt::WindowMaximized);
        FSizeGrip->setGeometry(width() - g + 1, height() - g + 1, g - 1, g - 1);
        FSizeGrip->setVisible(show);
        FSizeGrip->raise();
    }
}

int TSkinForm::ResizeCornerSize() const {
    if (!FSkinned || IsDialog())
        return 0;
    return Skin().StatusBar.width() / 2 + FrameThickness();
}

// ---- title bar ---------------------------------------------------------------------------

TTitleGeometry TSkinForm::TitleGeometry() const {
    TTitleGeometry g;
    g.Width = width();
    g.TitleHeight = TitleBarHeight();
    g.Frame = FrameThickness();
    if (FSkinned) {
        g.ButtonWidth = Skin().BtnWindow.width() / 5;
        g.ButtonHeight = Skin().BtnWindow.height() / 3;
    }
    g.Dialog = IsDialog();
    g.Companion = CompanionHandle() != 0;
    g.ReturnTextWidth = fontMetrics().horizontalAdvance(ReturnText);
    return g;
}

int TSkinForm::TitleButtonZone(const TTitleGeometry &G, int X, int Y, QPoint *MenuPoint) {
    const int top = (G.TitleHeight - G.ButtonHeight) / 2;
    int right = G.Width - G.Frame;
    if (Y < top || Y > top + G.ButtonHeight)
        return -1;
    for (int i = 0; i < 4; ++i) {
        if (right - G.ButtonWidth <= X && X <= right) {
            if (MenuPoint)
                *MenuPoint = QPoint(right, top + G.ButtonWidth);
            return i > 0 && G.Dialog ? -1 : i;
        }
        right -= G.ButtonWidth;
    }
    if (!G.Dialog && G.Companion && X < right && X > right - G.ReturnTextWidth - 6)
        return btReturn;
    return -1;
}

int TSkinForm::TitleButtonAt(const QPoint &ScreenPos) {
    if (!FSkinned)
        return -1;
    const QPoint p = ScreenPos - geometry().topLeft();
    return TitleButtonZone(TitleGeometry(), p.x(), p.y(), &FMenuPoint);
}

void TSkinForm::SetHotButton(int I) {
    if (I == FHotButton)
        return;
    FHotButton = I;
    if (I >= 0)
        FButtonTimer.start();
    else
        FButtonTimer.stop();
    DrawTitleBar();
    if (I >= 0) {
        setToolTip(QString::fromUtf8(TitleHints[I]));
        if (!toolTip().isEmpty())
            QToolTip::showText(QCursor::pos(), toolTip(), this);
        else
            QToolTip::hideText();
    } else {
        setToolTip(QString());
        QToolTip::hideText();
    }
}

void TSkinForm::ButtonTimerTick() {
    SetHotButton(TitleButtonAt(QCursor::pos()));
}

void TSkinForm::DrawTitleBar() {
    // Composed off-screen in PaintTitleBar and copied in one go, so the caption never flickers.
    if (isVisible() && TitleBarHeight() > 0 && !FFullScreen)
        repaint(0, 0, width(), TitleBarHeight());
}

void TSkinForm::PaintTitleBar(QPainter &Painter) {
    const TSkin &skin = Skin();
    const int w = width();
    const int th = skin.TitleBarHeight();
    if (th <= 0 || w <= 0)
        return;
    QPixmap picture(w, th);
    picture.fill(ColorToQColor(skin.Face));
    QPainter p(&picture);

    const int s = skin.TitleBar.width() / 3;
    if (s > 0)
        DrawThreeSlice(p, QRect(0, 0, w, th), skin.TitleBar, QRect(0, 0, 3 * s, th));

    const QImage &buttons = WindowButtonsImage();
    const int bw = buttons.width() / 5;
    const int bh = buttons.height() / 3;
    const int top = (th - bh) / 2;
    int x = w - s;
    auto drawButton = [&](int number, int column) {
        int row = 0;
        if (FHotButton == number)
            row = FDownButton == number ? 2 : 1;
        x -= bw;
        if (bw > 0 && bh > 0)
            p.drawImage(QPoint(x, top), buttons, QRect(column * bw, row * bh, bw, bh));
    };
    drawButton(btClose, 4);
    int captionRight = w;
    if (!IsDialog()) {
        drawButton(btMaximize, isMaximized() ? 3 : 2);
        drawButton(btMinimize, 1);
        drawButton(btMenu, 0);
        captionRight = x;
        const QIcon icon = windowIcon();
        if (!icon.isNull())
            p.drawPixmap(5, (th - 16) / 2 - 1, icon.pixmap(16, 16));
        if (CompanionHandle() != 0) {
            const int t = fontMetrics().horizontalAdvance(ReturnText);
            const QRect item(x - t - 6, 0, t + 6, th);
            if (FHotButton == btReturn) {
                p.setRenderHint(QPainter::Antialiasing);
                p.setPen(ColorToQColor(skin.Shadow));
                p.setBrush(Qt::NoBrush);
                p.drawRoundedRect(QRectF(item).adjusted(0.5, 0.5, -0.5, -0.5), 2, 2);
                p.setRenderHint(QPainter::Antialiasing, false);
            }
            p.setFont(font());
            p.setPen(ColorToQColor(skin.FontColor));
            p.drawText(item, Qt::AlignCenter | Qt::TextSingleLine, ReturnText);
            captionRight = item.left();
        }
    }

    QFont bold = font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(ColorToQColor(skin.FontColor));
    const QRect captionRect(24, 0, std::max(0, captionRight - 24), th);
    p.setClipRect(captionRect);
    p.drawText(captionRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, FCaptionText);
    p.end();
    Painter.drawPixmap(0, 0, picture);
}

void TSkinForm::PaintFrame(QPainter &Painter) {
    const TSkin &skin = Skin();
    const int h = skin.FrameThickness();
    if (h <= 0)
        return;
    const int w = width();
    const int H = height();
    const int th = skin.TitleBarHeight();
    // (left, top, right, bottom) of each tile's target.
    const int targets[7][4] = {
        {0, th, h, H - h},
        {w - h, th, w, H - h},
        {0, H - h - 1, h, H - 1},
        {w - h, H - h - 1, w, H - 1},
        {1, H - h, h + 1, H},
        {h + 1, H - h, w - h - 1, H},
        {w - h - 1, H - h, w - 1, H},
    };
    for (int k = 0; k < 7; ++k) {
        const QRect target(QPoint(targets[k][0], targets[k][1]),
                           QPoint(targets[k][2] - 1, targets[k][3] - 1));
        if (target.width() > 0 && target.height() > 0)
            Painter.drawImage(target, skin.Frame, QRect(k * h, 0, h, h));
    }
}

void TSkinForm::PaintClient(QPainter &Painter) {
    Painter.fillRect(FClient->rect(), ColorToQColor(Skin().Face));
    if (!FButtonBar)
        return;
    const int y = ClientHeight() - TPushButton::ButtonSize().height() - 18;
    const int right = ClientWidth() - 8;
    Painter.setPen(QPen(ColorToQColor(Skin().Shadow), 1));
    Painter.drawLine(8, y, right, y);
    Painter.setPen(QPen(ColorToQColor(Skin().Light), 1));
    Painter.drawLine(8, y + 1, right, y + 1);
}

void TSkinForm::paintEvent(QPaintEvent *) {
    QPainter painter(this);
    if (!FSkinned || FFullScreen) {
        painter.fillRect(rect(), ColorToQColor(Skin().Face));
        return;
    }
    PaintTitleBar(painter);
    PaintFrame(painter);
}

// ---- window events -----------------------------------------------------------------------

void TSkinForm::resizeEvent(QResizeEvent *Event) {
    QWidget::resizeEvent(Event);
    if (FSkinned)
        setMask(RoundedRegion(width(), height()));
    LayoutClient();
    update();
}

void TSkinForm::showEvent(QShowEvent *Event) {
    FormShow();
    // Dialogs open centred on their owner; other windows place themselves.
    if (!FPositioned && IsDialog()) {
        FPositioned = true;
        PositionOnOwner();
    }
    QWidget::showEvent(Event);
}

void TSkinForm::PositionOnOwner() {
    QRect area;
    if (QWidget *owner = parentWidget())
        area = owner->window()->frameGeometry();
    else if (QScreen *screen = QGuiApplication::primaryScreen())
        area = screen->availableGeometry();
    if (area.isValid())
        move(area.center() - QPoint(width() / 2, height() / 2));
}

void TSkinForm::hideEvent(QHideEvent *Event) {
    QWidget::hideEvent(Event);
    FButtonTimer.stop();
    // A modal show ends when its window disappears.
    if (FModalLoop && !Event->spontaneous())
        FModalLoop->exit(0);
}

void TSkinForm::changeEvent(QEvent *Event) {
    QWidget::changeEvent(Event);
    if (Event->type() == QEvent::WindowStateChange) {
        LayoutClient();
        update();
    } else if (Event->type() == QEvent::WindowTitleChange) {
        FCaptionText = windowTitle();
        DrawTitleBar();
    }
}

Qt::Edges TSkinForm::ResizeEdgesAt(const QPoint &Pos) const {
    if (!FSkinned || IsDialog() || FFullScreen || (windowState() & Qt::WindowMaximized))
        return {};
    const int g = ResizeCornerSize();
    if (Pos.x() > width() - g && Pos.y() > height() - g)
        return Qt::BottomEdge | Qt::RightEdge;
    if (Pos.y() < TitleBarHeight())
        return {};
    const int f = FrameThickness();
    Qt::Edges edges;
    if (Pos.x() < f)
        edges |= Qt::LeftEdge;
    if (Pos.x() >= width() - f)
        edges |= Qt::RightEdge;
    if (Pos.y() >= height() - f)
        edges |= Qt::BottomEdge;
    return edges;
}

void TSkinForm::StartResize(Qt::Edges Edges, const QPoint &GlobalPos) {
    if (windowHandle() && windowHandle()->startSystemResize(Edges))
        return;
    // No window manager to do it: follow the pointer ourselves.
    FResizeEdges = Edges;
    FResizeStart = GlobalPos;
    FResizeGeometry = geometry();
}

void TSkinForm::FollowResize(const QPoint &GlobalPos) {
    const QPoint d = GlobalPos - FResizeStart;
    QRect r = FResizeGeometry;
    const QSize minimum = minimumSize().expandedTo(QSize(64, TitleBarHeight() + 16));
    if (FResizeEdges & Qt::RightEdge)
        r.setWidth(std::max(minimum.width(), FResizeGeometry.width() + d.x()));
    if (FResizeEdges & Qt::BottomEdge)
        r.setHeight(std::max(minimum.height(), FResizeGeometry.height() + d.y()));
    if (FResizeEdges & Qt::LeftEdge) {
        const int w = std::max(minimum.width(), FResizeGeometry.width() - d.x());
        r.setLeft(FResizeGeometry.right() + 1 - w);
    }
    setGeometry(r);
}

bool TSkinForm::eventFilter(QObject *Watched, QEvent *Event) {
    if (Watched == FSizeGrip) {
        auto *mouse = static_cast<QMouseEvent *>(Event);
        switch (Event->type()) {
        case QEvent::MouseButtonPress:
            if (mouse->button() == Qt::LeftButton)
                StartResize(Qt::BottomEdge | Qt::RightEdge, mouse->globalPosition().toPoint());
            return true;
        case QEvent::MouseMove:
            if (FResizeEdges)
                FollowResize(mouse->globalPosition().toPoint());
            return true;
        case QEvent::MouseButtonRelease:
            FResizeEdges = {};
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(Watched, Event);
}

void TSkinForm::mousePressEvent(QMouseEvent *Event) {
    QWidget::mousePressEvent(Event);
    // Hit-test first, as the window system does before every press.
    SetHotButton(TitleButtonAt(Event->globalPosition().toPoint()));
    FDownButton = FHotButton;
    DrawTitleBar();
    // The menu button opens the application menu with any mouse button, at the menu point.
    if (FDownButton == btMenu) {
        FButtonTimer.stop();
        if (FAppMenu)
            FAppMenu->exec(mapToGlobal(FMenuPoint));
        SetHotButton(TitleButtonAt(QCursor::pos()));
        return;
    }
    if (Event->button() != Qt::LeftButton)
        return;
    if (FDownButton >= 0)
        return;
    const QPoint pos = Event->position().toPoint();
    if (FSkinned && pos.y() < TitleBarHeight()) {
        if (!windowHandle() || !windowHandle()->startSystemMove()) {
            FDragging = true;
            FDragOffset = Event->globalPosition().toPoint() - frameGeometry().topLeft();
        }
        return;
    }
    const Qt::Edges edges = ResizeEdgesAt(pos);
    if (edges)
        StartResize(edges, Event->globalPosition().toPoint());
}

void TSkinForm::mouseMoveEvent(QMouseEvent *Event) {
    QWidget::mouseMoveEvent(Event);
    if (FDragging) {
        move(Event->globalPosition().toPoint() - FDragOffset);
        return;
    }
    if (FResizeEdges) {
        FollowResize(Event->globalPosition().toPoint());
        return;
    }
    if (Event->buttons() == Qt::NoButton) {
        SetHotButton(TitleButtonAt(Event->globalPosition().toPoint()));
        const Qt::Edges edges = ResizeEdgesAt(Event->position().toPoint());
        if (edges == (Qt::BottomEdge | Qt::RightEdge))
            setCursor(Qt::SizeFDiagCursor);
        else if (edges == (Qt::BottomEdge | Qt::LeftEdge))
            setCursor(Qt::SizeBDiagCursor);
        else if (edges & (Qt::LeftEdge | Qt::RightEdge))
            setCursor(Qt::SizeHorCursor);
        else if (edges & Qt::BottomEdge)
            setCursor(Qt::SizeVerCursor);
        else
            unsetCursor();
    }
}

void TSkinForm::mouseReleaseEvent(QMouseEvent *Event) {
    QWidget::mouseReleaseEvent(Event);
    FDragging = false;
    FResizeEdges = {};
    const int b = FDownButton;
    FDownButton = -1;
    FHotButton = -1;
    FButtonTimer.stop();
    setToolTip(QString());
    QToolTip::hideText();
    DrawTitleBar();
    // The pressed button acts wherever the pointer is released.
    switch (b) {
    case btClose:
        close();
        break;
    case btMaximize:
        if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen))
            showNormal();
        else
            showMaximized();
        break;
    case btMinimize:
        MinimizeWindow();
        break;
    case btReturn:
        // The companion may have let go since the press.
        if (const HWND companion = CompanionHandle(); companion != 0) {
            Win::PostMessage(companion, WM_COMPANION, SC_RESTORE, 0);
            hide();
        }
        break;
    default:
        break;
    }
}

void TSkinForm::mouseDoubleClickEvent(QMouseEvent *Event) {
    // A double click on the caption maximises or restores a sizeable window.
    if (FSkinned && !IsDialog() && Event->button() == Qt::LeftButton &&
        Event->position().y() < TitleBarHeight() &&
        TitleButtonAt(Event->globalPosition().toPoint()) < 0) {
        if (isMaximized())
            showNormal();
        else
            showMaximized();
        return;
    }
    mousePressEvent(Event);
}

void TSkinForm::MinimizeWindow() {
    const bool toTray = SettingsOpen() && Settings().MiniToTray;
    // Without a tray the window could not come back from hiding: minimise instead.
    if (toTray && QSystemTrayIcon::isSystemTrayAvailable())
        hide();
    else
        showMinimized();
}

void TSkinForm::keyPressEvent(QKeyEvent *Event) {
    if (!FButtons.isEmpty()) {
        if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) {
            SetModalResult(FTag == bkYesNo ? mrYes : mrOk);
            return;
        }
        if (Event->key() == Qt::Key_Escape) {
            SetModalResult(mrCancel);
            return;
        }
    }
    QWidget::keyPressEvent(Event);
}

// ---- buttons and modal show ----------------------------------------------------------------

void TSkinForm::AddButtons(TButtonKind Kind) {
    QList<std::pair<QString, int>> list;
    if (Kind == bkOk)
        list = {{QStringLiteral("确定"), mrOk}};
    else if (Kind == bkOkCancel)
        list = {{QStringLiteral("取消"), mrCancel}, {QStringLiteral("确定"), mrOk}};
    else if (Kind == bkYesNo)
        list = {{QStringLiteral("否"), mrNo}, {QStringLiteral("是"), mrYes}};
    FTag = Kind;
    const QSize size = TPushButton::ButtonSize();
    int x = width() - 16;
    for (const auto &[caption, result] : list) {
        auto *button = new TPushButton(FClient, caption, result,
                                       [this](int Result) { SetModalResult(Result); });
        button->setGeometry(x - size.width(), ClientHeight() - size.height() - 8, size.width(),
                            size.height());
        x = button->x() - 8;
        button->show();
        FButtons.append(button);
    }
}

TEControl *TSkinForm::ButtonWithResult(int Result) const {
    for (TEControl *button : FButtons)
        if (button->Tag() == Result)
            return button;
    return nullptr;
}

void TSkinForm::SetModalResult(int Value) {
    FModalResult = Value;
    if (Value != 0 && FModalLoop)
        FModalLoop->exit(Value);
}

int TSkinForm::ShowModal() {
    FModalResult = 0;
    QPointer<TSkinForm> self(this);
    QEventLoop loop;
    if (!ModalFormNow) {
        ModalFormNow = this;
        setWindowModality(Qt::ApplicationModal);
        show();
        raise();
        activateWindow();
        FModalLoop = &loop;
        // Ends on a result, when the window is hidden or when the application quits.
        if (FModalResult == 0 && isVisible())
            loop.exec(QEventLoop::DialogExec);
        if (ModalFormNow == this)
            ModalFormNow = nullptr;
        if (!self)
            return 0;
        FModalLoop = nullptr;
        hide();
        setWindowModality(Qt::NonModal);
        return FModalResult;
    }
    // Another skinned window is already in a modal show: no second modal state. This window
    // stays on top and belongs to the modal one, so the modal state does not block its input.
    setWindowFlag(Qt::WindowStaysOnTopHint, true);
    winId();
    if (ModalFormNow->windowHandle() && windowHandle())
        windowHandle()->setTransientParent(ModalFormNow->windowHandle());
    show();
    raise();
    activateWindow();
    FModalLoop = &loop;
    if (FModalResult == 0 && isVisible())
        loop.exec(QEventLoop::DialogExec);
    if (!self)
        return 0;
    FModalLoop = nullptr;
    return isVisible() ? FModalResult : 0;
}
