// The settings window and the account windows with the real web engine: the account page lists
// hostile titles as text and saves and deletes through the page itself; which settings "确定"
// stores; the login dialog's two modes; import and export with their messages. Screenshots of
// each window go to build/screenshots.

#include "support/TTestSupport.h"

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "core/TProgram.h"
#include "dialogs/TAccountActions.h"
#include "dialogs/TFileDialog.h"
#include "dialogs/TForm1.h"
#include "dialogs/TfrmLogin.h"
#include "dialogs/TfrmTip.h"
#include "options/TAccountPage.h"
#include "options/TfrmOptions.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

QString ScreenshotPath(const QString &name) {
    const QString dir = TestSupport::BuildDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir + QLatin1Char('/') + name;
}

// Titles a page could have captured: each must show exactly as typed.
const QStringList HostileTitles = {
    QStringLiteral("say \"hi\" <b>bold</b>"),
    QStringLiteral("<script>document.title='pwned'</script>"),
    QStringLiteral("a & b &amp; <img src=x onerror=alert(1)>"),
};

} // namespace

class TestOptions : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QString Dir() const { return FDir.path() + QLatin1Char('/'); }

    // Runs script in the page and waits for its result.
    static QVariant Eval(TAccountPage *page, const QString &script) {
        QVariant result;
        bool done = false;
        page->page()->runJavaScript(script, [&](const QVariant &v) {
            result = v;
            done = true;
        });
        if (!QTest::qWaitFor([&]() { return done; }, 10000))
            return QVariant();
        return result;
    }
    // The table as the page shows it: per account its title text, the three input values, the
    // handle and the game shown beside the title.
    static QJsonArray Rows(TAccountPage *page) {
        return QJsonDocument::fromJson(
                   Eval(page,
                        QStringLiteral(
                            "(function(){var t=document.getElementById('table'),o=[];"
                            // Open and close every row, so each has its boxes.
                            "for(var j=0;j<t.rows.length;j+=2){var d=t.rows[j].cells[0]"
                            ".firstChild;d.click();d.click();}"
                            "for(var i=0;i+1<t.rows.length;i+=2){var c=t.rows[i+1].cells[0],"
                            "n=c.getElementsByTagName('input'),d=t.rows[i].cells[0].firstChild;"
                            "o.push([d.firstChild.textContent,n[0].value,n[1].value,"
                            "n[2].value,c.id,d.lastChild.textContent]);}"
                            "return JSON.stringify(o);})()"))
                       .toString()
                       .toUtf8())
            .array();
    }
    static TUserData Reread(const QString &file) {
        TUserData d;
        d.SetCurrentFile(file);
        d.Load();
        return d;
    }

private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", (Dir() + QStringLiteral("config")).toUtf8());
        OpenSettings(Dir() + QStringLiteral("ludora.ini"));
        QCOMPARE(LoadSkinFrom(TestSupport::BuildDir() + QStringLiteral("/skin/default.skin"),
                              QStringLiteral("default"), Skin()),
                 QString());
    }

    void accountPageShowsSavesAndDeletesAsTyped() {
        TUserData data;
        data.SetCurrentFile(Dir() + QStringLiteral("userdata/page.dat"));
        for (int i = 0; i < HostileTitles.size(); ++i)
            data.AppendAccount(QStringLiteral("G\\%1\\").arg(i), QStringLiteral("u\"%1<").arg(i),
                               HostileTitles[i], QStringLiteral("p'\"%1</td>").arg(i));
        // Not listed: without title, without user.
        data.AppendAccount(QStringLiteral("G\\x\\"), QStringLiteral("nocaption"), QString(),
                           QString())
            .removeAttribute(QStringLiteral("caption"));
        data.AppendAccount(QStringLiteral("G\\y\\"), QString(), QStringLiteral("nouser"), QString())
            .removeAttribute(QStringLiteral("user"));
        data.Save();

        TfrmOptions form(nullptr, &data);
        form.show();
        QSignalSpy ready(form.WebBrowser1, &TAccountPage::TableReady);
        form.ShowPage(TfrmOptions::PageAccounts);
        QVERIFY(ready.wait(20000) || !ready.isEmpty());
        QCOMPARE(ready[0][0].toInt(), 2 * HostileTitles.size());

        // The page reaches its window once its channel is up.
        QTRY_VERIFY(Eval(form.WebBrowser1, QStringLiteral("host !== null")).toBool());
        QJsonArray rows = Rows(form.WebBrowser1);
        QCOMPARE(rows.size(), HostileTitles.size());
        for (int i = 0; i < HostileTitles.size(); ++i) {
            const QJsonArray r = rows[i].toArray();
            QCOMPARE(r[0].toString(),
                     HostileTitles[i] + QStringLiteral("[u\"%1<]").arg(i)); // title as text
            QCOMPARE(r[1].toString(), HostileTitles[i]);
            QCOMPARE(r[2].toString(), QStringLiteral("u\"%1<").arg(i));
            QCOMPARE(r[3].toString(), QStringLiteral("p'\"%1</td>").arg(i));
            QCOMPARE(r[5].toString(), QString::number(i)); // the game of "G\<i>\"
        }
        // Nothing of the values became markup: no bold text, image or script ran.
        QCOMPARE(Eval(form.WebBrowser1, QStringLiteral("document.querySelectorAll('#table b, "
                                                       "#table img, #table script').length"))
                     .toInt(),
                 0);
        QVERIFY(Eval(form.WebBrowser1, QStringLiteral("document.title")).toString() !=
                QStringLiteral("pwned"));

        // Open the second row for editing, type hostile values and press "保存".
        Eval(form.WebBrowser1,
             QStringLiteral(
                 "document.getElementById('table').rows[2].firstChild.firstChild.click()"));
        Eval(form.WebBrowser1, QStringLiteral("(function(){var n=document.getElementById('table')"
                                              ".rows[3].getElementsByTagName('input');"
                                              "n[0].value='新 \"</td><b>t</b>';n[1].value='x&y';"
                                              "n[2].value='\\u5bc6\\\\\\'';})()"));
        QTest::qWait(300);
        form.grab().save(ScreenshotPath(QStringLiteral("options_account_editing.png")));
        QSignalSpy saved(form.WebBrowser1, &TAccountPage::ItemSaved);
        Eval(form.WebBrowser1, QStringLiteral("document.getElementById('table').rows[3]"
                                              ".getElementsByTagName('a')[1].click()"));
        QVERIFY(saved.wait(10000) || !saved.isEmpty());
        TUserData after = Reread(data.CurrentFile());
        const QDomElement edited =
            after.FindAccount(QStringLiteral("G\\1\\"), QStringLiteral("x&y"));
        QVERIFY(!edited.isNull());
        QCOMPARE(edited.attribute(QStringLiteral("caption")), QStringLiteral("新 \"</td><b>t</b>"));
        QCOMPARE(edited.attribute(QStringLiteral("pass")), QStringLiteral("密\\'"));
        QCOMPARE(Rows(form.WebBrowser1)[1].toArray()[0].toString(),
                 QStringLiteral("新 \"</td><b>t</b>[x&y]"));

        // Delete asks in the message box: "否" keeps row and item, "是" removes both.
        TfrmTip::TakeCalls();
        TfrmTip::SetNextAnswer(7);
        const QString clickDelete = QStringLiteral(
            "document.getElementById('table').rows[1].getElementsByTagName('a')[0].click()");
        Eval(form.WebBrowser1, clickDelete);
        const QList<TTipCall> calls = TfrmTip::TakeCalls();
        QCOMPARE(calls.size(), 1);
        QCOMPARE(calls[0].Caption, QStringLiteral("提示"));
        QCOMPARE(calls[0].Line1, QStringLiteral("是否确认删除此帐号？"));
        QCOMPARE(calls[0].Kind, 4);
        QCOMPARE(Rows(form.WebBrowser1).size(), 3);
        QSignalSpy deleted(form.WebBrowser1, &TAccountPage::ItemDeleted);
        TfrmTip::SetNextAnswer(6);
        Eval(form.WebBrowser1, clickDelete);
        QVERIFY(deleted.wait(10000) || !deleted.isEmpty());
        rows = Rows(form.WebBrowser1);
        QCOMPARE(rows.size(), 2);
        after = Reread(data.CurrentFile());
        QVERIFY(after.FindAccount(QStringLiteral("G\\0\\"), QStringLiteral("u\"0<")).isNull());
        QCOMPARE(after.AccountsFolder().childNodes().count(), 4);
        // A handle the window no longer knows does nothing.
        form.WebBrowser1->page()->runJavaScript(QStringLiteral("host.delItem(9999)"));
        QTest::qWait(200);
        QCOMPARE(Reread(data.CurrentFile()).AccountsFolder().childNodes().count(), 4);

        // An account added by the add-account dialog gets its rows at the end.
        form.OnAddAccount = [&data](QWidget *) {
            QDomElement item =
                data.AppendAccount(QStringLiteral("G\\n\\"), QStringLiteral("新"),
                                   QStringLiteral("<i>added</i>"), QStringLiteral("p"));
            data.Save();
            return item;
        };
        form.AddAccount();
        QTRY_COMPARE(Rows(form.WebBrowser1).size(), 3);
        QCOMPARE(Rows(form.WebBrowser1)[2].toArray()[0].toString(),
                 QStringLiteral("<i>added</i>[新]"));
        form.grab().save(ScreenshotPath(QStringLiteral("options_accounts.png")));
    }

    void saveWithoutEditingKeepsLineBreaks() {
        TUserData data;
        data.SetCurrentFile(Dir() + QStringLiteral("userdata/breaks.dat"));
        data.AppendAccount(QStringLiteral("G\\4\\"), QStringLiteral("u4\nline"),
                           QStringLiteral("标题\r\n4"), QStringLiteral("p4\r\n"));
        data.Save();
        TfrmOptions form(nullptr, &data);
        form.show();
        QSignalSpy ready(form.WebBrowser1, &TAccountPage::TableReady);
        form.ShowPage(TfrmOptions::PageAccounts);
        QVERIFY(ready.wait(20000) || !ready.isEmpty());
        QTRY_VERIFY(Eval(form.WebBrowser1, QStringLiteral("host !== null")).toBool());
        // The boxes show the values without their line breaks; "保存" as they are changes
        // nothing, an edited box is taken.
        const QString open = QStringLiteral(
            "document.getElementById('table').rows[0].firstChild.firstChild.click()");
        const QString save = QStringLiteral("document.getElementById('table').rows[1]"
                                            ".getElementsByTagName('a')[1].click()");
        Eval(form.WebBrowser1, open);
        QSignalSpy saved(form.WebBrowser1, &TAccountPage::ItemSaved);
        Eval(form.WebBrowser1, save);
        QVERIFY(saved.wait(10000) || !saved.isEmpty());
        TUserData after = Reread(data.CurrentFile());
        QDomElement item = after.FindAccount(QStringLiteral("G\\4\\"), QStringLiteral("u4\nline"));
        QVERIFY(!item.isNull());
        QCOMPARE(item.attribute(QStringLiteral("pass")), QStringLiteral("p4\r\n"));
        QCOMPARE(item.attribute(QStringLiteral("caption")), QStringLiteral("标题\r\n4"));

        Eval(form.WebBrowser1, open);
        Eval(form.WebBrowser1, QStringLiteral("document.getElementById('table').rows[1]"
                                              ".getElementsByTagName('input')[2].value='p5'"));
        Eval(form.WebBrowser1, save);
        QTRY_COMPARE(saved.size(), 2);
        after = Reread(data.CurrentFile());
        item = after.FindAccount(QStringLiteral("G\\4\\"), QStringLiteral("u4\nline"));
        QCOMPARE(item.attribute(QStringLiteral("pass")), QStringLiteral("p5"));
        QCOMPARE(item.attribute(QStringLiteral("caption")), QStringLiteral("标题\r\n4"));
    }

    void okStoresOnlyLoadedPages() {
        Settings().WriteBool(TKey::CheckUpdate, true);
        QFile::remove(Settings().FileName());
        TUserData data;
        {
            // "确定" on the general page alone writes no account switches.
            TfrmOptions form(nullptr, &data);
            form.show();
            form.ShowPage(TfrmOptions::PageGeneral);
            QVERIFY(form.chkCheckUpdate->isChecked());
            QVERIFY(form.chkAskClose->isChecked());
            form.chkCheckUpdate->setChecked(false);
            form.chkCloseToTray->setChecked(true);
            form.chkAutoRun->setChecked(true);
            QTest::qWait(200);
            form.grab().save(ScreenshotPath(QStringLiteral("options_general.png")));
            form.Store();
        }
        QVERIFY(!Settings().ReadBool(TKey::CheckUpdate));
        QVERIFY(Settings().CloseToTray);
        QVERIFY(!Settings()
                     .Ini()
                     .ReadString(QStringLiteral("General"), QStringLiteral("SaveForm"),
                                 QStringLiteral("none"))
                     .contains(QLatin1Char('1')));
        QVERIFY(QFile::exists(Dir() + QStringLiteral("config/autostart/ludora.desktop")));
        {
            // "管理帐号数据" then "取消": the switches stay as they were.
            TfrmOptions form(nullptr, &data);
            form.ShowPage(TfrmOptions::PageAccounts);
            QVERIFY(form.chkSaveForm->isChecked());
            form.chkSaveForm->setChecked(false);
            QTimer::singleShot(300, &form, [&form]() { form.SetModalResult(2); });
            QCOMPARE(form.Open(TfrmOptions::PageAccounts), 2);
            QVERIFY(Settings().SaveForm);
            form.chkFillForm->setChecked(false);
            form.Store();
            QVERIFY(!Settings().FillForm);
            QVERIFY(!Settings().ReadBool(TKey::FillForm));
        }
        Settings().WriteBool(TKey::FillForm, true);
        Settings().WriteBool(TKey::CloseToTray, false);
    }

    void loginDialogModes() {
        QDir().mkpath(Dir() + QStringLiteral("userdata"));
        TUserData data;
        TfrmLogin form(Dir(), data, &Settings());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.ComboBox1->setEditText(QStringLiteral("nobody"));
        form.Edit1->setText(QStringLiteral("x"));
        QTest::keyClick(form.Edit1, Qt::Key_Return);
        QCOMPARE(form.Message->text(), QStringLiteral("用户名不存在！"));
        QVERIFY(form.isVisible());
        QTest::qWait(100);
        form.grab().save(ScreenshotPath(QStringLiteral("login_normal.png")));

        const int normalHeight = form.ClientHeight();
        QTest::mouseClick(form.btnNew, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(form.NewUserMode() && form.Edit2->isVisible() && form.btnBack->isVisible());
        QCOMPARE(form.btnLogin->y(), form.Edit2->geometry().bottom() + 1 + 8);
        QCOMPARE(form.ClientHeight(), form.btnLogin->y() + 44);
        form.ComboBox1->setEditText(QStringLiteral("新人"));
        form.Edit2->setText(QStringLiteral("y"));
        QTest::mouseClick(form.btnLogin, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(form.Message->text(), QStringLiteral("两次输入密码不一致！"));
        // A second click with the pointer still on "登录" tries again.
        form.Message->clear();
        QTest::mouseClick(form.btnLogin, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(form.Message->text(), QStringLiteral("两次输入密码不一致！"));
        QTest::qWait(100);
        form.grab().save(ScreenshotPath(QStringLiteral("login_newuser.png")));
        QTest::mouseClick(form.btnBack, Qt::LeftButton, {}, QPoint(5, 5));
        QVERIFY(!form.NewUserMode() && !form.Edit2->isVisible());
        QCOMPARE(form.ClientHeight(), normalHeight);

        form.SetNewUserMode(true);
        form.Edit2->setText(QStringLiteral("x"));
        QVERIFY(form.TryLogin());
        QCOMPARE(form.ModalResult(), 1);
        QCOMPARE(Settings().ReadString(TKey::Login), QStringLiteral("新人"));
        QVERIFY(QFile::exists(TUserData::UserFile(Dir(), QStringLiteral("新人"))));

        // "登录帐号" closed without a log-in: the anonymous user's file is used.
        {
            TUserData anonymous;
            anonymous.AppendAccount(QStringLiteral("G\\"), QStringLiteral("anon"),
                                    QStringLiteral("A"), QStringLiteral("p"));
            anonymous.SetCurrentFile(TUserData::DefaultUserFile(Dir()));
            anonymous.Save();
        }
        UserData().SetCurrentFile(TUserData::UserFile(Dir(), QStringLiteral("新人")));
        QTimer cancel;
        connect(&cancel, &QTimer::timeout, this, []() {
            if (TSkinForm *modal = TSkinForm::ModalForm())
                modal->SetModalResult(2);
        });
        cancel.start(50);
        TAccountActions::SwitchUser(nullptr, Dir());
        cancel.stop();
        QCOMPARE(UserData().CurrentFile(), TUserData::DefaultUserFile(Dir()));
        QVERIFY(!UserData().FindAccount(QStringLiteral("G\\"), QStringLiteral("anon")).isNull());

        TForm1 prompt;
        prompt.Edit1->setText(QStringLiteral("二〇四八 - 登录"));
        prompt.show();
        QVERIFY(QTest::qWaitForWindowExposed(&prompt));
        QTest::qWait(100);
        prompt.grab().save(ScreenshotPath(QStringLiteral("save_prompt.png")));
    }

    void importExportMessages() {
        TUserData &data = UserData();
        data.Clear();
        data.SetCurrentFile(Dir() + QStringLiteral("userdata/msg.dat"));
        data.AppendAccount(QStringLiteral("G\\"), QStringLiteral("a"), QStringLiteral("A"),
                           QStringLiteral("p"), QStringLiteral("ub"), QStringLiteral("pb"));
        data.Save();
        TfrmTip::TakeCalls();
        auto lines = []() {
            QStringList out;
            for (const TTipCall &c : TfrmTip::TakeCalls())
                out << c.Caption + QLatin1Char(':') + c.Line1;
            return out;
        };

        TFileDialog::SetNextAnswer(QString()); // cancelled: nothing happens
        TAccountActions::Export(nullptr);
        QCOMPARE(lines(), QStringList());
        TFileDialog::SetNextAnswer(Dir() + QStringLiteral("no/such/dir/x.dat"));
        TfrmTip::SetNextAnswer(1);
        TAccountActions::Export(nullptr);
        QCOMPARE(lines(), QStringList{QStringLiteral(
                              "提示:导出帐号失败！无法写入文件，请确保有相应权限！")});
        const QString file = Dir() + QStringLiteral("accounts.dat");
        TFileDialog::SetNextAnswer(file);
        TfrmTip::SetNextAnswer(1);
        TAccountActions::Export(nullptr);
        QCOMPARE(lines(),
                 QStringList{QStringLiteral("提示:您的帐号已成功导出，请妥善保管您的帐号。")});

        data.FindAccount(QStringLiteral("G\\"), QStringLiteral("a"))
            .setAttribute(QStringLiteral("pass"), QStringLiteral("changed"));
        TFileDialog::SetNextAnswer(file);
        TfrmTip::SetNextAnswer(7); // "否": the stored account stays
        TfrmTip::SetNextAnswer(1);
        TAccountActions::Import(nullptr);
        QCOMPARE(lines(), (QStringList{QStringLiteral("确认:游戏大厅中有相同的帐号，是否覆盖？"),
                                       QStringLiteral("提示:您的帐号已成功导入到游戏大厅！")}));
        QCOMPARE(data.FindAccount(QStringLiteral("G\\"), QStringLiteral("a"))
                     .attribute(QStringLiteral("pass")),
                 QStringLiteral("changed"));
        TFileDialog::SetNextAnswer(file);
        TfrmTip::SetNextAnswer(6);
        TfrmTip::SetNextAnswer(1);
        TAccountActions::Import(nullptr);
        lines();
        const QDomElement a = data.FindAccount(QStringLiteral("G\\"), QStringLiteral("a"));
        QCOMPARE(a.attribute(QStringLiteral("pass")), QStringLiteral("p"));
        QCOMPARE(a.attribute(QStringLiteral("ubox")), QStringLiteral("ub"));
        QCOMPARE(a.attribute(QStringLiteral("pbox")), QStringLiteral("pb"));

        QFile bad(Dir() + QStringLiteral("bad.dat"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a user data file");
        bad.close();
        TFileDialog::SetNextAnswer(bad.fileName());
        TfrmTip::SetNextAnswer(1);
        TAccountActions::Import(nullptr);
        QCOMPARE(lines(), QStringList{QStringLiteral("提示:导入帐号失败！文件格式错误或已损坏！")});

        // A captured login the file cannot take is not kept in the store either.
        const QString file0 = data.CurrentFile();
        data.SetCurrentFile(Dir() + QStringLiteral("capture-blocked"));
        QDir().mkpath(data.CurrentFile()); // a folder where the file belongs
        Settings().SaveForm = false;
        TfrmTip::SetNextAnswer(1);
        TAccountActions::ProcessCapture(
            nullptr, QStringLiteral("G\\C\\\r\nxyz\r\npw\r\nT\r\n0\r\nu\r\np"), nullptr);
        QCOMPARE(lines(), QStringList{QStringLiteral("提示:无法保存用户数据文件！")});
        QVERIFY(data.FindAccount(QStringLiteral("G\\C\\"), QStringLiteral("xyz")).isNull());
        Settings().SaveForm = true;
        data.SetCurrentFile(file0);

        // Close action 0 deletes "user.dat" and clears the stored accounts of the current
        // user, in the file too.
        QFile userDat(Dir() + QStringLiteral("user.dat"));
        QVERIFY(userDat.open(QIODevice::WriteOnly));
        userDat.close();
        TAccountActions::CloseAction(nullptr, Dir(), 0);
        QVERIFY(!userDat.exists());
        QVERIFY(Reread(data.CurrentFile()).AccountsFolder().childNodes().isEmpty());
    }
};

int main(int argc, char *argv[]) {
    TProgram::PrepareEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestOptions test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_options.moc"
