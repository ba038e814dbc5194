#pragma once
// Facts about processes that only the OS can tell: who we run as, where our executable is, and
// whether a process id still names the process that once had it.

#include <QString>
#include <QtGlobal>

class TProcessInfo {
public:
    static bool IsRoot(); // effective uid 0
    static quint32 UserId();
    static qint64 ProcessId();
    // The full path of the running executable, resolved by the kernel; argv0 when it cannot be.
    static QString ExecutablePath(const char *argv0);
    // The start time of a process in clock ticks since boot, 0 when there is no such process.
    // Together with the id it names one process: ids are reused, start times are not.
    static quint64 StartTime(qint64 pid);
    static bool IsAlive(qint64 pid, quint64 startTime);
};
