#pragma once
// What the benchmarks read of other processes: a process tree, its memory from the kernel's
// rollup, and the start marks a process prints with LUDORA_TRACE_START.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QList>
#include <QMap>
#include <QMultiMap>
#include <QString>

// The process and its descendants.
inline QList<qint64> ProcessTree(qint64 root) {
    QMultiMap<qint64, qint64> children;
    for (const QString &entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        bool ok = false;
        const qint64 pid = entry.toLongLong(&ok);
        if (!ok)
            continue;
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        if (!stat.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = stat.readAll();
        // The name may hold spaces: the fields go on after its closing parenthesis.
        const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
        children.insert(fields.value(1).toLongLong(), pid);
    }
    QList<qint64> tree{root};
    for (int i = 0; i < tree.size(); ++i)
        tree += children.values(tree.at(i));
    return tree;
}

// The sizes of the kernel's rollup in kB by name: "Rss", "Pss" and its "Pss_Anon", "Pss_File"
// and "Pss_Shmem" parts (mapped library code shared with other processes is in Pss_File), ...
inline QMap<QString, qint64> RollupKb(qint64 pid) {
    QMap<QString, qint64> sizes;
    QFile rollup(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!rollup.open(QIODevice::ReadOnly))
        return sizes;
    for (const QByteArray &line : rollup.readAll().split('\n')) {
        const QList<QByteArray> f = line.simplified().split(' ');
        if (f.size() == 3 && f.at(0).endsWith(':') && f.at(2) == "kB")
            sizes.insert(QString::fromLatin1(f.at(0).chopped(1)), f.at(1).toLongLong());
    }
    return sizes;
}

// The first time of each mark in a process's standard error ("start-trace <mark> <monotonic
// ms>"), in ms after origin (a monotonic time in ms).
inline QMap<QString, qint64> StartMarks(const QByteArray &err, qint64 origin) {
    QMap<QString, qint64> marks;
    for (const QByteArray &line : err.split('\n')) {
        const QList<QByteArray> f = line.trimmed().split(' ');
        if (f.size() == 3 && f.at(0) == "start-trace" &&
            !marks.contains(QString::fromLatin1(f.at(1))))
            marks.insert(QString::fromLatin1(f.at(1)), f.at(2).toLongLong() - origin);
    }
    return marks;
}
