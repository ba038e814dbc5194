#include "core/THostProfile.h"

#include "store/THistoryStore.h"

#include <QCoreApplication>
#include <QWebEngineProfile>

namespace {

bool GTabRole = false;
THistoryStore *GHistory = nullptr;
QWebEngineProfile *GProfile = nullptr;

} // namespace

void THostProfile::SetTabRole(bool tabRole) {
    GTabRole = tabRole;
}

bool THostProfile::TabRole() {
    return GTabRole;
}

QWebEngineProfile *THostProfile::Profile() {
    if (!GProfile) {
        if (GTabRole) {
            // No storage name: off the record.
            GProfile = new QWebEngineProfile(qApp);
        } else {
            const QString dir = QCoreApplication::applicationDirPath();
            GProfile = new QWebEngineProfile(QStringLiteral("Ludora"), qApp);
            GProfile->setPersistentStoragePath(dir + QStringLiteral("/webdata"));
            GProfile->setCachePath(dir + QStringLiteral("/webcache"));
        }
    }
    return GProfile;
}

void THostProfile::RecordVisit(const QString &url, const QString &title) {
    if (!THistoryStore::IsRecordable(url))
        return;
    if (!GHistory)
        GHistory = new THistoryStore(THistoryStore::DefaultPath());
    GHistory->RecordVisit(url, title == url ? QString() : title);
}

void THostProfile::Destroy() {
    delete GProfile;
    GProfile = nullptr;
    delete GHistory;
    GHistory = nullptr;
}
