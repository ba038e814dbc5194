#include "capture/TfrmCaptor.h"

#include "capture/TCaptureGeometry.h"
#include "capture/TImageSaver.h"
#include "capture/TSelection.h"
#include "capture/TSelectionHint.h"
#include "controls/THotbtn.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>

const QString TfrmCaptor::HintDrag = QStringLiteral("按住鼠标左键拖选截取范围");
const QString TfrmCaptor::HintEsc = QStringLiteral("按 \"ESC\" 或鼠标右键结束");
const QString TfrmCaptor::HintRelease = QStringLiteral("松开鼠标左键确定选取范围");
const QString TfrmCaptor::HintAdjust = QStringLiteral("用鼠标左键调整大小和位置");
const QString TfrmCaptor::HintDblClick = QStringLiteral("双击选取范围保存图像并结束");
const QString TfrmCaptor::SaveFilter =
    QStringLiteral("BMP (*.bmp)|*.bmp|JPG (*.jpg)|*.jpg|PNG (*.png)|*.png");

namespace {

int RememberedFilter = 0;
bool NextSaveSet = false;
QString NextSaveName;
int NextSaveFilter = 0;

constexpr int ButtonSize = 22;

// The bar's two images (ImageList1): 0 copy, 1 save; 16 x 16, drawn once.
QPixmap ButtonImage(int index) {
    static QPixmap images[2];
    QPixmap &image = images[index & 1];
    if (!image.isNull())
        return image;
    image = QPixmap(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink(0x2B, 0x57, 0x97);
    if (index == 0) {
        // Two overlapping sheets.
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(0xDD, 0xE8, 0xF6));
        p.drawRect(QRectF(1.5, 1.5, 8, 10));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(6.5, 4.5, 8, 10));
        p.setPen(QPen(QColor(0x7A, 0x9C, 0xCB), 1));
        for (int y : {7, 9, 11})
            p.drawLine(QPointF(8.5, y + 0.5), QPointF(12.5, y + 0.5));
    } else {
        // A disk.
        QPainterPath body;
        body.addRoundedRect(QRectF(1.5, 1.5, 13, 13), 1.5, 1.5);
        p.setPen(QPen(ink, 1));
        p.setBrush(QColor(0x3C, 0x6E, 0xB4));
        p.drawPath(body);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4, 2, 8, 5));
        p.setBrush(QColor(0x3C, 0x6E, 0xB4));
        p.drawRect(QRectF(9, 3, 2, 3));
        p.setBrush(QColor(0xE8, 0xEE, 0xF6));
        p.drawRect(QRectF(4, 9.5, 8, 4.5));
    }
    return image;
}

} // namespace

TfrmCaptor::TfrmCaptor()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName(QStringLiteral("frmCaptor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("区域截图"));
    setCursor(Qt::CrossCursor);

    QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 640, 480);
    if (screen)
        FSnapshot = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                        .toImage()
                        .convertToFormat(QImage::Format_RGB32);
    if (FSnapshot.isNull()) {
        FSnapshot = QImage(area.size(), QImage::Format_RGB32);
        FSnapshot.fill(Qt::black);
    }
    // On a scaled screen the snapshot holds physical pixels and the window works in logical
    // ones; its ratio says how to go from one to the other.
    if (area.width() > 0)
        FSnapshot.setDevicePixelRatio(qreal(FSnapshot.width()) / area.width());
    setGeometry(area);

    FSelection = new TSelection(&FSnapshot, this);
    FSelection->hide();
    FSelection->OnPress = [this]() { SelectionPress(); };
    FSelection->OnRelease = [this]() { SelectionRelease(); };

    FHint = new TSelectionHint(this);
    FHint->Line1 = HintDrag;
    FHint->Line2 = HintEsc;

    FPaintPanel1 = new TPaintPanel(this);
    FPaintPanel1->setObjectName(QStringLiteral("PaintPanel1"));
    FPaintPanel1->resize(2 * ButtonSize, ButtonSize);
    FPaintPanel1->OnPaint = [](TPaintPanel *sender, QPainter &canvas) {
        canvas.fillRect(sender->rect(), ColorToQColor(Skin().Face));
    };
    FPaintPanel1->hide();
    FHotbtn1 = new THotbtn(FPaintPanel1);
    FHotbtn1->setObjectName(QStringLiteral("Hotbtn1"));
    FHotbtn1->setGeometry(0, 0, ButtonSize, ButtonSize);
    FHotbtn1->SetHint(QStringLiteral("复制到剪贴板"));
    FHotbtn1->SetImageIndex(0);
    FHotbtn2 = new THotbtn(FPaintPanel1);
    FHotbtn2->setObjectName(QStringLiteral("Hotbtn2"));
    FHotbtn2->setGeometry(ButtonSize, 0, ButtonSize, ButtonSize);
    FHotbtn2->SetHint(QStringLiteral("保存为文件"));
    FHotbtn2->SetImageIndex(1);
    for (THotbtn *button : {FHotbtn1, FHotbtn2})
        button->OnPaint = [this](THotbtn *sender, QPainter &canvas) {
            PaintButton(sender, canvas);
        };
    FHotbtn1->OnClick = [this](THotbtn *) { CopyToClipboard(); };
    FHotbtn2->OnClick = [this](THotbtn *) { SaveToFile(); };

    // ESC and the double click are seen by the whole application while the tool is open.
    qApp->installEventFilter(this);
}

TfrmCaptor::~TfrmCaptor() {
    qApp->removeEventFilter(this);
}

TfrmCaptor *TfrmCaptor::Start() {
    auto *captor = new TfrmCaptor();
    captor->show();
    captor->raise();
    captor->activateWindow();
    return captor;
}

int TfrmCaptor::RememberedType() {
    return RememberedFilter;
}

void TfrmCaptor::SetNextSaveAnswer(const QString &fileName, int filterIndex) {
    NextSaveSet = true;
    NextSaveName = fileName;
    NextSaveFilter = filterIndex;
}

QImage TfrmCaptor::SelectedImage() const {
    return FSnapshot.copy(
        TCaptureGeometry::ImageRect(FSelection->geometry(), FSnapshot.devicePixelRatio()));
}

void TfrmCaptor::PaintButton(THotbtn *sender, QPainter &canvas) {
    const QRect r = sender->rect();
    canvas.fillRect(r, ColorToQColor(Skin().Face));
    const QImage &item = Skin().BgItem;
    if (sender->State() != THotbtn::StateNormal && !item.isNull()) {
        // The first of the bitmap's two looks, in three slices of a sixth of its width each.
        const int sw = item.width() / 6, h = item.height();
        canvas.drawImage(QRect(0, 0, sw, r.height()), item, QRect(0, 0, sw, h));
        canvas.drawImage(QRect(sw, 0, r.width() - 2 * sw, r.height()), item, QRect(sw, 0, sw, h));
        canvas.drawImage(QRect(r.width() - sw, 0, sw, r.height()), item, QRect(2 * sw, 0, sw, h));
    } else if (sender->State() != THotbtn::StateNormal) {
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.drawRect(r.adjusted(0, 0, -1, -1));
    }
    canvas.drawPixmap(3, 3, ButtonImage(sender->ImageIndex()));
}

void TfrmCaptor::paintEvent(QPaintEvent *event) {
    QPainter canvas(this);
    canvas.drawImage(event->rect(), FSnapshot,
                     TCaptureGeometry::ImageRect(event->rect(), FSnapshot.devicePixelRatio()));
}

void TfrmCaptor::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::RightButton) {
        close();
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    FAnchor = event->position().toPoint();
    FDragging = true;
    FSelection->setGeometry(QRect(FAnchor, QSize(0, 0)));
    FSelection->show();
    FPaintPanel1->hide();
}

void TfrmCaptor::mouseMoveEvent(QMouseEvent *event) {
    if (!FDragging || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint p = event->position().toPoint();
    const int grown = TCaptureGeometry::HintStartSize;
    if (FSelection->width() > grown && FSelection->height() > grown && !FHint->Line2.isEmpty()) {
        FHint->Line1 = HintRelease;
        FHint->Line2.clear();
        FHint->update();
    }
    FSelection->setGeometry(TCaptureGeometry::Span(FAnchor, p));
    FSelection->update();
    const int left = TCaptureGeometry::HintLeftWhileDragging(FHint->geometry(), width(), p);
    if (left != FHint->x())
        FHint->move(left, FHint->y());
}

void TfrmCaptor::mouseReleaseEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && FDragging) {
        FDragging = false;
        SelectionRelease();
    }
}

void TfrmCaptor::SelectionPress() {
    FPaintPanel1->hide();
}

void TfrmCaptor::SelectionRelease() {
    if (!TCaptureGeometry::Keeps(FSelection->size())) {
        FSelection->hide();
        FHint->Line1 = HintDrag;
        FHint->Line2 = HintEsc;
    } else {
        FHint->Line1 = HintAdjust;
        FHint->Line2 = HintDblClick;
        FPaintPanel1->move(
            TCaptureGeometry::BarPosition(FSelection->geometry(), FPaintPanel1->size(), size()));
        FPaintPanel1->show();
        FPaintPanel1->raise();
    }
    FHint->update();
}

bool TfrmCaptor::eventFilter(QObject *watched, QEvent *event) {
    if (event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    if (event->type() == QEvent::MouseButtonDblClick) {
        auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton && FSelection->isVisible() &&
            FSelection->geometry()
                .translated(geometry().topLeft())
                .contains(mouse->globalPosition().toPoint())) {
            CopyToClipboard();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TfrmCaptor::CopyToClipboard() {
    QGuiApplication::clipboard()->setImage(SelectedImage());
    hide();
    close();
}

bool TfrmCaptor::AskSaveName(QString &fileName, int &filterIndex) {
    if (NextSaveSet) {
        NextSaveSet = false;
        fileName = NextSaveName;
        filterIndex = NextSaveFilter;
        return !fileName.isEmpty();
    }
    const QStringList filters = {QStringLiteral("BMP (*.bmp)"), QStringLiteral("JPG (*.jpg)"),
                                 QStringLiteral("PNG (*.png)")};
    QFileDialog dialog(nullptr, QStringLiteral("保存为文件"));
    dialog.setObjectName(QStringLiteral("SaveDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.at(TCaptureGeometry::NormalType(RememberedFilter) - 1));
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    fileName = dialog.selectedFiles().constFirst();
    filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}

void TfrmCaptor::SaveToFile() {
    const QImage image = SelectedImage();
    hide();
    // ESC and double clicks now belong to the save dialog and the message box; closing this
    // window under them would pull it away while they run.
    qApp->removeEventFilter(this);
    QString chosen;
    int filterIndex = 0;
    if (AskSaveName(chosen, filterIndex)) {
        RememberedFilter = filterIndex;
        const int type = TCaptureGeometry::NormalType(filterIndex);
        const QString error =
            TImageSaver::Save(image, TCaptureGeometry::SaveName(chosen, type), type);
        if (!error.isEmpty())
            ShowTip(QStringLiteral("提示"), QStringLiteral("图像没有保存。"), error, bkOk);
    }
    close();
}
