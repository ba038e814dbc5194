#include "net/TUpdateInstaller.h"

#include "platform/TFileSystem.h"
#include "store/TDataFile.h"
#include "store/TZipFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStorageInfo>
#include <QThread>

#include <cstdio>

namespace {

const QByteArray JournalHead = "ludora-update-journal 1";

// What the next start does with a journal it finds: finish the moves, or take them back.
enum class TDirection { Forward, Back };

// One file of the update. Its old file either gets a ".bak" before the new one replaces it, or
// (the executable only, when no ".bak" can be made) stays while the new one waits as "<name>_".
enum class TKind : char { New = 'n', Old = 'o', Pending = 'p' };

struct TFile {
    QString Name; // relative to the program folder
    TKind Kind = TKind::New;
};

struct TJob {
    QString Dir;
    QString Staging;
    QList<TFile> Files;
};

const QFile::Permissions ExecBits =
    QFile::ExeOwner | QFile::ExeUser | QFile::ExeGroup | QFile::ExeOther;

bool Exists(const QString &path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool RemoveFile(const QString &path) {
    return !Exists(path) || QFile::remove(path);
}

bool WriteJournal(const TJob &job, TDirection direction) {
    QByteArray text =
        JournalHead + '\n' + (direction == TDirection::Forward ? "forward" : "back") + '\n';
    for (const TFile &f : job.Files)
        text += char(f.Kind) + QByteArray("\t") + f.Name.toUtf8() + '\n';
    QSaveFile journal(TUpdateInstaller::JournalPath(job.Dir));
    if (!journal.open(QIODevice::WriteOnly) || journal.write(text) != text.size() ||
        !journal.commit())
        return false;
    // The journal's name must be on disk before the first move is.
    TFileSystem::SyncFolder(job.Dir);
    return true;
}

bool ReadJournal(const QString &dir, TJob &job, TDirection &direction) {
    QByteArray text;
    if (!TDataFile::Read(TUpdateInstaller::JournalPath(dir), text))
        return false;
    const QList<QByteArray> lines = text.split('\n');
    if (lines.size() < 3 || lines.at(0) != JournalHead || !lines.last().isEmpty())
        return false;
    if (lines.at(1) == "forward")
        direction = TDirection::Forward;
    else if (lines.at(1) == "back")
        direction = TDirection::Back;
    else
        return false;
    job.Dir = dir;
    job.Staging = TUpdateInstaller::StagingDir(dir);
    for (qsizetype i = 2; i + 1 < lines.size(); ++i) {
        const QByteArray &line = lines.at(i);
        TFile f;
        if (line.size() < 3 || line.at(1) != '\t')
            return false;
        f.Kind = TKind(line.at(0));
        f.Name = QString::fromUtf8(line.mid(2));
        if (!TZipFile::IsSafeName(f.Name) ||
            (f.Kind != TKind::New && f.Kind != TKind::Old && f.Kind != TKind::Pending))
            return false;
        job.Files.append(f);
    }
    return true;
}

// One staged file into place. The old file keeps its name until the new one replaces it in one
// step; its ".bak" is a second name for it made first.
bool MoveIn(const TJob &job, const TFile &f) {
    const QString target = job.Dir + f.Name;
    const QString staged = job.Staging + f.Name;
    if (f.Kind == TKind::Pending) {
        RemoveFile(target + QLatin1Char('_'));
        return TFileSystem::Replace(staged, target + QLatin1Char('_'));
    }
    if (!QDir().mkpath(QFileInfo(target).absolutePath()) || QFileInfo(target).isDir())
        return false;
    if (f.Kind == TKind::Old && Exists(target)) {
        const QString bak = target + QStringLiteral(".bak");
        RemoveFile(bak);
        if (!TFileSystem::Link(target, bak) && !QFile::copy(target, bak))
            return false;
    }
    return TFileSystem::Replace(staged, target);
}

// Puts back the old file of every file already moved; a file still staged was never touched.
// Safe to run again after it was cut short itself.
void TakeBack(const TJob &job) {
    for (auto it = job.Files.crbegin(); it != job.Files.crend(); ++it) {
        const QString target = job.Dir + it->Name;
        const QString bak = target + QStringLiteral(".bak");
        const bool moved = !Exists(job.Staging + it->Name);
        switch (it->Kind) {
        case TKind::Old:
            if (moved && Exists(bak))
                TFileSystem::Replace(bak, target);
            else if (!moved)
                RemoveFile(bak); // made by this install: the old ones went before the journal
            break;
        case TKind::Pending:
            if (moved)
                RemoveFile(target + QLatin1Char('_'));
            break;
        case TKind::New:
            if (moved)
                RemoveFile(target);
            break;
        }
    }
}

void Finish(const TJob &job) {
    QDir(job.Staging).removeRecursively();
    QFile::remove(TUpdateInstaller::JournalPath(job.Dir));
    TFileSystem::SyncFolder(job.Dir);
}

QString Relative(const TZipEntry &e) {
    return QDir::cleanPath(e.FolderPath + e.FileName);
}

// The archive's files, checked before anything is written: each name once, none that would
// overwrite another's ".bak" or "_" file or the install's own files.
bool ListFiles(const TZipFile &zip, QList<TZipEntry> &files, QString &error) {
    const QList<TZipEntry> entries = zip.Entries();
    if (entries.size() > TUpdateInstaller::MaxMembers) {
        error = QStringLiteral("更新文件已损坏");
        return false;
    }
    QSet<QString> names;
    for (const TZipEntry &e : entries) {
        if (!e.Safe) {
            error = QStringLiteral("更新文件含有不安全的文件名：%1").arg(e.Name);
            return false;
        }
        if (e.IsFolder || e.FileName.isEmpty())
            continue;
        const QString name = Relative(e);
        if (names.contains(name)) {
            error = QStringLiteral("更新文件中有重复的文件：%1").arg(name);
            return false;
        }
        names.insert(name);
        files.append(e);
    }
    for (const QString &name : names) {
        const QString top = name.section(QLatin1Char('/'), 0, 0);
        if (top == QLatin1String(".update-staging") || top == QLatin1String(".update-journal") ||
            (name.endsWith(QLatin1String(".bak")) && names.contains(name.chopped(4))) ||
            (name.endsWith(QLatin1Char('_')) && names.contains(name.chopped(1)))) {
            error = QStringLiteral("更新文件中有冲突的文件：%1").arg(name);
            return false;
        }
    }
    return true;
}

// The rights a staged file gets: an old file's rights stay (an executable stays one); a new
// file is executable when it is the program or the archive made it so on Unix.
void SetRights(const QString &staged, const QString &target, bool isProgram, int mode) {
    QFile::Permissions rights = QFile::permissions(staged) & ~ExecBits;
    if (Exists(target))
        rights |= QFile::permissions(target);
    else if (isProgram || (mode & 0111)) {
        rights |= QFile::ExeOwner | QFile::ExeUser;
        if (rights & QFile::ReadGroup)
            rights |= QFile::ExeGroup;
        if (rights & QFile::ReadOther)
            rights |= QFile::ExeOther;
    }
    QFile::setPermissions(staged, rights);
}

} // namespace

QString TUpdateInstaller::StagingDir(const QString &programDir) {
    return programDir + QStringLiteral(".update-staging/");
}

QString TUpdateInstaller::JournalPath(const QString &programDir) {
    return programDir + QStringLiteral(".update-journal");
}

void TUpdateInstaller::PauseForTest(int step) {
    static const QByteArray at = qgetenv("LUDORA_TEST_PAUSE_INSTALL_AT");
    if (at.isEmpty() || at.toInt() != step)
        return;
    std::fprintf(stdout, "install-paused %d\n", step);
    std::fflush(stdout);
    for (;;)
        QThread::sleep(1);
}

TInstallResult TUpdateInstaller::Install(const QString &archive, const QString &programDir,
                                         const QString &executable) {
    TInstallResult result;
    if (Exists(JournalPath(programDir))) {
        result.Error = QStringLiteral("上次的更新尚未完成，请重新启动程序");
        return result;
    }
    TZipFile zip;
    if (!zip.Open(archive)) {
        result.Error = QStringLiteral("更新文件已损坏");
        return result;
    }
    QList<TZipEntry> entries;
    if (!ListFiles(zip, entries, result.Error))
        return result;

    // The sizes in the archive are only claims: what is written is counted as it is written.
    qint64 declared = 0;
    for (const TZipEntry &e : entries)
        declared += e.Size;
    const qint64 free = QStorageInfo(programDir).bytesAvailable() - FreeReserve;
    qint64 left = qMin(MaxTotalSize, free);
    if (declared > MaxTotalSize) {
        result.Error = QStringLiteral("更新文件过大");
        return result;
    }
    if (declared > left) {
        result.Error = QStringLiteral("磁盘空间不足，无法安装更新");
        return result;
    }

    TJob job;
    job.Dir = programDir;
    job.Staging = StagingDir(programDir);
    QDir(job.Staging).removeRecursively();
    if (!QDir().mkpath(job.Staging)) {
        result.Error = QStringLiteral("无法写入程序文件夹");
        return result;
    }
    auto fail = [&](const QString &error) {
        QDir(job.Staging).removeRecursively();
        result.Error = error;
        return result;
    };
    for (const TZipEntry &e : entries) {
        const QString name = Relative(e);
        qint64 written = 0;
        if (!zip.ExtractTo(e.Index, job.Staging, left, &written))
            return fail(written >= left ? QStringLiteral("更新文件过大或磁盘空间不足")
                                        : QStringLiteral("无法解压更新文件：%1").arg(name));
        left -= written;
        SetRights(job.Staging + name, programDir + name, name == executable, e.Mode);
        TFile f;
        f.Name = name;
        job.Files.append(f);
    }

    // Older ".bak" and "_" files go before the journal, so that every one the journal's files
    // have afterwards is this install's.
    for (TFile &f : job.Files) {
        const QString target = programDir + f.Name;
        RemoveFile(target + QLatin1Char('_'));
        if (QFileInfo(target).isDir())
            return fail(QStringLiteral("无法写入文件：%1").arg(f.Name));
        if (!Exists(target))
            continue;
        f.Kind = RemoveFile(target + QStringLiteral(".bak")) ? TKind::Old : TKind::Pending;
        // Only the executable's "_" file is swapped in at the next start.
        if (f.Kind == TKind::Pending && f.Name != executable)
            return fail(QStringLiteral("无法写入文件：%1").arg(f.Name));
    }

    PauseForTest(0);
    if (!WriteJournal(job, TDirection::Forward))
        return fail(QStringLiteral("无法写入程序文件夹"));
    for (qsizetype i = 0; i < job.Files.size(); ++i) {
        PauseForTest(int(i) + 1);
        if (!MoveIn(job, job.Files.at(i))) {
            // The next start takes back, too, should this be cut short.
            WriteJournal(job, TDirection::Back);
            TakeBack(job);
            Finish(job);
            result.Error = QStringLiteral("无法写入文件：%1").arg(job.Files.at(i).Name);
            return result;
        }
    }
    PauseForTest(int(job.Files.size()) + 1);
    Finish(job);
    for (const TFile &f : job.Files)
        (f.Kind == TKind::Pending ? result.Pending : result.Installed).append(f.Name);
    result.Ok = true;
    return result;
}

TUpdateInstaller::TRecovery TUpdateInstaller::Recover(const QString &programDir) {
    const QString staging = StagingDir(programDir);
    if (!Exists(JournalPath(programDir))) {
        if (!QFileInfo(staging).isDir())
            return TRecovery::None;
        // Cut short before the first move: the old program is whole, the unpacked files go.
        QDir(staging).removeRecursively();
        return TRecovery::RolledBack;
    }
    TJob job;
    TDirection direction = TDirection::Back;
    if (!ReadJournal(programDir, job, direction))
        return TRecovery::Unreadable;
    if (direction == TDirection::Forward) {
        bool ok = true;
        for (const TFile &f : job.Files)
            if (Exists(job.Staging + f.Name) && !(ok = MoveIn(job, f)))
                break;
        if (ok) {
            Finish(job);
            return TRecovery::Finished;
        }
        WriteJournal(job, TDirection::Back);
    }
    TakeBack(job);
    Finish(job);
    return TRecovery::RolledBack;
}
