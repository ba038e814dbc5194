// The main window in this process with the real web engine against the demo portal: the start
// page, opening pages from the address and search boxes, switching and closing tabs (locked ones
// through the message box's test seam), duplicates, host reports, the chevron drop-down, the
// mini home's pop-ups, and screenshots of the window for looking at.

#include "THostTestKit.h"
#include "support/TTestSupport.h"

#include "controls/TAddressBox.h"
#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "controls/TSkin.h"
#include "controls/TSkinForm.h"
#include "core/TWBEmbedded.h"
#include "dialogs/TMiniHome.h"
#include "dialogs/TfrmLogin.h"
#include "dialogs/TfrmTip.h"
#include "mainwindow/TUpdater.h"
#include "mainwindow/TfrmMain.h"
#include "net/TUsageReport.h"
#include "platform/WinMessages.h"
#include "protocol/Messages.h"
#include "side/TCatalogue.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

#include <memory>

namespace {

TWBEmbedded *HostOf(HWND handle) {
    return qobject_cast<TWBEmbedded *>(Win::WidgetOf(handle));
}

QString ScreenshotPath(const QString &name) {
    const QString dir = TestSupport::BuildDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

} // namespace

class TestFrmMain : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    TestSupport::TPortalProcess FPortal;
    std::unique_ptr<TfrmMain> FMain;

    QString Base() const { return FPortal.BaseUrl(); }
    TTabSet &Tabs() { return FMain->Tabs(); }
    QString StartOf(int index) {
        TWBEmbedded *host = HostOf(Tabs().Tab(index).Handle);
        return host ? host->StartParameter() : QString();
    }
    // Enter in a box as the user presses it.
    void Enter(QWidget *box, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(box, Qt::Key_Return, modifiers);
    }
    bool WaitTitled(int index) {
        return QTest::qWaitFor(
            [&]() {
                return Tabs().IsValid(index) &&
                       Tabs().Tab(index).Title != QStringLiteral("正在打开...");
            },
            20000);
    }

    // Answers the next skinned modal dialog: types text into its edit and presses result.
    void AnswerNextDialog(const QString &text, int result) {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, text, result]() {
            TSkinForm *form = TSkinForm::ModalForm();
            if (form == nullptr)
                return;
            poll->deleteLater();
            poll->stop();
            if (auto *edit = form->findChild<QLineEdit *>())
                edit->setText(text);
            form->SetModalResult(result);
        });
        poll->start(20);
    }
    QAction *MenuItem(QMenu *menu, const QString &caption) {
        for (QAction *a : menu->actions()) {
            if (a->text() == caption)
                return a;
            if (a->menu())
                if (QAction *sub = MenuItem(a->menu(), caption))
                    return sub;
        }
        return nullptr;
    }

private slots:
    void initTestCase() {
        QVERIFY(FPortal.Start());
        // Every portal address on the demo portal's port.
        const QString iniPath = FDir.path() + QStringLiteral("/ludora.ini");
        QFile ini(iniPath);
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Window]\r\nState=0\r\n");
        ini.close();
        FPortal.WritePortalSettings(iniPath);
        OpenSettings(ini.fileName());
        // Not the first run of the day: no mini home window over the main window.
        Settings().WriteDate(TKey::LastRun, QDate::currentDate());
        QVERIFY(LoadSkinFrom(TestSupport::BuildDir() + QStringLiteral("/skin/default.skin"),
                             QStringLiteral("default"), Skin())
                    .isEmpty());

        FMain = std::make_unique<TfrmMain>();
        FMain->show();
        QVERIFY(QTest::qWaitForWindowExposed(FMain.get()));
        QApplication::setActiveWindow(FMain.get());
    }

    void cleanupTestCase() {
        FMain.reset();
        TWBEmbedded::DestroyAll();
    }

    void startPageAndAdStrip() {
        // The program's icon is the window's, the title bar's and the tray's.
        QVERIFY(!FMain->windowIcon().pixmap(16, 16).isNull());
        QTRY_COMPARE_WITH_TIMEOUT(Tabs().Count(), 1, 10000);
        QCOMPARE(StartOf(0), Settings().Portal(TPortal::MiniSite) + QStringLiteral("?pid=") +
                                 Settings().PartnerId);
        QVERIFY(WaitTitled(0));
        QCOMPARE(Win::SendMessage(FMain->Handle(), WM_HOSTQUERY, 0, HostQueryCurrentTab),
                 LRESULT(Tabs().Tab(0).Handle));
        // The portal's default ad lines arrive and the strip runs.
        QTRY_VERIFY_WITH_TIMEOUT(FMain->AdStrip().Running(), 10000);
        QVERIFY(TAdStrip::TextOf(FMain->AdStrip().Lines().value(0)).size() > 0);
    }

    void addressBox() {
        const int before = Tabs().Count();
        TAddressBox *box = FMain->AddressBox();
        box->SetAddressText(QString());
        Enter(box);
        QCOMPARE(Tabs().Count(), before); // an empty box opens nothing

        box->SetAddressText(QStringLiteral("game"));
        Enter(box, Qt::ControlModifier);
        QTRY_COMPARE(Tabs().Count(), before + 1);
        QCOMPARE(Tabs().CurrentTab(), before);
        QCOMPARE(StartOf(before), QStringLiteral("http://www.game.com/"));

        box->SetAddressText(QStringLiteral("game"));
        Enter(box, Qt::ShiftModifier);
        QTRY_COMPARE(Tabs().Count(), before + 2);
        QCOMPARE(StartOf(before + 1), QStringLiteral("http://www.game.net/"));

        // Any other combination keeps the text as typed.
        const QString info = Base() + QStringLiteral("games/2048/info.html");
        box->SetAddressText(info);
        Enter(box, Qt::ControlModifier | Qt::ShiftModifier);
        QTRY_COMPARE(Tabs().Count(), before + 3);
        QCOMPARE(StartOf(before + 2), info);
        QVERIFY(WaitTitled(before + 2));
        QCOMPARE(box->text(), info);
    }

    void searchBox() {
        TEEdit *search = FMain->SearchBox();
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        QCOMPARE(search->text(), QString()); // the engine's caption gives way to the typed text
        const int before = Tabs().Count();
        Enter(search);
        QCOMPARE(Tabs().Count(), before);

        QTest::keyClicks(search, QStringLiteral("two words"));
        Enter(search);
        QTRY_COMPARE(Tabs().Count(), before + 1);
        const QString expected = Settings().Portal(TPortal::Search) +
                                 QStringLiteral("/go_search.php?s=baidu&k=two words");
        QCOMPARE(StartOf(before), expected);

        // Another engine from the engine menu.
        FMain->EngineMenu()->actions().at(2)->trigger();
        QCOMPARE(FMain->SearchEngine(), 2);
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        Enter(search);
        QTRY_COMPARE(Tabs().Count(), before + 2);
        QVERIFY(StartOf(before + 1).endsWith(QStringLiteral("?s=sogou&k=two words")));

        // Characters that would cut the query short reach the search service as typed.
        const QString typed = QStringLiteral("c++ & c# 100%");
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        search->clear();
        QTest::keyClicks(search, typed);
        Enter(search);
        QTRY_COMPARE(Tabs().Count(), before + 3);
        QTRY_COMPARE_WITH_TIMEOUT(Tabs().Tab(before + 2).Title,
                                  QStringLiteral("搜索结果 - ") + typed, 20000);

        // Away from the box the engine's caption stands in for an empty text.
        search->setFocus();
        QTRY_VERIFY(search->hasFocus());
        search->clear();
        FMain->AddressBox()->setFocus();
        QTRY_COMPARE(search->text(), QStringLiteral("搜狗"));
        FMain->SetSearchEngine(0);
    }

    void switchTabs() {
        QVERIFY(Tabs().Count() >= 3);
        FMain->ShowTab(0);
        QCOMPARE(Tabs().CurrentTab(), 0);
        const HWND first = Tabs().Tab(0).Handle;
        QVERIFY(Win::IsWindowVisible(first));
        for (int i = 1; i < Tabs().Count(); ++i)
            QVERIFY(!Win::IsWindowVisible(Tabs().Tab(i).Handle));
        // The shown page writes its URL into the address box.
        QTRY_COMPARE(FMain->AddressBox()->text(), StartOf(0));
        QCOMPARE(FMain->AddressBox()->cursorPosition(), 0); // its start is what shows
        // Previous from the first wraps to the last.
        FMain->ShowTab(-1);
        QCOMPARE(Tabs().CurrentTab(), Tabs().Count() - 1);
        QVERIFY(!Win::IsWindowVisible(first));
    }

    void closeTabs() {
        // A tab whose host has gone answers nothing when shown: the box shows no address rather
        // than the previous tab's.
        const int before = Tabs().Count();
        FMain->OpenPage(Base() + QStringLiteral("home.html"));
        QTRY_COMPARE(Tabs().Count(), before + 1);
        QVERIFY(WaitTitled(before));
        FMain->ShowTab(0);
        QTRY_COMPARE(FMain->AddressBox()->text(), StartOf(0));
        delete HostOf(Tabs().Tab(before).Handle);
        FMain->ShowTab(before);
        QCOMPARE(FMain->AddressBox()->text(), QString());
        FMain->CloseTab(before);
        QCOMPARE(Tabs().Count(), before);

        // Closing the shown first tab of three shows the last, then removes the first.
        while (Tabs().Count() > 3)
            FMain->CloseTab(Tabs().Count() - 1);
        QCOMPARE(Tabs().Count(), 3);
        FMain->ShowTab(0);
        const HWND first = Tabs().Tab(0).Handle;
        const HWND last = Tabs().Tab(2).Handle;
        FMain->CloseTab(0);
        QCOMPARE(Tabs().Count(), 2);
        QCOMPARE(Tabs().CurrentTab(), 1);
        QCOMPARE(Tabs().Current()->Handle, last);
        QTRY_VERIFY(!Win::IsWindow(first)); // the host went with its tab

        // A locked tab asks first; only yes closes it.
        TfrmTip::TakeCalls();
        Tabs().Tab(0).Locked = true;
        TfrmTip::SetNextAnswer(7);
        FMain->CloseTab(0);
        QCOMPARE(Tabs().Count(), 2);
        const QList<TTipCall> calls = TfrmTip::TakeCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].Caption, QStringLiteral("确认"));
        QCOMPARE(calls[0].Line1, QStringLiteral("是否要关闭已锁定的标签？"));
        QCOMPARE(calls[0].Kind, 4);
        TfrmTip::SetNextAnswer(6);
        FMain->CloseTab(0);
        QCOMPARE(Tabs().Count(), 1);

        // Closing the only tab opens the mini page in a new one.
        const HWND only = Tabs().Tab(0).Handle;
        FMain->CloseTab(0);
        QTRY_COMPARE(Tabs().Count(), 1);
        QVERIFY(Tabs().Tab(0).Handle != only);
        QCOMPARE(StartOf(0), Settings().Portal(TPortal::MiniSite));
        FMain->CloseTab(5); // outside the list: nothing
        QCOMPARE(Tabs().Count(), 1);
    }

    void userCaptionReportsAndDuplicate() {
        const QString url = Base() + QStringLiteral("games/snake/info.html");
        FMain->OpenPage(url + QStringLiteral("\nabc"));
        QTRY_COMPARE(Tabs().Count(), 2);
        QCOMPARE(Tabs().Tab(1).User, QStringLiteral("abc"));
        QVERIFY(WaitTitled(1));
        QVERIFY(Tabs().Tab(1).Caption().startsWith(QStringLiteral("[abc]")));
        QVERIFY(Tabs().Tab(1).Caption().size() > 5);

        // Reports about a tab that is not shown change only that tab's record, never the tool
        // bar or the status bar; the pages have loaded first so that their hosts are quiet.
        QVERIFY(WaitTitled(0));
        QTRY_VERIFY_WITH_TIMEOUT(Tabs().Tab(0).Progress == 0 && Tabs().Tab(1).Progress == 0, 20000);
        const HWND shown = Tabs().Tab(1).Handle;
        const HWND other = Tabs().Tab(0).Handle;
        Win::PostMessage(FMain->Handle(), WM_HOSTCANFORWARD, other, 1);
        Win::PostMessage(FMain->Handle(), WM_HOSTPROGRESS, other, 150);
        Win::PostMessage(FMain->Handle(), WM_HOSTCANFORWARD, shown, 1);
        QTRY_VERIFY(FMain->Buttons()[RowForward].Enabled);
        QCOMPARE(Tabs().ShownProgress(), 0);
        QVERIFY(Tabs().Tab(0).CanForward);
        FMain->ShowTab(0);
        QCOMPARE(Tabs().ShownProgress(), Tabs().Tab(0).Progress);
        Win::PostMessage(FMain->Handle(), WM_HOSTPROGRESS, other, 0);
        QTRY_COMPARE(Tabs().ShownProgress(), 0);

        // Duplicate from the tab menu: a new tab on the same page.
        FMain->ShowTab(1);
        Tabs().ContextTab = 1;
        QAction *duplicate = nullptr;
        for (QAction *a : FMain->TabMenu()->actions())
            if (a->text() == QStringLiteral("复制并新开"))
                duplicate = a;
        QVERIFY(duplicate);
        duplicate->trigger();
        QTRY_COMPARE(Tabs().Count(), 3);
        TWBEmbedded *copy = HostOf(Tabs().Tab(2).Handle);
        QVERIFY(copy);
        QTRY_COMPARE_WITH_TIMEOUT(copy->View()->url().toString(), url, 15000);
    }

    void protectionAndRefreshInterval() {
        QVERIFY(Tabs().Count() >= 2);
        const int last = Tabs().Count() - 1;
        FMain->ShowTab(last);
        const HWND page = Tabs().Tab(last).Handle;
        Tabs().ContextTab = last;
        AnswerNextDialog(QStringLiteral("pw"), 1);
        MenuItem(FMain->TabMenu(), QStringLiteral("保护标签"))->trigger();
        QCOMPARE(Tabs().Tab(last).Password, QStringLiteral("pw"));
        QVERIFY(!Win::IsWindowVisible(page));
        QCOMPARE(FMain->AddressBox()->text(), QString()); // the address is protected too

        // A wrong password shows the tab as current with an empty page area.
        FMain->ShowTab(0);
        AnswerNextDialog(QStringLiteral("wrong"), 1);
        FMain->ShowTab(last);
        QCOMPARE(Tabs().CurrentTab(), last);
        QVERIFY(!Win::IsWindowVisible(page));
        QCOMPARE(Tabs().Tab(last).Password, QStringLiteral("pw"));
        QCOMPARE(FMain->AddressBox()->text(), QString());
        // The right one removes the protection.
        AnswerNextDialog(QStringLiteral("pw"), 1);
        FMain->ShowTab(last);
        QVERIFY(Win::IsWindowVisible(page));
        QTRY_VERIFY(!FMain->AddressBox()->text().isEmpty());
        QVERIFY(Tabs().Tab(last).Password.isEmpty());

        // Intervals below 20 seconds, or not numbers, become 20; the host refreshes from then on.
        TWBEmbedded *host = HostOf(page);
        QVERIFY(host && !host->RefreshOn());
        AnswerNextDialog(QStringLiteral("5"), 1);
        MenuItem(FMain->RefreshMenu(), QStringLiteral("设置刷新频率"))->trigger();
        QTRY_VERIFY(host->RefreshOn());
        QCOMPARE(host->RefreshSeconds(), 20);
        AnswerNextDialog(QStringLiteral("45"), 1);
        MenuItem(FMain->RefreshMenu(), QStringLiteral("设置刷新频率"))->trigger();
        QTRY_COMPARE(host->RefreshSeconds(), 45);
        // The dialog starts from the interval that runs.
        QString shown;
        auto *peek = new QTimer(this);
        connect(peek, &QTimer::timeout, this, [&shown, peek]() {
            if (TSkinForm *form = TSkinForm::ModalForm()) {
                peek->stop();
                shown = form->findChild<QLineEdit *>()->text();
                form->SetModalResult(2);
            }
        });
        peek->start(20);
        MenuItem(FMain->RefreshMenu(), QStringLiteral("设置刷新频率"))->trigger();
        delete peek;
        QCOMPARE(shown, QStringLiteral("45"));
        MenuItem(FMain->RefreshMenu(), QStringLiteral("启用自动刷新"))->trigger();
        QTRY_VERIFY(!host->RefreshOn());
    }

    void captureReportsWaitAndReplace() {
        QSignalSpy spy(FMain.get(), &TfrmMain::CapturedLogin);
        const HWND host = Tabs().Current()->Handle;
        Win::SendCopyData(FMain->Handle(), host, 0,
                          QByteArray("\r\nu1\r\np1\r\nT\r\n0\r\nu\r\np") + '\0');
        Win::SendCopyData(FMain->Handle(), host, 0,
                          QByteArray("\r\nu2\r\np2\r\nT\r\n0\r\nu\r\np") + '\0');
        QVERIFY(spy.isEmpty()); // handled after a short delay, not inside the host's send
        QTRY_COMPARE(spy.size(), 1);
        QVERIFY(spy[0][0].toString().startsWith(QStringLiteral("\r\nu2\r\np2")));
        QTest::qWait(3 * TfrmMain::CaptureDelay);
        QCOMPARE(spy.size(), 1); // the first report was replaced, not queued

        // "Save current account" on a page without a login: the host says so and the window
        // tells the user.
        TfrmTip::TakeCalls();
        TfrmTip::SetNextAnswer(1);
        MenuItem(FMain->AccountMenu(), QStringLiteral("保存当前帐号"))->trigger();
        QList<TTipCall> calls;
        QTRY_VERIFY_WITH_TIMEOUT(
            [&calls]() {
                calls += TfrmTip::TakeCalls();
                return !calls.isEmpty();
            }(),
            10000);
        QCOMPARE(calls[0].Line1, QStringLiteral("该页面没有帐号信息，无法保存！"));
    }

    void narrowWindowAndScreenshots() {
        FMain->showNormal();
        FMain->resize(1100, 700);
        QTRY_VERIFY(FMain->Buttons()[RowFullScreen].Visible);
        QVERIFY(!FMain->Buttons()[RowChevron].Visible);
        QTest::qWait(300);
        FMain->grab().save(ScreenshotPath(QStringLiteral("main_normal.png")));

        // Several tabs, one locked.
        Tabs().Tab(1).Locked = true;
        FMain->ShowTab(2);
        QTest::qWait(300);
        FMain->grab().save(ScreenshotPath(QStringLiteral("main_tabs_locked.png")));

        // A narrow window hides buttons from the right and shows the chevron instead.
        FMain->resize(TfrmMain::MinWidth, TfrmMain::MinHeight);
        QTRY_VERIFY(FMain->Buttons()[RowChevron].Visible);
        QVERIFY(!FMain->Buttons()[RowFullScreen].Visible);
        FMain->resize(500, 300); // refused below the minimum
        QTRY_VERIFY(FMain->width() >= TfrmMain::MinWidth);
        FMain->ToolBarAction(RowChevron);
        QVERIFY(FMain->ToolBar2()->isVisible());
        int hidden = 18;
        for (int row = RowFullScreen; row >= RowHome && !FMain->Buttons()[row].Visible; --row)
            hidden += FMain->Buttons()[row].Width;
        QCOMPARE(FMain->ToolBar2()->width(), hidden);
        QTest::qWait(200);
        FMain->grab().save(ScreenshotPath(QStringLiteral("main_narrow_chevron.png")));
        // A key press closes the drop-down.
        QTest::keyClick(FMain->AddressBox(), Qt::Key_A);
        QVERIFY(!FMain->ToolBar2()->isVisible());
        // So does a click on the page; a click on the chevron only closes it.
        FMain->ToolBarAction(RowChevron);
        QVERIFY(FMain->ToolBar2()->isVisible());
        QWebEngineView *view = HostOf(Tabs().Current()->Handle)->View();
        QTest::mouseClick(view->focusProxy() ? view->focusProxy() : view, Qt::LeftButton, {},
                          QPoint(5, 5));
        QVERIFY(!FMain->ToolBar2()->isVisible());
        FMain->ToolBarAction(RowChevron);
        const TToolButton &chevron = FMain->Buttons()[RowChevron];
        QTest::mouseClick(
            FMain->ToolBar(), Qt::LeftButton, {},
            QPoint(chevron.Left + chevron.Width / 2, chevron.Top + chevron.Height / 2));
        QVERIFY(!FMain->ToolBar2()->isVisible());
        // The account menu opened from the drop-down ends its errand, dismissed or chosen.
        if (!FMain->Buttons()[RowAccounts].Visible) {
            FMain->ToolBarAction(RowChevron);
            FMain->ToolBar2()->Redraw(); // places the hidden rows on the strip
            const TToolButton &accounts = FMain->Buttons()[RowAccounts];
            QTimer::singleShot(300, FMain->AccountMenu(), &QMenu::hide);
            QTest::mousePress(FMain->ToolBar2(), Qt::LeftButton, {},
                              QPoint(accounts.Right() - 4, accounts.Top + accounts.Height / 2));
            QTest::mouseRelease(FMain->ToolBar2(), Qt::LeftButton, {},
                                QPoint(accounts.Right() - 4, accounts.Top + accounts.Height / 2));
            QVERIFY(!FMain->ToolBar2()->isVisible());
        }

        FMain->resize(1100, 700);
        QTRY_VERIFY(FMain->Buttons()[RowFullScreen].Visible);
        QVERIFY(!FMain->Buttons()[RowChevron].Visible);

        // A menu open over the window: the screen shows both.
        Tabs().ContextTab = 1;
        FMain->TabMenu()->popup(FMain->TabBar()->mapToGlobal(QPoint(200, 20)));
        QTRY_VERIFY(FMain->TabMenu()->isVisible());
        QTest::qWait(300);
        // The menu is a window of its own: drawn onto the window's picture where it stands.
        QPixmap shot = FMain->grab();
        {
            QPainter painter(&shot);
            painter.drawPixmap(FMain->mapFromGlobal(FMain->TabMenu()->pos()),
                               FMain->TabMenu()->grab());
        }
        shot.save(ScreenshotPath(QStringLiteral("main_menu.png")));
        FMain->TabMenu()->hide();
    }

    void fullScreenKeys() {
        FMain->activateWindow();
        QApplication::setActiveWindow(FMain.get());
        QTRY_VERIFY(FMain->isActiveWindow());
        QVERIFY(!FMain->IsFullScreen());
        QTest::keyClick(FMain->AddressBox(), Qt::Key_Escape);
        QVERIFY(FMain->IsFullScreen());
        QVERIFY(FMain->Buttons()[RowLeaveFullScreen].Visible);
        QVERIFY(!FMain->ToolBar()->isVisible());
        QTest::qWait(300);
        FMain->grab().save(ScreenshotPath(QStringLiteral("main_fullscreen.png")));
        QTest::keyClick(FMain->AddressBox(), Qt::Key_F11);
        QVERIFY(!FMain->IsFullScreen());
        QVERIFY(!FMain->Buttons()[RowLeaveFullScreen].Visible);
        QVERIFY(FMain->ToolBar()->isVisible());

        // Inside a page the keys go to the page's own window; its host hands them on.
        QWebEngineView *view = HostOf(Tabs().Current()->Handle)->View();
        QWidget *page = view->focusProxy() ? view->focusProxy() : view;
        QTest::keyClick(page, Qt::Key_F11);
        QTRY_VERIFY(FMain->IsFullScreen());
        QTest::keyClick(page, Qt::Key_Escape);
        QTRY_VERIFY(!FMain->IsFullScreen());
    }

    // Back from the tray (hidden) or from the task bar (minimised), a maximised window is
    // maximised again, in front.
    void trayBringsTheWindowBackAsItWas() {
        FMain->showMaximized();
        FMain->hide();
        Win::SendMessage(FMain->Handle(), WM_TRAYICON, 0, TrayLeftDoubleClick);
        QVERIFY(FMain->isVisible());
        QVERIFY(FMain->windowState() & Qt::WindowMaximized);
        FMain->showMinimized();
        Win::SendMessage(FMain->Handle(), WM_TRAYICON, 0, TrayLeftDoubleClick);
        QTRY_VERIFY(!FMain->isMinimized());
        QVERIFY(FMain->windowState() & Qt::WindowMaximized);
        FMain->showNormal();
    }

    // A check the player asks for asks the portal: a version published since the day's report
    // is offered, and "update.ini" holds the new answer. Without an answer it says so.
    void manualCheckAsksThePortal() {
        QTemporaryDir dir;
        QFile stale(dir.filePath(QStringLiteral("update.ini")));
        QVERIFY(stale.open(QIODevice::WriteOnly));
        stale.write("[Main]\r\nVersion=0\r\n");
        stale.close();
        FPortal.Get(QStringLiteral("api/stats/clear"));
        const QString gameVersion =
            QJsonDocument::fromJson(
                FPortal.Get(
                    QStringLiteral("api/update?main_version=%1").arg(RunningBuildNumber() + 1)))
                .object()
                .value(QStringLiteral("game_version"))
                .toString();
        const bool refreshDue = !gameVersion.isEmpty() && gameVersion != Catalogue().Version();
        TUpdater updater(dir.path() + QLatin1Char('/'));
        TfrmTip::TakeCalls();
        TfrmTip::SetNextAnswer(7);
        updater.StartCheck(TUpdater::Manual);
        QList<TTipCall> calls = TfrmTip::TakeCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].Line1, QStringLiteral("新版本经已发布，是否现在更新？"));
        QCOMPARE(TUpdater::State(), int(TUpdater::Idle));
        QCOMPARE(QJsonDocument::fromJson(FPortal.Get(QStringLiteral("api/stats"))).array().size(),
                 1);
        QVERIFY(stale.open(QIODevice::ReadOnly));
        QVERIFY(stale.readAll().contains(QByteArray::number(RunningBuildNumber() + 1)));
        stale.close();
        // A catalogue refresh the answer may have started ends before its updater goes.
        if (refreshDue)
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(dir.filePath(QStringLiteral("games.xml"))),
                                     20000);

        // No portal: a notice that nothing could be asked, not "未发现新版本！".
        const QString stats = Settings().Portal(TPortal::Stats);
        Settings().Ini().WriteString(QStringLiteral("Portal"), QStringLiteral("Stats"),
                                     QStringLiteral("http://127.0.0.1:1/s.php"));
        TfrmTip::SetNextAnswer(1);
        updater.StartCheck(TUpdater::Manual);
        Settings().Ini().WriteString(QStringLiteral("Portal"), QStringLiteral("Stats"), stats);
        calls = TfrmTip::TakeCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].Line1, QStringLiteral("无法获取版本信息！"));
        QCOMPARE(TUpdater::State(), int(TUpdater::Idle));
        FPortal.Get(QStringLiteral("api/update?main_version=0"));
    }

    // A window that the mini home's page opens is a tab of the main window, not a window of
    // its own.
    void miniHomePopupBecomesTab() {
        FMain->ShowMiniHome();
        TMiniHome *home = FMain->MiniHome();
        QVERIFY(home != nullptr);
        home->Timer1.stop();
        auto *page = qobject_cast<TWBEmbedded *>(home->PageHost());
        QVERIFY(page != nullptr);
        QSignalSpy loaded(page->View()->page(), &QWebEnginePage::loadFinished);
        page->Navigate(Base() + QStringLiteral("popup.html"));
        QTRY_VERIFY_WITH_TIMEOUT(!loaded.isEmpty(), 20000);
        const int before = Tabs().Count();
        page->View()->page()->runJavaScript(
            QStringLiteral("document.getElementById('blankLink').click()"));
        QTRY_COMPARE_WITH_TIMEOUT(Tabs().Count(), before + 1, 20000);
        QVERIFY(WaitTitled(before));
        QTRY_COMPARE_WITH_TIMEOUT(Tabs().Tab(before).Title, QStringLiteral("弹出的窗口"), 20000);
        QCOMPARE(Tabs().CurrentTab(), before);
        TWBEmbedded *popup = HostOf(Tabs().Tab(before).Handle);
        QVERIFY(popup != nullptr);
        QCOMPARE(popup->ParentWindow(), FMain->PageAreaHandle());
        QVERIFY(popup->isVisible());
    }

    // After "登录帐号" the player sees who is logged in: at the end of the account menu and in
    // the tray icon's tip. The new user's file lies beside the test program and goes again.
    void loggedInUserIsNamed() {
        QVERIFY(FMain->UserLine().isEmpty()); // the anonymous user is nobody to name
        QCOMPARE(FMain->TrayTip(), QStringLiteral("Ludora"));
        const QString name = QStringLiteral("测试小明");
        const QString file =
            TUserData::UserFile(QCoreApplication::applicationDirPath() + QLatin1Char('/'), name);
        QFile::remove(file);
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [poll, name]() {
            auto *form = qobject_cast<TfrmLogin *>(TSkinForm::ModalForm());
            if (form == nullptr)
                return;
            poll->stop();
            poll->deleteLater();
            form->SetNewUserMode(true);
            form->ComboBox1->setEditText(name);
            form->Edit1->setText(QStringLiteral("pw"));
            form->Edit2->setText(QStringLiteral("pw"));
            form->TryLogin();
        });
        poll->start(20);
        auto *titleMenu = FMain->findChild<QMenu *>(QStringLiteral("PopupMenu5"));
        QVERIFY(titleMenu);
        MenuItem(titleMenu, QStringLiteral("登录帐号"))->trigger();
        const bool created = QFile::exists(file);
        QFile::remove(file);
        QVERIFY(created);
        const QString line = QStringLiteral("当前用户：") + name;
        QCOMPARE(FMain->UserLine(), line);
        QCOMPARE(FMain->AccountMenu()->actions().last()->text(), line);
        QVERIFY(!FMain->AccountMenu()->actions().last()->isEnabled());
        // The described entries keep their places before it.
        QCOMPARE(FMain->AccountMenu()->actions().first()->text(), QStringLiteral("导入游戏帐号"));
        QCOMPARE(FMain->TrayTip(), QStringLiteral("Ludora\n") + line);
    }
};

int main(int argc, char *argv[]) {
    return THostTestKit::RunPageHostTests<TestFrmMain>(argc, argv);
}

#include "test_frmmain.moc"
