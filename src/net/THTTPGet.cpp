#include "net/THTTPGet.h"

#include "platform/AnsiCodePage.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

namespace {

// A server that sends nothing for this long (while not paused) ends the transfer.
constexpr int IdleTimeoutMs = 60000;
// The network stack stops reading from the socket once this much is buffered, which is what
// makes a pause hold the sender back instead of filling memory.
constexpr qint64 ReadBufferSize = 256 * 1024;

// "host/path" without a scheme is taken as http; only http and https are fetched, and the
// address must name an object path after the host.
QUrl ParseAddress(const QString &text) {
    QString address = text.trimmed();
    if (!address.contains(QStringLiteral("://")))
        address.prepend(QStringLiteral("http://"));
    QUrl url(address, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != QLatin1String("http") && scheme != QLatin1String("https")) ||
        url.host().isEmpty() || !url.path().startsWith(QLatin1Char('/')))
        return QUrl();
    return url;
}

} // namespace

THTTPGet::THTTPGet(QObject *parent) : QObject(parent) {
    FIdleTimer.setSingleShot(true);
    FIdleTimer.setInterval(IdleTimeoutMs);
    connect(&FIdleTimer, &QTimer::timeout, this, [this] { Finish(false); });
}

THTTPGet::~THTTPGet() {
    // No events reach a component that is going away; its waiting caller is let go.
    ReleaseReply();
    if (FFile)
        FFile->cancelWriting();
    if (FWaitLoop)
        FWaitLoop->quit();
}

void THTTPGet::SetPaused(bool value) {
    if (value == FPaused)
        return;
    FPaused = value;
    if (!FRunning)
        return;
    if (FPaused) {
        FIdleTimer.stop();
        return;
    }
    // Resuming never raises events from inside the setter.
    if (FEnding) {
        if (!FReportQueued) {
            FReportQueued = true;
            QMetaObject::invokeMethod(this, &THTTPGet::Report, Qt::QueuedConnection);
        }
        return;
    }
    FIdleTimer.start();
    QMetaObject::invokeMethod(this, &THTTPGet::Pump, Qt::QueuedConnection);
}

void THTTPGet::StartFileFetch() {
    Start(TTarget::File);
}

void THTTPGet::StartTextFetch() {
    Start(TTarget::Text);
}

void THTTPGet::CancelFetch() {
    if (FRunning && !FEnding)
        Finish(false, true);
}

void THTTPGet::Start(TTarget target) {
    if (FRunning)
        return;
    FRunning = true;
    FEnding = FCancelled = FReportQueued = false;
    FMetaArrived = FHeadersSeen = FReplyDone = FAuthTried = false;
    FLengthKnown = false;
    FTotalSize = FReaded = 0;
    FText.clear();
    FPending.clear();
    FTarget = target;
    FTargetName = FFileName;
    FNeedLength = FBinaryData;
    FLimit = qint64(FMaxLength > 0 ? FMaxLength : DefaultMaxLength) * 1024;

    if (!SendRequest())
        Finish(false);

    if (FWaitThread && FRunning) {
        QPointer<THTTPGet> self(this);
        QEventLoop loop;
        FWaitLoop = &loop;
        loop.exec();
        if (self)
            FWaitLoop = nullptr;
    }
}

bool THTTPGet::SendRequest() {
    const QUrl url = ParseAddress(FURL);
    if (url.isEmpty())
        return false;

    if (!FManager) {
        FManager = new QNetworkAccessManager(this);
        // Credentials go only to the server that asks, once per transfer.
        connect(FManager, &QNetworkAccessManager::authenticationRequired, this,
                [this](QNetworkReply *reply, QAuthenticator *authenticator) {
                    if (reply != FReply || FAuthTried || FUserName.isEmpty())
                        return;
                    FAuthTried = true;
                    authenticator->setUser(FUserName);
                    authenticator->setPassword(FPassword);
                });
    }
    // Every transfer starts on fresh connections without remembered credentials.
    FManager->clearAccessCache();

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    if (!FAgent.isEmpty())
        request.setHeader(QNetworkRequest::UserAgentHeader, FAgent);
    if (!FAcceptTypes.isEmpty())
        request.setRawHeader("Accept", FAcceptTypes.toUtf8());
    if (!FReferer.isEmpty())
        request.setRawHeader("Referer", QUrl(FReferer).toEncoded());
    // A compressed answer would make Content-Length disagree with the bytes we count.
    request.setRawHeader("Accept-Encoding", "identity");
    if (FUseCache) {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::PreferCache);
    } else {
        request.setAttribute(QNetworkRequest::CacheLoadControlAttribute,
                             QNetworkRequest::AlwaysNetwork);
        request.setRawHeader("Cache-Control", "no-cache");
        request.setRawHeader("Pragma", "no-cache");
    }

    QNetworkReply *reply;
    if (!FPostQuery.isEmpty()) {
        request.setHeader(QNetworkRequest::ContentTypeHeader,
                          QStringLiteral("application/x-www-form-urlencoded"));
        reply = FManager->post(request, AnsiFromUnicode(FPostQuery));
    } else {
        reply = FManager->get(request);
    }
    FReply = reply;
    reply->setReadBufferSize(ReadBufferSize);

    connect(reply, &QNetworkReply::metaDataChanged, this, [this] {
        FMetaArrived = true;
        Pump();
    });
    connect(reply, &QNetworkReply::readyRead, this, &THTTPGet::Pump);
    connect(reply, &QNetworkReply::finished, this, [this] {
        FReplyDone = true;
        Pump();
    });
    if (!FPaused)
        FIdleTimer.start();
    return true;
}

// Moves the transfer on as far as the data at hand allows. Called on every network signal and
// after a resume; does nothing while paused so that no event is raised then.
void THTTPGet::Pump() {
    if (!FRunning || FEnding || FPaused || !FReply)
        return;
    FIdleTimer.start();
    QPointer<THTTPGet> self(this);

    if (!FHeadersSeen) {
        const bool bodyWaiting = FReply->bytesAvailable() > 0;
        if (!FMetaArrived && !FReplyDone && !bodyWaiting)
            return;
        const int status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        // The network stack follows redirects itself and hands on only the final answer's body;
        // wait for that answer.
        if (!FReplyDone && !bodyWaiting && status >= 300 && status < 400) {
            FMetaArrived = false;
            return;
        }
        if (!AcceptHeaders() || !self || FEnding)
            return;
    }

    if (!ConsumeChunks(FReplyDone) || !self || FEnding || FPaused)
        return;
    if (!FReplyDone)
        return;

    // Data left over means a handler paused; the pump after the resume finishes.
    if (!FPending.isEmpty() || FReply->bytesAvailable() > 0)
        return;
    if (FReply->error() != QNetworkReply::NoError) {
        Finish(false);
        return;
    }
    if (FTarget == TTarget::File)
        Finish(!FLengthKnown || FReaded == FTotalSize);
    else
        Finish(FReaded > 0);
}

// The answer's headers: the start event, the status, the length rules, the target.
bool THTTPGet::AcceptHeaders() {
    FHeadersSeen = true;
    const QVariant status = FReply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // No answer at all: refused, unresolvable, TLS failure.
        Finish(false);
        return false;
    }

    if (OnStartGet) {
        QPointer<THTTPGet> self(this);
        bool abort = false;
        OnStartGet(this, FReply.data(), abort);
        if (!self || FEnding)
            return false;
        if (abort) {
            Finish(false);
            return false;
        }
    }

    // An error page is a failure, not a body to hand on as the result.
    if (status.toInt() >= 400) {
        Finish(false);
        return false;
    }

    const QVariant length = FReply->header(QNetworkRequest::ContentLengthHeader);
    FLengthKnown = length.isValid();
    FTotalSize = FLengthKnown ? length.toLongLong() : 0;
    if ((!FLengthKnown && FNeedLength) || FTotalSize > FLimit) {
        Finish(false);
        return false;
    }

    if (FTarget == TTarget::File) {
        // Written aside and renamed on success, so a failed transfer leaves the target as it was.
        FFile = std::make_unique<QSaveFile>(FTargetName);
        if (FTargetName.isEmpty() || !FFile->open(QIODevice::WriteOnly)) {
            Finish(false);
            return false;
        }
    } else {
        FText.reserve(FTotalSize);
    }
    return true;
}

// Takes what the network has buffered (so that it keeps reading) and passes it on in whole
// chunks, and once the answer is complete the short last one, reporting progress after each.
// Returns false when the transfer ended or the component went away.
bool THTTPGet::ConsumeChunks(bool all) {
    QPointer<THTTPGet> self(this);
    FPending.append(FReply->readAll());
    qint64 pos = 0;
    while (!FPaused && !FEnding) {
        const qint64 available = FPending.size() - pos;
        if (available == 0 || (available < ChunkSize && !all))
            break;
        const qint64 size = qMin(available, ChunkSize);
        const QByteArrayView chunk(FPending.constData() + pos, size);
        pos += size;
        // Only an answer without Content-Length can get here with too much.
        if (FReaded + size > FLimit) {
            Finish(false);
            return false;
        }
        if (FTarget == TTarget::File) {
            if (FFile->write(chunk.data(), size) != size) {
                Finish(false);
                return false;
            }
        } else {
            FText.append(chunk);
        }
        FReaded += size;
        if (OnProgress && FLengthKnown && FTotalSize > 1024) {
            OnProgress(this, FTotalSize, FReaded);
            if (!self)
                return false;
        }
    }
    if (FEnding)
        return false;
    FPending.remove(0, pos);
    return true;
}

void THTTPGet::Finish(bool success, bool cancelled) {
    if (FEnding)
        return;
    FEnding = true;
    FCancelled = cancelled;
    FIdleTimer.stop();
    ReleaseReply();
    if (FFile) {
        if (success && !FFile->commit())
            success = false;
        else if (!success)
            FFile->cancelWriting();
        FFile.reset();
    }
    FOutcome = success;
    // Events always come from the event loop, never from inside the caller's own call.
    FReportQueued = true;
    QMetaObject::invokeMethod(this, &THTTPGet::Report, Qt::QueuedConnection);
}

void THTTPGet::Report() {
    FReportQueued = false;
    if (!FRunning || !FEnding)
        return;
    // A paused transfer reports its outcome on resume; a cancel is reported at once.
    if (FPaused && !FCancelled)
        return;

    QPointer<THTTPGet> self(this);
    FSucceeded = FOutcome;
    if (!FOutcome) {
        if (OnError)
            OnError(this);
    } else if (FTarget == TTarget::File) {
        if (OnDoneFile)
            OnDoneFile(this, FTargetName, FReaded);
    } else if (OnDoneString) {
        OnDoneString(this, FText);
    }
    if (!self)
        return;
    // Idle only now, so that a start call inside the handler was ignored.
    FRunning = false;
    FEnding = false;
    FText = QByteArray();
    FPending = QByteArray();
    if (FWaitLoop)
        FWaitLoop->quit();
}

void THTTPGet::ReleaseReply() {
    if (!FReply)
        return;
    QNetworkReply *reply = FReply.data();
    FReply = nullptr;
    reply->disconnect(this);
    // Deleting a reply closes its connection; an explicit abort of an answer with an error
    // status makes the network stack report its error twice.
    if (reply->isRunning() &&
        reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() < 400)
        reply->abort();
    reply->deleteLater();
}
