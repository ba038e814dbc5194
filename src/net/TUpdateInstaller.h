#pragma once
// Installs a downloaded update archive over the program folder. Every member is unpacked into a
// staging folder inside the program folder first; only when all of them are in place are they
// moved over the old files, each old file kept as "<name>.bak" (or the new one written as
// "<name>_" when the old one cannot be moved away, for the next start to swap in). A failure
// before or during the swap puts the old files back: the program is never left half updated.

#include <QString>
#include <QStringList>

struct TInstallResult {
    bool Ok = false;
    QString Error;         // why it failed, for the player
    QStringList Installed; // program-folder relative names written in place
    QStringList Pending;   // names written as "<name>_" for the next start
};

class TUpdateInstaller {
public:
    // Bounds for an archive from outside.
    static constexpr int MaxMembers = 20000;
    static constexpr qint64 MaxTotalSize = qint64(2) << 30;

    // programDir ends with "/". The archive is left where it is.
    static TInstallResult Install(const QString &archive, const QString &programDir);

    static QString StagingDir(const QString &programDir); // "<programDir>.update-staging/"

private:
    static bool Unpack(const QString &archive, const QString &staging, QStringList &files,
                       QString &error);
};
