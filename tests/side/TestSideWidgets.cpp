// The flat tree with its scroll bar, the add-account dialog and its game picker, the account
// chooser: real widgets on the X server.

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmSelLogin.h"
#include "dialogs/TfrmTip.h"
#include "side/TCatalogue.h"
#include "side/TFavorites.h"
#include "side/TForm2.h"
#include "side/TScrollBar1.h"
#include "side/TTreeView1.h"
#include "side/TfrmAddUser.h"
#include "side/TfrmSide.h"
#include "store/TUserData.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

class TestSideWidgets : public QObject {
    Q_OBJECT
    QTemporaryDir FDataHome;
private slots:
    void initTestCase() {
        // The favourites folder lies below the data home; keep it in a folder of the test's.
        qputenv("XDG_DATA_HOME", FDataHome.path().toLocal8Bit());
        LoadSkinFrom(TestSupport::BuildDir() + "/skin/default.skin", "default", Skin());
    }
    void BarShowsOnlyWhenRowsOverflowAndFollowsTheTree();
    void AddAccountNeedsAnAccountAndAsksBeforeOverwriting();
    void PickerChoosesGamesBelowSections();
    void ChooserReturnsTickedNamesInListOrder();
    void FavouritesTreeListsFoldersAndOpensShortcuts();
    void TreeOutlivesARebuildFromItsOwnMenu();
    void NothingKeptUnlessTheFileIsWritten();
};

void TestSideWidgets::BarShowsOnlyWhenRowsOverflowAndFollowsTheTree() {
    QWidget panel;
    panel.resize(172, 220); // ten rows of 22
    auto *tree = new TTreeView1(&panel);
    auto *bar = new TScrollBar1(&panel);
    tree->AttachBar(bar);
    tree->SetRowHeight(22);
    for (int i = 0; i < 10; ++i)
        tree->addTopLevelItem(new TSideNode);
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
    QVERIFY(!bar->isVisible());
    QCOMPARE(tree->width(), 172);

    for (int i = 0; i < 390; ++i)
        tree->addTopLevelItem(new TSideNode);
    QTRY_VERIFY(bar->isVisible());
    QCOMPARE(tree->width() + bar->width(), 172);
    QCOMPARE(bar->x(), 172 - TScrollBar1::BarWidth);
    QCOMPARE(bar->Page(), 10);
    QCOMPARE(bar->Max(), 399);
    // 400 rows in a 184 px track: the thumb keeps its 10 px.
    QCOMPARE(bar->ThumbRect().height(), TScrollBar1::MinThumb);
    QCOMPARE(bar->ThumbRect().top(), TScrollBar1::BarWidth);

    // The down arrow scrolls the tree one row; the tree's own scrolling moves the thumb.
    QTest::mouseClick(bar, Qt::LeftButton, {}, QPoint(9, bar->height() - 5));
    QCOMPARE(tree->verticalScrollBar()->value(), 1);
    QCOMPARE(bar->Position(), 1);
    tree->verticalScrollBar()->setValue(390);
    QCOMPARE(bar->Position(), 390);
    QCOMPARE(bar->ThumbRect().bottom(), bar->height() - TScrollBar1::BarWidth - 1);
    // Dragging the thumb to the top of the track brings the first row back.
    const QPoint thumb = bar->ThumbRect().center();
    QTest::mousePress(bar, Qt::LeftButton, {}, thumb);
    QMouseEvent move(QEvent::MouseMove, QPointF(thumb.x(), 0), bar->mapToGlobal(QPointF(9, 0)),
                     Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(bar, &move);
    QTest::mouseRelease(bar, Qt::LeftButton, {}, QPoint(thumb.x(), 0));
    QCOMPARE(tree->verticalScrollBar()->value(), 0);

    // Back to rows that fit: the bar goes and the tree takes the whole width again.
    while (tree->topLevelItemCount() > 5)
        delete tree->topLevelItem(0);
    QTRY_VERIFY(!bar->isVisible());
    QCOMPARE(tree->width(), 172);
    delete tree; // the tree owns its bar
    QVERIFY(panel.findChildren<TScrollBar1 *>().isEmpty());
}

void TestSideWidgets::AddAccountNeedsAnAccountAndAsksBeforeOverwriting() {
    QTemporaryDir dir;
    TUserData &data = UserData();
    data.Clear();
    data.SetCurrentFile(dir.path() + "/defaultuser.dat");
    data.EnsureStructure();
    TfrmTip::TakeCalls();

    TfrmAddUser dialog;
    dialog.PresetGame("贪吃蛇", "休闲游戏\\贪吃蛇\\");
    QVERIFY(!dialog.GameBox->isEnabled());
    QCOMPARE(dialog.Caption(), QString("贪吃蛇"));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    // OK without an account: the notice, the dialog stays.
    TfrmTip::SetNextAnswer(1);
    QTest::keyClick(dialog.Edit4, Qt::Key_Return);
    QCOMPARE(dialog.ModalResult(), 0);
    QList<TTipCall> calls = TfrmTip::TakeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].Line1, QString("请输入帐号！"));
    QCOMPARE(calls[0].Caption, QString("提示"));
    QCOMPARE(dialog.focusWidget(), dialog.Edit3);
    dialog.Edit3->setText("abc");
    QTest::keyClick(dialog.Edit3, Qt::Key_Return);
    QCOMPARE(dialog.ModalResult(), 1);

    // Stored; the same pair again asks, "否" keeps the old title and password, "是" replaces.
    const QString loc = dialog.Location();
    QVERIFY(TfrmAddUser::StoreAccount(loc, "abc", "主号", "p1"));
    TfrmTip::SetNextAnswer(7);
    QVERIFY(!TfrmAddUser::StoreAccount(loc, "abc", "小号", "p2"));
    QCOMPARE(TfrmTip::TakeCalls().value(0).Line1, QString("游戏大厅中有相同的帐号，是否覆盖？"));
    TUserData saved;
    saved.SetCurrentFile(data.CurrentFile());
    QVERIFY(saved.Load());
    QCOMPARE(saved.FindAccount(loc, "abc").attribute("pass"), QString("p1"));
    TfrmTip::SetNextAnswer(6);
    QVERIFY(TfrmAddUser::StoreAccount(loc, "abc", "小号", "p2"));
    QVERIFY(saved.Load());
    QCOMPARE(saved.AccountsFolder().childNodes().count(), 1);
    QCOMPARE(saved.FindAccount(loc, "abc").attribute("caption"), QString("小号"));
    QCOMPARE(saved.FindAccount(loc, "abc").attribute("pass"), QString("p2"));
}

void TestSideWidgets::PickerChoosesGamesBelowSections() {
    QVERIFY(Catalogue().LoadText(
        "<?xml version='1.0'?><games><section caption='休闲'><folder caption='经典'>"
        "<game caption='贪吃蛇' url='u'/></folder><game url='v'/></section>"
        "<section caption='网页'/></games>"));
    TfrmAddUser dialog;
    QCOMPARE(dialog.GameBox->text(), QString("请选择游戏"));
    QCOMPARE(dialog.Location(), QString());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.OpenPicker();
    TForm2 *picker = dialog.Picker();
    QTRY_VERIFY(picker->isVisible());
    QCOMPARE(picker->width(), dialog.GameBox->width());
    TTreeView1 *tree = picker->Tree();
    // Sections, their folders and games, all open; the first node selected.
    QStringList rows;
    for (QTreeWidgetItem *i = tree->topLevelItem(0); i; i = tree->itemBelow(i))
        rows << i->text(0);
    QCOMPARE(rows, QStringList({"休闲", "经典", "贪吃蛇", "无标题", "网页"}));
    QCOMPARE(tree->currentItem()->text(0), QString("休闲"));

    auto rowCentre = [&](int row) {
        return tree->visualItemRect(tree->topLevelItem(0)).center() +
               QPoint(0, row * tree->RowHeight());
    };
    picker->TreeMouseDown(rowCentre(0).x(), rowCentre(0).y()); // a section: nothing
    QVERIFY(picker->isVisible());
    picker->TreeMouseDown(rowCentre(2).x(), rowCentre(2).y());
    QTRY_VERIFY(!picker->isVisible());
    QCOMPARE(dialog.Location(), QString("休闲\\经典\\贪吃蛇\\"));
    QCOMPARE(dialog.GameBox->text(), QString("贪吃蛇"));
    QCOMPARE(dialog.Caption(), QString("贪吃蛇"));

    // A second pick follows while the title is still the picked caption; a typed one stays.
    dialog.OpenPicker();
    QTRY_VERIFY(picker->isVisible());
    picker->TreeMouseDown(rowCentre(3).x(), rowCentre(3).y());
    QTRY_VERIFY(!picker->isVisible());
    QCOMPARE(dialog.Caption(), QString("无标题"));
    dialog.Edit1->setText("扫雷号");
    dialog.OpenPicker();
    QTRY_VERIFY(picker->isVisible());
    picker->TreeMouseDown(rowCentre(2).x(), rowCentre(2).y());
    QTRY_VERIFY(!picker->isVisible());
    QCOMPARE(dialog.GameBox->text(), QString("贪吃蛇"));
    QCOMPARE(dialog.Caption(), QString("扫雷号"));
    Catalogue().Clear();
}

void TestSideWidgets::ChooserReturnsTickedNamesInListOrder() {
    TfrmSelLogin chooser;
    chooser.AddName("u1", false, "主号");
    chooser.AddName("u2");
    chooser.AddName("u3", false, "小号");
    QCOMPARE(chooser.CheckList1->item(0)->text(), QString("主号 [u1]"));
    QCOMPARE(chooser.Names(), QStringList({"u1", "u2", "u3"}));
    chooser.show();
    QVERIFY(QTest::qWaitForWindowExposed(&chooser));
    QCOMPARE(chooser.CheckedNames(), QStringList());
    // OK with nothing ticked says why and keeps the chooser open, by key and by button.
    TfrmTip::TakeCalls();
    TfrmTip::SetNextAnswer(1);
    QTest::keyClick(chooser.CheckList1, Qt::Key_Return);
    QCOMPARE(chooser.ModalResult(), 0);
    TfrmTip::SetNextAnswer(1);
    TEControl *ok = chooser.ButtonWithResult(1);
    QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(chooser.ModalResult(), 0);
    const QList<TTipCall> calls = TfrmTip::TakeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].Line1, QString("请至少勾选一个帐号！"));
    QVERIFY(chooser.isVisible());
    // Space ticks the current row; a click anywhere on a row ticks it.
    QTest::keyClick(chooser.CheckList1, Qt::Key_Space);
    const QRect third = chooser.CheckList1->visualItemRect(chooser.CheckList1->item(2));
    QTest::mouseClick(chooser.CheckList1->viewport(), Qt::LeftButton, {}, third.center());
    QCOMPARE(chooser.CheckedNames(), QStringList({"u1", "u3"}));
    QTest::keyClick(chooser.CheckList1, Qt::Key_Return);
    QCOMPARE(chooser.ModalResult(), 1);
}

void TestSideWidgets::FavouritesTreeListsFoldersAndOpensShortcuts() {
    const QString root = TFavorites::Folder();
    QVERIFY(root.startsWith(FDataHome.path()));
    QVERIFY(QDir().mkpath(root + "Games/Empty"));
    QVERIFY(TFavorites::WriteShortcut(root + "Games/snake.url", "http://g/snake").isEmpty());
    QVERIFY(TFavorites::WriteShortcut(root + "Portal.URL", "http://p/").isEmpty());
    QFile other(root + "notes.txt");
    QVERIFY(other.open(QIODevice::WriteOnly));
    other.close();

    QStringList opened;
    TfrmSide::THost host;
    host.OpenPage = [&opened](const QString &url) { opened << url; };
    TfrmSide side(nullptr, host);
    side.resize(250, 572);
    side.show();
    QVERIFY(QTest::qWaitForWindowExposed(&side));
    side.SelectSection(2);
    TTreeView1 *tree = side.FavouritesTree();
    QTRY_VERIFY(tree->isVisible());
    // Folders first; the upper-case extension is listed; other files are not.
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->text(0), QString("Games"));
    QCOMPARE(tree->topLevelItem(1)->text(0), QString("Portal"));

    // A press opens a folder and reads its level; a shortcut opens once per double click,
    // whatever the case of its extension.
    auto press = [tree](QTreeWidgetItem *item, bool twice) {
        const QPoint p = tree->TextRect(item).center();
        // As the X server delivers a double click: press, release, double click.
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, p);
        if (twice)
            QTest::mouseDClick(tree->viewport(), Qt::LeftButton, {}, p);
    };
    press(tree->topLevelItem(0), false);
    QTRY_COMPARE(tree->topLevelItem(0)->childCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), QString("Empty"));
    press(tree->topLevelItem(0)->child(1), true);
    press(tree->topLevelItem(1), false);
    QCOMPARE(opened, QStringList({"http://g/snake", "http://p/"}));

    // A shortcut written meanwhile shows after a refresh.
    QVERIFY(TFavorites::Add("", "Added", "http://a/").isEmpty());
    side.RefreshFavourites();
    QCOMPARE(tree->topLevelItemCount(), 3);
    QCOMPARE(tree->topLevelItem(1)->text(0), QString("Added"));
}

void TestSideWidgets::TreeOutlivesARebuildFromItsOwnMenu() {
    QVERIFY(Catalogue().LoadText("<?xml version='1.0'?><games><section caption='休闲'>"
                                 "<game caption='贪吃蛇' url='u'/></section></games>"));
    TfrmSide::THost host;
    TfrmSide side(nullptr, host);
    side.resize(250, 572);
    side.show();
    QVERIFY(QTest::qWaitForWindowExposed(&side));
    QTRY_COMPARE(side.GroupCount(), 3);
    const QPointer<TTreeView1> tree = side.GroupTree(2);
    QTRY_VERIFY(tree->isVisible());
    auto *menu = side.findChild<QMenu *>("PopupMenu1");
    QVERIFY(menu);

    // A new catalogue arrives while the game's menu, run from the tree's own press, is open.
    bool keptWhileOpen = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &side, [&]() {
        if (!menu->isVisible())
            return;
        poll.stop();
        side.RebuildGroups();
        keptWhileOpen = !tree.isNull() && !tree->isVisible();
        menu->close();
    });
    poll.start(20);
    QTest::mousePress(tree->viewport(), Qt::RightButton, {},
                      tree->TextRect(tree->topLevelItem(0)).center());
    QVERIFY(keptWhileOpen);
    // Gone once the press has been handled; the new groups are there.
    QTRY_VERIFY(tree.isNull());
    QCOMPARE(side.GroupCount(), 3);
    QVERIFY(side.GroupTree(2)->isVisible());
    Catalogue().Clear();
}

void TestSideWidgets::NothingKeptUnlessTheFileIsWritten() {
    QTemporaryDir dir;
    TUserData &data = UserData();
    data.Clear();
    data.SetCurrentFile(dir.path() + "/blocked.dat");
    QDir().mkpath(data.CurrentFile()); // a folder where the file belongs: every save fails
    data.EnsureStructure();
    TfrmSide side(nullptr, TfrmSide::THost());
    TfrmTip::TakeCalls();
    TfrmTip::SetNextAnswer(1);
    side.AddToMyGames("休闲游戏\\贪吃蛇\\", true);
    QList<TTipCall> calls = TfrmTip::TakeCalls();
    QCOMPARE(calls.size(), 1); // the failure, and no success after it
    QCOMPARE(calls[0].Line1, QString("无法保存用户数据！"));
    QVERIFY(data.MyGamesFolder().childNodes().isEmpty());
    TfrmTip::SetNextAnswer(1);
    QVERIFY(!TfrmAddUser::StoreAccount("休闲游戏\\贪吃蛇\\", "abc", "主号", "p1"));
    QCOMPARE(TfrmTip::TakeCalls().value(0).Line1, QString("无法保存用户数据！"));
    QVERIFY(data.AccountsFolder().childNodes().isEmpty());

    // Once the file can be written, the same game is no duplicate.
    QDir(data.CurrentFile()).removeRecursively();
    TfrmTip::SetNextAnswer(1);
    side.AddToMyGames("休闲游戏\\贪吃蛇\\", true);
    calls = TfrmTip::TakeCalls();
    QCOMPARE(calls.size(), 1);
    QCOMPARE(calls[0].Line1, QString("收藏 贪吃蛇 成功!"));
    TUserData saved;
    saved.SetCurrentFile(data.CurrentFile());
    QVERIFY(saved.Load());
    QCOMPARE(saved.MyGamesFolder().childNodes().count(), 1);
}

QTEST_MAIN(TestSideWidgets)
#include "TestSideWidgets.moc"
