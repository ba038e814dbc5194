// Installing an update archive over a program folder: unpacking into the staging folder, then
// moving every file into place with its backup. Default: a 50 MB archive of 50 files.
//
//   bench_install [megabytes] [files] [rounds]

#include "net/TUpdateInstaller.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    const int megabytes = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const int files = argc > 2 ? std::max(1, atoi(argv[2])) : 50;
    const int rounds = argc > 3 ? std::max(1, atoi(argv[3])) : 3;
    const qint64 each = qint64(megabytes) * 1024 * 1024 / files;

    QTemporaryDir dir;
    const QString prog = dir.path() + "/";
    const QString archive = dir.path() + "/update.zip";
    // Incompressible data, as executables and images nearly are.
    QList<QByteArray> data;
    for (int i = 0; i < files; ++i) {
        QByteArray bytes(each, Qt::Uninitialized);
        QRandomGenerator::global()->fillRange(reinterpret_cast<quint32 *>(bytes.data()),
                                              bytes.size() / 4);
        data.append(bytes);
    }
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(archive).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    for (int i = 0; i < files; ++i) {
        const QByteArray name = QStringLiteral("lib/part%1.bin").arg(i).toUtf8();
        zip_source_t *src = zip_source_buffer(z, data[i].constData(), zip_uint64_t(each), 0);
        const zip_int64_t index = zip_file_add(z, name.constData(), src, ZIP_FL_ENC_UTF_8);
        zip_set_file_compression(z, zip_uint64_t(index), ZIP_CM_DEFLATE, 1);
    }
    if (zip_close(z) != 0) {
        std::fprintf(stderr, "cannot write the archive\n");
        return 1;
    }
    std::printf("archive: %lld bytes, %d files\n",
                static_cast<long long>(QFileInfo(archive).size()), files);

    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        const TInstallResult result = TUpdateInstaller::Install(archive, prog, "ludora");
        const qint64 ms = t.elapsed();
        if (!result.Ok) {
            std::fprintf(stderr, "install failed: %s\n", qPrintable(result.Error));
            return 1;
        }
        std::printf("round %d: install %lld ms (%d files, old ones kept as .bak)\n", r + 1,
                    static_cast<long long>(ms), int(result.Installed.size()));
    }
    return 0;
}
