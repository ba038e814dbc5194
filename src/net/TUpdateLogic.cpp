#include "net/TUpdateLogic.h"

#include "store/TIniFile.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>

TDailyReport DailyReportFor(const QString &lastRun, const QDate &today) {
    TDailyReport r;
    const QString text = lastRun.trimmed();
    if (text.isEmpty()) {
        r.Send = true;
        r.Type = TReportType::FirstRun;
        return r;
    }
    // The settings store writes dates as yyyy-MM-dd.
    const QDate last = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
    r.Send = !(last.isValid() && last == today);
    r.Type = TReportType::NewDay;
    return r;
}

TUpdateDescription TUpdateDescription::Read(const QString &iniPath) {
    TUpdateDescription d;
    if (!QFileInfo::exists(iniPath))
        return d;
    const TIniFile ini(iniPath);
    d.GameVersion = ini.ReadString(QStringLiteral("Game"), QStringLiteral("Version"), QString());
    d.GameDownload = ini.ReadString(QStringLiteral("Game"), QStringLiteral("Download"), QString());
    d.MainVersion = ini.ReadInteger(QStringLiteral("Main"), QStringLiteral("Version"), 0);
    d.MainDownload = ini.ReadString(QStringLiteral("Main"), QStringLiteral("Download"), QString());
    return d;
}

bool CatalogueRefreshDue(const TUpdateDescription &d, const QString &installedVersion) {
    return !d.GameVersion.isEmpty() && !d.GameDownload.isEmpty() &&
           d.GameVersion != installedVersion;
}

bool ProgramUpdateOffered(const TUpdateDescription &d, int runningBuild) {
    return d.MainVersion > 0 && runningBuild < d.MainVersion && !d.MainDownload.isEmpty();
}

QString DownloadAddress(const QString &address, const QString &partnerId) {
    const QString pid = QString::fromLatin1(QUrl::toPercentEncoding(partnerId));
    return address +
           (address.contains(QLatin1Char('?')) ? QStringLiteral("&pid=")
                                               : QStringLiteral("?pid=")) +
           pid;
}

int ProgressWidth(qint64 readed, qint64 total, int clientWidth) {
    const int span = clientWidth - 36;
    if (total <= 0 || span <= 0 || readed <= 0)
        return 0;
    return int(std::min<qint64>(span, readed * span / total));
}
