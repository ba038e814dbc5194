#pragma once
// What the page hosts of one process share: the web profile and the URL history connection.
// The main process uses a persistent profile in the program directory; a tab process an
// off-the-record one of its own, so every game tab is a session of its own.

#include <QString>

class QWebEngineProfile;

class THostProfile {
public:
    static void SetTabRole(bool tabRole);
    static bool TabRole();
    // Created on first use.
    static QWebEngineProfile *Profile();
    // Records a visited page in the history (http and https pages only); the connection is
    // opened on the first visit.
    static void RecordVisit(const QString &url, const QString &title);
    // Deletes the profile and closes the history; call before the application object goes.
    static void Destroy();
};
