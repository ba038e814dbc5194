#pragma once
// The usage reports sent to the portal's statistics endpoint: once a day, and once when the
// program is uninstalled. The answer to the daily one is the update description.

#include <QByteArray>
#include <QString>

enum class TReportType {
    FirstRun = 1, // no "LastRun" yet
    NewDay = 2,   // first start on a later day
    Uninstall = 3,
};

// "<endpoint>?s=<machine tag>&t=<type>&c=<partner id>&v=<build number>". The partner id is
// percent-encoded where it holds characters that would end the query value.
QString UsageReportUrl(const QString &statsAddress, const QString &machineTag, TReportType type,
                       const QString &partnerId, int buildNumber);

// The fourth number of the program version.
int RunningBuildNumber();

// A blocking GET on the calling thread, which needs a QCoreApplication. Returns whether the
// server answered (any HTTP status) within timeoutMs; the body goes to *body when given.
bool PlainGet(const QString &url, int timeoutMs, QByteArray *body = nullptr);

// The uninstall report to Settings().Portal(TPortal::Stats), with the machine tag and the
// settings' partner id; waits a few seconds at most. Returns whether it was answered.
bool SendUninstallReport();
