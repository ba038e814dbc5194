// The close confirmation, refresh interval, password, about box and mini home.

#include "controls/TEControl.h"
#include "controls/TPushButton.h"
#include "controls/TSkin.h"
#include "dialogs/TFileDialog.h"
#include "dialogs/TMiniHome.h"
#include "dialogs/TTranslations.h"
#include "dialogs/TfrmAbout.h"
#include "dialogs/TfrmClose.h"
#include "dialogs/TfrmPass.h"
#include "dialogs/TfrmSetRefresh.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

class TestDialogs : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void closeChoice();
    void refreshInterval();
    void password();
    void about();
    void miniHome();
    void fileDialogInChinese();
};

void TestDialogs::initTestCase() {
    const QString path = qEnvironmentVariable("LUDORA_BUILD_DIR") + "/skin/default.skin";
    QCOMPARE(LoadSkinFrom(path, "default", Skin()), QString());
}

void TestDialogs::closeChoice() {
    TfrmClose form;
    QCOMPARE(form.CaptionText(), QString("关闭提示"));
    QCOMPARE(form.ClientWidth(), 278);
    QCOMPARE(form.SelectedTag(), -1);
    form.SelectTag(1);
    QCOMPARE(form.SelectedTag(), 1);
    // A stored choice that matches no button leaves none selected.
    form.SelectTag(7);
    QCOMPARE(form.SelectedTag(), -1);
    QVERIFY(!form.RadioButtons[0]->isChecked() && !form.RadioButtons[2]->isChecked());

    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Buttons().size(), 2);
    QVERIFY(form.ButtonBar());
    // "下次不再提示" lies above the button row's rule, clear of the buttons.
    const int rule = form.ClientHeight() - TPushButton::ButtonSize().height() - 18;
    QVERIFY(form.CheckBox1->geometry().bottom() < rule);
    QVERIFY(form.CheckLabel->geometry().bottom() < rule);
    for (TEControl *button : form.Buttons())
        QVERIFY(!button->geometry().intersects(form.CheckLabel->geometry()));
    // The texts beside the boxes select them too.
    QTest::mouseClick(form.RadioLabels[2], Qt::LeftButton);
    QCOMPARE(form.SelectedTag(), 2);
    QTest::mouseClick(form.CheckLabel, Qt::LeftButton);
    QVERIFY(form.DontAskAgain());
    // Showing again adds no second row of buttons.
    form.hide();
    form.show();
    QCOMPARE(form.Buttons().size(), 2);
}

void TestDialogs::refreshInterval() {
    const struct {
        const char *Text;
        int Seconds;
    } cases[] = {{"45", 45},  {"20", 20}, {"5", 20},    {"-30", 20},
                 {"abc", 20}, {"", 20},   {" 60 ", 60}, {"12.5", 20}};
    for (const auto &c : cases)
        QCOMPARE(TfrmSetRefresh::IntervalFrom(c.Text), c.Seconds);

    TfrmSetRefresh form;
    QCOMPARE(form.Edit1->text(), QString("20"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.Edit1->x(), form.Label1->geometry().right() + 1 + 3);
    QCOMPARE(form.Label2->x(), form.Edit1->geometry().right() + 1 + 3);
    QCOMPARE(form.Label4->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(form.focusWidget(), form.Edit1);
    QCOMPARE(form.ButtonWithResult(2)->Caption(), QString("取消"));
}

void TestDialogs::password() {
    TfrmPass form;
    QCOMPARE(form.Edit1->echoMode(), QLineEdit::Password);
    form.SetCaption("请输入解除标签保护密码");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.focusWidget(), form.Edit1);
    QTest::keyClicks(form.Edit1, "s3cret");
    QCOMPARE(form.Edit1->text(), QString("s3cret"));
    QTest::keyClick(form.Edit1, Qt::Key_Return);
    QCOMPARE(form.ModalResult(), 1);
}

void TestDialogs::about() {
    QCOMPARE(TfrmAbout::VersionText(), QString(LUDORA_TEST_VERSION));
    QString opened;
    TfrmAbout::SetOpenPage([&opened](const QString &url) { opened = url; });
    TfrmAbout form;
    QCOMPARE(form.Label3->text(), QString(LUDORA_TEST_VERSION));
    // Without an application icon the box shows the program icon the build draws.
    QVERIFY(!TfrmAbout::ProgramIcon().pixmap(48, 48).isNull());
    QVERIFY(!form.windowIcon().isNull());
    QVERIFY(form.EControl2->Hint().startsWith("http://127.0.0.1:"));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    // The link is as wide as its address and sits 5 px above the bottom line.
    QCOMPARE(form.EControl2->width(), form.fontMetrics().horizontalAdvance(form.EControl2->Hint()));
    QCOMPARE(form.EControl2->geometry().bottom() + 1 + 5, form.Label4->y());
    QVERIFY(!form.EControl1->isVisible());
    QTest::mouseClick(form.EControl2, Qt::LeftButton, {}, QPoint(3, 3));
    QCOMPARE(opened, form.EControl2->Hint());
    TfrmAbout::SetOpenPage(nullptr);
}

void TestDialogs::miniHome() {
    TMiniHome home;
    QVERIFY(!home.isVisible());
    QVERIFY(home.Timer1.isActive());
    QCOMPARE(home.Timer1.interval(), 10000);
    QCOMPARE(home.parentWidget(), nullptr);
    QString navigated;
    home.OnNavigate = [&navigated](const QString &url) { navigated = url; };
    auto *host = new QWidget;
    home.SetPageHost(host);
    home.Timer1Timer();
    QVERIFY(!home.Timer1.isActive());
    QCOMPARE(navigated, TMiniHome::PageAddress());
    QVERIFY(home.isVisible());
    QCOMPARE(host->geometry(), home.Client()->rect());
    QCOMPARE(home.ClientWidth(), 586);
    // Closing only hides it.
    QVERIFY(home.close());
    QVERIFY(!home.isVisible());
    QCOMPARE(home.PageHost(), host);
}

// Qt's own file dialog speaks the program's language once the system's translations are loaded,
// and says what it is for in its title.
void TestDialogs::fileDialogInChinese() {
    QVERIFY2(TTranslations::Load(), qPrintable(TTranslations::Folder()));
    QString title;
    QString save;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&]() {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible())
            return;
        poll.stop();
        title = dialog->windowTitle();
        if (auto *box = dialog->findChild<QDialogButtonBox *>())
            if (QPushButton *button = box->button(QDialogButtonBox::Save))
                save = button->text();
        const QString dir = qEnvironmentVariable("LUDORA_BUILD_DIR") + "/screenshots";
        QDir().mkpath(dir);
        dialog->grab().save(dir + "/file_dialog_export.png");
        dialog->reject();
    });
    poll.start(50);
    QCOMPARE(TFileDialog::Save(nullptr, QStringLiteral("导出游戏帐号")), QString());
    QCOMPARE(title, QStringLiteral("导出游戏帐号"));
    QVERIFY2(save.contains(QStringLiteral("保存")), qPrintable(save));
}

QTEST_MAIN(TestDialogs)
#include "test_dialogs.moc"
