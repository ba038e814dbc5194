#pragma once
// The account chooser: which stored accounts a game opens with. The caller fills the names and
// reads which are ticked after OK; each ticked one starts a tab of its own.

#include "controls/TSkinForm.h"

#include <QStringList>

class QListWidget;

class TfrmSelLogin : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int RowHeight = 16;

    explicit TfrmSelLogin(QWidget *Owner = nullptr);

    // The game the accounts belong to.
    QString Location;

    // One account: its user name, and its title shown beside it when it has one.
    void AddName(const QString &Name, bool Checked = false, const QString &Title = QString());
    QStringList Names() const;
    // The ticked names, in list order.
    QStringList CheckedNames() const;
    void SetChecked(int Index, bool Checked);
    bool IsChecked(int Index) const;

    QListWidget *CheckList1 = nullptr; // owner-drawn check list

protected:
    void FormShow() override;
    void keyPressEvent(QKeyEvent *Event) override;

private:
    // OK with nothing ticked keeps the chooser open with a notice.
    bool AnyChecked();

    bool FButtonsAdded = false;
};
