#include "store/TZipFile.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <zip.h>

#include <algorithm>

TZipFile::~TZipFile() {
    Close();
}

void TZipFile::Close() {
    if (FZip)
        zip_discard(FZip); // read-only: nothing to write back
    FZip = nullptr;
    FData.clear();
    FEntries.clear();
}

bool TZipFile::Open(const QString &path) {
    Close();
    int error = 0;
    FZip = zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error);
    if (!FZip) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        FError =
            QStringLiteral("%1: %2").arg(path, QString::fromLocal8Bit(zip_error_strerror(&ze)));
        zip_error_fini(&ze);
        return false;
    }
    ReadEntries();
    return true;
}

bool TZipFile::OpenData(const QByteArray &data) {
    Close();
    FData = data;
    zip_error_t ze;
    zip_error_init(&ze);
    zip_source_t *src =
        zip_source_buffer_create(FData.constData(), zip_uint64_t(FData.size()), 0, &ze);
    if (src)
        FZip = zip_open_from_source(src, ZIP_RDONLY, &ze);
    if (!FZip) {
        FError = QString::fromLocal8Bit(zip_error_strerror(&ze));
        if (src)
            zip_source_free(src);
        zip_error_fini(&ze);
        FData.clear();
        return false;
    }
    zip_error_fini(&ze);
    ReadEntries();
    return true;
}

void TZipFile::ReadEntries() {
    const zip_int64_t count = zip_get_num_entries(FZip, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(FZip, zip_uint64_t(i), ZIP_FL_ENC_GUESS, &st) != 0 || !st.name)
            continue;
        TZipEntry e;
        e.Index = int(i);
        e.Name = QString::fromUtf8(st.name);
        const QString normal = QString(e.Name).replace(QLatin1Char('\\'), QLatin1Char('/'));
        e.IsFolder = normal.endsWith(QLatin1Char('/'));
        const int slash = normal.lastIndexOf(QLatin1Char('/'));
        e.FolderPath = normal.left(slash + 1);
        e.FileName = normal.mid(slash + 1);
        e.Size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        e.Safe = IsSafeName(e.Name);
        FEntries.append(e);
    }
}

int TZipFile::IndexOf(const QString &name) const {
    for (const TZipEntry &e : FEntries)
        if (e.Name == name)
            return e.Index;
    return -1;
}

bool TZipFile::Extract(int index, QByteArray &out) {
    out.clear();
    if (!FZip || index < 0)
        return false;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(FZip, zip_uint64_t(index), 0, &st) != 0) {
        FError = QString::fromLocal8Bit(zip_strerror(FZip));
        return false;
    }
    zip_file_t *file = zip_fopen_index(FZip, zip_uint64_t(index), 0);
    if (!file) {
        FError = QString::fromLocal8Bit(zip_strerror(FZip));
        return false;
    }
    QByteArray data;
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_fread(file, buffer, sizeof buffer)) > 0)
        data.append(buffer, int(n));
    const bool ok = n == 0;
    if (!ok)
        FError = QString::fromLocal8Bit(zip_file_strerror(file));
    zip_fclose(file); // also where a bad checksum shows
    if (!ok)
        return false;
    out = data;
    return true;
}

bool TZipFile::Extract(const QString &name, QByteArray &out) {
    return Extract(IndexOf(name), out);
}

bool TZipFile::ExtractTo(int index, const QString &folder) {
    const auto it = std::find_if(FEntries.cbegin(), FEntries.cend(),
                                 [index](const TZipEntry &e) { return e.Index == index; });
    if (it == FEntries.cend())
        return false;
    if (!it->Safe) {
        FError = QStringLiteral("refused member name: %1").arg(it->Name);
        return false;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    if (it->IsFolder)
        return QDir().mkpath(base + it->FolderPath);
    QByteArray data;
    if (!Extract(index, data))
        return false;
    const QString target = base + it->FolderPath + it->FileName;
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly) || out.write(data) != data.size() || !out.commit()) {
        FError = QStringLiteral("cannot write %1").arg(target);
        return false;
    }
    return true;
}

bool TZipFile::ExtractAll(const QString &folder) {
    bool all = true;
    for (const TZipEntry &e : FEntries)
        all = ExtractTo(e.Index, folder) && all;
    return all;
}

bool TZipFile::IsSafeName(const QString &name) {
    if (name.isEmpty())
        return false;
    const QString normal = QString(name).replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normal.startsWith(QLatin1Char('/')))
        return false;
    if (normal.size() >= 2 && normal.at(1) == QLatin1Char(':'))
        return false; // a drive letter
    for (const QString &part : normal.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return false;
    return true;
}
