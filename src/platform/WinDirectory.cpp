// The window directory of the window-message layer: the private per-user folder that holds each
// process's socket and one entry per named window, by which FindWindow finds windows of any
// process.
#include "platform/TProcessInfo.h"
#include "platform/WinLayer.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace Win {

namespace Detail {

namespace {

QString EntryPath(HWND hwnd) {
    return L->dir + QStringLiteral("/w") + QString::number(hwnd);
}

} // namespace

QString SocketPathOf(qint64 pid) {
    return L->dir + QStringLiteral("/%1.sock").arg(pid);
}

QString ChooseRuntimeDir() {
    const QString own = qEnvironmentVariable("LUDORA_RUNTIME_DIR");
    if (!own.isEmpty())
        return own;
    const QString xdg = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!xdg.isEmpty())
        return xdg + QStringLiteral("/ludora");
    return QDir::tempPath() + QStringLiteral("/ludora-%1").arg(TProcessInfo::UserId());
}

QString FallbackRuntimeDir() {
    if (!qEnvironmentVariableIsEmpty("LUDORA_RUNTIME_DIR"))
        return QString(); // named on purpose: nothing else will do
    // Under the user's own home, where nobody else can take the name first.
    return QDir::homePath() + QStringLiteral("/.cache/ludora/run-%1").arg(TProcessInfo::UserId());
}

// The folder must be a real folder of ours that nobody else can enter; a link is never
// followed.
bool MakePrivateDir(const QString &path, QString *problem) {
    const QByteArray p = QFile::encodeName(path);
    QDir().mkpath(QFileInfo(path).path());
    if (mkdir(p.constData(), 0700) != 0 && errno != EEXIST) {
        if (problem)
            *problem = QStringLiteral("无法创建：%1").arg(QString::fromLocal8Bit(strerror(errno)));
        return false;
    }
    struct stat st {};
    if (lstat(p.constData(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        if (problem)
            *problem = QStringLiteral("这个名字已被一个链接或文件占用");
        return false;
    }
    if (st.st_uid != geteuid()) {
        if (problem)
            *problem = QStringLiteral("它属于另一个用户");
        return false;
    }
    if ((st.st_mode & 0777) != 0700 && chmod(p.constData(), 0700) != 0) {
        if (problem)
            *problem = QStringLiteral("无法设为仅本人可用");
        return false;
    }
    return true;
}

void WriteEntry(HWND hwnd, const TWindow &w) {
    if (w.className.isEmpty())
        return;
    QSaveFile f(EntryPath(hwnd));
    if (!f.open(QIODevice::WriteOnly))
        return;
    f.write(QByteArray::number(L->startTime) + '\n' +
            QByteArray::number(QDateTime::currentMSecsSinceEpoch()) + '\n' + w.className.toUtf8());
    f.commit();
}

void RemoveEntry(HWND hwnd, const TWindow &w) {
    if (!w.className.isEmpty())
        QFile::remove(EntryPath(hwnd));
}

} // namespace Detail

using namespace Detail;

HWND FindWindow(const QString &className) {
    if (!L || className.isEmpty())
        return 0;
    HWND found = 0;
    qint64 newest = -1;
    const QDir dir(L->dir);
    const QStringList names = dir.entryList({QStringLiteral("w*")}, QDir::Files);
    for (const QString &name : names) {
        bool ok = false;
        const HWND hwnd = name.mid(1).toULongLong(&ok);
        if (!ok)
            continue;
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = f.readAll().split('\n');
        if (lines.size() < 3 || QString::fromUtf8(lines.at(2)) != className)
            continue;
        const qint64 pid = PidOf(hwnd);
        bool alive = false;
        if (pid == L->pid)
            alive = LocalWindow(hwnd) != nullptr;
        else
            alive = TProcessInfo::IsAlive(pid, lines.at(0).toULongLong()) &&
                    QFile::exists(SocketPathOf(pid));
        if (!alive) {
            // Left by a process that ended without cleaning up.
            if (pid != L->pid)
                f.remove();
            continue;
        }
        const qint64 when = lines.at(1).toLongLong();
        if (when > newest) {
            newest = when;
            found = hwnd;
        }
    }
    return found;
}

QString RuntimeDir() {
    return L ? L->dir : ChooseRuntimeDir();
}

} // namespace Win
