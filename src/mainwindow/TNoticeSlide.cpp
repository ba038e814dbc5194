#include "mainwindow/TNoticeSlide.h"

int TNoticeSlide::ShowCommand(const QString &url) {
    static const QString Prefix = QStringLiteral("javascript:show(");
    const QString lower = url.toLower();
    if (!lower.startsWith(Prefix))
        return -1;
    const QChar c = lower.size() > Prefix.size() ? lower.at(Prefix.size()) : QChar();
    return c >= QLatin1Char('0') && c <= QLatin1Char('9') ? c.unicode() - '0' : 0;
}

void TNoticeSlide::Open(int frameWidth, int frameHeight, int paneWidth) {
    FOffset = 0;
    FPos = QPoint(frameWidth - paneWidth - RightMargin, frameHeight);
}

void TNoticeSlide::HideAway(int paneWidth) {
    FOffset = 0;
    FPos = QPoint(-paneWidth - 10000, FPos.y());
}

bool TNoticeSlide::Tick(int frameHeight, int paneHeight) {
    bool running = true;
    if (FSlide == SlideUp) {
        if (FPos.y() + paneHeight > frameHeight - BottomGap) {
            FOffset += Step;
        } else {
            FOffset = paneHeight + BottomGap;
            running = false;
        }
    } else if (FSlide == SlideDown) {
        if (FPos.y() < frameHeight - StripStop) {
            FOffset -= Step;
        } else {
            FOffset = StripHeight;
            running = false;
        }
    } else {
        running = false;
    }
    FPos.setY(frameHeight - FOffset);
    return running;
}

void TNoticeSlide::Reanchor(int frameWidth, int frameHeight, int paneWidth) {
    if (!OnScreen())
        return;
    FPos = QPoint(frameWidth - paneWidth - RightMargin, frameHeight - FOffset);
}

void TNoticeSlide::Refit(int frameHeight, int oldHeight, int newHeight) {
    if (!OnScreen() || FOffset != oldHeight + BottomGap)
        return;
    FOffset = newHeight + BottomGap;
    FPos.setY(frameHeight - FOffset);
}
