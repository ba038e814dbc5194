#include "store/TDataFile.h"

#include <QFile>
#include <QSaveFile>

bool TDataFile::Read(const QString &path, QByteArray &out, qint64 maxSize) {
    out.clear();
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    if (f.size() > maxSize)
        return false; // refused without reading it
    // In chunks: the size just seen is not trusted (the file may grow, or be no regular file).
    QByteArray data;
    char buffer[65536];
    qint64 n;
    while ((n = f.read(buffer, sizeof buffer)) > 0) {
        if (data.size() + n > maxSize)
            return false;
        data.append(buffer, qsizetype(n));
    }
    if (n < 0)
        return false;
    out = data;
    return true;
}

bool TDataFile::WritePrivate(const QString &path, const QByteArray &bytes) {
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    // On the temporary file, before a byte is written; the rename carries it over, also when
    // the old file was readable by others.
    if (!out.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        out.cancelWriting();
        return false;
    }
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    // commit() syncs the temporary file to disk before it takes the old file's place.
    return out.commit();
}
