#pragma once
// The settings window (unit options), "游戏大厅设置": a tree of pages on the left, the general
// switches and the account page on the right. Settings are stored when the window ends with
// "确定"; account changes in the account page are saved at once.

#include "controls/TSkinForm.h"

#include <QDomElement>

#include <array>
#include <functional>

class QCheckBox;
class QGroupBox;
class QLabel;
class TAccountPage;
class TBossKeyEdit;
class TEControl;
class TPaintPanel;
class TUserData;

class TfrmOptions : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int PageGeneral = 0;
    static constexpr int PageAccounts = 1;

    // data: the document the account page lists (the process-wide one by default).
    explicit TfrmOptions(QWidget *Owner = nullptr, TUserData *data = nullptr);

    // Shows the window modally on that page; "确定" stores the settings. Returns the result.
    int Open(int page);
    // Tree selection: shows the page and loads it the first time.
    void ShowPage(int page);
    int CurrentPage() const { return FPage; }
    bool PageLoaded(int page) const { return FLoaded[page]; }
    // Writes the settings of every page that was loaded.
    void Store();

    // "立即检查": the manual update check.
    std::function<void()> OnCheckUpdate;
    // "添加帐号": runs the add-account dialog with the game box showing "请选择游戏" and returns
    // the item it added or overwrote, null when the store did not change.
    std::function<QDomElement(QWidget *owner)> OnAddAccount;

    TEControl *TreeView1 = nullptr;
    std::array<QGroupBox *, 2> Pages{};
    // General page.
    QCheckBox *chkAutoRun = nullptr;     // "开机后自动运行游戏大厅"
    QCheckBox *chkMiniToTray = nullptr;  // "最小化到系统托盘图标"
    QCheckBox *chkCloseToTray = nullptr; // "点击关闭按钮最小化到系统托盘图标"
    QCheckBox *chkMaximized = nullptr;   // "软件启动后自动最大化"
    QCheckBox *chkCheckUpdate = nullptr; // "启动时检查版本更新"
    QCheckBox *chkAskClose = nullptr;    // "确认退出程序"
    TEControl *lnkCheckNow = nullptr;    // "立即检查"
    TBossKeyEdit *edtBossKey = nullptr;  // "老板键："
    // Account page.
    QCheckBox *chkSaveForm = nullptr; // "启用帐号保存提示"
    QCheckBox *chkFillForm = nullptr; // "自动填写页面中已保存的帐号"
    TEControl *lnkAddUser = nullptr;  // "添加帐号"
    TAccountPage *WebBrowser1 = nullptr;

    // Runs a link button's action, as releasing the mouse on it does.
    void AddAccount();

protected:
    void FormShow() override;

private:
    TEControl *MakeLink(QWidget *parent, const QString &text, const std::function<void()> &run);
    void TreeDraw(TEControl *sender, QPainter &canvas);
    void LoadPage(int page);
    QCheckBox *Check(QWidget *parent, const QString &text, int y);

    TUserData &FData;
    TPaintPanel *FTreeFrame = nullptr;
    int FPage = -1;
    std::array<bool, 2> FLoaded{};
    bool FButtonsAdded = false;
};
