#pragma once
// A non-visual component that fetches one HTTP(S) resource into a text or a file and reports
// the outcome through its events. The transfer runs asynchronously on the thread that owns the
// component (Qt's network stack does the socket work); every event is delivered on that thread
// from its event loop, never from inside a start or cancel call (unless WaitThread is set). A
// handler may cancel the transfer or release the component with deleteLater().

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QSaveFile>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class THTTPGet;

// Progress of a transfer whose known length is above 1024 bytes, after every chunk.
using TOnProgressEvent = std::function<void(THTTPGet *Sender, qint64 TotalSize, qint64 Readed)>;
// A file fetch succeeded; FileSize is the number of bytes written.
using TOnDoneFileEvent =
    std::function<void(THTTPGet *Sender, const QString &FileName, qint64 FileSize)>;
// A text fetch succeeded; Result holds the body's bytes as received (ANSI text).
using TOnDoneStringEvent = std::function<void(THTTPGet *Sender, const QByteArray &Result)>;
// The answer's headers have arrived; the handler may inspect them and set Abort.
using TOnStartGetEvent =
    std::function<void(THTTPGet *Sender, QNetworkReply *Internet, bool &Abort)>;
// The transfer failed or was cancelled.
using TNotifyEvent = std::function<void(THTTPGet *Sender)>;

class THTTPGet : public QObject {
    Q_OBJECT

public:
    // Bodies are read and reported in chunks of this many bytes.
    static constexpr qint64 ChunkSize = 1025;
    // MaxLength's default, in KiB.
    static constexpr int DefaultMaxLength = 10240;

    explicit THTTPGet(QObject *parent = nullptr);
    ~THTTPGet() override; // cancels a running transfer without raising its events

    QString AcceptTypes() const { return FAcceptTypes; }
    void SetAcceptTypes(const QString &value) { FAcceptTypes = value; }
    // User-agent name; empty leaves the network stack's default.
    QString Agent() const { return FAgent; }
    void SetAgent(const QString &value) { FAgent = value; }
    // The transfer needs a known length: an answer without Content-Length fails.
    bool BinaryData() const { return FBinaryData; }
    void SetBinaryData(bool value) { FBinaryData = value; }
    // "http://host[:port]/path", "https://..." or "host[:port]/path" (taken as http).
    QString URL() const { return FURL; }
    void SetURL(const QString &value) { FURL = value; }
    // False forces a fresh download from the origin server.
    bool UseCache() const { return FUseCache; }
    void SetUseCache(bool value) { FUseCache = value; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString &value) { FFileName = value; }
    // Credentials given to the server when it asks for them.
    QString UserName() const { return FUserName; }
    void SetUserName(const QString &value) { FUserName = value; }
    QString Password() const { return FPassword; }
    void SetPassword(const QString &value) { FPassword = value; }
    // Non-empty makes the request a form POST with this body (sent in the ANSI code page).
    QString PostQuery() const { return FPostQuery; }
    void SetPostQuery(const QString &value) { FPostQuery = value; }
    QString Referer() const { return FReferer; }
    void SetReferer(const QString &value) { FReferer = value; }
    // A start call keeps the caller in an event loop until the transfer has ended.
    bool WaitThread() const { return FWaitThread; }
    void SetWaitThread(bool value) { FWaitThread = value; }
    // While set, the transfer stops consuming data and raises no events; a transfer started
    // while it is set starts paused.
    bool Paused() const { return FPaused; }
    void SetPaused(bool value);
    // Size limit in KiB; 0 or less means DefaultMaxLength.
    int MaxLength() const { return FMaxLength; }
    void SetMaxLength(int value) { FMaxLength = value; }

    TOnProgressEvent OnProgress;
    TOnDoneFileEvent OnDoneFile;
    TOnDoneStringEvent OnDoneString;
    TOnStartGetEvent OnStartGet;
    TNotifyEvent OnError;

    // Both do nothing while a transfer is running (including inside its completion handler).
    void StartFileFetch();
    void StartTextFetch();
    // Ends a running transfer; OnError follows from the event loop.
    void CancelFetch();

    // True from a start call until the completion handler has returned.
    bool Busy() const { return FRunning; }
    // The outcome of the last finished transfer.
    bool Succeeded() const { return FSucceeded; }

private:
    enum class TTarget { File, Text };

    void Start(TTarget target);
    bool SendRequest();
    void Pump();
    bool AcceptHeaders();
    bool ConsumeChunks(bool all);
    void Finish(bool success, bool cancelled = false);
    void Report();
    void ReleaseReply();

    QString FAcceptTypes = QStringLiteral("*/*");
    QString FAgent = QStringLiteral("Halvoran HTTPGet");
    bool FBinaryData = false;
    QString FURL;
    bool FUseCache = false;
    QString FFileName;
    QString FUserName;
    QString FPassword;
    QString FPostQuery;
    QString FReferer;
    bool FWaitThread = false;
    bool FPaused = false;
    int FMaxLength = 0;

    // State of the running transfer; the settings it needs later are copied at its start.
    QNetworkAccessManager *FManager = nullptr;
    QPointer<QNetworkReply> FReply;
    std::unique_ptr<QSaveFile> FFile;
    QTimer FIdleTimer; // a server that stops sending ends the transfer
    class QEventLoop *FWaitLoop = nullptr;
    TTarget FTarget = TTarget::Text;
    QString FTargetName;
    bool FNeedLength = false;
    qint64 FLimit = 0; // in bytes
    bool FRunning = false;
    bool FEnding = false;    // the outcome is decided; only its report is outstanding
    bool FCancelled = false; // a cancel is reported even while paused
    bool FReportQueued = false;
    bool FMetaArrived = false;
    bool FHeadersSeen = false;
    bool FReplyDone = false; // the network side has finished; buffered data may remain
    bool FAuthTried = false;
    qint64 FTotalSize = 0; // from Content-Length, 0 while unknown
    bool FLengthKnown = false;
    qint64 FReaded = 0;
    QByteArray FText;
    QByteArray FPending; // received, not yet passed on as a chunk
    bool FOutcome = false;
    bool FSucceeded = false;
};
