#pragma once
// The decisions of the daily report and the update check, free of windows and network: which
// report a start sends, whether the description offers a newer catalogue or program, how far
// the download window's bar reaches.

#include "net/TUsageReport.h"

#include <QDate>
#include <QString>

// What the first start of a day does about the daily report.
struct TDailyReport {
    bool Send = false; // false: "LastRun" already holds today; no report, no check
    TReportType Type = TReportType::FirstRun;
};

// lastRun is the raw "General"/"LastRun" text: empty gives type 1, today's date no report,
// anything else (another date, text that is no date) type 2.
TDailyReport DailyReportFor(const QString &lastRun, const QDate &today);

// The update description ("update.ini"); a missing file reads as empty.
struct TUpdateDescription {
    QString GameVersion;
    QString GameDownload;
    int MainVersion = 0;
    QString MainDownload;

    static TUpdateDescription Read(const QString &iniPath);
};

// A catalogue refresh is due when the description names a catalogue version and it is not the
// installed one (exact text; the installed one is "" without a catalogue).
bool CatalogueRefreshDue(const TUpdateDescription &d, const QString &installedVersion);
// A program update is offered when the description names a build above the running one.
bool ProgramUpdateOffered(const TUpdateDescription &d, int runningBuild);

// "<address>?pid=<partner id>", or "&pid=" when the address already has a query.
QString DownloadAddress(const QString &address, const QString &partnerId);

// Width of the download bar's filled part: readed of total across clientWidth - 36 pixels.
int ProgressWidth(qint64 readed, qint64 total, int clientWidth);
