#include "dialogs/TfrmUpdate.h"

#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"
#include "net/THTTPGet.h"
#include "net/TUpdateLogic.h"

#include <QCloseEvent>
#include <QFile>
#include <QPainter>

#include <algorithm>

TfrmUpdate::TfrmUpdate(QWidget *Owner) : TSkinForm(Owner, TBorderStyle::Dialog) {
    setObjectName(QStringLiteral("frmUpdate"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowFlag(Qt::WindowStaysOnTopHint);
    SetCaption(QStringLiteral("正在下载更新..."));
    SetClientSize(DesignClientWidth, DesignClientHeight);

    FBar = new TPaintPanel(Client());
    FBar->setGeometry(0, 0, DesignClientWidth, DesignClientHeight);
    FBar->OnPaint = [this](TPaintPanel *, QPainter &canvas) { PaintBar(canvas); };

    FHTTPGet = new THTTPGet(this);
    FHTTPGet->SetAcceptTypes(QStringLiteral("*/*"));
    FHTTPGet->SetBinaryData(true);
    FHTTPGet->SetUseCache(false);
    FHTTPGet->SetMaxLength(MaxArchiveKiB);
    FHTTPGet->OnProgress = [this](THTTPGet *, qint64 total, qint64 readed) {
        const int width = ::ProgressWidth(readed, total, ClientWidth());
        if (width == FProgressWidth)
            return;
        FProgressWidth = width;
        FBar->repaint();
        Win::SetWindowText(FHandle, QString::number(FProgressWidth));
    };
    FHTTPGet->OnDoneFile = [this](THTTPGet *, const QString &fileName, qint64) {
        hide();
        if (OnDone)
            OnDone(fileName);
        CloseQuietly();
    };
    FHTTPGet->OnError = [this](THTTPGet *) {
        hide();
        if (OnFailed)
            OnFailed();
        CloseQuietly();
    };

    // Found by class name, its text the bar's width: how a running download is watched from
    // outside the process.
    FHandle = Win::RegisterWindow(this, QStringLiteral("TfrmUpdate"),
                                  [](const Win::TMessage &) { return LRESULT(0); });
}

TfrmUpdate::~TfrmUpdate() {
    Win::UnregisterWindow(FHandle);
}

void TfrmUpdate::Start(const QString &url, const QString &fileName) {
    QFile::remove(fileName); // a partial archive of an earlier try
    FHTTPGet->SetURL(url);
    FHTTPGet->SetFileName(fileName);
    FHTTPGet->StartFileFetch();
}

void TfrmUpdate::PaintBar(QPainter &canvas) {
    canvas.fillRect(FBar->rect(), ColorToQColor(Skin().Face));
    const QImage &bitmap = Skin().ProgressBar;
    if (bitmap.isNull()) {
        // No skin: a plain bar in the window's colours.
        const QRect track(16, 16, ClientWidth() - 32, 8);
        canvas.setPen(ColorToQColor(Skin().Shadow));
        canvas.drawRect(track.adjusted(0, 0, -1, -1));
        if (FProgressWidth > 0)
            canvas.fillRect(QRect(18, 18, FProgressWidth, 4), ColorToQColor(Skin().Shadow));
        return;
    }
    // Four equal columns: left end, middle, right end, and the filled part.
    const int w = bitmap.width() / 4;
    const int h = bitmap.height();
    const int right = ClientWidth() - w - 16;
    canvas.drawImage(QPoint(16, 16), bitmap, QRect(0, 0, w, h));
    canvas.drawImage(QRect(16 + w, 16, std::max(0, right - 16 - w), h), bitmap, QRect(w, 0, w, h));
    canvas.drawImage(QPoint(right, 16), bitmap, QRect(2 * w, 0, w, h));
    if (FProgressWidth > 0)
        canvas.drawImage(QRect(18, 16, FProgressWidth, h), bitmap, QRect(3 * w, 0, w, h));
}

void TfrmUpdate::CloseQuietly() {
    FQuiet = true;
    close();
}

void TfrmUpdate::closeEvent(QCloseEvent *event) {
    if (FQuiet || !FHTTPGet->Busy()) {
        event->accept();
        return;
    }
    FHTTPGet->SetPaused(true);
    if (ShowTip(QStringLiteral("提示"), QStringLiteral(" 是否放弃下载更新文件？"), QString(), 4) ==
        6) {
        // Given up: no failure message follows; the partial file goes with the next try.
        FHTTPGet->OnError = nullptr;
        FHTTPGet->OnDoneFile = nullptr;
        FHTTPGet->CancelFetch();
        event->accept();
        return;
    }
    FHTTPGet->SetPaused(false);
    event->ignore();
}
