#pragma once
// The notification pane: a small page in the bottom right corner of the page frame. Every 30
// minutes (the first time 10 s after start) a worker asks the notification page for its
// Last-Modified header; a value not seen before in this run opens the pane. The page steers the
// pane with "javascript:show(N)" (1 hide, 2 slide up, 3 slide down to a 28 px strip); windows
// it opens become tabs.
//
// The pane is a window of its own embedded into the frame's native window (as page hosts are
// into the page area): a web view inside the main window's widget tree would switch the whole
// window to OpenGL composition.

#include "mainwindow/TNoticeSlide.h"
#include "platform/WinMessages.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

class QWebEngineView;
class QWebEnginePage;
class TGetThread;
class TNoticePage;

class TNoticePane : public QWidget {
    Q_OBJECT

public:
    static constexpr int PaneWidth = 250;
    static constexpr int PaneHeight = 160;
    static constexpr int FirstCheck = 10000;      // ms after start
    static constexpr int CheckInterval = 1800000; // ms between checks
    static constexpr int ModalPoll = 250;         // ms between looks for a modal dialog's end

    // frame: the page frame's handle (in this process) and widget.
    TNoticePane(HWND frame, QWidget *frameWidget, const QString &url);
    ~TNoticePane() override;

    HWND Handle() const { return FHandle; }
    const TNoticeSlide &Slide() const { return FSlide; }
    int Opens() const { return FOpens; }

    // The window the page asks for; returns the new window's page (the engine loads into it).
    std::function<QWebEnginePage *()> OnNewWindow;

    // Timer4's tick: one check, unless one is still running.
    void Timer4Timer();
    // The check's result, on the main thread.
    void Checked(const QString &lastModified);
    void OpenPane();
    // A show command from the page.
    void ShowCommand(int command);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Timer3Timer();
    void FitHeight(int contentHeight);
    void Place();
    void Publish();

    HWND FHandle = 0;
    HWND FFrame = 0;
    QWidget *FFrameWidget = nullptr;
    QString FUrl;
    QWebEngineView *FView = nullptr;
    TNoticePage *FPage = nullptr;
    TNoticeSlide FSlide;
    QTimer FTimer3;
    QTimer FTimer4;
    QTimer FModalWait; // the pane opens once no modal dialog is up
    QPointer<TGetThread> FThread;
    QString FLastModified; // last value seen in this run
    int FOpens = 0;
    bool FEmbedded = false;
};
