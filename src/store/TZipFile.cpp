#include "store/TZipFile.h"

#include "platform/AnsiCodePage.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

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
        // The raw bytes: libzip would take anything that is not UTF-8 for code page 437.
        if (zip_stat_index(FZip, zip_uint64_t(i), ZIP_FL_ENC_RAW, &st) != 0 || !st.name)
            continue;
        TZipEntry e;
        e.Index = int(i);
        e.Name = DecodeName(QByteArray(st.name));
        const QString normal = QString(e.Name).replace(QLatin1Char('\\'), QLatin1Char('/'));
        e.IsFolder = normal.endsWith(QLatin1Char('/'));
        const int slash = normal.lastIndexOf(QLatin1Char('/'));
        e.FolderPath = normal.left(slash + 1);
        e.FileName = normal.mid(slash + 1);
        e.Size = (st.valid & ZIP_STAT_SIZE) ? qint64(st.size) : 0;
        e.Safe = IsSafeName(e.Name);
        zip_uint8_t system = 0;
        zip_uint32_t attributes = 0;
        if (zip_file_get_external_attributes(FZip, zip_uint64_t(i), 0, &system, &attributes) == 0 &&
            system == ZIP_OPSYS_UNIX)
            e.Mode = int((attributes >> 16) & 07777);
        FEntries.append(e);
    }
}

QString TZipFile::DecodeName(const QByteArray &raw) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(raw);
    return utf8.hasError() ? UnicodeFromAnsi(raw) : text;
}

int TZipFile::IndexOf(const QString &name) const {
    for (const TZipEntry &e : FEntries)
        if (e.Name == name)
            return e.Index;
    return -1;
}

template <typename TSink>
bool TZipFile::Stream(int index, qint64 maxSize, TSink &&sink, qint64 *size) {
    if (!FZip || index < 0)
        return false;
    zip_file_t *file = zip_fopen_index(FZip, zip_uint64_t(index), 0);
    if (!file) {
        FError = QString::fromLocal8Bit(zip_strerror(FZip));
        return false;
    }
    qint64 total = 0;
    bool ok = true;
    char buffer[65536];
    zip_int64_t n;
    while ((n = zip_fread(file, buffer, sizeof buffer)) > 0) {
        total += n;
        if (total > maxSize) {
            const TZipEntry *entry = Entry(index);
            FError = QStringLiteral("%1 unpacks to more than %2 bytes")
                         .arg(entry ? entry->Name : QString::number(index))
                         .arg(maxSize);
            ok = false;
            break;
        }
        if (!sink(buffer, qsizetype(n))) {
            ok = false;
            break;
        }
    }
    if (ok && n < 0) {
        FError = QString::fromLocal8Bit(zip_file_strerror(file));
        ok = false;
    }
    // Closing is where a bad checksum shows.
    if (const int closed = zip_fclose(file); closed != 0 && ok) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, closed);
        FError = QString::fromLocal8Bit(zip_error_strerror(&ze));
        zip_error_fini(&ze);
        ok = false;
    }
    if (size)
        *size = total;
    return ok;
}

bool TZipFile::Extract(int index, QByteArray &out, qint64 maxSize) {
    out.clear();
    QByteArray data;
    const bool ok = Stream(index, maxSize, [&data](const char *chunk, qsizetype n) {
        data.append(chunk, n);
        return true;
    });
    if (ok)
        out = data;
    return ok;
}

bool TZipFile::Extract(const QString &name, QByteArray &out, qint64 maxSize) {
    return Extract(IndexOf(name), out, maxSize);
}

const TZipEntry *TZipFile::Entry(int index) const {
    const auto it = std::find_if(FEntries.cbegin(), FEntries.cend(),
                                 [index](const TZipEntry &e) { return e.Index == index; });
    return it == FEntries.cend() ? nullptr : &*it;
}

bool TZipFile::ExtractToFile(int index, const QString &target, qint64 maxSize) {
    return WriteMember(index, target, maxSize, nullptr);
}

bool TZipFile::WriteMember(int index, const QString &target, qint64 maxSize, qint64 *size) {
    const TZipEntry *entry = Entry(index);
    if (!entry || entry->IsFolder)
        return false;
    const QString failure = QStringLiteral("cannot write %1").arg(target);
    QDir().mkpath(QFileInfo(target).absolutePath());
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        FError = failure;
        return false;
    }
    bool written = true;
    const bool ok = Stream(
        index, maxSize,
        [&out, &written](const char *chunk, qsizetype n) {
            written = out.write(chunk, n) == n;
            return written;
        },
        size);
    if (!written)
        FError = failure;
    if (!ok) {
        out.cancelWriting(); // the temporary file goes, the old target stays
        return false;
    }
    if (!out.commit()) {
        FError = failure;
        return false;
    }
    return true;
}

bool TZipFile::ExtractTo(int index, const QString &folder, qint64 maxSize) {
    return Unpack(index, folder, maxSize, nullptr);
}

bool TZipFile::ExtractTo(int index, const QString &folder, qint64 maxSize, qint64 *written) {
    if (written)
        *written = 0;
    return Unpack(index, folder, maxSize, written);
}

bool TZipFile::Unpack(int index, const QString &folder, qint64 maxSize, qint64 *size) {
    const TZipEntry *entry = Entry(index);
    if (!entry)
        return false;
    if (!entry->Safe) {
        FError = QStringLiteral("refused member name: %1").arg(entry->Name);
        return false;
    }
    const QString base = QDir(folder).absolutePath() + QLatin1Char('/');
    if (entry->IsFolder)
        return QDir().mkpath(base + entry->FolderPath);
    return WriteMember(index, base + entry->FolderPath + entry->FileName, maxSize, size);
}

bool TZipFile::ExtractAll(const QString &folder, qint64 maxTotal) {
    bool all = true;
    qint64 left = maxTotal;
    for (const TZipEntry &e : FEntries) {
        qint64 size = 0;
        if (Unpack(e.Index, folder, left, &size))
            left -= size; // a refused member was not written and spends nothing
        else
            all = false;
    }
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
    // A line break or tab would garble every list of names (the install journal among them).
    for (const QChar c : normal)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            return false;
    for (const QString &part : normal.split(QLatin1Char('/')))
        if (part == QLatin1String(".."))
            return false;
    return true;
}
