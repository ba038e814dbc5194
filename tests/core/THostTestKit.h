#pragma once
// Small helpers of the page host tests: the engine's flags, the demo portal's test API.

#include "core/TProgram.h"
#include "core/TWBEmbedded.h"
#include "platform/WinMessages.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QByteArray>
#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

namespace THostTestKit {

// Before QApplication: the engine flags the program itself uses.
inline void PrepareEngine() {
    TProgram::PrepareEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

// The main() of a test program with page hosts: engine, application, a private folder for the
// window-message layer, the tests, then every host gone before the layer ends.
template <class TTest> int RunPageHostTests(int argc, char *argv[]) {
    PrepareEngine();
    QApplication app(argc, argv);
    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    if (!Win::Initialize())
        return 1;
    int result = 0;
    {
        TTest test;
        result = QTest::qExec(&test, argc, argv);
    }
    TWBEmbedded::DestroyAll();
    Win::Finalize();
    return result;
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
