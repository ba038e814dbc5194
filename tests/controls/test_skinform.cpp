// The skinned window: title-bar zones, dialog sizing, the standard buttons, the title-bar
// buttons' actions and the modal-show rule, drawn from the default skin the build produces.

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "controls/TSkinForm.h"

#include "support/TTestSupport.h"

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

class TestSkinForm : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void titleZones();
    void titleZonesOfRealWindow();
    void dialogKeepsClientSize();
    void addButtonsPlacement();
    void buttonResults();
    void closeActsOnRelease();
    void moveAndResizeWithoutWindowManager();
    void returnItemRestoresCompanion();
    void withoutSkinArchive();
    void secondModalDialog();
    void secondModalEndsWhenApplicationQuits();

private:
    // Presses and releases inside a button of a dialog in a modal show, once it is visible.
    static void ClickLater(TSkinForm *form, int result);
};

void TestSkinForm::initTestCase() {
    const QString path = qEnvironmentVariable("LUDORA_BUILD_DIR") + "/skin/default.skin";
    QCOMPARE(LoadSkinFrom(path, "default", Skin()), QString());
    TSkinForm::SetCompanionHandle(0);
}

void TestSkinForm::titleZones() {
    TTitleGeometry g;
    g.Width = 400;
    g.TitleHeight = 30;
    g.Frame = 4;
    g.ButtonWidth = 28;
    g.ButtonHeight = 22; // top 4, rows 4..26
    g.Dialog = false;
    g.ReturnTextWidth = 100;
    // Zones from the right edge minus the frame: close 368..396, maximise 340..368,
    // minimise 312..340, menu 284..312; the shared column belongs to the right-hand button.
    const struct {
        int X, Y, Main, Dialog;
    } points[] = {
        {396, 10, 0, 0},   {368, 10, 0, 0},   {367, 10, 1, -1}, {340, 10, 1, -1},
        {339, 4, 2, -1},   {312, 26, 2, -1},  {311, 26, 3, -1}, {284, 10, 3, -1},
        {283, 10, -1, -1}, {397, 10, -1, -1}, {390, 3, -1, -1}, {390, 27, -1, -1},
    };
    for (const auto &p : points) {
        g.Dialog = false;
        QCOMPARE(TSkinForm::TitleButtonZone(g, p.X, p.Y), p.Main);
        g.Dialog = true;
        QCOMPARE(TSkinForm::TitleButtonZone(g, p.X, p.Y), p.Dialog);
    }
    // The menu point sits at the menu button's right edge.
    QPoint menu;
    g.Dialog = false;
    QCOMPARE(TSkinForm::TitleButtonZone(g, 300, 10, &menu), 3);
    QCOMPARE(menu, QPoint(312, 32));

    // The return item lies left of the menu button, t + 6 wide, only on non-dialogs with a
    // companion.
    g.Companion = true;
    QCOMPARE(TSkinForm::TitleButtonZone(g, 283, 10), 4);
    QCOMPARE(TSkinForm::TitleButtonZone(g, 179, 10), 4);
    QCOMPARE(TSkinForm::TitleButtonZone(g, 178, 10), -1);
    QCOMPARE(TSkinForm::TitleButtonZone(g, 200, 2), -1);
    g.Dialog = true;
    QCOMPARE(TSkinForm::TitleButtonZone(g, 200, 10), -1);
}

void TestSkinForm::titleZonesOfRealWindow() {
    TSkinForm main(nullptr, TSkinForm::TBorderStyle::Sizeable);
    main.setGeometry(100, 80, 500, 300);
    const TTitleGeometry g = main.TitleGeometry();
    QCOMPARE(g.TitleHeight, Skin().TitleBarHeight());
    QCOMPARE(g.Frame, Skin().FrameThickness());
    QCOMPARE(g.ButtonWidth, Skin().BtnWindow.width() / 5);
    const int y = 80 + g.TitleHeight / 2;
    const int right = 100 + 500 - g.Frame;
    QCOMPARE(main.TitleButtonAt(QPoint(right - 1, y)), TSkinForm::btClose);
    QCOMPARE(main.TitleButtonAt(QPoint(right - g.ButtonWidth - 1, y)), TSkinForm::btMaximize);
    QCOMPARE(main.TitleButtonAt(QPoint(right - 3 * g.ButtonWidth - 1, y)), TSkinForm::btMenu);
    QCOMPARE(main.TitleButtonAt(QPoint(200, y)), -1);

    // Hot state follows the hit test and runs the button timer only while a button is hot.
    main.SetHotButton(TSkinForm::btMinimize);
    QVERIFY(main.ButtonTimerActive());
    main.SetHotButton(-1);
    QVERIFY(!main.ButtonTimerActive());
}

void TestSkinForm::dialogKeepsClientSize() {
    TSkinForm dialog;
    dialog.SetClientSize(319, 112);
    const int f = Skin().FrameThickness();
    QCOMPARE(dialog.size(), QSize(319 + 2 * f, Skin().TitleBarHeight() + 112 + f));
    QCOMPARE(dialog.ClientWidth(), 319);
    QCOMPARE(dialog.ClientHeight(), 112);
    QCOMPARE(dialog.Client()->pos(), QPoint(f, Skin().TitleBarHeight()));

    // Full screen drops the title bar: the client starts below the frame only.
    dialog.SetFullScreen(true);
    QCOMPARE(dialog.Client()->y(), f);
}

void TestSkinForm::addButtonsPlacement() {
    TSkinForm dialog;
    dialog.SetClientSize(300, 120);
    dialog.AddButtons(bkOkCancel);
    const QList<TEControl *> buttons = dialog.Buttons();
    QCOMPARE(buttons.size(), 2);
    const int bw = Skin().Button.width();
    const int bh = Skin().Button.height() / 3;
    // The running x starts at the outer width - 16; the first button listed is the rightmost.
    QCOMPARE(buttons[0]->Caption(), QString("取消"));
    QCOMPARE(buttons[0]->Tag(), 2);
    QCOMPARE(buttons[0]->geometry(), QRect(dialog.width() - 16 - bw, 120 - bh - 8, bw, bh));
    QCOMPARE(buttons[1]->Caption(), QString("确定"));
    QCOMPARE(buttons[1]->Tag(), 1);
    QCOMPARE(buttons[1]->x(), buttons[0]->x() - 8 - bw);
    QCOMPARE(dialog.Tag(), 1);

    TSkinForm yesNo;
    yesNo.SetClientSize(300, 120);
    yesNo.AddButtons(bkYesNo);
    QCOMPARE(yesNo.Buttons()[0]->Caption(), QString("否"));
    QCOMPARE(yesNo.Buttons()[1]->Tag(), 6);
    for (int kind : {2, 3, 5, -1}) {
        TSkinForm none;
        none.AddButtons(TButtonKind(kind));
        QVERIFY(none.Buttons().isEmpty());
    }
}

void TestSkinForm::ClickLater(TSkinForm *form, int result) {
    QTimer::singleShot(0, form, [form, result] {
        QVERIFY(QTest::qWaitForWindowExposed(form));
        TEControl *button = form->ButtonWithResult(result);
        QVERIFY(button);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(10, 10));
    });
}

void TestSkinForm::buttonResults() {
    for (int result : {6, 7}) {
        TSkinForm dialog;
        dialog.SetClientSize(300, 100);
        dialog.AddButtons(bkYesNo);
        dialog.SetButtonBar(true);
        ClickLater(&dialog, result);
        QCOMPARE(dialog.ShowModal(), result);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(TSkinForm::ModalForm(), nullptr);
    }

    // A press that leaves the button before the release is no click.
    TSkinForm dialog;
    dialog.SetClientSize(300, 100);
    dialog.AddButtons(bkOk);
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    TEControl *ok = dialog.Buttons()[0];
    QTest::mousePress(ok, Qt::LeftButton, {}, QPoint(5, 5));
    ok->SetOverIndex(-1); // what the hover poll finds once the pointer has left
    QTest::mouseRelease(ok, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(dialog.ModalResult(), 0);
    // Coming back onto the button ends the old press; a new click counts.
    ok->SetOverIndex(0);
    QTest::mouseClick(ok, Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(dialog.ModalResult(), 1);

    // Enter gives the yes result on a yes/no dialog; Esc cancels.
    TSkinForm keys;
    keys.SetClientSize(300, 100);
    keys.AddButtons(bkYesNo);
    QTimer::singleShot(0, &keys, [&keys] {
        QVERIFY(QTest::qWaitForWindowExposed(&keys));
        QTest::keyClick(&keys, Qt::Key_Return);
    });
    QCOMPARE(keys.ShowModal(), 6);
    QTimer::singleShot(0, &keys, [&keys] {
        QVERIFY(QTest::qWaitForWindowExposed(&keys));
        QTest::keyClick(&keys, Qt::Key_Escape);
    });
    QCOMPARE(keys.ShowModal(), 2);
}

void TestSkinForm::closeActsOnRelease() {
    TSkinForm dialog;
    dialog.SetClientSize(300, 100);
    dialog.AddButtons(bkOk);
    const int y = Skin().TitleBarHeight() / 2;
    const QPoint close(dialog.width() - Skin().FrameThickness() - 5, y);
    QTimer::singleShot(0, &dialog, [&] {
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        // A press where a dialog would have its maximise button is no button at all.
        const QPoint maximise = close - QPoint(Skin().BtnWindow.width() / 5, 0);
        QTest::mousePress(&dialog, Qt::LeftButton, {}, maximise);
        QCOMPARE(dialog.DownButton(), -1);
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, maximise);
        QVERIFY(dialog.isVisible());
        // Press the close button, move away and release: the window still closes.
        QTest::mousePress(&dialog, Qt::LeftButton, {}, close);
        QCOMPARE(dialog.DownButton(), TSkinForm::btClose);
        QTest::mouseRelease(&dialog, Qt::LeftButton, {}, QPoint(40, 60));
    });
    QCOMPARE(dialog.ShowModal(), 0);
    QVERIFY(!dialog.isVisible());
}

namespace {

void Send(QWidget *w, QEvent::Type type, const QPoint &local, Qt::MouseButtons buttons) {
    QMouseEvent e(type, local, w->mapToGlobal(local),
                  type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                  Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

} // namespace

void TestSkinForm::moveAndResizeWithoutWindowManager() {
    // xvfb-run has no window manager, so the window follows the pointer itself.
    TSkinForm main(nullptr, TSkinForm::TBorderStyle::Sizeable);
    main.setGeometry(100, 100, 500, 300);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const QPoint caption(200, Skin().TitleBarHeight() / 2);
    Send(&main, QEvent::MouseButtonPress, caption, Qt::LeftButton);
    Send(&main, QEvent::MouseMove, caption + QPoint(30, 20), Qt::LeftButton);
    Send(&main, QEvent::MouseButtonRelease, caption + QPoint(30, 20), Qt::NoButton);
    QCOMPARE(main.geometry(), QRect(130, 120, 500, 300));

    // The resize corner lies over the client area; it grows the window from the bottom right.
    QWidget *grip = main.childAt(main.width() - 8, main.height() - 8);
    QVERIFY(grip && grip != main.Client());
    Send(grip, QEvent::MouseButtonPress, QPoint(2, 2), Qt::LeftButton);
    Send(grip, QEvent::MouseMove, QPoint(42, 32), Qt::LeftButton);
    Send(grip, QEvent::MouseButtonRelease, QPoint(42, 32), Qt::NoButton);
    QCOMPARE(main.geometry(), QRect(130, 120, 540, 330));
    QCOMPARE(main.ClientWidth(), 540 - 2 * Skin().FrameThickness());

    // Dialogs have a fixed size: no resize corner.
    TSkinForm dialog;
    dialog.SetClientSize(200, 100);
    QCOMPARE(dialog.childAt(dialog.width() - 8, dialog.height() - 8), dialog.Client());
}

void TestSkinForm::returnItemRestoresCompanion() {
    QTemporaryDir dir;
    TestSupport::UsePrivateRuntimeDir(dir);
    QVERIFY(Win::Initialize());
    QList<Win::TMessage> received;
    const HWND companion = Win::RegisterWindow(nullptr, "Companion", [&](const Win::TMessage &m) {
        received.append(m);
        return LRESULT(0);
    });
    TSkinForm::SetCompanionHandle(companion);
    TSkinForm main(nullptr, TSkinForm::TBorderStyle::Sizeable);
    main.resize(600, 300);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    const TTitleGeometry g = main.TitleGeometry();
    const QPoint item(g.Width - g.Frame - 4 * g.ButtonWidth - 10, g.TitleHeight / 2);
    QTest::mouseClick(&main, Qt::LeftButton, {}, item);
    QTRY_COMPARE(received.size(), 1);
    QCOMPARE(received[0].msg, 1227u);
    QCOMPARE(received[0].wParam, WPARAM(61728));
    QCOMPARE(received[0].lParam, LPARAM(0));
    QVERIFY(!main.isVisible());

    // Without a companion the same place is plain caption.
    TSkinForm::SetCompanionHandle(0);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QCOMPARE(main.TitleButtonAt(main.mapToGlobal(item)), -1);

    // A companion that lets go while the window is open stops the item at once.
    HWND held = companion;
    TSkinForm::SetCompanionSource([&held]() { return held; });
    QCOMPARE(main.TitleButtonAt(main.mapToGlobal(item)), TSkinForm::btReturn);
    QTest::mousePress(&main, Qt::LeftButton, {}, item);
    held = 0;
    QTest::mouseRelease(&main, Qt::LeftButton, {}, item);
    QCOMPARE(main.TitleButtonAt(main.mapToGlobal(item)), -1);
    QTest::qWait(100);
    QCOMPARE(received.size(), 1);
    QVERIFY(main.isVisible());
    TSkinForm::SetCompanionSource(nullptr);

    // The menu button opens the application menu with any mouse button, at the menu point.
    QMenu menu;
    menu.addAction(QStringLiteral("菜单项"));
    main.SetAppMenu(&menu);
    const QPoint button(g.Width - g.Frame - 3 * g.ButtonWidth - g.ButtonWidth / 2,
                        g.TitleHeight / 2);
    QPoint shownAt;
    QTimer::singleShot(300, &menu, [&]() {
        shownAt = menu.isVisible() ? menu.pos() : QPoint(-1, -1);
        menu.close();
    });
    QTest::mousePress(&main, Qt::RightButton, {}, button);
    QCOMPARE(shownAt, main.mapToGlobal(main.MenuPoint()));
    QTest::mouseRelease(&main, Qt::RightButton, {}, button);
    Win::UnregisterWindow(companion);
    Win::Finalize();
}

void TestSkinForm::withoutSkinArchive() {
    // An unreadable archive leaves plain colours; windows keep the system frame and buttons a
    // plain size, so every dialog can still be answered and closed.
    TSkin saved = Skin();
    QVERIFY(!LoadSkinFrom("/nonexistent/default.skin", "default", Skin()).isEmpty());
    Skin().Reset();
    Skin().UsePlainColours();
    {
        TSkinForm dialog;
        QVERIFY(!dialog.Skinned());
        QVERIFY(!dialog.windowFlags().testFlag(Qt::FramelessWindowHint));
        dialog.SetClientSize(300, 100);
        QCOMPARE(dialog.size(), QSize(300, 100));
        dialog.AddButtons(bkOk);
        QCOMPARE(dialog.Buttons()[0]->size(), QSize(75, 23));
        QTimer::singleShot(0, &dialog, [&dialog] {
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            QTest::mouseClick(dialog.Buttons()[0], Qt::LeftButton, {}, QPoint(5, 5));
        });
        QCOMPARE(dialog.ShowModal(), 1);
    }
    Skin() = saved;
}

void TestSkinForm::secondModalDialog() {
    TSkinForm first;
    first.SetClientSize(300, 120);
    first.AddButtons(bkOk);
    int secondResult = -1;
    bool secondOnTop = false;
    bool secondModal = true;
    QTimer::singleShot(0, &first, [&] {
        QVERIFY(QTest::qWaitForWindowExposed(&first));
        TSkinForm second;
        second.SetClientSize(280, 100);
        second.AddButtons(bkYesNo);
        ClickLater(&second, 6);
        QTimer::singleShot(0, &second, [&] {
            QCOMPARE(TSkinForm::ModalForm(), &first);
            secondOnTop = second.windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            secondModal = second.windowModality() != Qt::NonModal;
        });
        secondResult = second.ShowModal();
        // The second window is not hidden by its show; its caller destroys it.
        QVERIFY(second.isVisible());
        QTest::mouseClick(first.Buttons()[0], Qt::LeftButton, {}, QPoint(5, 5));
    });
    QCOMPARE(first.ShowModal(), 1);
    QCOMPARE(secondResult, 6);
    QVERIFY(secondOnTop);
    QVERIFY(!secondModal);
}

void TestSkinForm::secondModalEndsWhenApplicationQuits() {
    TSkinForm first;
    first.SetClientSize(300, 120);
    int secondResult = -1;
    QTimer::singleShot(0, &first, [&] {
        TSkinForm second;
        second.SetClientSize(280, 100);
        second.AddButtons(bkYesNo);
        QTimer::singleShot(50, qApp, [] { QCoreApplication::exit(0); });
        secondResult = second.ShowModal();
    });
    QCOMPARE(first.ShowModal(), 0);
    QCOMPARE(secondResult, 0);
}

QTEST_MAIN(TestSkinForm)
#include "test_skinform.moc"
