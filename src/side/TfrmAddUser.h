#pragma once
// The add-account dialog: title, game, account and password of a stored game account. The game
// box opens the game picker from its arrow unless a caller fixed the game. After OK the account
// is added to the user data, or an existing one with the same game and account overwritten
// after asking.

#include "controls/TSkinForm.h"

class QLabel;
class QLineEdit;
class TForm2;

class TfrmAddUser : public TSkinForm {
    Q_OBJECT

public:
    static const QString ChooseGame; // "请选择游戏", the game box before a choice

    explicit TfrmAddUser(QWidget *Owner = nullptr);

    // From a game of the side panel: title and game box show its name, the game is fixed.
    void PresetGame(const QString &Caption, const QString &Location);

    QString Location() const; // the chosen game's location ("" before a choice)
    QString Caption() const;  // "名称："
    QString User() const;     // "帐号："
    QString Pass() const;     // "密码："

    // Shows the dialog modally; on OK stores the account (asking before an overwrite) and
    // saves the user data. True when the account was stored.
    bool Execute();
    // The add-or-overwrite step on its own: appends a new account, or after a "是" to
    // "游戏大厅中有相同的帐号，是否覆盖？" sets title and password of the one found. Saves.
    static bool StoreAccount(const QString &Location, const QString &User, const QString &Caption,
                             const QString &Pass);

    // Drops the game picker below the game box (only while the box is enabled).
    void OpenPicker();
    TForm2 *Picker() const { return FPicker; }

    QLineEdit *Edit1 = nullptr;   // "名称："
    QLineEdit *GameBox = nullptr; // "游戏："
    QLineEdit *Edit3 = nullptr;   // "帐号："
    QLineEdit *Edit4 = nullptr;   // "密码：", masked

protected:
    void FormShow() override;
    void keyPressEvent(QKeyEvent *Event) override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    // OK with an empty account box keeps the dialog open with a notice.
    bool AccountGiven();

    bool FButtonsAdded = false;
    TForm2 *FPicker = nullptr;
    QString FPickedCaption; // the caption the last pick put into the title box
};
