#include "mainwindow/TGetThread.h"

#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTimer>
#include <QUrl>

TGetThread::TGetThread(const QString &url) : FUrl(url) {
    connect(this, &QThread::finished, this, &QObject::deleteLater);
}

QString TGetThread::LastModified(const QString &url, int timeoutMs, const QThread *worker) {
    QNetworkAccessManager net;
    QNetworkRequest request{QUrl(url)};
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Corvale"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::NoLessSafeRedirectPolicy);
    QNetworkReply *reply = net.get(request);
    QEventLoop loop;
    // Only the headers matter: the body is never read.
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &loop, &QEventLoop::quit);
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    QTimer stop; // the program is closing
    if (worker) {
        QObject::connect(&stop, &QTimer::timeout, &loop, [&loop, worker]() {
            if (worker->isInterruptionRequested())
                loop.quit();
        });
        stop.start(100);
    }
    while (!reply->isFinished() && timeout.isActive() &&
           !reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid() &&
           !(worker && worker->isInterruptionRequested()))
        loop.exec();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    QString value;
    if (status >= 200 && status < 300 && reply->hasRawHeader("Last-Modified"))
        value = QString::fromLatin1(reply->rawHeader("Last-Modified")).left(MaxValue);
    reply->abort();
    delete reply;
    return value;
}

void TGetThread::run() {
    const QString value = LastModified(FUrl, TimeoutMs, this);
    if (!value.isEmpty() && !isInterruptionRequested())
        emit Checked(value);
}
