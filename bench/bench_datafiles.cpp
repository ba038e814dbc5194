// Damaged and oversized data files: how long loading one takes and, run under
// /usr/bin/time -v, how much memory it costs. Files are made in a temporary folder.
// Usage: bench_datafiles deep [levels=300000]  catalogue and user file nested that deep
//        bench_datafiles large [megabytes=50]  catalogue of that size (5,000 games are 1 MB)
//        bench_datafiles flat [megabytes=15]   catalogue of that many empty elements
//        bench_datafiles skin <archive>        loads a skin archive ("default")
#include "controls/TSkin.h"
#include "platform/AnsiCodePage.h"
#include "side/TCatalogue.h"
#include "store/ScrambleText.h"
#include "store/TUserData.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void Write(const QString &path, const QByteArray &bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

QByteArray Nested(const char *tag, int levels) {
    const QByteArray open = QByteArray("<") + tag + ">";
    const QByteArray close = QByteArray("</") + tag + ">";
    return "<?xml version=\"1.0\"?>" + open.repeated(levels) + close.repeated(levels);
}

void LoadCatalogue(const QString &file, const char *what) {
    TCatalogue c;
    QElapsedTimer t;
    t.start();
    const bool present = c.LoadCatalogue(file);
    std::printf("%s: catalogue %s in %.1f ms\n", what, present ? "loaded" : "refused",
                t.nsecsElapsed() / 1e6);
}

} // namespace

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray("deep");
    QTemporaryDir dir;
    const QString catalogue = TCatalogue::FileName(dir.path() + "/");
    if (mode == "deep") {
        const int levels = argc > 2 ? atoi(argv[2]) : 300000;
        Write(catalogue, ScrambleText(Nested("folder", levels)));
        LoadCatalogue(catalogue, qPrintable(QStringLiteral("%1 levels").arg(levels)));
        const QString user = TUserData::UserFile(dir.path() + "/", QStringLiteral("deep"));
        QDir().mkpath(QFileInfo(user).absolutePath());
        Write(user, ScrambleText(Nested("folder", levels)));
        TUserData data;
        data.SetCurrentFile(user);
        QElapsedTimer t;
        t.start();
        const bool loaded = data.Load();
        std::printf("%d levels: user file %s in %.1f ms\n", levels, loaded ? "loaded" : "refused",
                    t.nsecsElapsed() / 1e6);
    } else if (mode == "large") {
        const int megabytes = argc > 2 ? atoi(argv[2]) : 50;
        QString text = QStringLiteral("<?xml version=\"1.0\"?>\r\n<games version=\"1\"><section "
                                      "caption=\"休闲游戏\">");
        for (int i = 0; text.size() < qsizetype(megabytes) * 1024 * 1024 - 200; ++i)
            text +=
                QStringLiteral("<game caption=\"游戏%1\" url=\"http://127.0.0.1:8642/games/%1/\" "
                               "infoUrl=\"http://127.0.0.1:8642/info/%1/\" hot=\"0\"/>")
                    .arg(i);
        text += QStringLiteral("</section></games>\r\n");
        const QByteArray bytes = AnsiFromUnicode(text);
        Write(catalogue, ScrambleText(bytes));
        LoadCatalogue(catalogue,
                      qPrintable(QStringLiteral("%1 bytes").arg(QString::number(bytes.size()))));
    } else if (mode == "flat") {
        const int megabytes = argc > 2 ? atoi(argv[2]) : 15;
        const QByteArray bytes = "<?xml version=\"1.0\"?><games>" +
                                 QByteArray("<g/>").repeated(megabytes * 1024 * 1024 / 4 - 10) +
                                 "</games>";
        Write(catalogue, ScrambleText(bytes));
        LoadCatalogue(catalogue,
                      qPrintable(QStringLiteral("%1 empty elements").arg(bytes.size() / 4)));
    } else if (mode == "skin" && argc > 2) {
        TSkin skin;
        QElapsedTimer t;
        t.start();
        const QString error = LoadSkinFrom(QString::fromLocal8Bit(argv[2]), "default", skin);
        int loaded = 0;
        for (int i = 0; i < TSkin::BitmapCount; ++i)
            loaded += skin.Bitmap(i).isNull() ? 0 : 1;
        std::printf("skin %s: %d bitmaps in %.1f ms %s\n", argv[2], loaded, t.nsecsElapsed() / 1e6,
                    qPrintable(error));
    } else {
        std::fprintf(stderr,
                     "usage: bench_datafiles deep [levels] | large [MB] | skin <archive>\n");
        return 2;
    }
    return 0;
}
