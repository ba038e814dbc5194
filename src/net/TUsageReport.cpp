#include "net/TUsageReport.h"

#include "net/TCheckUpdateThread.h"
#include "net/TUpdateLogic.h"
#include "platform/TMachineId.h"
#include "store/EWriteError.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QThread>
#include <QTimer>
#include <QUrl>

namespace {

// Long enough for a slow portal, short enough that an uninstaller does not seem to hang.
constexpr int UninstallTimeoutMs = 4000;
// The daily report runs while the player already plays: it may take its time.
constexpr int DailyTimeoutMs = 30000;

// The report on a worker thread while the calling thread keeps handling events.
QByteArray RunReport(const QString &url) {
    auto *thread = new TCheckUpdateThread(url, DailyTimeoutMs);
    QEventLoop loop;
    bool finished = false;
    QObject::connect(thread, &QThread::finished, &loop, [&finished, &loop]() {
        finished = true;
        loop.quit();
    });
    thread->start();
    // Ends when the thread does or when the application quits (which ends every event loop):
    // closing the window never waits for a slow portal.
    loop.exec();
    if (!finished)
        thread->requestInterruption();
    thread->wait();
    const QByteArray answer = finished ? thread->Received() : QByteArray();
    delete thread;
    return answer;
}

} // namespace

QString UsageReportUrl(const QString &statsAddress, const QString &machineTag, TReportType type,
                       const QString &partnerId, int buildNumber) {
    // Letters, digits and "-._~" stay as they are, so an ordinary id is sent unchanged.
    const QString partner = QString::fromLatin1(QUrl::toPercentEncoding(partnerId));
    // Joined, not arg()-formatted: an encoded id holds "%3" and the like.
    return statsAddress + QStringLiteral("?s=") + machineTag + QStringLiteral("&t=") +
           QString::number(int(type)) + QStringLiteral("&c=") + partner + QStringLiteral("&v=") +
           QString::number(buildNumber);
}

int RunningBuildNumber() {
    return LUDORA_BUILD_NUMBER;
}

bool PlainGet(const QString &url, int timeoutMs, QByteArray *body, qint64 maxBody) {
    if (!QCoreApplication::instance())
        return false;
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(url)};
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = net.get(request);
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, reply, &QNetworkReply::abort);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    // On a worker, whoever waits for it may give up (the program closes): the request goes then.
    QTimer interrupted;
    QObject::connect(&interrupted, &QTimer::timeout, reply, [reply]() {
        if (QThread::currentThread()->isInterruptionRequested())
            reply->abort();
    });
    interrupted.start(50);
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    const bool answered =
        status.isValid() && reply->error() != QNetworkReply::OperationCanceledError;
    if (body) {
        body->clear();
        const int code = status.toInt();
        if (answered && code >= 200 && code < 300) {
            *body = reply->read(maxBody);
            const qsizetype zero = body->indexOf('\0');
            if (zero >= 0)
                body->truncate(zero);
        }
    }
    delete reply;
    return answered;
}

bool SendUninstallReport() {
    const QString url =
        UsageReportUrl(Settings().Portal(TPortal::Stats), TMachineId::Tag(), TReportType::Uninstall,
                       Settings().PartnerId, RunningBuildNumber());
    return PlainGet(url, UninstallTimeoutMs);
}

QByteArray SendDailyReport() {
    const TDailyReport report =
        DailyReportFor(Settings().Ini().ReadString(Settings().SectionOf(TKey::LastRun),
                                                   Settings().NameOf(TKey::LastRun), QString()),
                       QDate::currentDate());
    if (!report.Send)
        return QByteArray();
    const QString url = UsageReportUrl(Settings().Portal(TPortal::Stats), TMachineId::Tag(),
                                       report.Type, Settings().PartnerId, RunningBuildNumber());
    const QByteArray answer = RunReport(url);
    try {
        // Also after a failed report: the installation is never reported as new again.
        Settings().WriteDate(TKey::LastRun, QDate::currentDate());
    } catch (const EWriteError &) {
    }
    return answer;
}

QByteArray AskUpdateDescription() {
    // The portal answers the description only to a report; a check the player asks for counts
    // as a start on a later day, and the day's own report is left to come.
    return RunReport(UsageReportUrl(Settings().Portal(TPortal::Stats), TMachineId::Tag(),
                                    TReportType::NewDay, Settings().PartnerId,
                                    RunningBuildNumber()));
}
