#include "mainwindow/TNoticePane.h"

#include "core/TWBEmbedded.h"
#include "mainwindow/TGetThread.h"

#include <QEvent>
#include <QGuiApplication>
#include <QVBoxLayout>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWindow>

#include <algorithm>

namespace {

constexpr char ScriptName[] = "ludoranotice";
constexpr char MessagePrefix[] = "ludoranotice:";

// The page's show commands reach the pane through this hook. A link's "javascript:show(N)" is
// taken before the engine runs it; a script that navigates to one calls show(), which the hook
// wraps once the page's own scripts have defined theirs. Commands other than 1 to 3 go on to
// the page's own function.
const char HookSource[] = R"JS(
(function () {
    'use strict';
    function tell(n) { console.log('ludoranotice:' + n); }
    function command(text) {
        var s = String(text || '').toLowerCase();
        if (s.indexOf('javascript:show(') !== 0) return -1;
        var c = s.charAt(16);
        return c >= '0' && c <= '9' ? c.charCodeAt(0) - 48 : 0;
    }
    window.addEventListener('click', function (e) {
        var a = e.target && e.target.closest ? e.target.closest('a[href]') : null;
        if (!a) return;
        var n = command(a.getAttribute('href'));
        if (n >= 1 && n <= 3) { e.preventDefault(); e.stopImmediatePropagation(); tell(n); }
    }, true);
    function wrap() {
        var own = window.show;
        if (own && own.__ludora) return;
        var hook = function (n) {
            var k = Number(n);
            if (k === 1 || k === 2 || k === 3) { tell(k); return; }
            if (typeof own === 'function') return own.apply(this, arguments);
        };
        hook.__ludora = true;
        window.show = hook;
    }
    wrap();
    // The notice fills the pane from its corner: a margin around it would cover the game below
    // with nothing, and push the links out of the strip a minimised pane keeps.
    function fit() {
        var style = document.createElement('style');
        style.textContent = 'html, body { margin: 0 !important; overflow: hidden !important; }';
        (document.head || document.documentElement).appendChild(style);
    }
    document.addEventListener('DOMContentLoaded', fit);
    document.addEventListener('DOMContentLoaded', wrap);
    window.addEventListener('load', wrap, true);
})();
)JS";

} // namespace

class TNoticePage : public QWebEnginePage {
public:
    TNoticePage(QWebEngineProfile *profile, QObject *parent) : QWebEnginePage(profile, parent) {}
    std::function<void(int)> OnShow;
    std::function<QWebEnginePage *()> OnCreateWindow;

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType, bool) override {
        const int n = TNoticeSlide::ShowCommand(url.toString());
        if (TNoticeSlide::Handles(n)) {
            if (OnShow)
                OnShow(n);
            return false;
        }
        return true;
    }
    QWebEnginePage *createWindow(WebWindowType) override {
        return OnCreateWindow ? OnCreateWindow() : nullptr;
    }
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel, const QString &message, int,
                                  const QString &sourceID) override {
        // Only the hook's own script can log under its source id.
        if (sourceID != QLatin1String("userscript:") + QLatin1String(ScriptName) ||
            !message.startsWith(QLatin1String(MessagePrefix)))
            return;
        const int n = message.mid(int(qstrlen(MessagePrefix))).toInt();
        if (TNoticeSlide::Handles(n) && OnShow)
            OnShow(n);
    }
};

TNoticePane::TNoticePane(HWND frame, QWidget *frameWidget, const QString &url)
    : QWidget(nullptr, Qt::FramelessWindowHint | Qt::Tool), FFrame(frame),
      FFrameWidget(frameWidget), FUrl(url) {
    setObjectName(QStringLiteral("Browser"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    resize(PaneWidth, PaneHeight);
    FView = new QWebEngineView(this);
    FPage = new TNoticePage(TWBEmbedded::Profile(), FView);
    FPage->settings()->setAttribute(QWebEngineSettings::ShowScrollBars, false);
    FPage->settings()->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    QWebEngineScript hook;
    hook.setName(QString::fromLatin1(ScriptName));
    hook.setSourceCode(QString::fromUtf8(HookSource));
    hook.setInjectionPoint(QWebEngineScript::DocumentCreation);
    hook.setWorldId(QWebEngineScript::MainWorld);
    hook.setRunsOnSubFrames(false);
    FPage->scripts().insert(hook);
    FPage->OnShow = [this](int n) {
        // Never inside the engine's call.
        QTimer::singleShot(0, this, [this, n]() { ShowCommand(n); });
    };
    FPage->OnCreateWindow = [this]() { return OnNewWindow ? OnNewWindow() : nullptr; };
    FView->setPage(FPage);
    connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        if (!ok)
            return;
        // Isolated from the page's scripts; only a number comes back.
        FPage->runJavaScript(QStringLiteral("document.body ? document.body.scrollHeight : 0"),
                             QWebEngineScript::ApplicationWorld,
                             [this](const QVariant &height) { FitHeight(height.toInt()); });
    });
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(FView);

    FHandle = Win::RegisterWindow(this, QStringLiteral("TNoticePane"),
                                  [](const Win::TMessage &) { return LRESULT(0); });
    FSlide.HideAway(PaneWidth);
    Publish();

    FModalWait.setInterval(ModalPoll);
    connect(&FModalWait, &QTimer::timeout, this, &TNoticePane::OpenPane);
    FTimer3.setInterval(TNoticeSlide::TickInterval);
    connect(&FTimer3, &QTimer::timeout, this, &TNoticePane::Timer3Timer);
    // Test runs shorten the checks: "first,next" in ms.
    const QStringList intervals =
        qEnvironmentVariable("LUDORA_NOTICE_INTERVALS").split(QLatin1Char(','));
    const int first = intervals.value(0).toInt() > 0 ? intervals.value(0).toInt() : FirstCheck;
    FTimer4.setInterval(first);
    connect(&FTimer4, &QTimer::timeout, this, [this, intervals]() {
        const int next = intervals.value(1).toInt();
        FTimer4.setInterval(next > 0 ? next : CheckInterval);
        Timer4Timer();
    });
    FTimer4.start();
    FFrameWidget->installEventFilter(this);
}

TNoticePane::~TNoticePane() {
    if (FThread) {
        FThread->requestInterruption();
        FThread->disconnect(this);
        // Briefly: a check that does not end in time ends on its own and frees itself.
        FThread->wait(1000);
    }
    Win::UnregisterWindow(FHandle);
}

void TNoticePane::Timer4Timer() {
    if (FThread)
        return; // the previous check is still running
    FThread = new TGetThread(FUrl);
    connect(FThread, &TGetThread::Checked, this, &TNoticePane::Checked);
    FThread->start();
}

void TNoticePane::Checked(const QString &lastModified) {
    if (lastModified.isEmpty() || lastModified == FLastModified)
        return;
    FLastModified = lastModified;
    OpenPane();
}

void TNoticePane::OpenPane() {
    // Shown under a modal dialog, the pane's window would be blocked for input and stay so after
    // the dialog has gone (the toolkit unblocks only top-level windows, and the pane lives inside
    // the frame's window): its links would never answer. It waits for the dialog instead.
    if (QGuiApplication::modalWindow() != nullptr) {
        FModalWait.start();
        return;
    }
    FModalWait.stop();
    if (!FEmbedded) {
        FEmbedded = Win::SetParent(FHandle, FFrame);
    }
    FTimer3.stop();
    resize(PaneWidth, PaneHeight); // a new notice may need all of it
    FSlide.Open(FFrameWidget->width(), FFrameWidget->height(), width());
    Place();
    show();
    if (windowHandle())
        windowHandle()->raise();
    ++FOpens;
    FView->setUrl(QUrl(FUrl));
    Publish();
}

void TNoticePane::ShowCommand(int command) {
    if (command == TNoticeSlide::Hide) {
        FTimer3.stop();
        FSlide.HideAway(width());
        Place();
        hide();
    } else if (command == TNoticeSlide::SlideUp || command == TNoticeSlide::SlideDown) {
        FSlide.StartSlide(command);
        FTimer3.start();
    }
    Publish();
}

// A notice shorter than the pane gets a pane of its own height: the rest would only cover the
// page below with the notice's background.
void TNoticePane::FitHeight(int contentHeight) {
    if (contentHeight <= 0)
        return;
    const int fitted = std::clamp(contentHeight, TNoticeSlide::StripHeight, int(PaneHeight));
    const int old = height();
    if (fitted == old)
        return;
    resize(width(), fitted);
    FSlide.Refit(FFrameWidget->height(), old, fitted);
    Place();
    Publish();
}

void TNoticePane::Timer3Timer() {
    if (!FSlide.Tick(FFrameWidget->height(), height()))
        FTimer3.stop();
    Place();
    Publish();
}

void TNoticePane::Place() {
    move(FSlide.Pos());
    // Also on the native window itself: one made anew (the view's first show does that) takes
    // its position as automatic and would ignore the widget's.
    if (QWindow *w = windowHandle()) {
        w->setPosition(FSlide.Pos());
        if (isVisible())
            w->raise();
    }
}

// The pane's state as its window text, for whoever watches it through the message layer:
// "<opens> <offset> <slide> <sliding>".
void TNoticePane::Publish() {
    Win::SetWindowText(FHandle, QStringLiteral("%1 %2 %3 %4")
                                    .arg(FOpens)
                                    .arg(FSlide.OnScreen() ? FSlide.Offset() : -1)
                                    .arg(FSlide.Slide())
                                    .arg(FTimer3.isActive() ? 1 : 0));
}

bool TNoticePane::eventFilter(QObject *watched, QEvent *event) {
    if (watched == FFrameWidget && event->type() == QEvent::Resize && FSlide.OnScreen()) {
        FSlide.Reanchor(FFrameWidget->width(), FFrameWidget->height(), width());
        Place();
    }
    return QWidget::eventFilter(watched, event);
}
