// The strip control's state machine, driven by mouse events and timer ticks, and its drawing.

#include "controls/TEControl.h"

#include <QApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

namespace {

// An owner with five items of 20 px from x = 0, a zone -2 at x 100..119 and nothing elsewhere,
// that records what the strip tells it.
struct TOwner {
    TEControl *Strip = nullptr;
    int Changes = 0;
    int Draws = 0;
    QSize DrawnSize;
    QString DrawnFamily;
    QColor Fill = Qt::red;
    struct TSeen {
        int Over, Down;
        Qt::MouseButton Button;
        bool Double;
    };
    QList<TSeen> Downs, Ups;
    int Moves = 0;
    int Resizes = 0;
    int DrawsAtResize = -1;

    explicit TOwner(TEControl *S) : Strip(S) {
        S->OnGetIndex = [this](TEControl *Sender, int &Index, int X, int Y) {
            QCOMPARE(Sender, Strip);
            if (Y < 0 || Y >= Sender->height())
                return;
            if (X >= 0 && X < 100)
                Index = X / 20;
            else if (X >= 100 && X < 120)
                Index = -2;
        };
        S->OnChangeIndex = [this](TEControl *, int &) { ++Changes; };
        S->OnDrawControl = [this](TEControl *Sender, QPainter &Canvas) {
            ++Draws;
            DrawnSize = QSize(Canvas.device()->width(), Canvas.device()->height());
            DrawnFamily = Canvas.font().family();
            Canvas.fillRect(QRect(QPoint(0, 0), Sender->size()), Fill);
        };
        S->OnMouseDown = [this](TEControl *Sender, Qt::MouseButton Button, TShiftState Shift, int,
                                int) {
            Downs.append({Sender->OverIndex(), Sender->DownIndex(), Button, Shift.Double});
        };
        S->OnMouseUp = [this](TEControl *Sender, Qt::MouseButton Button, TShiftState, int, int) {
            Ups.append({Sender->OverIndex(), Sender->DownIndex(), Button, false});
        };
        S->OnMouseMove = [this](TEControl *, TShiftState, int, int) { ++Moves; };
        S->OnResize = [this](TEControl *) {
            ++Resizes;
            DrawsAtResize = Draws;
        };
    }
    // An owner's click rule: the pointer is still on the pressed item.
    bool LastUpIsClick() const { return !Ups.isEmpty() && Ups.last().Over == Ups.last().Down; }
};

void Move(QWidget *W, QPoint P, Qt::MouseButtons Held = Qt::NoButton) {
    QMouseEvent Event(QEvent::MouseMove, P, W->mapToGlobal(P), Qt::NoButton, Held, Qt::NoModifier);
    QApplication::sendEvent(W, &Event);
}

// Puts the real pointer somewhere and waits until the display reports it there.
void Park(const QPoint &Global) {
    QCursor::setPos(Global);
    QTRY_COMPARE(QCursor::pos(), Global);
}

} // namespace

class TestEControl : public QObject {
    Q_OBJECT

private:
    QWidget *Window = nullptr;
    TEControl *Strip = nullptr;
    TOwner *Owner = nullptr;

    QPoint Outside() const { return Window->mapToGlobal(QPoint(250, 80)); }

private slots:
    void init() {
        Window = new QWidget;
        Window->setGeometry(100, 100, 300, 100);
        Strip = new TEControl(Window);
        Strip->setGeometry(0, 0, 200, 30);
        Owner = new TOwner(Strip);
        Window->show();
        QVERIFY(QTest::qWaitForWindowExposed(Window));
        Park(Outside());
        Owner->Draws = 0;
        Owner->Changes = 0;
        Owner->Resizes = 0;
    }
    void cleanup() {
        delete Owner;
        delete Window;
    }

    void withoutHandlersNothingBecomesHotOrPressed() {
        TEControl Bare(Window);
        Bare.setGeometry(0, 40, 200, 30);
        Bare.show();
        Move(&Bare, {10, 10});
        QCOMPARE(Bare.OverIndex(), -1);
        QTest::mousePress(&Bare, Qt::LeftButton, {}, {10, 10});
        QCOMPARE(Bare.DownIndex(), -1);
        QTest::mouseRelease(&Bare, Qt::LeftButton, {}, {10, 10});
        // No paint handler: nothing drawn, yet the erase request is answered as done.
        QCOMPARE(Bare.EraseBackground(), LRESULT(1));
    }

    void indexQueryResetsSideOutputs() {
        Strip->SetFinalIndex(7);
        Strip->SetChevronLeft(33);
        QCOMPARE(Strip->IndexAt(45, 5), 2);
        QCOMPARE(Strip->FinalIndex(), -1);
        QCOMPARE(Strip->ChevronLeft(), 0);
        QCOMPARE(Strip->IndexAt(-5, 5), -1);
        QCOMPARE(Strip->IndexAt(110, 5), -2);
    }

    void hoverChangeRules() {
        // The same value: no notification, no redraw, the timer untouched.
        Strip->SetOverIndex(-1);
        QCOMPARE(Owner->Changes, 0);
        QCOMPARE(Owner->Draws, 0);
        QVERIFY(!Strip->HoverTimerActive());

        // Written from code onto an item: exactly like a move, the pressed item is dropped.
        Strip->SetDownIndex(3);
        Strip->SetOverIndex(1);
        QCOMPARE(Owner->Changes, 1);
        QCOMPARE(Owner->Draws, 1);
        QCOMPARE(Strip->DownIndex(), -1);
        QVERIFY(Strip->HoverTimerActive());

        // Onto a negative zone: the timer stops and the pressed item stays.
        Strip->SetDownIndex(3);
        Strip->SetOverIndex(-2);
        QCOMPARE(Strip->DownIndex(), 3);
        QVERIFY(!Strip->HoverTimerActive());
        QCOMPARE(Owner->Draws, 2);
        Strip->SetOverIndex(-2);
        QCOMPARE(Owner->Changes, 2);
    }

    void changeHandlerMayReplaceTheIndex() {
        Strip->SetOverIndex(2);
        Strip->SetDownIndex(2);
        Owner->Draws = 0;
        // The handler keeps the current item: the change still runs its whole course.
        Strip->OnChangeIndex = [](TEControl *Sender, int &Index) { Index = Sender->OverIndex(); };
        Strip->SetOverIndex(4);
        QCOMPARE(Strip->OverIndex(), 2);
        QCOMPARE(Strip->DownIndex(), -1);
        QCOMPARE(Owner->Draws, 1);
        QVERIFY(Strip->HoverTimerActive());

        // A replacement by a negative number stops the timer.
        Strip->OnChangeIndex = [](TEControl *, int &Index) { Index = -1; };
        Strip->SetOverIndex(3);
        QCOMPARE(Strip->OverIndex(), -1);
        QVERIFY(!Strip->HoverTimerActive());
    }

    void pressRules() {
        QTest::mousePress(Strip, Qt::LeftButton, {}, {25, 5});
        QCOMPARE(Owner->Downs.last().Over, 1);
        QCOMPARE(Owner->Downs.last().Down, 1);
        // A press sets the hot item directly: no notification, no timer.
        QCOMPARE(Owner->Changes, 0);
        QVERIFY(!Strip->HoverTimerActive());
        QCOMPARE(Owner->Draws, 1);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {25, 5});
        QVERIFY(Owner->LastUpIsClick());
        QCOMPARE(Strip->DownIndex(), 1); // left to the owner

        // A second press on the pressed item releases it before the owner hears of it.
        QTest::mousePress(Strip, Qt::RightButton, {}, {25, 5});
        QCOMPARE(Owner->Downs.last().Down, -1);
        QCOMPARE(Owner->Downs.last().Button, Qt::RightButton);
        QTest::mouseRelease(Strip, Qt::RightButton, {}, {25, 5});

        QTest::mousePress(Strip, Qt::LeftButton, {}, {65, 5});
        QCOMPARE(Strip->DownIndex(), 3);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {65, 5});
        // Empty space clears it.
        QTest::mousePress(Strip, Qt::LeftButton, {}, {150, 5});
        QCOMPARE(Owner->Downs.last().Down, -1);
        QCOMPARE(Owner->Downs.last().Over, -1);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {150, 5});

        // A double click arrives as a press with the double flag.
        QTest::mouseDClick(Strip, Qt::LeftButton, {}, {5, 5});
        QVERIFY(Owner->Downs.last().Double);
        QCOMPARE(Owner->Downs.last().Over, 0);
    }

    void pressedItemIsLostOnTheWayBack() {
        // Onto another item and back: the move cleared the pressed item.
        QTest::mousePress(Strip, Qt::LeftButton, {}, {5, 5});
        Move(Strip, {25, 5}, Qt::LeftButton);
        QCOMPARE(Strip->DownIndex(), -1);
        Move(Strip, {5, 5}, Qt::LeftButton);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {5, 5});
        QVERIFY(!Owner->LastUpIsClick());

        // Into empty space and back: kept on the way out, cleared on the way back onto it.
        QTest::mousePress(Strip, Qt::LeftButton, {}, {5, 5});
        Move(Strip, {150, 5}, Qt::LeftButton);
        QCOMPARE(Strip->DownIndex(), 0);
        QCOMPARE(Strip->OverIndex(), -1);
        Move(Strip, {5, 5}, Qt::LeftButton);
        QCOMPARE(Strip->DownIndex(), -1);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {5, 5});
        QVERIFY(!Owner->LastUpIsClick());

        // Through a negative zone the pressed item survives until an item is entered.
        QTest::mousePress(Strip, Qt::LeftButton, {}, {110, 5});
        QCOMPARE(Strip->DownIndex(), -2);
        Move(Strip, {150, 5}, Qt::LeftButton);
        Move(Strip, {112, 5}, Qt::LeftButton);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {112, 5});
        QVERIFY(Owner->LastUpIsClick());
        QCOMPARE(Owner->Moves, 6);
    }

    void releaseOutsideIsNotTheStrips() {
        QTest::mousePress(Strip, Qt::LeftButton, {}, {5, 5});
        const int MovesBefore = Owner->Moves;
        Move(Strip, {5, 60}, Qt::LeftButton);
        QCOMPARE(Owner->Moves, MovesBefore);
        QTest::mouseRelease(Strip, Qt::LeftButton, {}, {5, 60});
        QVERIFY(Owner->Ups.isEmpty());
        QCOMPARE(Strip->DownIndex(), 0);
    }

    void pollingNoticesThePointerLeaving() {
        Park(Strip->mapToGlobal(QPoint(45, 10)));
        QTRY_COMPARE(Strip->OverIndex(), 2);
        QVERIFY(Strip->HoverTimerActive());

        // A tick with the pointer still there changes nothing.
        const int Draws = Owner->Draws;
        Strip->HoverTimerTick();
        QCOMPARE(Owner->Draws, Draws);

        // Leaving sends no move to the strip: only the timer finds out, and then stops.
        Park(Outside());
        QTRY_COMPARE(Strip->OverIndex(), -1);
        QVERIFY(!Strip->HoverTimerActive());
    }

    void negativeZoneIsNotPolled() {
        Move(Strip, {110, 5});
        QCOMPARE(Strip->OverIndex(), -2);
        QVERIFY(!Strip->HoverTimerActive());
        // A tick does nothing while nothing is hot, even with the pointer elsewhere.
        Strip->HoverTimerTick();
        QTest::qWait(3 * TEControl::HoverInterval);
        QCOMPARE(Strip->OverIndex(), -2);
    }

    void redrawIsOneFullPictureOnScreenAtOnce() {
        Owner->Fill = QColor(0, 0, 255);
        Strip->setFont(QFont("WenQuanYi Micro Hei", 11));
        Strip->Redraw();
        QCOMPARE(Owner->DrawnSize, Strip->size());
        QCOMPARE(Owner->DrawnFamily, Strip->font().family());
        // On screen before any event is processed.
        const QPoint At = Strip->mapToGlobal(QPoint(0, 0));
        const QImage Shot =
            QGuiApplication::primaryScreen()->grabWindow(0, At.x(), At.y(), 200, 30).toImage();
        QCOMPARE(Shot.pixelColor(0, 0), QColor(0, 0, 255));
        QCOMPARE(Shot.pixelColor(199, 29), QColor(0, 0, 255));
    }

    void stateChangesThatRedraw() {
        // The pressed item written from code is the owner's to redraw.
        Strip->SetDownIndex(2);
        Strip->SetFinalIndex(2);
        Strip->SetChevronLeft(2);
        QCOMPARE(Owner->Draws, 0);

        Strip->SetCaption("确定");
        QCOMPARE(Owner->Draws, 1);
        QCOMPARE(Strip->Caption(), QString("确定"));

        // The owner hears of the resize first, then the new size is drawn.
        Strip->resize(240, 26);
        QCOMPARE(Owner->Resizes, 1);
        QCOMPARE(Owner->DrawsAtResize, 1);
        QCOMPARE(Owner->Draws, 2);
        QCOMPARE(Owner->DrawnSize, QSize(240, 26));

        // The erase request, directly and through the window-message layer's procedure.
        QCOMPARE(Strip->EraseBackground(), LRESULT(1));
        QCOMPARE(Owner->Draws, 3);
        Win::TMessage Erase;
        Erase.msg = Win::WM_ERASEBKGND;
        QCOMPARE(Strip->WindowProc(Erase), LRESULT(1));
        QCOMPARE(Owner->Draws, 4);
        Win::TMessage Text;
        Text.msg = Win::WM_SETTEXT;
        Text.text = "完成";
        Strip->WindowProc(Text);
        QCOMPARE(Strip->Caption(), QString("完成"));
        QCOMPARE(Owner->Draws, 5);

        // A repaint asked for by the window system draws the whole picture anew.
        const QImage Grabbed = Strip->grab().toImage();
        QCOMPARE(Owner->Draws, 6);
        QCOMPARE(Grabbed.pixelColor(120, 20), QColor(Qt::red));
    }
};

QTEST_MAIN(TestEControl)
#include "test_econtrol.moc"
