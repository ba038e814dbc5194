#include "platform/TProcessInfo.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <csignal>
#include <unistd.h>

bool TProcessInfo::IsRoot() {
    return geteuid() == 0;
}

quint32 TProcessInfo::UserId() {
    return geteuid();
}

qint64 TProcessInfo::ProcessId() {
    return getpid();
}

QString TProcessInfo::ExecutablePath(const char *argv0) {
    const QString self = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    if (!self.isEmpty())
        return self;
    return QFileInfo(QString::fromLocal8Bit(argv0)).absoluteFilePath();
}

// Reads the state letter and the start time of /proc/<pid>/stat; false when there is none.
static bool ReadStat(qint64 pid, char &state, quint64 &startTime) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    // The command name in parentheses may hold blanks and parentheses: fields count from the last
    // ')'. The state is the first field after it, the start time (field 22) the 20th.
    const int close = line.lastIndexOf(')');
    if (close < 0)
        return false;
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    if (fields.size() < 20 || fields.at(0).isEmpty())
        return false;
    state = fields.at(0).at(0);
    startTime = fields.at(19).toULongLong();
    return true;
}

quint64 TProcessInfo::StartTime(qint64 pid) {
    char state = 0;
    quint64 start = 0;
    return ReadStat(pid, state, start) ? start : 0;
}

bool TProcessInfo::IsAlive(qint64 pid, quint64 startTime) {
    if (pid <= 0)
        return false;
    if (kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return false;
    char state = 0;
    quint64 start = 0;
    if (!ReadStat(pid, state, start))
        return true; // exists, but /proc does not tell more
    if (state == 'Z' || state == 'X')
        return false; // ended, not yet reaped
    return startTime == 0 || start == startTime;
}
