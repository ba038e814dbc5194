#pragma once
// Small helpers of the page host tests: the engine's flags, the demo portal's test API.

#include "platform/TProcessInfo.h"
#include "support/TTestSupport.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

namespace THostTestKit {

// Before QApplication: Chromium cannot sandbox itself as root, and Xvfb has no GPU.
inline void PrepareEngine() {
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    flags += " --disable-gpu";
    if (TProcessInfo::IsRoot())
        flags += " --no-sandbox";
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags.trimmed());
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// A GET on the demo portal, waiting for the answer (the event loop keeps running meanwhile).
inline QByteArray Get(const QString &url) {
    return TestSupport::HttpGet(url);
}

// The logins the portal received: {game, user, password, ok, fields, port, origin}.
inline QJsonArray Logins(const QString &base) {
    return QJsonDocument::fromJson(Get(base + QStringLiteral("api/logins"))).array();
}

} // namespace THostTestKit
