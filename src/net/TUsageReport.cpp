#include "net/TUsageReport.h"

#include "platform/TMachineId.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

namespace {

// Long enough for a slow portal, short enough that an uninstaller does not seem to hang.
constexpr int UninstallTimeoutMs = 4000;

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

bool PlainGet(const QString &url, int timeoutMs, QByteArray *body) {
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
    if (!reply->isFinished())
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    const bool answered = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
                          reply->error() != QNetworkReply::OperationCanceledError;
    if (body)
        *body = answered ? reply->readAll() : QByteArray();
    delete reply;
    return answered;
}

bool SendUninstallReport() {
    const QString url =
        UsageReportUrl(Settings().Portal(TPortal::Stats), TMachineId::Tag(), TReportType::Uninstall,
                       Settings().PartnerId, RunningBuildNumber());
    return PlainGet(url, UninstallTimeoutMs);
}
