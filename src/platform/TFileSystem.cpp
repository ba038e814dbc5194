#include "platform/TFileSystem.h"

#include <QFile>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

bool TFileSystem::Replace(const QString &from, const QString &to) {
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

bool TFileSystem::Link(const QString &existing, const QString &newName) {
    return ::link(QFile::encodeName(existing).constData(),
                  QFile::encodeName(newName).constData()) == 0;
}

bool TFileSystem::SyncFolder(const QString &folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
