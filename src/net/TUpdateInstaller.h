#pragma once
// Installs a downloaded update archive over the program folder. Every member is unpacked into a
// staging folder inside the program folder first; only when all of them are in place are they
// moved over the old files, each old file kept as "<name>.bak" (or, for the executable only, the
// new one written as "<name>_" when no ".bak" can be made, for the next start to swap in).
//
// Before the first move a journal lists every file; the next start reads it (Recover) and
// finishes an install that was cut short, or takes it back, so that a kill or a power cut in
// the middle never leaves half a program. Every old file keeps its name during the install: its
// ".bak" is a second name made before the new file replaces it in one step.

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
    // Left free on the disk after the new files are unpacked beside the old ones.
    static constexpr qint64 FreeReserve = qint64(64) << 20;

    // programDir ends with "/"; executable is the program's file name in it. The archive is left
    // where it is.
    static TInstallResult Install(const QString &archive, const QString &programDir,
                                  const QString &executable);

    enum class TRecovery {
        None,       // no install was cut short
        Finished,   // the new program is whole now
        RolledBack, // the old program is whole again
        Unreadable, // a journal that cannot be read: the folder is left as it is
    };
    // Called at every start before anything else.
    static TRecovery Recover(const QString &programDir);

    static QString StagingDir(const QString &programDir);  // "<programDir>.update-staging/"
    static QString JournalPath(const QString &programDir); // "<programDir>.update-journal"

    // Test seam: with LUDORA_TEST_PAUSE_INSTALL_AT=n the install stops before its step n (0: the
    // journal, 1..: each file's move, one more: the clean-up), says "install-paused n" on stdout
    // and waits there for ever, to be killed.
    static void PauseForTest(int step);
};
