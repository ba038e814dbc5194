// The favourites folder: listing, shortcut files, names and the folder menu, on real files.

#include "side/TFavorites.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void Touch(const QString &path, const QByteArray &content = QByteArray()) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList Captions(const QList<TFavoriteEntry> &entries) {
    QStringList out;
    for (const TFavoriteEntry &e : entries)
        out << (e.IsFolder ? QStringLiteral("A") : QStringLiteral("B")) + e.Caption;
    return out;
}

} // namespace

class TestFavorites : public QObject {
    Q_OBJECT

    QTemporaryDir FHome;

private slots:
    void initTestCase() {
        qputenv("XDG_DATA_HOME", FHome.path().toLocal8Bit());
        QCOMPARE(TFavorites::Folder(), FHome.path() + QStringLiteral("/ludora/Favorites/"));
        QVERIFY(QFileInfo(TFavorites::Folder()).isDir());
    }

    void listFolder() {
        QTemporaryDir dir;
        const QString root = dir.path() + QLatin1Char('/');
        for (const char *name : {"zoo", "Apps", "beta", "empty"})
            QVERIFY(QDir(root).mkdir(QString::fromLatin1(name)));
        for (const char *name : {"b.url", "A.url", "x.URL", "notes.txt", "url", "c.url.bak"})
            Touch(root + QString::fromLatin1(name));
        const QList<TFavoriteEntry> entries = TFavorites::ListFolder(root);
        QCOMPARE(Captions(entries),
                 QStringList({"AApps", "Abeta", "Aempty", "Azoo", "BA", "Bb", "Bx"}));
        QCOMPARE(entries.last().FileName, QStringLiteral("x.URL"));
        QVERIFY(TFavorites::ListFolder(root + QStringLiteral("empty/")).isEmpty());
        QVERIFY(TFavorites::ListFolder(root + QStringLiteral("missing/")).isEmpty());
    }

    // Names from page titles, and names that would leave the favourites folder.
    void names() {
        QCOMPARE(TFavorites::NameFromTitle(QStringLiteral("a/b:c")), QStringLiteral("a_b_c"));
        QCOMPARE(TFavorites::NameFromTitle(QStringLiteral("*?<>|\\\"q\"")),
                 QStringLiteral("______\"q\""));
        for (const QString &bad :
             {QString(), QStringLiteral(".."), QStringLiteral(" .. "), QStringLiteral("../x"),
              QStringLiteral("a/b"), QStringLiteral("..\\x"), QStringLiteral(".")})
            QVERIFY2(!TFavorites::CheckName(bad).isEmpty(), qPrintable(bad));
        QVERIFY(TFavorites::CheckName(QStringLiteral("我的 游戏..")).isEmpty());

        const QStringList before = QDir(FHome.path()).entryList(QDir::AllEntries);
        QVERIFY(!TFavorites::Add(QString(), QStringLiteral("../../escape"), "http://x/").isEmpty());
        QVERIFY(!TFavorites::CreateFolder(QString(), QStringLiteral("..")).isEmpty());
        QCOMPARE(QDir(FHome.path()).entryList(QDir::AllEntries), before);
        QVERIFY(!QFile::exists(FHome.path() + QStringLiteral("/escape.url")));
    }

    // Our shortcuts are INI files other programs read; theirs keep their other keys here.
    void shortcutFiles() {
        QVERIFY(TFavorites::CreateFolder(QString(), QStringLiteral("游戏")).isEmpty());
        QVERIFY(TFavorites::Add(QStringLiteral("游戏"), QStringLiteral("贪吃蛇"),
                                QStringLiteral("http://127.0.0.1/snake?a=1&b=2"))
                    .isEmpty());
        const QString path =
            TFavorites::FolderPath(QStringLiteral("游戏")) + QStringLiteral("贪吃蛇.url");
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY2(text.contains("[InternetShortcut]") &&
                     text.contains("URL=http://127.0.0.1/snake?a=1&b=2"),
                 text.constData());
        f.close();

        const QString other = TFavorites::Folder() + QStringLiteral("other.url");
        Touch(other, "[DEFAULT]\r\nBASEURL=http://a/\r\n[InternetShortcut]\r\nURL=http://a/\r\n"
                     "IconIndex=1\r\n");
        QCOMPARE(TFavorites::ReadShortcut(other), QStringLiteral("http://a/"));
        QVERIFY(TFavorites::WriteShortcut(other, QStringLiteral("http://b/")).isEmpty());
        QFile o(other);
        QVERIFY(o.open(QIODevice::ReadOnly));
        const QByteArray written = o.readAll();
        QVERIFY(written.contains("BASEURL=http://a/") && written.contains("IconIndex=1") &&
                written.contains("URL=http://b/"));
        Touch(TFavorites::Folder() + QStringLiteral("nourl.url"), "[InternetShortcut]\r\n");
        QCOMPARE(TFavorites::ReadShortcut(TFavorites::Folder() + QStringLiteral("nourl.url")),
                 QString());
        // A folder that cannot take the file says so.
        QVERIFY(!TFavorites::Add(QStringLiteral("missing"), QStringLiteral("x"), "http://x/")
                     .isEmpty());
    }

    // Every subfolder once, right after its parent, indented by depth.
    void folderMenu() {
        QDir root(TFavorites::Folder());
        for (const char *path : {"a", "a/Z", "a/b", "a/b/n", "AB", "c d", "游戏/子"})
            QVERIFY(root.mkpath(QString::fromUtf8(path)));
        QStringList seen;
        for (const TFolderMenuEntry &e : TFavorites::FolderMenu())
            seen << QStringLiteral("%1:%2:%3").arg(e.Depth).arg(e.Caption, e.Relative);
        QCOMPARE(seen, QStringList({"0:a:a", "1:b:a/b", "2:n:a/b/n", "1:Z:a/Z", "0:AB:AB",
                                    "0:c d:c d", "0:游戏:游戏", "1:子:游戏/子"}));
        QCOMPARE(TFavorites::FolderMenu(QStringLiteral("a/b")).size(), 1);
    }
};

QTEST_GUILESS_MAIN(TestFavorites)
#include "TestFavorites.moc"
