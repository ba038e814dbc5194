#pragma once
// The save-account prompt (unit saveform): offers a login typed into a game page for storing,
// with its title editable, "以后不再询问" and "不保存该帐号".

#include "controls/TSkinForm.h"

class QCheckBox;
class QLabel;
class QLineEdit;

class TForm1 : public TSkinForm {
    Q_OBJECT

public:
    explicit TForm1(QWidget *Owner = nullptr);

    QLabel *Label1 = nullptr;       // "帐号名称"
    QLineEdit *Edit1 = nullptr;     // the account title
    QCheckBox *CheckBox1 = nullptr; // "以后不再询问"
    QCheckBox *CheckBox2 = nullptr; // "不保存该帐号"

protected:
    void FormShow() override;

private:
    bool FButtonsAdded = false;
};
