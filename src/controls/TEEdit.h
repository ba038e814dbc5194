#pragma once
// A single-line edit that reports focus changes and selects all its text on the click that
// gives it the focus.

#include <QLineEdit>

#include <functional>

class TEEdit : public QLineEdit {
    Q_OBJECT

public:
    using TFocusChangeEvent = std::function<void(TEEdit *Sender, bool Focused)>;

    explicit TEEdit(QWidget *Owner = nullptr);
    ~TEEdit() override;

    TFocusChangeEvent FocusChange;

protected:
    void focusInEvent(QFocusEvent *Event) override;
    void focusOutEvent(QFocusEvent *Event) override;
    void mousePressEvent(QMouseEvent *Event) override;
    void mouseReleaseEvent(QMouseEvent *Event) override;

private:
    // Whether the edit had the focus when the left button went down.
    bool FHadFocus = false;
    // The focus arrived with the press now being handled (the toolkit gives the focus before
    // the press reaches the edit).
    bool FFocusFromPress = false;
};
