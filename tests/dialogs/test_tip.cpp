// The message box: its answers, the shrink without a second line and the test seam.

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "dialogs/TfrmTip.h"

#include <QLabel>
#include <QTest>
#include <QTimer>

namespace {

struct TSeen {
    QSize Size;
    QList<QRect> Buttons;
    QString Caption;
};

// Runs ShowTip and, once its window is up, records it and acts on it.
int RunTip(const QString &line2, int kind, TSeen &seen,
           const std::function<void(TSkinForm *)> &act) {
    QTimer::singleShot(0, [&seen, act] {
        TSkinForm *form = TSkinForm::ModalForm();
        QVERIFY(form);
        QVERIFY(QTest::qWaitForWindowExposed(form));
        seen.Size = form->size();
        seen.Caption = form->CaptionText();
        for (TEControl *b : form->Buttons())
            seen.Buttons.append(b->geometry());
        act(form);
    });
    return ShowTip("确认", "是否要关闭已锁定的标签？", line2, kind);
}

void Click(TSkinForm *form, int result) {
    QTest::mouseClick(form->ButtonWithResult(result), Qt::LeftButton, {}, QPoint(8, 8));
}

} // namespace

class TestTip : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void answers();
    void emptySecondLineShrinks();
    void longLineWidensAndPlainText();
    void nextAnswerSeam();
};

void TestTip::initTestCase() {
    const QString path = qEnvironmentVariable("LUDORA_BUILD_DIR") + "/skin/default.skin";
    QCOMPARE(LoadSkinFrom(path, "default", Skin()), QString());
}

void TestTip::answers() {
    TSeen seen;
    QCOMPARE(RunTip("", 4, seen, [](TSkinForm *f) { Click(f, 6); }), 6);
    QCOMPARE(seen.Caption, QString("确认"));
    QCOMPARE(seen.Buttons.size(), 2);
    QCOMPARE(RunTip("", 4, seen, [](TSkinForm *f) { Click(f, 7); }), 7);
    QCOMPARE(RunTip("second", 0, seen, [](TSkinForm *f) { Click(f, 1); }), 1);

    // The title-bar close button ends the box with 0.
    QCOMPARE(RunTip("", 4, seen,
                    [](TSkinForm *f) {
                        const QPoint close(f->width() - Skin().FrameThickness() - 6,
                                           Skin().TitleBarHeight() / 2);
                        QTest::mouseClick(f, Qt::LeftButton, {}, close);
                    }),
             0);
    // The box is gone after the call.
    QCOMPARE(TSkinForm::ModalForm(), nullptr);
    for (QWidget *w : QApplication::topLevelWidgets())
        QVERIFY(!qobject_cast<TfrmTip *>(w));
}

void TestTip::emptySecondLineShrinks() {
    TSeen two, one;
    RunTip("second line", 4, two, [](TSkinForm *f) { Click(f, 7); });
    RunTip("", 4, one, [](TSkinForm *f) { Click(f, 7); });
    const int f = Skin().FrameThickness();
    QCOMPARE(two.Size, QSize(TfrmTip::DesignClientWidth + 2 * f,
                             Skin().TitleBarHeight() + TfrmTip::DesignClientHeight + f));
    const int shrink = two.Size.height() - one.Size.height();
    QVERIFY(shrink > 8 && shrink < 30); // one label height
    QCOMPARE(one.Size.width(), two.Size.width());
    QCOMPARE(one.Buttons.size(), 2);
    for (int i = 0; i < 2; ++i)
        QCOMPARE(one.Buttons[i], two.Buttons[i].translated(0, -shrink));
    // Buttons keep their distance from the bottom of the client area.
    QCOMPARE(two.Buttons[0].bottom() + 1 + 8, TfrmTip::DesignClientHeight);
}

void TestTip::longLineWidensAndPlainText() {
    TSeen normal, wide;
    RunTip("", 0, normal, [](TSkinForm *f) { Click(f, 1); });
    const QString longLine = QString("很长的提示文字").repeated(8);
    RunTip(longLine, 0, wide, [longLine](TSkinForm *f) {
        auto *tip = static_cast<TfrmTip *>(f);
        QVERIFY(tip->Label2->geometry().right() < tip->ClientWidth());
        Click(f, 1);
    });
    // Text is shown as it is, never as markup.
    TSeen markup;
    RunTip("<b>x</b>", 0, markup, [](TSkinForm *f) {
        auto *tip = static_cast<TfrmTip *>(f);
        QCOMPARE(tip->Label2->width(), tip->fontMetrics().horizontalAdvance("<b>x</b>"));
        Click(f, 1);
    });
    const int grow = wide.Size.width() - normal.Size.width();
    QVERIFY(grow > 0);
    // The button keeps its place relative to the right edge.
    QCOMPARE(wide.Buttons[0].x(), normal.Buttons[0].x() + grow);
}

void TestTip::nextAnswerSeam() {
    TfrmTip::TakeCalls();
    TfrmTip::SetNextAnswer(6);
    TfrmTip::SetNextAnswer(7);
    QCOMPARE(ShowTip("确认", "a", "", bkYesNo), 6);
    QCOMPARE(ShowTip("提示", "b", "c", bkOk), 7);
    QCOMPARE(TSkinForm::ModalForm(), nullptr);
    const QList<TTipCall> calls = TfrmTip::TakeCalls();
    QCOMPARE(calls.size(), 2);
    QCOMPARE(calls[1].Caption, QString("提示"));
    QCOMPARE(calls[1].Line2, QString("c"));
    QCOMPARE(calls[0].Kind, 4);
    QVERIFY(TfrmTip::TakeCalls().isEmpty());
}

QTEST_MAIN(TestTip)
#include "test_tip.moc"
