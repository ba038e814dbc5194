#include "dialogs/TAccountActions.h"

#include "dialogs/TFileDialog.h"
#include "dialogs/TForm1.h"
#include "dialogs/TfrmLogin.h"
#include "dialogs/TfrmTip.h"
#include "side/TGameLists.h"
#include "store/EWriteError.h"
#include "store/TAccountTransfer.h"
#include "store/TCaptureSave.h"
#include "store/TSettings.h"
#include "store/TUserData.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>

namespace {

const QString Notice = QStringLiteral("提示");

} // namespace

bool TAccountActions::SaveUserData() {
    try {
        UserData().Save();
        return true;
    } catch (const EWriteError &e) {
        ShowTip(Notice, QStringLiteral("无法保存用户数据文件！"), e.Message(), bkOk);
        return false;
    }
}

bool TAccountActions::Login(QWidget *owner, const QString &programDir, const QString &userName,
                            const QRect &area) {
    return TfrmLogin::Execute(programDir, UserData(), SettingsOpen() ? &Settings() : nullptr,
                              userName, owner, area);
}

void TAccountActions::SwitchUser(QWidget *owner, const QString &programDir) {
    Login(owner, programDir, QString());
    TUserData &data = UserData();
    if (data.CurrentFile().isEmpty()) {
        data.SetCurrentFile(TUserData::DefaultUserFile(programDir));
        if (!data.Load())
            ShowTip(Notice, QStringLiteral("用户数据文件已损坏，无法读取："), data.CurrentFile(),
                    bkOk);
    }
    data.EnsureStructure();
}

void TAccountActions::Export(QWidget *owner) {
    const QString path = TFileDialog::Save(owner, QStringLiteral("导出游戏帐号"));
    if (path.isEmpty())
        return;
    if (!TAccountTransfer::Export(UserData(), path)) {
        ShowTip(Notice, QStringLiteral("导出帐号失败！无法写入文件，请确保有相应权限！"), QString(),
                bkOk);
        return;
    }
    ShowTip(Notice, QStringLiteral("您的帐号已成功导出，请妥善保管您的帐号。"), QString(), bkOk);
}

void TAccountActions::Import(QWidget *owner) {
    const QString path = TFileDialog::Open(owner, QStringLiteral("导入游戏帐号"));
    if (path.isEmpty())
        return;
    const auto result = TAccountTransfer::Import(UserData(), path, []() {
        return ShowTip(QStringLiteral("确认"), QStringLiteral("游戏大厅中有相同的帐号，是否覆盖？"),
                       QString(), bkYesNo) == mrYes;
    });
    switch (result) {
    case TAccountTransfer::TImport::Unreadable:
        ShowTip(Notice, QStringLiteral("导入帐号失败！文件格式错误或已损坏！"), QString(), bkOk);
        break;
    case TAccountTransfer::TImport::SaveFailed:
        ShowTip(Notice, QStringLiteral("导入帐号失败！无法保存用户数据文件！"), QString(), bkOk);
        break;
    case TAccountTransfer::TImport::TooLarge:
        ShowTip(Notice, QStringLiteral("导入帐号失败！导入后帐号数据过多，游戏大厅将无法读取。"),
                QStringLiteral("原有帐号未做任何改动。"), bkOk);
        break;
    case TAccountTransfer::TImport::Done:
        ShowTip(Notice, QStringLiteral("您的帐号已成功导入到游戏大厅！"), QString(), bkOk);
        break;
    }
}

void TAccountActions::CloseAction(QWidget *owner, const QString &programDir, int action) {
    if (action == 0) {
        // The accounts live in the user files, not in "user.dat": deleting that file alone
        // would leave every stored account in place, so the current user's go as well.
        QFile::remove(programDir + QStringLiteral("user.dat"));
        if (!TAccountTransfer::ClearAccounts(UserData()))
            ShowTip(Notice, QStringLiteral("无法保存用户数据文件！"), UserData().CurrentFile(),
                    bkOk);
    } else if (action == 1) {
        Export(owner);
    }
}

void TAccountActions::ProcessCapture(QWidget *owner, const QString &report,
                                     const std::function<void(const QString &)> &recentChanged) {
    TUserData &data = UserData();
    const bool saveForm = SettingsOpen() ? Settings().SaveForm : true;
    TCapturedLogin login;
    const TCaptureSave::TStep step = TCaptureSave::Decide(report, data, saveForm, &login);
    if (step == TCaptureSave::TStep::Drop)
        return;
    bool changed = false;
    QDomElement stored;
    if (TCaptureSave::MarksRecent(login)) {
        TGameLists::AddToRecentGames(data, login.Location);
        if (recentChanged)
            recentChanged(login.Location);
        changed = true;
    }
    if (step == TCaptureSave::TStep::Ask || step == TCaptureSave::TStep::Store) {
        QString caption = login.Title;
        bool store = true;
        if (step == TCaptureSave::TStep::Ask) {
            auto *prompt = new TForm1(owner);
            QPointer<TForm1> guard(prompt);
            prompt->Edit1->setText(login.Title);
            const bool ok = prompt->ShowModal() == mrOk && guard;
            if (ok) {
                caption = prompt->Edit1->text();
                if (prompt->CheckBox1->isChecked() && SettingsOpen()) {
                    try {
                        Settings().WriteBool(TKey::SaveForm, false);
                    } catch (const EWriteError &) {
                        // The choice holds for this run even when the file refuses it.
                    }
                }
                store = !prompt->CheckBox2->isChecked();
            } else {
                store = false;
            }
            delete guard.data();
        }
        // A report handled while the prompt was open may have stored this account already.
        if (store && data.FindAccount(login.Location, login.User).isNull()) {
            TCaptureSave::Store(data, login, caption);
            stored = data.FindAccount(login.Location, login.User);
            changed = true;
        }
    }
    // An account the file did not take is not kept: the next log-in offers it again.
    if (changed && !SaveUserData() && !stored.isNull())
        stored.parentNode().removeChild(stored);
}
