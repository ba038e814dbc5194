#include "core/TWBEmbedded.h"

#include "core/THostPage.h"
#include "core/THostProfile.h"
#include "core/TProgram.h"
#include "core/TZoomSteps.h"
#include "protocol/Messages.h"
#include "protocol/THostProtocol.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QKeyEvent>
#include <QPointer>
#include <QProcess>
#include <QQuickWidget>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>
#include <QWheelEvent>

#include <algorithm>

namespace {

QList<TWBEmbedded *> GHosts;
std::function<void()> GLastHostGone;
std::function<void()> GDestroyHandler;
QStringList GCommandLine;

constexpr int MaxTextChars = 1 << 20;

QString ScriptSource(const QString &token, const QString &secret) {
    QFile file(QStringLiteral(":/core/hostscript.js"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll())
        .replace(QStringLiteral("@TOKEN@"), token)
        .replace(QStringLiteral("@SECRET@"), secret);
}

LPARAM AudioState(const QWebEnginePage *page) {
    return (page->recentlyAudible() ? LPARAM(HostAudioAudible) : 0) |
           (page->isAudioMuted() ? LPARAM(HostAudioMuted) : 0);
}

QString RandomText() {
    return QString::number(QRandomGenerator::system()->generate64(), 36) +
           QString::number(QRandomGenerator::system()->generate64(), 36);
}

} // namespace

TWBEmbedded::TWBEmbedded(const QString &startParameter, THostPage *page)
    : QWidget(nullptr, Qt::FramelessWindowHint), FStartParameter(startParameter), FFill(*this),
      FCapture(*this) {
    GHosts.append(this);

    // The web view renders through a texture child, and Qt recreates a window that was created
    // without one once such a child arrives: a recreated window drops out of its foreign parent.
    // With a texture child present when the native window is made, it is right from the start.
    auto *textureChild = new QQuickWidget(this);
    winId();
    delete textureChild;

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    FView = new QWebEngineView(this);
    FPage = page ? page : NewPage(nullptr);
    FPage->setParent(FView);
    FView->setPage(FPage);
    layout->addWidget(FView);

    FPage->OnCreateWindow = [this](const QUrl &, bool userInitiated) -> QWebEnginePage * {
        return CreatePopup(userInitiated);
    };
    FPage->OnBeforeNavigate = [this](const QUrl &url, QWebEnginePage::NavigationType, bool) {
        // Whoever asks (a form by GET, a page's script), an address that holds the stored
        // password is not opened, in the top document or in a frame.
        if (TLoginFill::UrlHoldsPassword(url.toString(QUrl::FullyEncoded), FStoredPassword,
                                         FGameUrl))
            return false;
        if (FCapture.Armed())
            FCapture.Start(false);
        return true;
    };
    FPage->OnScriptMessage = [this](const QString &json) { ScriptMessage(json); };

    connect(FPage, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
        if (FStatusBarWindow && IsCurrent()) {
            Win::SetWindowText(FStatusBarWindow, url);
            Win::SendMessage(FStatusBarWindow, Win::WM_ERASEBKGND, 0, 0);
        }
    });
    connect(FPage, &QWebEnginePage::loadStarted, this, [this]() {
        FPopups = 0;
        FFill.SetLoading(true);
        FCommitted = false;
    });
    connect(FPage, &QWebEnginePage::loadProgress, this, [this](int percent) {
        Win::PostMessage(FMainWindow, WM_HOSTPROGRESS, FHandle,
                         THostProtocol::ProgressValue(percent, 100));
    });
    connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        TProgram::TraceStart("7-loaded");
        FFill.SetLoading(false);
        if (ok)
            RecordVisit();
        Win::PostMessage(FMainWindow, WM_HOSTPROGRESS, FHandle, 0);
        ReportBackForward();
        // Documents without the injected script (error pages) never announce themselves.
        if (!FCommitted) {
            FCommitted = true;
            DoNavigateComplete();
        }
        // The engine may take a new site to its own zoom; the player's stays.
        if (qRound(FPage->zoomFactor() * 100) != FZoom)
            FPage->setZoomFactor(FZoom / 100.0);
    });
    connect(FPage, &QWebEnginePage::recentlyAudibleChanged, this, [this]() { ReportAudio(); });
    connect(FPage, &QWebEnginePage::audioMutedChanged, this, [this]() { ReportAudio(); });
    connect(FPage, &QWebEnginePage::urlChanged, this, [this]() { ReportBackForward(); });
    connect(FPage, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
        Win::SetWindowText(FHandle, title);
        Win::SendMessage(FMainWindow, WM_HOSTTITLE, 0, 0);
    });

    connect(&FRefreshTimer, &QTimer::timeout, this,
            [this]() { FPage->triggerAction(QWebEnginePage::Reload); });
    connect(&FFill, &TLoginFill::FillAttempted, this, &TWBEmbedded::FillAttempted);
    connect(&FFill, &TLoginFill::FillAttempted, this, [](bool finished) {
        if (finished)
            TProgram::TraceStart("9-login-submitted");
    });
    connect(&FCapture, &TLoginCapture::Found, this, &TWBEmbedded::SendCaptureReport);
    connect(&FCapture, &TLoginCapture::NothingFound, this,
            [this]() { Win::PostMessage(FMainWindow, WM_HOSTCOMMAND, HostCommandCapture, 0); });

    FHandle = Win::RegisterWindow(this, QStringLiteral("TWBEmbedded"),
                                  [this](const Win::TMessage &m) { return WndProc(m); });
    // The page's focus widget changes with the engine's render views, so keys are watched
    // application-wide and picked out by the window they go to.
    qApp->installEventFilter(this);
}

TWBEmbedded::~TWBEmbedded() {
    qApp->removeEventFilter(this);
    GHosts.removeOne(this);
    if (FHandle)
        Win::UnregisterWindow(FHandle);
    FHandle = 0;
    FFill.Stop();
    FCapture.Stop();
    FRefreshTimer.stop();
    if (GHosts.isEmpty() && GLastHostGone)
        QTimer::singleShot(0, qApp, GLastHostGone);
}

const QList<TWBEmbedded *> &TWBEmbedded::Hosts() {
    return GHosts;
}

void TWBEmbedded::SetLastHostGone(std::function<void()> handler) {
    GLastHostGone = std::move(handler);
}

void TWBEmbedded::SetDestroyHandler(std::function<void()> handler) {
    GDestroyHandler = std::move(handler);
}

void TWBEmbedded::SetTabRole(bool tabRole) {
    THostProfile::SetTabRole(tabRole);
}

bool TWBEmbedded::TabRole() {
    return THostProfile::TabRole();
}

void TWBEmbedded::SetCommandLine(const QStringList &args) {
    GCommandLine = args;
}

QWebEngineProfile *TWBEmbedded::Profile() {
    return THostProfile::Profile();
}

void TWBEmbedded::RecordVisit() {
    const QString url = FPage->url().toString();
    if (!TLoginFill::UrlHoldsPassword(url, FStoredPassword, FGameUrl))
        THostProfile::RecordVisit(url, FPage->title());
}

void TWBEmbedded::DestroyAll() {
    GLastHostGone = nullptr;
    GDestroyHandler = nullptr;
    while (!GHosts.isEmpty())
        delete GHosts.first();
    THostProfile::Destroy();
}

void TWBEmbedded::SetParentWindow(HWND parent) {
    FParent = parent;
    Win::SetParent(FHandle, parent);
    Register();
}

void TWBEmbedded::ShowBrowser() {
    FView->show();
    show();
}

void TWBEmbedded::Register() {
    Win::SetWindowText(FHandle, FStartParameter);
    FMainWindow = Win::GetParent(Win::GetParent(FParent));
    FStatusBarWindow = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryStatusBar));
    FAddressBoxWindow = HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryAddressBox));
    // The main window writes its reply into our window text before this send returns.
    Win::SendMessage(FMainWindow, WM_HOSTREGISTER, 0, LPARAM(FHandle));

    const TRegistrationReply reply =
        THostProtocol::ParseRegistrationReply(Win::GetWindowText(FHandle, MaxTextChars));
    FUrl = reply.Url;
    if (reply.IsLogin) {
        FFill.SetLogin(reply.Check, reply.FillUser, reply.FillPassword, reply.UserBox,
                       reply.PasswordBox);
        FFill.SetSite(reply.Url);
        FGameUrl = reply.Url;
        FStoredPassword = reply.FillPassword;
        Win::SetWindowText(FHandle, FUrl);
        FCapture.Arm();
    }
    if (!FUrl.isEmpty()) {
        FCachedUrl = FUrl;
        Navigate(FUrl);
    }
}

void TWBEmbedded::Navigate(const QString &url) {
    if (TLoginFill::UrlHoldsPassword(url, FStoredPassword, FGameUrl))
        return;
    FPage->load(QUrl::fromUserInput(url));
}

QString TWBEmbedded::CurrentUrl() const {
    return FCachedUrl.isEmpty() ? FPage->url().toString() : FCachedUrl;
}

bool TWBEmbedded::IsCurrent() const {
    return FMainWindow &&
           HWND(Win::SendMessage(FMainWindow, WM_HOSTQUERY, 0, HostQueryCurrentTab)) == FHandle;
}

void TWBEmbedded::ReportBackForward() {
    FCanBack = FPage->history()->canGoBack();
    FCanForward = FPage->history()->canGoForward();
    if (int(FCanForward) != FReportedForward) {
        FReportedForward = FCanForward;
        Win::PostMessage(FMainWindow, WM_HOSTCANFORWARD, FHandle, FCanForward ? 1 : 0);
    }
    if (int(FCanBack) != FReportedBack) {
        FReportedBack = FCanBack;
        Win::PostMessage(FMainWindow, WM_HOSTCANBACK, FHandle, FCanBack ? 1 : 0);
    }
}

void TWBEmbedded::DoNavigateComplete() {
    TProgram::TraceStart("8-navigate-complete");
    FFill.NavigateComplete();
    FCachedUrl.clear();
    if (FAddressBoxWindow && IsCurrent())
        Win::SetWindowText(FAddressBoxWindow, CurrentUrl());
}

LRESULT TWBEmbedded::WndProc(const Win::TMessage &message) {
    switch (message.msg) {
    case Win::WM_SETTEXT:
        return 1;
    case WM_HOSTCOMMAND:
        if (message.lParam == HostCommandRefresh && message.wParam == HostRefreshQuery)
            return FRefreshOn ? 1 : 0;
        if (message.lParam == HostCommandMute && message.wParam == HostMuteQuery)
            return AudioState(FPage);
        if (message.lParam == HostCommandZoom && message.wParam == 0)
            return qRound(FPage->zoomFactor() * 100);
        Command(message.lParam, message.wParam);
        return 0;
    case WM_HOSTDUPLICATE:
        // Not inside the sender's call: a new host registers with the main window itself.
        QTimer::singleShot(0, this, &TWBEmbedded::Duplicate);
        return 0;
    case Win::WM_CLOSE:
        CloseHost();
        return 0;
    case Win::WM_DESTROY:
        // The main window is closing: a tab process ends with it.
        if (GDestroyHandler)
            GDestroyHandler();
        return 0;
    default:
        return 0;
    }
}

bool TWBEmbedded::eventFilter(QObject *watched, QEvent *event) {
    if ((event->type() != QEvent::KeyPress && event->type() != QEvent::Wheel) ||
        !watched->isWidgetType() || static_cast<QWidget *>(watched)->window() != this)
        return false;
    if (ZoomInput(event))
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->key() != Qt::Key_F11 && key->key() != Qt::Key_Escape)
        return false;
    // Only a tab's page: the main window then is the active window around it. A held key
    // toggles once.
    if (FMainWindow != 0 && FHandle != 0 && !FClosing && !key->isAutoRepeat())
        Win::PostMessage(FMainWindow, WM_HOSTFULLSCREEN, FHandle,
                         key->key() == Qt::Key_F11 ? HostKeyF11 : HostKeyEscape);
    // F11 belongs to the main window; Esc still reaches the page (games close their own dialogs
    // with it).
    return key->key() == Qt::Key_F11 && FMainWindow != 0;
}

bool TWBEmbedded::ZoomInput(QEvent *event) {
    if (FClosing)
        return false;
    int direction = 0;
    if (event->type() == QEvent::Wheel) {
        const auto *wheel = static_cast<QWheelEvent *>(event);
        if (!(wheel->modifiers() & Qt::ControlModifier))
            return false;
        FWheel += wheel->angleDelta().y();
        direction = FWheel / QWheelEvent::DefaultDeltasPerStep;
        FWheel %= QWheelEvent::DefaultDeltasPerStep;
        if (direction != 0)
            SetZoom(TZoomSteps::Next(FZoom, direction));
        // The page never sees a zooming wheel: it would scroll as well.
        return true;
    }
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) !=
        Qt::ControlModifier)
        return false;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        SetZoom(TZoomSteps::Next(FZoom, 1));
        return true;
    case Qt::Key_Minus:
    case Qt::Key_Underscore:
        SetZoom(TZoomSteps::Next(FZoom, -1));
        return true;
    case Qt::Key_0:
        SetZoom(TZoomSteps::Normal);
        return true;
    default:
        return false;
    }
}

void TWBEmbedded::SetZoom(int percent) {
    FZoom = std::clamp(percent, TZoomSteps::Min, TZoomSteps::Max);
    FPage->setZoomFactor(FZoom / 100.0);
    if (FMainWindow != 0 && FHandle != 0)
        Win::PostMessage(FMainWindow, WM_HOSTZOOM, FHandle, FZoom);
}

void TWBEmbedded::ReportAudio() {
    if (FMainWindow == 0 || FHandle == 0 || FClosing)
        return;
    Win::PostMessage(FMainWindow, WM_HOSTAUDIO, FHandle, AudioState(FPage));
}

void TWBEmbedded::Command(LPARAM command, WPARAM argument) {
    switch (command) {
    case HostCommandBack:
        if (FCanBack)
            FPage->triggerAction(QWebEnginePage::Back);
        break;
    case HostCommandForward:
        if (FCanForward)
            FPage->triggerAction(QWebEnginePage::Forward);
        break;
    case HostCommandRefresh:
        if (argument == HostRefreshNow) {
            FPage->triggerAction(QWebEnginePage::Reload);
        } else if (argument == HostRefreshToggle) {
            FRefreshTimer.stop();
            FRefreshOn = !FRefreshOn;
            if (FRefreshOn)
                FRefreshTimer.start(FRefreshSeconds * 1000);
        } else if (argument >= HostRefreshMinInterval) {
            FRefreshOn = true;
            // Guard the timer against absurd intervals; the main window sends 20 s or more.
            FRefreshSeconds = int(qMin<WPARAM>(argument, 24 * 3600));
            FRefreshTimer.stop();
            FRefreshTimer.start(FRefreshSeconds * 1000);
        }
        break;
    case HostCommandStop:
        FPage->triggerAction(QWebEnginePage::Stop);
        break;
    case HostCommandCapture:
        FCapture.Start(true);
        break;
    case HostCommandUrl:
        Win::SetWindowText(HWND(argument), CurrentUrl());
        break;
    case HostCommandMute:
        if (argument == HostMuteOn || argument == HostMuteOff)
            FPage->setAudioMuted(argument == HostMuteOn);
        break;
    case HostCommandZoom:
        if (argument != 0)
            SetZoom(int(qMin<WPARAM>(argument, TZoomSteps::Max)));
        break;
    default:
        break;
    }
}

void TWBEmbedded::Duplicate() {
    if (FClosing)
        return;
    if (GCommandLine.size() < 3) {
        auto *host = new TWBEmbedded();
        host->resize(size());
        host->SetParentWindow(FParent);
        host->ShowBrowser();
        host->Navigate(CurrentUrl());
    } else {
        // A new tab process for the same game, without the user name.
        QProcess::startDetached(GCommandLine[0], {GCommandLine[1], GCommandLine[2]});
    }
}

THostPage *TWBEmbedded::NewPage(QObject *parent) {
    auto *page = new THostPage(Profile(), parent);
    // Pages may open pop-ups; they become further hosts of this process.
    page->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    page->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    page->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);

    page->Secret = RandomText();
    QWebEngineScript script;
    script.setName(QString::fromLatin1(THostPage::ScriptName));
    script.setSourceCode(ScriptSource(RandomText(), page->Secret));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    page->scripts().insert(script);
    return page;
}

QWebEnginePage *TWBEmbedded::CreatePopup(bool userInitiated) {
    if (FClosing)
        return nullptr;
    // Every pop-up is a tab of its own: a page may not open them by the dozen unasked.
    if (!userInitiated && FPopups >= MaxUnaskedPopups)
        return nullptr;
    if (!userInitiated)
        ++FPopups;
    // The engine does not survive a host built around the new window while it is handing the
    // window over, when the opener writes the window's first document itself (a javascript:
    // URL, an empty window written into). The window waits as a bare page, owned by its opener,
    // and becomes a host once it goes to a web page; one that never does goes with the opener.
    THostPage *page = NewPage(this);
    connect(page, &QWebEnginePage::urlChanged, this, [this, page](const QUrl &url) {
        const QString scheme = url.scheme().toLower();
        if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
            return;
        disconnect(page, nullptr, this, nullptr);
        QTimer::singleShot(0, this, [this, page]() {
            if (FClosing)
                return;
            if (FNewWindow) {
                FNewWindow(page);
            } else {
                auto *host = new TWBEmbedded(QString(), page);
                host->resize(size());
                host->SetParentWindow(FParent);
                host->ShowBrowser();
            }
            // The title may have come before the host listened.
            if (!page->title().isEmpty())
                emit page->titleChanged(page->title());
        });
    });
    return page;
}

void TWBEmbedded::CloseHost() {
    if (FClosing)
        return;
    FClosing = true;
    FFill.Stop();
    FCapture.Stop();
    FRefreshTimer.stop();
    Win::UnregisterWindow(FHandle);
    FHandle = 0;
    hide();
    // Pending events of the page are processed once before the view goes.
    deleteLater();
}

void TWBEmbedded::RunScript(const QString &code, std::function<void(const QVariant &)> done) {
    QPointer<TWBEmbedded> self(this);
    FPage->runJavaScript(code, QWebEngineScript::ApplicationWorld,
                         [self, done = std::move(done)](const QVariant &result) {
                             if (self && !self->FClosing)
                                 done(result);
                         });
}

void TWBEmbedded::SendCaptureReport(const QVariantMap &login) {
    TCaptureReport report;
    report.Location = GCommandLine.value(2);
    report.User = login.value(QStringLiteral("user")).toString();
    report.Password = login.value(QStringLiteral("pass")).toString();
    report.Title = login.contains(QStringLiteral("title"))
                       ? login.value(QStringLiteral("title")).toString()
                       : Win::GetWindowText(FHandle, MaxTextChars);
    report.UserBox = login.value(QStringLiteral("ubox")).toString();
    report.PasswordBox = login.value(QStringLiteral("pbox")).toString();
    QByteArray data = THostProtocol::CaptureReportData(report);
    Win::SendCopyData(FMainWindow, FHandle, 0, data);
}

void TWBEmbedded::ScriptMessage(const QString &json) {
    const QJsonObject m = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString ev = m.value(QStringLiteral("ev")).toString();
    if (ev == QLatin1String("doc")) {
        // The top-level document of a navigation exists: the engine's navigate-complete.
        FCommitted = true;
        DoNavigateComplete();
    } else if (ev == QLatin1String("probe") || ev == QLatin1String("fill")) {
        FFill.ScriptMessage(m);
    } else if (ev == QLatin1String("capture")) {
        FCapture.ScriptMessage(m);
    } else if (ev == QLatin1String("snapshot")) {
        // The title of the page the login was typed into: one that logs in by script may
        // retitle itself before the login is reported.
        QJsonObject message = m;
        QJsonObject login = m.value(QStringLiteral("report")).toObject();
        if (!login.isEmpty()) {
            login[QStringLiteral("title")] = Win::GetWindowText(FHandle, MaxTextChars);
            message[QStringLiteral("report")] = login;
        }
        FCapture.ScriptMessage(message);
    }
}
