#pragma once
// The page host: one web view showing one page, as a child window of the main window's page
// area, in whichever process it lives. It registers with the main window, reports its page's
// state to it, obeys its commands, fills a stored login into the page and reports a login the
// user typed. Everything crosses to the main window as window messages and window texts.
//
// Opening a page: host = new TWBEmbedded(url); host->resize(page area's client size);
// host->SetParentWindow(page area); host->ShowBrowser(). The main window then moves, shows and
// hides it through its handle; WM_CLOSE deletes it. Call DestroyAll before the application ends.

#include "core/TLoginCapture.h"
#include "core/TLoginFill.h"
#include "core/TScriptRunner.h"
#include "platform/WinMessages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <functional>

class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class THostPage;

class TWBEmbedded : public QWidget, private TScriptRunner {
    Q_OBJECT
public:
    static constexpr int FillInterval = TLoginFill::FillInterval; // ms
    static constexpr int DefaultRefreshSeconds = 20;
    // Pop-ups a page may open without a click or key of the user's, per page load.
    static constexpr int MaxUnaskedPopups = 3;

    // A top-level window until SetParentWindow; startParameter is a URL or a catalogue location,
    // optionally followed by a line feed and a user name.
    // page: a pop-up's page the engine already filled (see CreatePopup); otherwise a new one.
    explicit TWBEmbedded(const QString &startParameter = QString(), THostPage *page = nullptr);
    ~TWBEmbedded() override;

    // Every host of this process, in creation order.
    static const QList<TWBEmbedded *> &Hosts();
    // Called when the last host of the process is gone.
    static void SetLastHostGone(std::function<void()> handler);
    // Called when a host receives WM_DESTROY (the main window is closing).
    static void SetDestroyHandler(std::function<void()> handler);
    // The process is a tab process: hosts use an off-the-record profile of the process's own.
    static void SetTabRole(bool tabRole);
    static bool TabRole();
    // The command line of a tab process, program first: program, page area, catalogue location,
    // optional user. Its location goes into capture reports and a duplicate starts a process
    // for the same game; without one (the main process) a duplicate is a host of this process.
    static void SetCommandLine(const QStringList &args);
    // The profile every host of this process uses (THostProfile).
    static QWebEngineProfile *Profile();
    // Deletes every host, the profile and the history connection; call before the application
    // object goes.
    static void DestroyAll();

    HWND Handle() const { return FHandle; }
    QWebEngineView *View() const { return FView; }
    QString StartParameter() const { return FStartParameter; }

    // Embeds the host into parent (a window of any process) and registers with the main window,
    // the grandparent of parent. The host navigates to what the main window answers.
    void SetParentWindow(HWND parent);
    HWND ParentWindow() const { return FParent; }
    void ShowBrowser();

    void Navigate(const QString &url);
    // The URL asked for until the first navigation has completed, then the engine's location.
    QString CurrentUrl() const;

    // State the main window drives; readable for tests and diagnostics.
    bool CanBack() const { return FCanBack; }
    bool CanForward() const { return FCanForward; }
    bool RefreshOn() const { return FRefreshOn; }
    int RefreshSeconds() const { return FRefreshSeconds; }
    bool CaptureArmed() const { return FCapture.Armed(); }
    QString FillUser() const { return FFill.User(); }
    QString FillPassword() const { return FFill.Password(); }
    QString Check() const { return FFill.Check(); }
    HWND MainWindow() const { return FMainWindow; }
    // The page's zoom in percent, as the player or the main window last set it.
    int Zoom() const { return FZoom; }

    // Where a window the page opens goes once it holds a web page: the handler builds the host
    // around the page (by default a further host beside this one, in the same parent window).
    void SetNewWindowHandler(std::function<void(THostPage *)> handler) {
        FNewWindow = std::move(handler);
    }

signals:
    // One fill attempt over the page and its frames ended.
    void FillAttempted(bool finished);

protected:
    // F11 and Esc in the page go to the main window; Ctrl + wheel and Ctrl + "+" / "-" / "0"
    // zoom the page.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    LRESULT WndProc(const Win::TMessage &message);
    void Register();
    bool IsCurrent() const;
    void ReportBackForward();
    void DoNavigateComplete();
    void RecordVisit();
    void Command(LPARAM command, WPARAM argument);
    void Duplicate();
    void CloseHost();
    static THostPage *NewPage(QObject *parent);
    QWebEnginePage *CreatePopup(bool userInitiated);
    void RunScript(const QString &code, std::function<void(const QVariant &)> done) override;
    void SendCaptureReport(const QVariantMap &login);
    void ScriptMessage(const QString &json);
    // Ctrl + wheel or a zoom key in the page: true when it was one and has been used.
    bool ZoomInput(QEvent *event);
    void SetZoom(int percent);
    void ReportAudio();

    HWND FHandle = 0;
    HWND FParent = 0;
    QWebEngineView *FView = nullptr;
    THostPage *FPage = nullptr;

    bool FCanBack = false;
    bool FCanForward = false;
    int FReportedBack = -1; // last value posted, -1 before the first
    int FReportedForward = -1;
    QString FUrl;
    QString FStartParameter;
    QString FGameUrl;        // the game's registered URL, for a game page
    QString FStoredPassword; // kept out of every URL this host opens or records
    int FRefreshSeconds = DefaultRefreshSeconds;
    bool FRefreshOn = false;
    QString FCachedUrl;
    HWND FMainWindow = 0;
    HWND FStatusBarWindow = 0;
    HWND FAddressBoxWindow = 0;

    bool FCommitted = false; // the current load has reached navigate-complete
    bool FClosing = false;
    int FPopups = 0; // opened unasked since the last page load began
    int FZoom = 100;
    int FWheel = 0; // wheel turn not yet worth a zoom step (touchpads send small ones)
    QTimer FRefreshTimer;
    TLoginFill FFill;
    TLoginCapture FCapture;
    std::function<void(THostPage *)> FNewWindow;
};
