#include "mainwindow/TDeadTabs.h"

#include "controls/TSkin.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QTimer>

#include <algorithm>

namespace {

// "S\F\G\" -> "G"; a URL stays as it is.
QString GameCaption(const QString &location) {
    QStringList parts = location.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    return parts.isEmpty() ? location : parts.last();
}

} // namespace

// ---- TDeadTabs ------------------------------------------------------------------------------

TDeadTabs::TDeadTabs(HWND pageArea, QWidget *pageAreaWidget, QObject *parent)
    : QObject(parent), FPageArea(pageArea), FPageAreaWidget(pageAreaWidget) {
    FNotice = new TDeadTabNotice(pageAreaWidget);
    FNotice->hide();
    FNotice->OnRestart = [this]() {
        if (CurrentHost)
            Restart(CurrentHost());
    };
    pageAreaWidget->installEventFilter(this);
}

TDeadTabs::~TDeadTabs() = default;

void TDeadTabs::Registered(HWND host, const QString &startText) {
    if (startText.isEmpty())
        return;
    FStart.insert(host, startText);
    Win::WatchOwnerProcess(host, [self = QPointer<TDeadTabs>(this), host]() {
        if (self)
            self->Died(host);
    });
}

void TDeadTabs::Died(HWND host) {
    const QString start = FStart.take(host);
    if ((ShuttingDown && ShuttingDown()) || !IsTab || !IsTab(host) || Win::IsWindow(host))
        return;
    FStart.insert(host, start); // kept for the restart
    FDead.insert(host, true);
    if (OnDied)
        OnDied(host);
    CurrentChanged();
}

HWND TDeadTabs::TakeRestarted(const QString &startText) {
    const HWND dead = FPending.take(startText);
    if (dead == 0 || !FDead.contains(dead) || !IsTab || !IsTab(dead))
        return 0;
    FDead.remove(dead);
    FStart.remove(dead);
    return dead;
}

void TDeadTabs::CurrentChanged() {
    const HWND current = CurrentHost ? CurrentHost() : 0;
    if (current == 0 || !FDead.contains(current)) {
        FNotice->hide();
        return;
    }
    const QString start = FStart.value(current);
    FNotice->SetGame(GameCaption(start.section(QLatin1Char('\n'), 0, 0)),
                     FPending.values().contains(current));
    FNotice->setGeometry(FPageAreaWidget->rect());
    FNotice->show();
    FNotice->raise();
}

bool TDeadTabs::Restart(HWND deadHost) {
    if (!FDead.contains(deadHost) || FPending.values().contains(deadHost))
        return false;
    const QString start = FStart.value(deadHost);
    const QStringList lines = start.split(QLatin1Char('\n'));
    QStringList args{QString::number(FPageArea), lines.value(0)};
    if (lines.size() > 1 && !lines.value(1).isEmpty())
        args.append(lines.value(1));
    if (!QProcess::startDetached(QCoreApplication::applicationFilePath(), args))
        return false;
    FPending.insert(start, deadHost);
    CurrentChanged();
    // A game that never registers: the button may be pressed again.
    QTimer::singleShot(RestartGrace, this, [this, start, deadHost]() {
        if (FPending.value(start) == deadHost) {
            FPending.remove(start);
            CurrentChanged();
        }
    });
    return true;
}

bool TDeadTabs::eventFilter(QObject *watched, QEvent *event) {
    if (watched == FPageAreaWidget && event->type() == QEvent::Resize && FNotice->isVisible())
        FNotice->setGeometry(FPageAreaWidget->rect());
    return QObject::eventFilter(watched, event);
}

// ---- TDeadTabNotice -------------------------------------------------------------------------

const QString TDeadTabNotice::Title = QStringLiteral("游戏已停止运行");
const QString TDeadTabNotice::ButtonText = QStringLiteral("重新启动游戏");

TDeadTabNotice::TDeadTabNotice(QWidget *parent) : QWidget(parent) {
    setObjectName(QStringLiteral("DeadTabNotice"));
    setMouseTracking(true);
    setFont(Skin().Font);
    // Found by class name, its text the title and the button's place: how the notice is
    // watched and pressed from outside the process.
    FHandle = Win::RegisterWindow(this, QStringLiteral("TDeadTabNotice"),
                                  [](const Win::TMessage &) { return LRESULT(0); });
}

TDeadTabNotice::~TDeadTabNotice() {
    Win::UnregisterWindow(FHandle);
}

void TDeadTabNotice::SetGame(const QString &caption, bool starting) {
    FCaption = caption;
    FStarting = starting;
    update();
    Publish();
}

QRect TDeadTabNotice::ButtonRect() const {
    const int h = 28;
    const int w = 132;
    return QRect(width() / 2 - w / 2, height() / 2 + 22, w, h);
}

void TDeadTabNotice::Publish() {
    const QRect b = ButtonRect();
    Win::SetWindowText(FHandle, QStringLiteral("%1\n%2 %3 %4 %5\n%6")
                                    .arg(Title)
                                    .arg(b.x())
                                    .arg(b.y())
                                    .arg(b.width())
                                    .arg(b.height())
                                    .arg(FStarting ? 1 : 0));
}

void TDeadTabNotice::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    Publish();
}

void TDeadTabNotice::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), ColorToQColor(Skin().Face));
    p.setRenderHint(QPainter::Antialiasing);

    // A card in the middle, outlined like the window frame.
    const QRect card(width() / 2 - 190, height() / 2 - 84, 380, 168);
    QPainterPath path;
    path.addRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);
    p.fillPath(path, QColor(255, 255, 255));
    p.setPen(ColorToQColor(Skin().Shadow));
    p.drawPath(path);

    // A warning mark left of the title.
    QFont big = font();
    big.setPointSizeF(std::max(11.0, font().pointSizeF() * 1.5));
    big.setBold(true);
    const QFontMetrics bm(big);
    const int titleWidth = bm.horizontalAdvance(Title);
    const int markSize = 26;
    const int left = card.center().x() - (markSize + 10 + titleWidth) / 2;
    const QRect mark(left, card.top() + 30, markSize, markSize);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(230, 120, 30));
    p.drawEllipse(mark);
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(mark.center().x(), mark.top() + 6, mark.center().x(), mark.center().y() + 3);
    p.drawPoint(mark.center().x(), mark.bottom() - 5);

    p.setFont(big);
    p.setPen(ColorToQColor(Skin().FontColor));
    p.drawText(QRect(mark.right() + 10, mark.top(), titleWidth + 4, markSize),
               Qt::AlignVCenter | Qt::AlignLeft, Title);

    p.setFont(font());
    p.setPen(QColor(96, 96, 96));
    const QString line = FCaption.isEmpty()
                             ? QStringLiteral("这个标签的游戏进程已经结束。")
                             : QStringLiteral("《%1》的游戏进程已经结束。").arg(FCaption);
    p.drawText(QRect(card.left() + 10, mark.bottom() + 10, card.width() - 20, 20), Qt::AlignCenter,
               line);

    const QRect b = ButtonRect();
    // A push button in the skin's colours: a light face, darker when pressed, the skin's outline.
    QLinearGradient face(b.topLeft(), b.bottomLeft());
    const QColor light = ColorToQColor(Skin().Light);
    const QColor base = ColorToQColor(Skin().Face);
    face.setColorAt(0, FDown ? base : light);
    face.setColorAt(1, FDown ? light : base);
    p.setPen(ColorToQColor(FHot ? Skin().Shadow : Skin().MenuShadow));
    p.setBrush(face);
    p.drawRoundedRect(QRectF(b).adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
    p.setPen(FStarting ? QColor(128, 128, 128) : ColorToQColor(Skin().FontColor));
    p.drawText(b.translated(FDown ? 1 : 0, FDown ? 1 : 0), Qt::AlignCenter,
               FStarting ? QStringLiteral("正在启动...") : ButtonText);
}

void TDeadTabNotice::mouseMoveEvent(QMouseEvent *event) {
    const bool hot = ButtonRect().contains(event->position().toPoint());
    if (hot != FHot) {
        FHot = hot;
        update();
    }
}

void TDeadTabNotice::mousePressEvent(QMouseEvent *event) {
    if (event->button() == Qt::LeftButton && ButtonRect().contains(event->position().toPoint())) {
        FDown = true;
        update();
    }
}

void TDeadTabNotice::mouseReleaseEvent(QMouseEvent *event) {
    const bool click = FDown && ButtonRect().contains(event->position().toPoint());
    FDown = false;
    update();
    if (click && !FStarting && OnRestart)
        OnRestart();
}

void TDeadTabNotice::leaveEvent(QEvent *) {
    FHot = false;
    update();
}
