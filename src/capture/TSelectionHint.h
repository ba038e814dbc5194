#pragma once
// The capture window's hint box: two lines telling the player what to do next. It gets out of
// the pointer's way by jumping to the other side of the screen.

#include <QString>
#include <QWidget>

class TSelectionHint : public QWidget {
    Q_OBJECT

public:
    static constexpr int HintWidth = 200;
    static constexpr int HintHeight = 100;

    explicit TSelectionHint(QWidget *parent);

    QString Line1;
    QString Line2;

protected:
    void paintEvent(QPaintEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
};
