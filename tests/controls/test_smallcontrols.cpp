// Hot button, paint panel, edit and the two combo boxes.

#include "controls/TComboBox2.h"
#include "controls/TComboBox3.h"
#include "controls/TEEdit.h"
#include "controls/THotbtn.h"
#include "controls/TPaintPanel.h"

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>

namespace {

void Enter(QWidget *W) {
    QEnterEvent Event(QPointF(2, 2), W->mapToGlobal(QPointF(2, 2)), W->mapToGlobal(QPointF(2, 2)));
    QApplication::sendEvent(W, &Event);
}

void Leave(QWidget *W) {
    QEvent Event(QEvent::Leave);
    QApplication::sendEvent(W, &Event);
}

void Park(const QPoint &Global) {
    QCursor::setPos(Global);
    QTRY_COMPARE(QCursor::pos(), Global);
}

} // namespace

class TestSmallControls : public QObject {
    Q_OBJECT

private:
    QWidget *Window = nullptr;
    QList<bool> Focus; // outlives the edit, which reports losing the focus when destroyed

    QPoint Outside() const { return Window->mapToGlobal(QPoint(380, 280)); }

private slots:
    void init() {
        Window = new QWidget;
        Window->setGeometry(100, 100, 400, 300);
    }
    void cleanup() { delete Window; }

    void hotButtonsShareOneHotState() {
        auto *A = new THotbtn(Window);
        auto *B = new THotbtn(Window);
        A->setGeometry(0, 0, 22, 22);
        B->setGeometry(30, 0, 22, 22);
        int Paints = 0;
        A->OnPaint = [&Paints](THotbtn *, QPainter &) { ++Paints; };
        int Clicks = 0;
        A->OnClick = [&Clicks](THotbtn *) { ++Clicks; };
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        Park(Outside());
        Paints = 0;

        Enter(B);
        QCOMPARE(B->State(), THotbtn::StateHot);
        Enter(A);
        QCOMPARE(A->State(), THotbtn::StateHot);
        QCOMPARE(B->State(), THotbtn::StateNormal);
        QCOMPARE(Paints, 1); // repainted at once

        QTest::mousePress(A, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(A->State(), THotbtn::StatePressed);
        QTest::mouseRelease(A, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(A->State(), THotbtn::StateHot);
        QCOMPARE(Clicks, 1);
        // Released after being dragged off: no click.
        QTest::mousePress(A, Qt::LeftButton, {}, {5, 5});
        QTest::mouseRelease(A, Qt::LeftButton, {}, {40, 5});
        QCOMPARE(Clicks, 1);

        // The leave timer runs exactly while the button is not normal.
        QVERIFY(A->LeaveTimerActive());
        Leave(A);
        QCOMPARE(A->State(), THotbtn::StateNormal);
        QVERIFY(!A->LeaveTimerActive());
    }

    void disabledHotButtonKeepsItsLook() {
        auto *A = new THotbtn(Window);
        auto *B = new THotbtn(Window);
        A->SetState(THotbtn::StateHot);
        A->setEnabled(false);
        Leave(A);
        A->SetState(THotbtn::StateNormal);
        QCOMPARE(A->State(), THotbtn::StateHot);
        // Not even a sibling turning hot resets it.
        B->SetState(THotbtn::StateHot);
        QCOMPARE(A->State(), THotbtn::StateHot);
    }

    void downHotButtonIgnoresEntryAndExit() {
        auto *A = new THotbtn(Window);
        A->setGeometry(0, 0, 22, 22);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        int Paints = 0;
        A->OnPaint = [&Paints](THotbtn *, QPainter &) { ++Paints; };
        A->SetDown(true);
        QCOMPARE(Paints, 1);
        A->SetDown(true);
        QCOMPARE(Paints, 1);

        Enter(A);
        QCOMPARE(A->State(), THotbtn::StateNormal);
        QTest::mousePress(A, Qt::LeftButton, {}, {5, 5});
        QTest::mouseRelease(A, Qt::LeftButton, {}, {5, 5});
        QCOMPARE(A->State(), THotbtn::StatePressed);
        Leave(A);
        QCOMPARE(A->State(), THotbtn::StatePressed);

        // Only the timer ends it, once the pointer is really outside.
        Park(A->mapToGlobal(QPoint(21, 21)));
        A->LeaveTimerTick();
        QCOMPARE(A->State(), THotbtn::StatePressed);
        Park(A->mapToGlobal(QPoint(22, 10))); // the right edge lies outside
        A->LeaveTimerTick();
        QCOMPARE(A->State(), THotbtn::StateNormal);
    }

    void paintPanelPaintsOnEraseWithItsFontAndColour() {
        auto *Panel = new TPaintPanel(Window);
        Panel->setGeometry(0, 0, 100, 50);
        Panel->SetColor(QColor(10, 20, 30));
        Panel->setFont(QFont("WenQuanYi Micro Hei", 12));
        int Paints = 0;
        QColor Brush;
        QString Family;
        Panel->OnPaint = [&](TPaintPanel *Sender, QPainter &Canvas) {
            ++Paints;
            Brush = Canvas.brush().color();
            Family = Canvas.font().family();
            Canvas.fillRect(Sender->rect(), Canvas.brush());
        };
        int Leaves = 0;
        Panel->OnMouseLeave = [&Leaves](TPaintPanel *) { ++Leaves; };
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        Paints = 0;

        QCOMPARE(Panel->EraseBackground(), LRESULT(1));
        QCOMPARE(Paints, 1);
        QCOMPARE(Brush, QColor(10, 20, 30));
        QCOMPARE(Family, Panel->font().family());
        Win::TMessage Erase;
        Erase.msg = Win::WM_ERASEBKGND;
        QCOMPARE(Panel->WindowProc(Erase), LRESULT(1));
        QCOMPARE(Paints, 2);
        QCOMPARE(Panel->grab().toImage().pixelColor(50, 25), QColor(10, 20, 30));

        Leave(Panel);
        QCOMPARE(Leaves, 1);
    }

    void editSelectsAllOnTheClickThatFocusesIt() {
        auto *Other = new QLineEdit(Window);
        Other->setGeometry(0, 40, 200, 24);
        auto *Edit = new TEEdit(Window);
        Edit->setGeometry(0, 0, 200, 24);
        Edit->setText("game search words");
        Focus.clear();
        Edit->FocusChange = [this](TEEdit *, bool Focused) { Focus.append(Focused); };
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window));
        Other->setFocus();
        QTRY_VERIFY(Other->hasFocus());

        QTest::mouseClick(Edit, Qt::LeftButton, {}, {20, 12});
        QTRY_VERIFY(Edit->hasFocus());
        QCOMPARE(Edit->selectedText(), Edit->text());
        QCOMPARE(Focus, QList<bool>{true});

        // A click in the focused field places the caret.
        QTest::mouseClick(Edit, Qt::LeftButton, {}, {20, 12});
        QVERIFY(!Edit->hasSelectedText());

        Other->setFocus();
        QTRY_COMPARE(Focus, (QList<bool>{true, false}));

        // A drag into the unfocused field keeps the dragged selection.
        QTest::mousePress(Edit, Qt::LeftButton, {}, {2, 12});
        QMouseEvent Drag(QEvent::MouseMove, QPointF(40, 12), Edit->mapToGlobal(QPointF(40, 12)),
                         Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(Edit, &Drag);
        QTest::mouseRelease(Edit, Qt::LeftButton, {}, {40, 12});
        QVERIFY(Edit->hasSelectedText());
        QVERIFY(Edit->selectedText() != Edit->text());

        // Focus brought by the keyboard: the next click is a click in a focused field.
        Other->setFocus();
        QTRY_VERIFY(Other->hasFocus());
        Edit->setFocus(Qt::TabFocusReason);
        QTRY_VERIFY(Edit->hasFocus());
        Edit->deselect();
        QTest::mouseClick(Edit, Qt::LeftButton, {}, {20, 12});
        QVERIFY(!Edit->hasSelectedText());
    }

    void comboHoverEndsByTimerUnlessFocused() {
        auto *Box = new TComboBox2(Window);
        Box->setGeometry(10, 10, 150, 22);
        Box->setEditable(true);
        auto *Other = new QLineEdit(Window);
        Other->setGeometry(10, 100, 100, 22);
        int Changes = 0;
        Box->OnStateChanged = [&Changes](TComboBox2 *) { ++Changes; };
        Window->show();
        Window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Window));
        Other->setFocus();
        QTRY_VERIFY(Other->hasFocus());
        Park(Outside());

        Enter(Box);
        QVERIFY(Box->Hot());
        QVERIFY(Box->HoverTimerActive());
        QCOMPARE(Changes, 1);
        Enter(Box);
        QCOMPARE(Changes, 1);
        // Leave notifications are not used (the inner edit sends them).
        Leave(Box);
        QVERIFY(Box->Hot());
        Box->HoverTimerTick();
        QVERIFY(!Box->Hot());
        QVERIFY(!Box->HoverTimerActive());
        QCOMPARE(Changes, 2);

        // With the focus in its edit it stays hot after the pointer has gone.
        Enter(Box);
        Box->lineEdit()->setFocus();
        QTRY_VERIFY(Box->HasFocusWithin());
        Box->HoverTimerTick();
        QVERIFY(Box->Hot());
        Other->setFocus();
        QTRY_VERIFY(!Box->HasFocusWithin());
        QTRY_VERIFY(!Box->Hot()); // the real timer
    }

    void comboOutlineAndPaintEvent() {
        auto *Box = new TComboBox2(Window);
        Box->setGeometry(10, 10, 150, 22);
        Box->OnPaint = [](TComboBox2 *, QPainter &Canvas) {
            Canvas.fillRect(QRect(60, 5, 10, 10), QColor(0, 200, 0));
        };
        Box->SetRgn(8);
        QVERIFY(!Box->mask().contains(QPoint(0, 0)));
        QVERIFY(Box->mask().contains(QPoint(75, 11)));
        QVERIFY(Box->mask().contains(QPoint(150, 11))); // one pixel wider than the box
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        Box->resize(200, 22);
        QVERIFY(Box->mask().contains(QPoint(190, 11)));
        Box->SetRgn(0);
        QVERIFY(Box->mask().isEmpty());
        // The owner draws over the box's own picture.
        QCOMPARE(Box->grab().toImage().pixelColor(65, 10), QColor(0, 200, 0));
    }

    void folderBoxOpensItsMenuFromTheArrow() {
        auto *Box = new TComboBox3(Window);
        Box->setGeometry(10, 10, 170, 22);
        Box->setEditText("收藏夹");
        QPixmap Folder(16, 16);
        Folder.fill(QColor(250, 200, 0));
        Box->SetImages({Folder});
        Box->SetImageIndex(0);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        QCOMPARE(Box->lineEdit()->geometry(), QRect(22, 5, 170 - 44, Box->ItemHeight()));

        // Without a menu: no image, and presses on the arrow do nothing.
        QVERIFY(Box->grab().toImage().pixelColor(5, 5) != QColor(250, 200, 0));
        QTest::mouseClick(Box, Qt::LeftButton, {}, {160, 11});
        QVERIFY(!QApplication::activePopupWidget());

        QMenu Menu;
        Menu.addAction("收藏夹");
        Box->SetDropMenu(&Menu);
        QCOMPARE(Box->grab().toImage().pixelColor(5, 5), QColor(250, 200, 0));
        // A press left of the arrow zone is the box's own.
        QTest::mouseClick(Box, Qt::LeftButton, {}, {5, 11});
        QVERIFY(!Menu.isVisible());
        QTest::mousePress(Box, Qt::LeftButton, {}, {160, 11});
        QTRY_VERIFY(Menu.isVisible());
        QCOMPARE(Menu.pos(), Box->mapToGlobal(QPoint(0, 21)));
        Menu.close();
        // The keyboard's drop-down opens the menu too, never a list.
        Box->showPopup();
        QTRY_VERIFY(Menu.isVisible());
        Menu.close();
    }
};

QTEST_MAIN(TestSmallControls)
#include "test_smallcontrols.moc"
