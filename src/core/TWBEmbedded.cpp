#include "core/TWBEmbedded.h"

#include "protocol/Messages.h"
#include "core/THostPage.h"
#include "protocol/THostProtocol.h"
#include "store/THistoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPointer>
#include <QProcess>
#include <QQuickWidget>
#include <QRandomGenerator>
#include <QVBoxLayout>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

namespace {

QList<TWBEmbedded *> GHosts;
std::function<void()> GLastHostGone;
bool GTabRole = false;
std::function<void()> GDestroyHandler;
THistoryStore *GHistory = nullptr;
QWebEngineProfile *GProfile = nullptr;

// A frame that has not answered by then is passed over (it may still be loading).
constexpr int FrameReplyTimeout = 500;  // ms
constexpr int SubmittedLifetime = 3000; // ms: a submitted login belongs to the navigation it began
constexpr int MaxTextChars = 1 << 20;

QString ScriptSource(const QString &token) {
    QFile file(QStringLiteral(":/core/hostscript.js"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).replace(QStringLiteral("@TOKEN@"), token);
}

QString Json(const QJsonObject &object) {
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

// A JavaScript string literal holding text.
QString JsString(const QString &text) {
    const QString array =
        QString::fromUtf8(QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact));
    return array.mid(1, array.size() - 2);
}

// A call of the injected script's interface; null where the document has none (about:blank).
QString HostCall(const QString &call) {
    return QStringLiteral("typeof LudoraHost === 'undefined' ? null : LudoraHost.") + call;
}

// Arguments of this process's command line, without the program.
int ArgumentCount() {
    return int(QCoreApplication::arguments().size()) - 1;
}

} // namespace

TWBEmbedded::TWBEmbedded(const QString &startParameter)
    : QWidget(nullptr, Qt::FramelessWindowHint), FStartParameter(startParameter) {
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
    FPage = new THostPage(Profile(), FView);
    FView->setPage(FPage);
    layout->addWidget(FView);

    // Pages may open pop-ups; they become further hosts of this process.
    FPage->settings()->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, true);
    FPage->settings()->setAttribute(QWebEngineSettings::AutoLoadImages, true);
    FPage->settings()->setAttribute(QWebEngineSettings::PlaybackRequiresUserGesture, false);

    FToken = QString::number(QRandomGenerator::system()->generate64(), 36) +
             QString::number(QRandomGenerator::system()->generate64(), 36);
    QWebEngineScript script;
    script.setName(QString::fromLatin1(THostPage::ScriptName));
    script.setSourceCode(ScriptSource(FToken));
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(true);
    FPage->scripts().insert(script);

    FPage->OnCreateWindow = [this]() -> QWebEnginePage * { return CreatePopup()->FPage; };
    FPage->OnBeforeNavigate = [this](const QUrl &, QWebEnginePage::NavigationType, bool) {
        if (FCaptureArmed)
            StartCapture(false);
    };
    FPage->OnScriptMessage = [this](const QString &json) { ScriptMessage(json); };

    connect(FPage, &QWebEnginePage::linkHovered, this, [this](const QString &url) {
        if (FStatusBarWindow && IsCurrent()) {
            Win::SetWindowText(FStatusBarWindow, url);
            Win::SendMessage(FStatusBarWindow, Win::WM_ERASEBKGND, 0, 0);
        }
    });
    connect(FPage, &QWebEnginePage::loadStarted, this, [this]() {
        FLoading = true;
        FCommitted = false;
    });
    connect(FPage, &QWebEnginePage::loadProgress, this, [this](int percent) {
        Win::PostMessage(FMainWindow, WM_HOSTPROGRESS, FHandle,
                         THostProtocol::ProgressValue(percent, 100));
    });
    connect(FPage, &QWebEnginePage::loadFinished, this, [this](bool ok) {
        FLoading = false;
        if (ok)
            RecordVisit();
        Win::PostMessage(FMainWindow, WM_HOSTPROGRESS, FHandle, 0);
        ReportBackForward();
        // Documents without the injected script (error pages) never announce themselves.
        if (!FCommitted) {
            FCommitted = true;
            DoNavigateComplete();
        }
    });
    connect(FPage, &QWebEnginePage::urlChanged, this, [this]() { ReportBackForward(); });
    connect(FPage, &QWebEnginePage::titleChanged, this, [this](const QString &title) {
        Win::SetWindowText(FHandle, title);
        Win::SendMessage(FMainWindow, WM_HOSTTITLE, 0, 0);
    });

    FFillTimer.setSingleShot(true);
    FFillTimer.setInterval(FillInterval);
    connect(&FFillTimer, &QTimer::timeout, this, &TWBEmbedded::FillTimerTimer);
    connect(&FRefreshTimer, &QTimer::timeout, this,
            [this]() { FPage->triggerAction(QWebEnginePage::Reload); });
    FFill.Reply.setSingleShot(true);
    connect(&FFill.Reply, &QTimer::timeout, this, [this]() { FillFrame(FFill.Frame + 1); });
    FCapture.Reply.setSingleShot(true);
    connect(&FCapture.Reply, &QTimer::timeout, this, [this]() {
        // Whoever has not answered by now has nothing to report.
        for (int i = FCapture.Frame; i < FCapture.Frames; ++i)
            if (!FCapture.Found.contains(i))
                FCapture.Found.insert(i, QVariantMap());
        if (FCapture.TopDone)
            CaptureAdvance();
        else
            FinishCapture(false);
    });

    FHandle = Win::RegisterWindow(this, QStringLiteral("TWBEmbedded"),
                                  [this](const Win::TMessage &m) { return WndProc(m); });
}

TWBEmbedded::~TWBEmbedded() {
    GHosts.removeOne(this);
    if (FHandle)
        Win::UnregisterWindow(FHandle);
    FHandle = 0;
    FFillTimer.stop();
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
    GTabRole = tabRole;
}

bool TWBEmbedded::TabRole() {
    return GTabRole;
}

QWebEngineProfile *TWBEmbedded::Profile() {
    if (!GProfile) {
        if (GTabRole) {
            // No storage name: off the record, so every tab process is a session of its own.
            GProfile = new QWebEngineProfile(qApp);
        } else {
            const QString dir = QCoreApplication::applicationDirPath();
            GProfile = new QWebEngineProfile(QStringLiteral("Ludora"), qApp);
            GProfile->setPersistentStoragePath(dir + QStringLiteral("/webdata"));
            GProfile->setCachePath(dir + QStringLiteral("/webcache"));
        }
    }
    return GProfile;
}

void TWBEmbedded::RecordVisit() {
    // One connection per process, opened on the first visit; only http(s) pages are kept.
    const QString url = FPage->url().toString();
    if (!THistoryStore::IsRecordable(url))
        return;
    if (!GHistory)
        GHistory = new THistoryStore(THistoryStore::DefaultPath());
    const QString title = FPage->title();
    GHistory->RecordVisit(url, title == url ? QString() : title);
}

void TWBEmbedded::DestroyAll() {
    GLastHostGone = nullptr;
    GDestroyHandler = nullptr;
    while (!GHosts.isEmpty())
        delete GHosts.first();
    delete GProfile;
    GProfile = nullptr;
    delete GHistory;
    GHistory = nullptr;
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
        FCheck = reply.Check;
        FFillUser = reply.FillUser;
        FFillPassword = reply.FillPassword;
        FUserBox = reply.UserBox;
        FPasswordBox = reply.PasswordBox;
        Win::SetWindowText(FHandle, FUrl);
        FCaptureArmed = true;
    }
    if (!FUrl.isEmpty()) {
        FCachedUrl = FUrl;
        Navigate(FUrl);
    }
}

void TWBEmbedded::Navigate(const QString &url) {
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
    if (!FFillUser.isEmpty() && !FFillPassword.isEmpty())
        FFillTimer.start();
    FCachedUrl.clear();
    if (FAddressBoxWindow && IsCurrent())
        Win::SetWindowText(FAddressBoxWindow, CurrentUrl());
    emit NavigateComplete(CurrentUrl());
}

LRESULT TWBEmbedded::WndProc(const Win::TMessage &message) {
    switch (message.msg) {
    case Win::WM_SETTEXT:
        return 1;
    case WM_HOSTCOMMAND:
        if (message.lParam == HostCommandRefresh && message.wParam == 0)
            return FRefreshOn ? 1 : 0;
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
        if (argument == 1) {
            FPage->triggerAction(QWebEnginePage::Reload);
        } else if (argument == 2) {
            FRefreshTimer.stop();
            FRefreshOn = !FRefreshOn;
            if (FRefreshOn)
                FRefreshTimer.start(FRefreshSeconds * 1000);
        } else if (argument >= 3) {
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
        StartCapture(true);
        break;
    case HostCommandUrl:
        Win::SetWindowText(HWND(argument), CurrentUrl());
        break;
    default:
        break;
    }
}

void TWBEmbedded::Duplicate() {
    if (FClosing)
        return;
    if (ArgumentCount() < 2) {
        auto *host = new TWBEmbedded();
        host->resize(size());
        host->SetParentWindow(FParent);
        host->ShowBrowser();
        host->Navigate(CurrentUrl());
    } else {
        // A new tab process for the same game, without the user name.
        const QStringList args = QCoreApplication::arguments();
        QProcess::startDetached(QCoreApplication::applicationFilePath(), {args[1], args[2]});
    }
}

TWBEmbedded *TWBEmbedded::CreatePopup() {
    auto *host = new TWBEmbedded();
    host->resize(size());
    host->SetParentWindow(FParent);
    host->ShowBrowser();
    return host;
}

void TWBEmbedded::CloseHost() {
    if (FClosing)
        return;
    FClosing = true;
    FFillTimer.stop();
    FRefreshTimer.stop();
    FFill.Reply.stop();
    FCapture.Reply.stop();
    Win::UnregisterWindow(FHandle);
    FHandle = 0;
    hide();
    // Pending events of the page are processed once before the view goes.
    deleteLater();
}

void TWBEmbedded::RunScript(const QString &code,
                            const std::function<void(const QVariant &)> &done) {
    QPointer<TWBEmbedded> self(this);
    FPage->runJavaScript(code, QWebEngineScript::ApplicationWorld,
                         [self, done](const QVariant &result) {
                             if (self && !self->FClosing)
                                 done(result);
                         });
}

QString TWBEmbedded::FillState(bool withValues) const {
    // Without values, non-empty ones become a mark of their own: the frame's dry run only asks
    // whether they are empty.
    const QString mark = QStringLiteral("\u0001");
    QJsonObject st;
    st[QStringLiteral("pass")] = withValues || FFillPassword.isEmpty() ? FFillPassword : mark;
    st[QStringLiteral("user")] = withValues || FFillUser.isEmpty() ? FFillUser : mark;
    st[QStringLiteral("check")] = FCheck;
    st[QStringLiteral("ubox")] = FUserBox;
    st[QStringLiteral("pbox")] = FPasswordBox;
    return Json(st);
}

void TWBEmbedded::FillTimerTimer() {
    FFillTimer.stop();
    if (FFill.Active || FClosing)
        return;
    FFill.Active = true;
    FFill.Seq = FNextSeq++;
    const int seq = FFill.Seq;
    RunScript(HostCall(QStringLiteral("fill(%1)").arg(FillState(true))),
              [this, seq](const QVariant &result) {
                  if (!FFill.Active || FFill.Seq != seq)
                      return;
                  const QVariantMap r = result.toMap();
                  if (r.isEmpty()) {
                      FinishFill(false);
                      return;
                  }
                  FFillPassword = r.value(QStringLiteral("pass")).toString();
                  FFillUser = r.value(QStringLiteral("user")).toString();
                  if (r.value(QStringLiteral("finished")).toBool()) {
                      FinishFill(true);
                      return;
                  }
                  FFill.Frames = r.value(QStringLiteral("frames")).toInt();
                  FillFrame(0);
              });
}

void TWBEmbedded::FillFrame(int index) {
    if (!FFill.Active)
        return;
    FFill.Reply.stop();
    FFill.Frame = index;
    FFill.AwaitingFill = false;
    if (index >= FFill.Frames) {
        FinishFill(false);
        return;
    }
    // First a dry run without the login: the values go only to a frame that takes them.
    QJsonObject probe = QJsonDocument::fromJson(FillState(false).toUtf8()).object();
    probe[QStringLiteral("cmd")] = QStringLiteral("probe");
    probe[QStringLiteral("seq")] = FFill.Seq;
    probe[QStringLiteral("frame")] = index;
    const int seq = FFill.Seq;
    RunScript(HostCall(QStringLiteral("post(%1, %2, '*')").arg(index).arg(Json(probe))),
              [this, seq, index](const QVariant &posted) {
                  if (FFill.Active && FFill.Seq == seq && FFill.Frame == index && !posted.toBool())
                      FillFrame(index + 1);
              });
    FFill.Reply.start(FrameReplyTimeout);
}

void TWBEmbedded::FinishFill(bool finished) {
    FFill.Active = false;
    FFill.Reply.stop();
    // While the page loads its form may still appear; once complete, that was the last try.
    if (!finished && FLoading && !FClosing)
        FFillTimer.start();
    emit FillAttempted(finished);
}

void TWBEmbedded::StartCapture(bool fromCommand) {
    // A later navigation replaces a run still waiting for frames: its documents are the ones
    // about to go.
    const bool wasActive = FCapture.Active;
    FCapture.FromCommand = fromCommand || (wasActive && FCapture.FromCommand);
    FCapture.FromNavigate = !fromCommand || (wasActive && FCapture.FromNavigate);
    FCapture.Active = true;
    FCapture.Seq = FNextSeq++;
    FCapture.Frame = 0;
    FCapture.Frames = 0;
    FCapture.Found.clear();
    FCapture.TopDone = false;
    const int seq = FCapture.Seq;
    RunScript(HostCall(QStringLiteral("capture(%1)").arg(seq)),
              [this, seq](const QVariant &result) {
                  if (!FCapture.Active || FCapture.Seq != seq)
                      return;
                  const QVariantMap r = result.toMap();
                  const QVariantMap login = r.value(QStringLiteral("report")).toMap();
                  if (!login.isEmpty()) {
                      SendCaptureReport(login);
                      FinishCapture(true);
                      return;
                  }
                  FCapture.Frames = r.value(QStringLiteral("frames")).toInt();
                  FCapture.TopDone = true;
                  FCapture.Reply.start(FrameReplyTimeout);
                  CaptureAdvance();
              });
    // A document that never answers (the page went away meanwhile) must not block later runs.
    FCapture.Reply.start(FrameReplyTimeout);
}

// Frames answer in any order; the first in frame order that has a login wins.
void TWBEmbedded::CaptureAdvance() {
    if (!FCapture.TopDone)
        return;
    while (FCapture.Active && FCapture.Frame < FCapture.Frames &&
           FCapture.Found.contains(FCapture.Frame)) {
        const QVariantMap login = FCapture.Found.value(FCapture.Frame);
        if (!login.isEmpty()) {
            SendCaptureReport(login);
            FinishCapture(true);
            return;
        }
        ++FCapture.Frame;
    }
    if (FCapture.Active && FCapture.Frame >= FCapture.Frames)
        FinishCapture(false);
}

void TWBEmbedded::FinishCapture(bool sent) {
    if (!sent && FCapture.FromNavigate && !FSubmitted.isEmpty() && FSubmittedAge.isValid() &&
        FSubmittedAge.elapsed() < SubmittedLifetime) {
        SendCaptureReport(FSubmitted);
        sent = true;
    }
    FSubmitted.clear();
    FSubmittedAge.invalidate();
    FCapture.Active = false;
    FCapture.Reply.stop();
    if (sent && FCapture.FromNavigate)
        FCaptureArmed = false;
    if (!sent && FCapture.FromCommand)
        Win::PostMessage(FMainWindow, WM_HOSTCOMMAND, HostCommandCapture, 0);
    emit CaptureAttempted(sent);
}

void TWBEmbedded::SendCaptureReport(const QVariantMap &login) {
    TCaptureReport report;
    report.Location = QCoreApplication::arguments().value(2);
    report.User = login.value(QStringLiteral("user")).toString();
    report.Password = login.value(QStringLiteral("pass")).toString();
    report.Title = Win::GetWindowText(FHandle, MaxTextChars);
    report.UserBox = login.value(QStringLiteral("ubox")).toString();
    report.PasswordBox = login.value(QStringLiteral("pbox")).toString();
    QByteArray data = THostProtocol::CaptureReportData(report);
    Win::SendCopyData(FMainWindow, FHandle, 0, data);
}

void TWBEmbedded::ScriptMessage(const QString &json) {
    const QJsonObject m = QJsonDocument::fromJson(json.toUtf8()).object();
    const QString ev = m.value(QStringLiteral("ev")).toString();
    if (ev == QLatin1String("snapshot")) {
        FSubmitted = m.value(QStringLiteral("report")).toObject().toVariantMap();
        FSubmittedAge.start();
        return;
    }
    if (ev == QLatin1String("doc")) {
        // The top-level document of a navigation exists: the engine's navigate-complete.
        FCommitted = true;
        DoNavigateComplete();
        return;
    }
    const int seq = m.value(QStringLiteral("seq")).toInt();
    const int frame = m.value(QStringLiteral("frame")).toInt();
    if (ev == QLatin1String("probe") || ev == QLatin1String("fill")) {
        if (!FFill.Active || FFill.Seq != seq || FFill.Frame != frame)
            return;
        if (ev == QLatin1String("probe")) {
            if (FFill.AwaitingFill)
                return;
            const bool wrote = m.value(QStringLiteral("wrote")).toBool();
            if (!wrote && !m.value(QStringLiteral("finished")).toBool() &&
                !m.value(QStringLiteral("acted")).toBool()) {
                FillFrame(frame + 1);
                return;
            }
            // This frame holds the form. Without anything to write it gets marks only.
            QJsonObject fill = QJsonDocument::fromJson(FillState(wrote).toUtf8()).object();
            fill[QStringLiteral("cmd")] = QStringLiteral("fill");
            fill[QStringLiteral("seq")] = seq;
            fill[QStringLiteral("frame")] = frame;
            QString origin = m.value(QStringLiteral("origin")).toString();
            if (origin.isEmpty() || origin == QLatin1String("null"))
                origin = QStringLiteral("*");
            FFill.AwaitingFill = true;
            FFill.Reply.start(FrameReplyTimeout);
            RunScript(HostCall(QStringLiteral("post(%1, %2, %3)")
                                   .arg(frame)
                                   .arg(Json(fill))
                                   .arg(JsString(origin))),
                      [](const QVariant &) {});
            return;
        }
        if (!FFill.AwaitingFill)
            return;
        if (m.value(QStringLiteral("passEmpty")).toBool())
            FFillPassword.clear();
        if (m.value(QStringLiteral("userEmpty")).toBool())
            FFillUser.clear();
        if (m.value(QStringLiteral("finished")).toBool())
            FinishFill(true);
        else
            FillFrame(frame + 1);
        return;
    }
    if (ev == QLatin1String("capture")) {
        if (!FCapture.Active || FCapture.Seq != seq || frame < FCapture.Frame)
            return;
        FCapture.Found.insert(frame, m.value(QStringLiteral("report")).toObject().toVariantMap());
        CaptureAdvance();
    }
}
