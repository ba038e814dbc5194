#pragma once
// The close confirmation (unit askClose): what to do with the account information when the
// program closes, and whether to ask again.

#include "controls/TSkinForm.h"

#include <array>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QRadioButton;

class TfrmClose : public TSkinForm {
    Q_OBJECT

public:
    explicit TfrmClose(QWidget *Owner = nullptr);

    // Tags 0, 1, 2: clear the account information, export it, just close.
    std::array<QRadioButton *, 3> RadioButtons{};
    std::array<QLabel *, 3> RadioLabels{};
    QCheckBox *CheckBox1 = nullptr; // "下次不再提示"
    QLabel *CheckLabel = nullptr;

    // Selects the radio button with this tag; a tag that matches none selects nothing.
    void SelectTag(int Tag);
    // The tag of the selected radio button, -1 when none is selected.
    int SelectedTag() const;
    bool DontAskAgain() const;

protected:
    void FormShow() override;
    bool eventFilter(QObject *Watched, QEvent *Event) override;

private:
    QButtonGroup *FGroup = nullptr;
    bool FButtonsAdded = false;
};
