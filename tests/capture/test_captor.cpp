// The capture window in this process under the X server: dragging, adjusting, the hint texts,
// the button bar, saving and copying what was on the screen, and the ways out.

#include "capture/TSelection.h"
#include "capture/TSelectionHint.h"
#include "capture/TfrmCaptor.h"
#include "controls/THotbtn.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

namespace {

void Send(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
          Qt::MouseButtons buttons) {
    QMouseEvent event(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, buttons, {});
    QApplication::sendEvent(w, &event);
}

// A left drag on the capture window from a to b, in window coordinates.
void Drag(QWidget *w, QPoint a, QPoint b) {
    Send(w, QEvent::MouseButtonPress, a, Qt::LeftButton, Qt::LeftButton);
    Send(w, QEvent::MouseMove, (a + b) / 2, Qt::NoButton, Qt::LeftButton);
    Send(w, QEvent::MouseMove, b, Qt::NoButton, Qt::LeftButton);
    Send(w, QEvent::MouseButtonRelease, b, Qt::LeftButton, Qt::NoButton);
}

// A pattern no two pixels of which are alike, shown at a known place.
QImage Pattern() {
    QImage image(120, 80, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(x * 2, y * 3, 255 - x - y));
    return image;
}

class TPatternWindow : public QWidget {
public:
    QImage Image = Pattern();
    TPatternWindow() : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
        setGeometry(300, 400, Image.width(), Image.height());
    }
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, Image); }
};

} // namespace

class TestCaptor : public QObject {
    Q_OBJECT

    TPatternWindow FPattern;
    QTemporaryDir FDir;

    TfrmCaptor *StartCaptor() {
        TfrmCaptor *captor = TfrmCaptor::Start();
        if (!QTest::qWaitForWindowExposed(captor))
            return nullptr;
        return captor;
    }

private slots:
    void initTestCase() {
        QCOMPARE(LoadSkinFrom(TestSupport::BuildDir() + QStringLiteral("/skin/default.skin"),
                              QStringLiteral("default"), Skin()),
                 QString());
        FPattern.show();
        QVERIFY(QTest::qWaitForWindowExposed(&FPattern));
        QTest::qWait(100);
    }

    void dragAdjustAndSave() {
        QPointer<TfrmCaptor> captor = StartCaptor();
        QVERIFY(captor);
        QCOMPARE(captor->Snapshot().size(), captor->size());
        TSelectionHint *hint = captor->Hint();
        QCOMPARE(hint->Line1, TfrmCaptor::HintDrag);
        QCOMPARE(hint->Line2, TfrmCaptor::HintEsc);
        QCOMPARE(hint->pos(), QPoint(10, 10));

        // A click, and a 5 x 5 drag, leave no selection and the start texts.
        Drag(captor, QPoint(500, 500), QPoint(500, 500));
        QVERIFY(!captor->Selection()->isVisible());
        Drag(captor, QPoint(500, 500), QPoint(505, 505));
        QVERIFY(!captor->Selection()->isVisible());
        QCOMPARE(hint->Line1, TfrmCaptor::HintDrag);
        QCOMPARE(hint->Line2, TfrmCaptor::HintEsc);

        // A drag over the hint box's rows on its side sends it across.
        Drag(captor, QPoint(320, 420), QPoint(50, 40));
        QCOMPARE(hint->x(), captor->width() - hint->width());
        QCOMPARE(captor->Selection()->geometry(), QRect(50, 40, 270, 380));

        // A 6 x 6 selection stays; its bar sits beside it.
        Drag(captor, QPoint(600, 600), QPoint(606, 606));
        QVERIFY(captor->Selection()->isVisible());
        QCOMPARE(hint->Line1, TfrmCaptor::HintAdjust);
        QCOMPARE(hint->Line2, TfrmCaptor::HintDblClick);
        QVERIFY(captor->PaintPanel1()->isVisible());
        QCOMPARE(captor->PaintPanel1()->geometry(), QRect(600, 573, 44, 22));

        // The pattern selected, then its bottom-right handle dragged past the top-left corner.
        Drag(captor, QPoint(310, 410), QPoint(410, 470));
        TSelection *selection = captor->Selection();
        QCOMPARE(selection->geometry(), QRect(310, 410, 100, 60));
        QCOMPARE(captor->PaintPanel1()->pos(), QPoint(315, 415));
        Send(selection, QEvent::MouseMove, QPoint(98, 58), Qt::NoButton, Qt::NoButton);
        QCOMPARE(selection->Part(), 17);
        Send(selection, QEvent::MouseButtonPress, QPoint(98, 58), Qt::LeftButton, Qt::LeftButton);
        QVERIFY(!captor->PaintPanel1()->isVisible());
        Send(selection, QEvent::MouseMove, QPoint(-200, -200), Qt::NoButton, Qt::LeftButton);
        QCOMPARE(selection->geometry(), QRect(310, 410, 10, 10));
        Send(selection, QEvent::MouseMove, QPoint(60, 40), Qt::NoButton, Qt::LeftButton);
        Send(selection, QEvent::MouseButtonRelease, QPoint(60, 40), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(selection->geometry(), QRect(310, 410, 60, 40));
        QVERIFY(captor->PaintPanel1()->isVisible());

        // A right press on the selection only hides the bar until the release.
        Send(selection, QEvent::MouseButtonPress, QPoint(30, 20), Qt::RightButton, Qt::RightButton);
        QVERIFY(!captor->PaintPanel1()->isVisible());
        Send(selection, QEvent::MouseButtonRelease, QPoint(30, 20), Qt::RightButton, Qt::NoButton);
        QVERIFY(captor && captor->PaintPanel1()->isVisible());

        // Moved by its body 5 pixels right and down, then saved as PNG: the screen's pixels.
        Send(selection, QEvent::MouseMove, QPoint(30, 20), Qt::NoButton, Qt::NoButton);
        QCOMPARE(selection->Part(), 1);
        Send(selection, QEvent::MouseButtonPress, QPoint(30, 20), Qt::LeftButton, Qt::LeftButton);
        Send(selection, QEvent::MouseMove, QPoint(35, 25), Qt::NoButton, Qt::LeftButton);
        Send(selection, QEvent::MouseButtonRelease, QPoint(35, 25), Qt::LeftButton, Qt::NoButton);
        QCOMPARE(selection->geometry(), QRect(315, 415, 60, 40));
        const QString name = FDir.filePath(QStringLiteral("shot"));
        TfrmCaptor::SetNextSaveAnswer(name, 3);
        captor->Hotbtn2()->OnClick(captor->Hotbtn2());
        QTRY_VERIFY(!captor);
        QCOMPARE(TfrmCaptor::RememberedType(), 3);
        const QImage saved(name + QStringLiteral(".png"));
        QCOMPARE(saved.convertToFormat(QImage::Format_RGB32), FPattern.Image.copy(15, 15, 60, 40));
    }

    // On a screen scaled to 125 % (run with QT_SCALE_FACTOR=1.25): the frozen screen is shown
    // pixel for pixel, and the selection copies the screen's physical pixels under it.
    void scaledScreen() {
        QScreen *screen = QGuiApplication::primaryScreen();
        if (qFuzzyCompare(screen->devicePixelRatio(), 1.0))
            QSKIP("the screen is not scaled");
        const qreal ratio = screen->devicePixelRatio();
        const QImage truth =
            screen->grabWindow(0, 300, 400, 80, 48).toImage().convertToFormat(QImage::Format_RGB32);
        QPointer<TfrmCaptor> captor = StartCaptor();
        QVERIFY(captor);
        QCOMPARE(captor->Snapshot().width(), qRound(captor->width() * ratio));
        // What the window shows where the pattern is: the snapshot's pixels there, unzoomed.
        const QImage shown =
            captor->grab(QRect(300, 400, 80, 48)).toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shown.size(), truth.size());
        QCOMPARE(shown, truth);
        Drag(captor, QPoint(300, 400), QPoint(380, 448));
        QCOMPARE(captor->Selection()->geometry(), QRect(300, 400, 80, 48));
        QImage selected = captor->SelectedImage().convertToFormat(QImage::Format_RGB32);
        selected.setDevicePixelRatio(truth.devicePixelRatio());
        QCOMPARE(selected, truth);
        captor->close();
        QTRY_VERIFY(!captor);
    }

    // A save that cannot be written is reported, and the tool still closes.
    void failedSaveIsReported() {
        QPointer<TfrmCaptor> captor = StartCaptor();
        QVERIFY(captor);
        Drag(captor, QPoint(300, 400), QPoint(340, 440));
        TfrmTip::TakeCalls();
        TfrmTip::SetNextAnswer(1);
        const QString name = FDir.filePath(QStringLiteral("gone/shot.jpg"));
        TfrmCaptor::SetNextSaveAnswer(name, 2);
        captor->SaveToFile();
        QTRY_VERIFY(!captor);
        const QList<TTipCall> calls = TfrmTip::TakeCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls.at(0).Caption, QStringLiteral("提示"));
        QVERIFY(!QFile::exists(name));
        QCOMPARE(TfrmCaptor::RememberedType(), 2);
    }

    // ESC leaves the clipboard alone; a double click in the selection copies it.
    void escapeAndDoubleClick() {
        QGuiApplication::clipboard()->setText(QStringLiteral("kept"));
        QPointer<TfrmCaptor> captor = StartCaptor();
        QVERIFY(captor);
        Drag(captor, QPoint(300, 400), QPoint(380, 450));
        QTest::keyClick(captor, Qt::Key_Escape);
        QTRY_VERIFY(!captor);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("kept"));

        captor = StartCaptor();
        QVERIFY(captor);
        Drag(captor, QPoint(300, 400), QPoint(380, 450));
        QTest::mouseDClick(captor->Selection(), Qt::LeftButton, {}, QPoint(40, 25));
        QTRY_VERIFY(!captor);
        const QImage copied = QGuiApplication::clipboard()->image();
        QCOMPARE(copied.size(), QSize(80, 50));
        QCOMPARE(copied.convertToFormat(QImage::Format_RGB32), FPattern.Image.copy(0, 0, 80, 50));

        // The right button on the window closes the tool.
        captor = StartCaptor();
        QVERIFY(captor);
        Send(captor, QEvent::MouseButtonPress, QPoint(900, 900), Qt::RightButton, Qt::RightButton);
        QTRY_VERIFY(!captor);
    }
};

QTEST_MAIN(TestCaptor)
#include "test_captor.moc"
