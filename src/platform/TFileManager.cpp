#include "platform/TFileManager.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

bool TFileManager::OpenFolder(const QString &path) {
    // xdg-open asks the desktop which program shows folders; without it, Qt's own lookup.
    if (QProcess::startDetached(QStringLiteral("xdg-open"), {path}))
        return true;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}
