#include "controls/TAddress.h"
#include "controls/TAddressBox.h"
#include "controls/TGetHistoryThread.h"
#include "controls/TPopupPanel.h"
#include "store/THistoryStore.h"

#include <QApplication>
#include <QPainter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>

#include <memory>

class TestAddressBox : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void SuggestsByTheRulesShortestFirst();
    void KeepsEighteenShowsEight();
    void ProgramTextStartsNoSearch();
    void KeysWalkChooseAndClose();
    void ClickChoosesAsEnter();
    void FocusLossAndEmptyResultHide();
    void FastTypingEndsOnTheLastText();
    void RowDrawing();

private:
    void Record(const QString &url, const QString &title = QString());
    void Type(const QString &text);
    QStringList ListedUrls() const;

    std::unique_ptr<QTemporaryDir> FDir;
    std::unique_ptr<QWidget> FWindow;
    TAddressBox *FBox = nullptr;
    QLineEdit *FOther = nullptr;
};

void TestAddressBox::init() {
    FDir = std::make_unique<QTemporaryDir>();
    FWindow = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(FWindow.get());
    FBox = new TAddressBox(FWindow.get());
    FBox->SetHistoryPath(FDir->filePath("history.db"));
    FOther = new QLineEdit(FWindow.get());
    layout->addWidget(FBox);
    layout->addWidget(FOther);
    FWindow->resize(400, 80);
    FWindow->show();
    FWindow->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(FWindow.get()));
    FBox->setFocus();
    QTRY_VERIFY(FBox->hasFocus());
}

void TestAddressBox::cleanup() {
    FWindow.reset();
    FDir.reset();
}

void TestAddressBox::Record(const QString &url, const QString &title) {
    THistoryStore store(FDir->filePath("history.db"));
    QVERIFY(store.RecordVisit(url, title));
}

// Types text and waits until the worker's last result is in the list.
void TestAddressBox::Type(const QString &text) {
    QTest::keyClicks(FBox, text);
    QVERIFY(FBox->Worker());
    QTRY_VERIFY(!FBox->Worker()->IsBusy());
    QCoreApplication::sendPostedEvents(FBox->Worker());
}

QStringList TestAddressBox::ListedUrls() const {
    QStringList urls;
    for (int i = 0; FBox->List() && i < FBox->List()->count(); ++i)
        urls.append(FBox->List()->ItemText(i).section('\n', 1));
    return urls;
}

void TestAddressBox::SuggestsByTheRulesShortestFirst() {
    Record("http://game.example/play/long");
    Record("http://game.example/", "首页");
    Record("http://game.example/play", "游戏");
    Record("http://GAME.example/upper");
    Record("http://other.example/", "game 大厅");
    Type("http://game.example/");
    // The typed page itself is left out; longer ones containing it come shortest first.
    QCOMPARE(ListedUrls(),
             QStringList({"http://game.example/play", "http://game.example/play/long"}));
    QCOMPARE(FBox->List()->ItemText(0), QString("游戏\nhttp://game.example/play"));
    QVERIFY(FBox->IsPopupVisible());

    FBox->clear();
    Type("game"); // small letters only, in URLs and titles
    QCOMPARE(ListedUrls(),
             QStringList({"http://game.example/", "http://other.example/",
                          "http://game.example/play", "http://game.example/play/long"}));
}

void TestAddressBox::KeepsEighteenShowsEight() {
    for (int i = 25; i >= 1; --i)
        Record("http://m.example/" + QString(i, 'p'));
    Record("http://x.example/a");
    Record("http://x.example/bb");
    Record("http://x.example/ccc");
    Type("m.example");
    QCOMPARE(FBox->List()->count(), TAddressBox::MaxEntries);
    QCOMPARE(ListedUrls().last(), "http://m.example/" + QString(18, 'p'));
    QCOMPARE(FBox->Popup()->contentsRect().height(), 8 * TAddress::ItemHeight);

    FBox->clear();
    Type("x.example");
    TPopupPanel *popup = FBox->Popup();
    QCOMPARE(popup->contentsRect().height(), 90);
    QCOMPARE(FBox->List()->height(), 90);
    QCOMPARE(popup->width(), FBox->width() + 40);
    QCOMPARE(popup->pos(), FBox->mapToGlobal(QPoint(-21, FBox->height() + 4)));
}

void TestAddressBox::ProgramTextStartsNoSearch() {
    Record("http://game.example/play");
    FBox->setText("http://game.example/");
    FBox->SetAddressText("标题\nhttp://game.example/p");
    QCOMPARE(FBox->text(), QString("http://game.example/p"));
    QVERIFY(!FBox->Worker());
    QVERIFY(!FBox->IsPopupVisible());
    QVERIFY(!FBox->IsUpdating());
}

void TestAddressBox::KeysWalkChooseAndClose() {
    for (const char *u : {"http://k.example/1", "http://k.example/22", "http://k.example/333"})
        Record(u);
    QSignalSpy entered(FBox, &QLineEdit::returnPressed);
    Type("k.example");
    QCOMPARE(FBox->List()->SelectedIndex(), -1);

    QTest::keyClick(FBox, Qt::Key_Down); // nothing selected: the first row
    QCOMPARE(FBox->List()->SelectedIndex(), 0);
    QCOMPARE(FBox->text(), QString("http://k.example/1"));
    QCOMPARE(FBox->cursorPosition(), FBox->text().length());
    QTest::keyClick(FBox, Qt::Key_PageDown);
    QCOMPARE(FBox->List()->SelectedIndex(), 2);
    QTest::keyClick(FBox, Qt::Key_Up);
    QCOMPARE(FBox->text(), QString("http://k.example/22"));
    QVERIFY(FBox->IsPopupVisible()); // walking never searches again
    QCOMPARE(entered.count(), 0);

    QTest::keyClick(FBox, Qt::Key_Escape);
    QVERIFY(!FBox->IsPopupVisible());
    QCOMPARE(FBox->text(), QString("http://k.example/22"));
    QTest::keyClick(FBox, Qt::Key_Down); // list hidden: the edit's own key
    QCOMPARE(FBox->text(), QString("http://k.example/22"));

    FBox->clear();
    Type("k.example");
    QTest::keyClick(FBox, Qt::Key_Down);
    QTest::keyClick(FBox, Qt::Key_Down);
    QTest::keyClick(FBox, Qt::Key_Return);
    QCOMPARE(entered.count(), 1);
    QCOMPARE(FBox->text(), QString("http://k.example/22"));
    QCOMPARE(FBox->selectedText(), FBox->text());
    QVERIFY(!FBox->IsPopupVisible());
}

void TestAddressBox::ClickChoosesAsEnter() {
    for (const char *u : {"http://c.example/1", "http://c.example/22", "http://c.example/333"})
        Record(u);
    Type("c.example");
    TAddress *list = FBox->List();
    bool hiddenAtEnter = false;
    QString textAtEnter;
    connect(FBox, &QLineEdit::returnPressed, this, [&] {
        hiddenAtEnter = !FBox->IsPopupVisible();
        textAtEnter = FBox->text();
    });
    const QPoint row1 = list->visualItemRect(list->item(1)).center();
    QTest::mouseMove(list->viewport(), row1);
    QTRY_COMPARE(list->SelectedIndex(), 1);
    QTest::mouseClick(list->viewport(), Qt::RightButton, {}, row1); // swallowed
    QVERIFY(FBox->IsPopupVisible());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row1);
    QVERIFY(hiddenAtEnter);
    QCOMPARE(textAtEnter, QString("http://c.example/22"));
    QVERIFY(FBox->hasFocus());
}

void TestAddressBox::FocusLossAndEmptyResultHide() {
    Record("http://f.example/one");
    Type("f.example");
    QVERIFY(FBox->IsPopupVisible());
    Type("/none"); // no page matches any more
    QVERIFY(!FBox->IsPopupVisible());
    QCOMPARE(FBox->List()->count(), 0);

    FBox->clear();
    Type("f.example");
    QVERIFY(FBox->IsPopupVisible());
    FWindow->move(FWindow->pos() + QPoint(10, 10)); // the window moves: the list closes
    QTRY_VERIFY(!FBox->IsPopupVisible());
    Type("/"); // shown again for the new text; then the focus leaves
    QVERIFY(FBox->IsPopupVisible());
    FOther->setFocus();
    QTRY_VERIFY(!FBox->IsPopupVisible());
    // A result arriving after the focus went elsewhere shows nothing.
    FBox->FillHistory({{"http://f.example/one", QString()}});
    QCOMPARE(FBox->List()->count(), 0);
    QVERIFY(!FBox->IsPopupVisible());
}

void TestAddressBox::FastTypingEndsOnTheLastText() {
    {
        THistoryStore store(FDir->filePath("history.db"));
        for (int i = 0; i < 3000; ++i)
            QVERIFY(store.RecordVisit(QString("http://h%1.example/%2").arg(i % 97).arg(i), ""));
    }
    Type("http://h42.example/1");
    QStringList expected;
    {
        THistoryStore store(FDir->filePath("history.db"));
        for (const THistoryEntry &e : store.Search("http://h42.example/1", 18))
            expected.append(e.Url);
    }
    QVERIFY(!expected.isEmpty());
    QCOMPARE(ListedUrls(), expected);
    // Gone while a search may still run: the worker ends with the box.
    QTest::keyClicks(FBox, "2");
    delete FBox;
    FBox = nullptr;
}

void TestAddressBox::RowDrawing() {
    Record("http://d.example/page", "http://d.example/page"); // title equal to the URL
    Record("http://d.example/page2", "标题");
    Type("d.example");
    QCOMPARE(FBox->List()->ItemText(0), QString("\nhttp://d.example/page"));
    const QRect rect(0, 0, 300, TAddress::ItemHeight);
    auto draw = [&](int index, bool selected) {
        QImage image(rect.size(), QImage::Format_RGB32);
        image.fill(Qt::black);
        QPainter painter(&image);
        FBox->DrawItem(&painter, index, rect, selected);
        return image;
    };
    // Rows and the leftmost column holding text pixels.
    auto ink = [](const QImage &image, QList<int> *rows) {
        int left = image.width();
        const QRgb bg = image.pixel(1, 1);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixel(x, y) != bg) {
                    if (rows->isEmpty() || rows->last() != y)
                        rows->append(y);
                    left = std::min(left, x);
                }
        return left;
    };
    const QImage single = draw(0, false);
    const QImage twoLines = draw(1, false);
    QCOMPARE(QColor(single.pixel(1, 1)), FBox->palette().color(QPalette::Base));
    QCOMPARE(QColor(twoLines.pixel(1, 1)), QColor(241, 254, 246));
    QCOMPARE(QColor(draw(0, true).pixel(1, 1)), FBox->palette().color(QPalette::Highlight));
    // One line at the bottom only; with a title, ink starts near the top.
    QList<int> singleRows, twoRows;
    QVERIFY(ink(single, &singleRows) >= 21);
    QVERIFY(ink(twoLines, &twoRows) >= 21);
    QVERIFY(!singleRows.isEmpty() && !twoRows.isEmpty());
    QVERIFY(singleRows.first() > TAddress::ItemHeight / 3);
    QVERIFY(twoRows.first() < singleRows.first());
}

QTEST_MAIN(TestAddressBox)
#include "test_addressbox.moc"
