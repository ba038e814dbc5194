#pragma once
// The password entry, used to release a protected tab.

#include "controls/TSkinForm.h"

class QLineEdit;

class TfrmPass : public TSkinForm {
    Q_OBJECT

public:
    explicit TfrmPass(QWidget *Owner = nullptr);

    QLineEdit *Edit1 = nullptr; // shows "*" for every character

protected:
    void FormShow() override;

private:
    bool FButtonsAdded = false;
};
