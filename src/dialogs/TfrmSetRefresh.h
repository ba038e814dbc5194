#pragma once
// The refresh interval entry (unit setRefresh): seconds between automatic refreshes of a tab.

#include "controls/TSkinForm.h"

class QLabel;
class QLineEdit;

class TfrmSetRefresh : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int MinimumInterval = 20;

    explicit TfrmSetRefresh(QWidget *Owner = nullptr);

    QLabel *Label1 = nullptr; // "页面刷新间隔"
    QLineEdit *Edit1 = nullptr;
    QLabel *Label2 = nullptr; // "秒"
    QLabel *Label3 = nullptr; // "注意："
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;

    // The interval a caller takes from the edit: a whole number of seconds, 20 when the text is
    // not a number, and never below 20.
    static int IntervalFrom(const QString &Text);

protected:
    void FormShow() override;

private:
    bool FButtonsAdded = false;
};
