#pragma once
// The message box: a caption, one or two text lines and "确定" or "是"/"否". Every
// notice and question of the program goes through ShowTip.

#include "controls/TSkinForm.h"

#include <QList>
#include <QString>

class QLabel;

// One call of ShowTip, as recorded for tests.
struct TTipCall {
    QString Caption;
    QString Line1;
    QString Line2;
    int Kind = bkOk; // a TButtonKind
};

class TfrmTip : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int DesignClientWidth = 319;
    static constexpr int DesignClientHeight = 112;

    explicit TfrmTip(QWidget *Owner = nullptr);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;

    // Test seam: the next ShowTip answers this (a TModalResult) without showing a window (answers
    // queue up).
    static void SetNextAnswer(int Answer);
    // The recent ShowTip calls, oldest first; taking them clears the record.
    static QList<TTipCall> TakeCalls();

protected:
    void FormShow() override;

private:
    bool FShrunk = false;
};

// The window ShowTip centres its message boxes on (normally the main window); nullptr means the
// active window.
void SetTipOwner(QWidget *Owner);

// Shows the message box modally; Kind is a TButtonKind: "确定" only (bkOk) or "是" and "否"
// (bkYesNo). Returns a TModalResult: mrOk, mrYes, mrNo, or mrNone when the window was closed
// otherwise.
int ShowTip(const QString &Caption, const QString &Line1, const QString &Line2, int Kind);
