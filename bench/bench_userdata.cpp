// Load and save time of a user data file with many accounts; with "import", the time of
// importing the largest account files the reader accepts, against loading the same file.
// Usage: bench_userdata [accounts=5000] [rounds=20]
//        bench_userdata import
#include "store/TAccountTransfer.h"
#include "store/TBoundedXml.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

static double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// An export of accounts with location and user only, each of which an import makes five nodes.
static QString ExportFile(const QString &dir, int accounts) {
    TUserData source;
    for (int i = 0; i < accounts; ++i) {
        QDomElement item =
            source.AppendAccount(QStringLiteral("角色扮演\\游戏%1\\").arg(i % 200),
                                 QStringLiteral("user%1").arg(i), QString(), QString());
        item.removeAttribute(QStringLiteral("caption"));
        item.removeAttribute(QStringLiteral("pass"));
    }
    const QString file = dir + QStringLiteral("/export%1.dat").arg(accounts);
    TAccountTransfer::Export(source, file);
    return file;
}

static int ImportBench(const QString &dir) {
    // The most accounts that still fit after the import, and the most the reader accepts in
    // one file (three nodes each, under its node limit).
    const int fits = int(TBoundedXml::MaxNodes / 5) - 10;
    const int largest = int(TBoundedXml::MaxNodes / 3) - 10;
    for (const int accounts : {fits, largest}) {
        const QString file = ExportFile(dir, accounts);
        QElapsedTimer t;
        t.start();
        TUserData plain;
        plain.SetCurrentFile(file);
        if (!plain.Load())
            return 1;
        const double load = t.nsecsElapsed() / 1e6;
        TUserData store;
        store.EnsureStructure();
        store.SetCurrentFile(dir + QStringLiteral("/store%1.dat").arg(accounts));
        t.restart();
        const auto result = TAccountTransfer::Import(store, file, nullptr);
        const double import = t.nsecsElapsed() / 1e6;
        std::printf("import %d accounts (%lld bytes): %.0f ms, %s; loading the file: %.0f ms; "
                    "ratio %.1f\n",
                    accounts, static_cast<long long>(QFileInfo(file).size()), import,
                    result == TAccountTransfer::TImport::Done       ? "done"
                    : result == TAccountTransfer::TImport::TooLarge ? "refused, too large"
                                                                    : "failed",
                    load, import / load);
    }
    return 0;
}

int main(int argc, char *argv[]) {
    QCoreApplication app(argc, argv);
    if (argc > 1 && QByteArray(argv[1]) == "import") {
        QTemporaryDir dir;
        return ImportBench(dir.path());
    }
    const int accounts = argc > 1 ? atoi(argv[1]) : 5000;
    const int rounds = argc > 2 ? atoi(argv[2]) : 20;
    QTemporaryDir dir;
    const QString file = TUserData::UserFile(dir.path() + "/", QStringLiteral("玩家"));

    TUserData data;
    data.EnsureStructure();
    data.Root().setAttribute("password", "secret");
    for (int i = 0; i < accounts; ++i)
        data.AppendAccount(QStringLiteral("角色扮演\\游戏%1\\").arg(i % 200),
                           QStringLiteral("user%1").arg(i), QStringLiteral("我的帐号%1").arg(i),
                           QStringLiteral("密码%1").arg(i), "username", "passwordpwd");
    data.SetCurrentFile(file);

    std::vector<double> saves, loads, finds;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        data.Save();
        saves.push_back(t.nsecsElapsed() / 1e6);

        TUserData loaded;
        loaded.SetCurrentFile(file);
        t.restart();
        if (!loaded.Load())
            return 1;
        loads.push_back(t.nsecsElapsed() / 1e6);

        t.restart();
        const bool found = !loaded
                                .FindAccount(QStringLiteral("角色扮演\\游戏199\\"),
                                             QStringLiteral("user%1").arg(accounts - 1))
                                .isNull();
        finds.push_back(t.nsecsElapsed() / 1e6);
        if (!found)
            return 1;
    }
    std::printf("accounts: %d, file: %lld bytes, rounds: %d\n", accounts,
                static_cast<long long>(QFileInfo(file).size()), rounds);
    std::printf("save: median %.2f ms, max %.2f ms\n", Median(saves),
                *std::max_element(saves.begin(), saves.end()));
    std::printf("load: median %.2f ms, max %.2f ms\n", Median(loads),
                *std::max_element(loads.begin(), loads.end()));
    std::printf("find last account: median %.3f ms\n", Median(finds));
    return 0;
}
