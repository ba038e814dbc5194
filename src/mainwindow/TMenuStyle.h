#pragma once
// The look of every popup menu of the main window: the skin's menu face with a shadow-coloured
// icon column, the menu item background bitmap on the selected item, menu icons from the skin
// and 8 px separators.

#include <QImage>
#include <QProxyStyle>

class QAction;
class QMenu;

class TMenuStyle : public QProxyStyle {
    Q_OBJECT
public:
    static constexpr int SeparatorHeight = 8;
    static constexpr int IconColumn = 22;
    static constexpr int IconLeft = 3;
    static constexpr int CaptionLeft = 25;
    static constexpr int ExtraWidth = 32;
    static constexpr int CheckImage = 8;

    TMenuStyle();

    // The menu icon cell (ImageList1) of the skin, magenta made transparent; null when the skin
    // has no such cell.
    static QImage MenuImage(int index);
    // Gives the action the menu icon at index (none when negative).
    static void SetImage(QAction *action, int index);
    // Makes menu and its submenus owner-drawn with the one shared style.
    static void Apply(QMenu *menu);

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override;
    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override;
    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override;
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override;
};
