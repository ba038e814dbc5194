#include "net/TUpdateInstaller.h"

#include "store/TZipFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// One file moved into place, with what is needed to take it back.
struct TSwapped {
    QString Target;   // where the new file went (the name, or the name + "_")
    QString Backup;   // the old file's ".bak" name; empty when there was no old file
    QString Original; // the old file's name
};

bool RemoveFile(const QString &path) {
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink())
        return true;
    return QFile::remove(path);
}

void RollBack(const QList<TSwapped> &done) {
    for (auto it = done.crbegin(); it != done.crend(); ++it) {
        QFile::remove(it->Target);
        if (!it->Backup.isEmpty() && it->Target == it->Original)
            QFile::rename(it->Backup, it->Original);
    }
}

} // namespace

QString TUpdateInstaller::StagingDir(const QString &programDir) {
    return programDir + QStringLiteral(".update-staging/");
}

// The only place that reads members out of the archive.
bool TUpdateInstaller::Unpack(const QString &archive, const QString &staging, QStringList &files,
                              QString &error) {
    TZipFile zip;
    if (!zip.Open(archive)) {
        error = QStringLiteral("更新文件已损坏");
        return false;
    }
    const QList<TZipEntry> entries = zip.Entries();
    if (entries.size() > MaxMembers) {
        error = QStringLiteral("更新文件已损坏");
        return false;
    }
    qint64 total = 0;
    for (const TZipEntry &e : entries) {
        if (!e.Safe) {
            error = QStringLiteral("更新文件含有不安全的文件名：%1").arg(e.Name);
            return false;
        }
        total += e.Size;
    }
    if (total > MaxTotalSize) {
        error = QStringLiteral("更新文件过大");
        return false;
    }
    for (const TZipEntry &e : entries) {
        if (e.IsFolder || e.FileName.isEmpty())
            continue;
        if (!zip.ExtractTo(e.Index, staging)) {
            error = QStringLiteral("无法解压更新文件：%1").arg(e.Name);
            return false;
        }
        files.append(e.FolderPath + e.FileName);
    }
    return true;
}

TInstallResult TUpdateInstaller::Install(const QString &archive, const QString &programDir) {
    TInstallResult result;
    const QString staging = StagingDir(programDir);
    QDir(staging).removeRecursively();
    if (!QDir().mkpath(staging)) {
        result.Error = QStringLiteral("无法写入程序文件夹");
        return result;
    }
    QStringList files;
    if (!Unpack(archive, staging, files, result.Error)) {
        QDir(staging).removeRecursively();
        return result;
    }

    QList<TSwapped> done;
    QString failed;
    for (const QString &name : files) {
        const QString staged = staging + name;
        TSwapped s;
        s.Original = programDir + name;
        s.Target = s.Original;
        if (!QDir().mkpath(QFileInfo(s.Original).absolutePath())) {
            failed = name;
            break;
        }
        // A folder is never replaced by a file.
        if (QFileInfo(s.Original).isDir()) {
            failed = name;
            break;
        }
        const QString bak = s.Original + QStringLiteral(".bak");
        if (QFileInfo::exists(s.Original)) {
            // The new file runs with the rights the old one had (an executable stays one).
            QFile::setPermissions(staged,
                                  QFile::permissions(staged) | QFile::permissions(s.Original));
            RemoveFile(bak);
            if (QFile::rename(s.Original, bak)) {
                s.Backup = bak;
            } else {
                s.Target = s.Original + QLatin1Char('_');
                RemoveFile(s.Target);
            }
        }
        if (!QFile::rename(staged, s.Target)) {
            if (!s.Backup.isEmpty())
                QFile::rename(s.Backup, s.Original);
            failed = name;
            break;
        }
        done.append(s);
    }
    if (!failed.isEmpty()) {
        RollBack(done);
        QDir(staging).removeRecursively();
        result.Error = QStringLiteral("无法写入文件：%1").arg(failed);
        return result;
    }
    QDir(staging).removeRecursively();
    for (const TSwapped &s : done)
        (s.Target == s.Original ? result.Installed : result.Pending)
            .append(s.Original.mid(programDir.size()));
    result.Ok = true;
    return result;
}
