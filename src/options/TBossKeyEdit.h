#pragma once
// The settings window's box for the boss key: it shows the combination and takes a new one from
// the next key pressed with Ctrl, Alt or Meta; Backspace or Delete empties it (the key is off).

#include <QLineEdit>

class TBossKeyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit TBossKeyEdit(QWidget *parent = nullptr);

    // The combination in the settings file's form ("Ctrl+Alt+Shift+H"), empty for none.
    QString KeyText() const { return FKey; }
    void SetKeyText(const QString &portable);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QString FKey;
};
