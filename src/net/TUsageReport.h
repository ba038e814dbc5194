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
// server answered (any HTTP status) within timeoutMs. Only a successful (2xx) answer's body goes
// to *body, cut at its first zero byte and at maxBody bytes: an error page is never taken for
// the portal's answer.
bool PlainGet(const QString &url, int timeoutMs, QByteArray *body = nullptr,
              qint64 maxBody = 1 << 20);

// The uninstall report to Settings().Portal(TPortal::Stats), with the machine tag and the
// settings' partner id; waits a few seconds at most. Returns whether it was answered.
bool SendUninstallReport();

// The daily report on a worker thread of its own (TCheckUpdateThread) while the calling (main)
// thread keeps handling events. Sends nothing when "General"/"LastRun" already holds today;
// otherwise writes today's date to "LastRun" afterwards, also when nothing came back. Returns
// the answer (the update description), empty when there was none.
QByteArray SendDailyReport();

// The update description as the portal has it now, for a check the player asked for: the
// report's request on a worker thread as above, whatever "LastRun" holds, which stays as it is.
// Empty when the portal did not answer.
QByteArray AskUpdateDescription();
