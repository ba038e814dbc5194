#pragma once
// The page host: one web view showing one page, as a child window of the main window's page
// area, in whichever process it lives. It registers with the main window, reports its page's
// state to it, obeys its commands, fills a stored login into the page and reports a login the
// user typed. Everything crosses to the main window as window messages and window texts.
//
// Opening a page: host = new TWBEmbedded(url); host->resize(page area's client size);
// host->SetParentWindow(page area); host->ShowBrowser(). The main window then moves, shows and
// hides it through its handle; WM_CLOSE deletes it. Call DestroyAll before the application ends.

#include "platform/WinMessages.h"

#include <QElapsedTimer>
#include <QList>
#include <QMap>
#include <QString>
#include <QTimer>
#include <QVariantMap>
#include <QWidget>

#include <functional>

class QWebEngineProfile;
class QWebEngineView;
class THostPage;

class TWBEmbedded : public QWidget {
    Q_OBJECT
public:
    static constexpr int FillInterval = 333; // ms
    static constexpr int DefaultRefreshSeconds = 20;

    // A top-level window until SetParentWindow; startParameter is a URL or a catalogue location,
    // optionally followed by a line feed and a user name.
    explicit TWBEmbedded(const QString &startParameter = QString());
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
    // The profile every host of this process uses (created on first use): in the main process
    // a persistent one in the program directory.
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
    bool CaptureArmed() const { return FCaptureArmed; }
    QString FillUser() const { return FFillUser; }
    QString FillPassword() const { return FFillPassword; }
    QString Check() const { return FCheck; }
    HWND MainWindow() const { return FMainWindow; }

signals:
    // The main-frame document of a navigation exists (the fill timer may have started).
    void NavigateComplete(const QString &url);
    // One fill attempt over the page and its frames ended.
    void FillAttempted(bool finished);
    // A capture run ended; sent tells whether a report went to the main window.
    void CaptureAttempted(bool sent);

private:
    // A fill or capture that walks the top document and then the frames one by one, each
    // frame answering asynchronously through the injected script.
    struct TFrameRun {
        int Seq = 0;
        bool Active = false;
        int Frame = 0;
        int Frames = 0;
        bool AwaitingFill = false;    // fill: the frame was sent the values, not just asked
        bool FromCommand = false;     // capture: asked by the main window
        bool FromNavigate = false;    // capture: armed and a navigation began
        bool TopDone = false;         // capture: the top document has answered
        QTimer Reply;                 // a frame that does not answer is passed over
        QMap<int, QVariantMap> Found; // capture: answers of frames not yet due, by index
    };

    LRESULT WndProc(const Win::TMessage &message);
    void Register();
    bool IsCurrent() const;
    void ReportBackForward();
    void DoNavigateComplete();
    void RecordVisit();
    void Command(LPARAM command, WPARAM argument);
    void Duplicate();
    void CloseHost();
    TWBEmbedded *CreatePopup();
    void RunScript(const QString &code, const std::function<void(const QVariant &)> &done);

    void FillTimerTimer();
    void FillFrame(int index);
    void FinishFill(bool finished);
    void StartCapture(bool fromCommand);
    void CaptureAdvance();
    void FinishCapture(bool sent);
    void SendCaptureReport(const QVariantMap &login);
    void ScriptMessage(const QString &json);
    QString FillState(bool withValues) const;

    HWND FHandle = 0;
    HWND FParent = 0;
    QWebEngineView *FView = nullptr;
    THostPage *FPage = nullptr;
    QString FToken;

    bool FCanBack = false;
    bool FCanForward = false;
    int FReportedBack = -1; // last value posted, -1 before the first
    int FReportedForward = -1;
    QString FCheck;
    QString FFillPassword;
    QString FFillUser;
    QString FUrl;
    QString FPasswordBox;
    QString FUserBox;
    QString FStartParameter;
    int FRefreshSeconds = DefaultRefreshSeconds;
    bool FRefreshOn = false;
    bool FCaptureArmed = false;
    QString FCachedUrl;
    HWND FMainWindow = 0;
    HWND FStatusBarWindow = 0;
    HWND FAddressBoxWindow = 0;

    bool FLoading = false;
    bool FCommitted = false; // the current load has reached navigate-complete
    bool FClosing = false;
    QTimer FFillTimer;
    QTimer FRefreshTimer;
    TFrameRun FFill;
    TFrameRun FCapture;
    int FNextSeq = 1;
    // The login of the last form submitted in any frame, told by the frame as it went out; used
    // when a capture started by that navigation finds the frame's document already replaced.
    QVariantMap FSubmitted;
    QElapsedTimer FSubmittedAge;
};
