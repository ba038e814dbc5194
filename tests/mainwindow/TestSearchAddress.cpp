#include "mainwindow/SearchAddress.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class TestSearchAddress : public QObject {
    Q_OBJECT

private slots:
    void searchUrl() {
        const QString service = QStringLiteral("http://127.0.0.1:8642/search");
        // Two words keep their blank: the text goes in as typed.
        QCOMPARE(SearchUrl(service, 0, QStringLiteral("two words")),
                 QStringLiteral("http://127.0.0.1:8642/search/go_search.php?s=baidu&k=two words"));
        QCOMPARE(SearchUrl(service, 1, QStringLiteral("游戏")),
                 service + QStringLiteral("/go_search.php?s=google&k=游戏"));
        QCOMPARE(SearchUrl(service, 2, QStringLiteral("a&b")),
                 service + QStringLiteral("/go_search.php?s=sogou&k=a%26b"));
        QCOMPARE(SearchUrl(service, 3, QStringLiteral("x")), QString());
        QCOMPARE(SearchUrl(service, 0, QString()), QString());
        QCOMPARE(SearchEngineCaption(3), QString());

        // Whatever is typed comes back out of the query unchanged, with the engine key intact.
        for (const QString &text :
             {QStringLiteral("a&b"), QStringLiteral("c#"), QStringLiteral("c++ 入门"),
              QStringLiteral("100%"), QStringLiteral("%41"), QStringLiteral("x=1;y=2&s=google"),
              QStringLiteral("two words")}) {
            const QUrl url(SearchUrl(service, 0, text));
            QVERIFY2(url.isValid(), qPrintable(text));
            QCOMPARE(url.fragment(), QString());
            const QUrlQuery query(url);
            QCOMPARE(query.allQueryItemValues(QStringLiteral("s")), QStringList{"baidu"});
            // A "+" that reached the server raw would read as a blank.
            QVERIFY(!query.query(QUrl::FullyEncoded).contains(QLatin1Char('+')));
            QCOMPARE(query.queryItemValue(QStringLiteral("k"), QUrl::FullyDecoded), text);
        }
    }

    void addressCompletion() {
        const QString game = QStringLiteral("game");
        QCOMPARE(CompleteAddress(game, Qt::ControlModifier),
                 QStringLiteral("http://www.game.com/"));
        QCOMPARE(CompleteAddress(game, Qt::ShiftModifier), QStringLiteral("http://www.game.net/"));
        QCOMPARE(CompleteAddress(game, Qt::ControlModifier | Qt::KeypadModifier),
                 QStringLiteral("http://www.game.com/"));
        QCOMPARE(CompleteAddress(game, Qt::ControlModifier | Qt::ShiftModifier), game);
        QCOMPARE(CompleteAddress(game, Qt::ControlModifier | Qt::AltModifier), game);
        QCOMPARE(CompleteAddress(QStringLiteral("%1%s"), Qt::ControlModifier),
                 QStringLiteral("http://www.%1%s.com/"));
        QCOMPARE(CompleteAddress(QString(), Qt::ControlModifier), QString());
    }
};

QTEST_APPLESS_MAIN(TestSearchAddress)
#include "TestSearchAddress.moc"
