#include "store/THistoryStore.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <memory>

namespace {

QList<THistoryEntry> AllPages(const THistoryStore &store) {
    QList<THistoryEntry> pages;
    store.Enumerate([&pages](const THistoryEntry &e) {
        pages.append(e);
        return true;
    });
    return pages;
}

QStringList Urls(const QList<THistoryEntry> &entries) {
    QStringList urls;
    for (const THistoryEntry &e : entries)
        urls.append(e.Url);
    return urls;
}

// Child process mode: records "<tag>/<i>" pages and a set of pages shared by every writer.
int RunWriter(const QString &path, const QString &tag, int count) {
    THistoryStore store(path);
    int failures = store.IsOpen() ? 0 : 1;
    for (int i = 0; i < count; ++i) {
        if (!store.RecordVisit(QStringLiteral("http://127.0.0.1/%1/%2").arg(tag).arg(i),
                               QStringLiteral("页面 %1").arg(i)))
            ++failures;
        if (!store.RecordVisit(QStringLiteral("http://127.0.0.1/shared/%1").arg(i % 50), QString()))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}

} // namespace

class TestHistoryStore : public QObject {
    Q_OBJECT
private slots:
    // A fresh folder per test, so no test sees another's history file.
    void init() {
        FDir = std::make_unique<QTemporaryDir>();
        QVERIFY(FDir->isValid());
    }
    void MatchingRules();
    void SelectionSortsShortestFirstAndTrims();
    void OnlyWebPagesAreRecorded();
    void RevisitKeepsOnePageAndBestTitle();
    void SearchAgreesWithTheRules();
    void DamagedFileIsLeftAlone();
    void SeveralProcessesWriteAtOnce();

private:
    std::unique_ptr<QTemporaryDir> FDir;
    QString Path(const char *name) const { return FDir->filePath(QString::fromLatin1(name)); }
};

void TestHistoryStore::MatchingRules() {
    const QString url = QStringLiteral("http://game.example/play");
    // The page the user has already typed is not suggested; longer ones containing it are.
    QVERIFY(!THistoryStore::Matches(url, QString(), url));
    QVERIFY(THistoryStore::Matches(url + QStringLiteral("?id=1"), QString(), url));
    // Letter case counts.
    QVERIFY(THistoryStore::Matches(url, QString(), QStringLiteral("GAME")) == false);
    QVERIFY(THistoryStore::Matches(url, QString(), QStringLiteral("game")));
    // The title is searched too, Chinese included.
    QVERIFY(THistoryStore::Matches(url, QStringLiteral("三国 在线"), QStringLiteral("三国")));
    QVERIFY(!THistoryStore::Matches(url, QStringLiteral("三国 在线"), QStringLiteral("水浒")));
    // An empty field suggests nothing.
    QVERIFY(!THistoryStore::Matches(url, QStringLiteral("t"), QString()));
}

void TestHistoryStore::SelectionSortsShortestFirstAndTrims() {
    QList<THistoryEntry> pages;
    for (int i = 25; i > 0; --i)
        pages.append(
            {QStringLiteral("http://a.example/") + QString(i, QLatin1Char('x')), QString()});
    pages.append({QStringLiteral("ftp://a.example/"), QString()}); // never suggested
    pages.append({QStringLiteral("http://b.example/"), QStringLiteral("http://b.example/")});
    pages.append({QStringLiteral("http://c.example/"), QStringLiteral("标题")});

    const QList<THistoryEntry> top = THistoryStore::SelectMatches(pages, "example", 18);
    QCOMPARE(top.size(), 18);
    // Equal lengths in URL order; the title that repeats the URL is blanked.
    QCOMPARE(top[0].Url, QStringLiteral("http://b.example/"));
    QCOMPARE(top[0].Title, QString());
    QCOMPARE(top[1].Url, QStringLiteral("http://c.example/"));
    QCOMPARE(top[1].Title, QStringLiteral("标题"));
    for (int i = 2; i < top.size(); ++i)
        QCOMPARE(top[i].Url.length(), QStringLiteral("http://a.example/").length() + i - 1);
    QCOMPARE(THistoryStore::SelectMatches(pages, "example", 100).size(), 27);
}

void TestHistoryStore::OnlyWebPagesAreRecorded() {
    THistoryStore store(Path("history.db"));
    QVERIFY2(store.IsOpen(), qPrintable(store.ErrorText()));
    QVERIFY(store.RecordVisit("http://127.0.0.1:8642/mini/", "迷你站"));
    QVERIFY(store.RecordVisit("https://game.example/", ""));
    for (const char *other : {"about:blank", "javascript:void(0)", "file:///etc/passwd",
                              "ftp://x.example/", "httpx://x.example/", "http://", ""}) {
        QVERIFY2(!store.RecordVisit(QString::fromLatin1(other), "t"), other);
        QVERIFY(!store.ErrorText().isEmpty());
    }
    QCOMPARE(store.Count(), 2);
    // Survives reopening.
    THistoryStore again(Path("history.db"));
    QCOMPARE(Urls(AllPages(again)),
             QStringList({"http://127.0.0.1:8642/mini/", "https://game.example/"}));
}

void TestHistoryStore::RevisitKeepsOnePageAndBestTitle() {
    THistoryStore store(Path("history.db"));
    QVERIFY(store.RecordVisit("http://g.example/", "旧标题"));
    QVERIFY(store.RecordVisit("http://g.example/", "")); // title not known yet: keep the old one
    QCOMPARE(store.Count(), 1);
    QCOMPARE(AllPages(store).value(0).Title, QStringLiteral("旧标题"));
    QVERIFY(store.RecordVisit("http://g.example/", "新标题"));
    QCOMPARE(AllPages(store).value(0).Title, QStringLiteral("新标题"));
    // Searches see the new title only.
    QCOMPARE(store.Search("新标题", 18).size(), 1);
    QCOMPARE(store.Search("旧标题", 18).size(), 0);
    // Text with quotes and SQL in it is data, nothing else.
    const QString odd = QStringLiteral("x'); DROP TABLE history; --");
    QVERIFY(store.RecordVisit("http://g.example/?q=" + odd, odd));
    QCOMPARE(store.Search(odd, 18).value(0).Title, odd);
    QCOMPARE(store.Count(), 2);
}

void TestHistoryStore::SearchAgreesWithTheRules() {
    THistoryStore store(Path("history.db"));
    auto *rng = QRandomGenerator::global();
    const QStringList words = {"game", "Game", "play", "三国", "login", "x", "xx", "页"};
    for (int i = 0; i < 2500; ++i) {
        QString url = QStringLiteral("http://h%1.example/").arg(rng->bounded(40));
        for (int n = rng->bounded(4); n > 0; --n)
            url += words[rng->bounded(words.size())] + QLatin1Char('/');
        const int t = rng->bounded(3);
        const QString title = t == 0 ? QString() : t == 1 ? url : words[rng->bounded(8)] + "标题";
        QVERIFY(store.RecordVisit(url, title));
    }
    const QList<THistoryEntry> pages = AllPages(store);
    QStringList queries = words;
    // Common and rare texts, shorter and longer than three characters, quotes and wildcards.
    queries += {"",
                "http://h1.example/",
                "h1",
                "h39.example/play",
                "标题",
                "nothing",
                "Q",
                "%",
                "_",
                "\"x",
                "a\"\"b",
                "/x/",
                "页标题",
                "https://h",
                "http://h39.example/play"};
    for (const QString &q : queries) {
        for (int limit : {1, 18, 100000}) {
            const QList<THistoryEntry> expected = THistoryStore::SelectMatches(pages, q, limit);
            const QList<THistoryEntry> got = store.Search(q, limit);
            QCOMPARE(Urls(got), Urls(expected));
            for (int i = 0; i < got.size(); ++i)
                QCOMPARE(got[i].Title, expected[i].Title);
        }
    }
}

void TestHistoryStore::DamagedFileIsLeftAlone() {
    const QByteArray junk(4096, 'Z');
    {
        QFile f(Path("history.db"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    THistoryStore store(Path("history.db"));
    QVERIFY(!store.IsOpen());
    QVERIFY(store.ErrorText().contains(Path("history.db")));
    QVERIFY2(store.ErrorText().contains("not a database"), qPrintable(store.ErrorText()));
    QVERIFY(!store.RecordVisit("http://a.example/", "a"));
    QVERIFY(store.Search("a", 18).isEmpty());
    QFile f(Path("history.db"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), junk);
}

void TestHistoryStore::SeveralProcessesWriteAtOnce() {
    const QString path = Path("history.db");
    constexpr int PerWriter = 400;
    QList<QProcess *> writers;
    for (const char *tag : {"a", "b", "c"}) {
        auto *p = new QProcess(this);
        p->start(QCoreApplication::applicationFilePath(),
                 {"--writer", path, QString::fromLatin1(tag), QString::number(PerWriter)});
        writers.append(p);
    }
    // This process writes through its own connection at the same time.
    QCOMPARE(RunWriter(path, "main", PerWriter), 0);
    for (QProcess *p : writers) {
        QVERIFY(p->waitForFinished(60000));
        QCOMPARE(p->exitStatus(), QProcess::NormalExit);
        QCOMPARE(p->exitCode(), 0);
    }
    THistoryStore store(path);
    QCOMPARE(store.Count(), 4 * PerWriter + 50);
    QCOMPARE(store.Search("/b/", 100000).size(), PerWriter);
}

int main(int argc, char **argv) {
    if (argc == 5 && std::strcmp(argv[1], "--writer") == 0)
        return RunWriter(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                         std::atoi(argv[4]));
    QCoreApplication app(argc, argv);
    TestHistoryStore test;
    return QTest::qExec(&test, argc, argv);
}

#include "TestHistoryStore.moc"
