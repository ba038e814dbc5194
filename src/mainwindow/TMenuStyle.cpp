#include "mainwindow/TMenuStyle.h"

#include "controls/TSkin.h"

#include <QAction>
#include <QMenu>
#include <QPainter>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>

namespace {

int MenuItemHeight() {
    const int h = Skin().BgMenuItem.height();
    return h > 0 ? h : 24;
}

TMenuStyle *SharedStyle() {
    static TMenuStyle *style = new TMenuStyle;
    return style;
}

} // namespace

TMenuStyle::TMenuStyle() : QProxyStyle(QStyleFactory::create(QStringLiteral("Fusion"))) {}

QImage TMenuStyle::MenuImage(int index) {
    const QImage &icons = Skin().Ico2;
    const int s = icons.height();
    if (index < 0 || s <= 0 || (index + 1) * s > icons.width())
        return QImage();
    return MagentaTransparent(icons.copy(index * s, 0, s, s));
}

void TMenuStyle::SetImage(QAction *action, int index) {
    const QImage image = MenuImage(index);
    action->setIcon(image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image)));
    action->setIconVisibleInMenu(true);
}

void TMenuStyle::Apply(QMenu *menu) {
    menu->setStyle(SharedStyle());
    menu->setFont(Skin().Font);
    for (QAction *action : menu->actions())
        if (action->menu())
            Apply(action->menu());
}

QSize TMenuStyle::sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                                   const QWidget *widget) const {
    if (type == CT_MenuItem) {
        if (const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option)) {
            if (item->menuItemType == QStyleOptionMenuItem::Separator)
                return QSize(size.width(), SeparatorHeight);
            const QString caption = item->text.section(QLatin1Char('\t'), 0, 0);
            const int width = item->fontMetrics.horizontalAdvance(caption) + ExtraWidth +
                              (item->menuItemType == QStyleOptionMenuItem::SubMenu ? 12 : 0);
            return QSize(width, MenuItemHeight());
        }
    }
    return QProxyStyle::sizeFromContents(type, option, size, widget);
}

int TMenuStyle::pixelMetric(PixelMetric metric, const QStyleOption *option,
                            const QWidget *widget) const {
    switch (metric) {
    case PM_MenuPanelWidth:
        return 1;
    case PM_MenuHMargin:
    case PM_MenuVMargin:
        return 0;
    default:
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
}

void TMenuStyle::drawPrimitive(PrimitiveElement element, const QStyleOption *option,
                               QPainter *painter, const QWidget *widget) const {
    if (element == PE_PanelMenu || element == PE_FrameMenu) {
        if (element == PE_PanelMenu)
            painter->fillRect(option->rect, ColorToQColor(Skin().MenuFace));
        painter->setPen(ColorToQColor(Skin().Shadow));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void TMenuStyle::drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                             const QWidget *widget) const {
    if (element == CE_MenuEmptyArea) {
        painter->fillRect(option->rect, ColorToQColor(Skin().MenuFace));
        return;
    }
    const auto *item = qstyleoption_cast<const QStyleOptionMenuItem *>(option);
    if (element != CE_MenuItem || item == nullptr) {
        QProxyStyle::drawControl(element, option, painter, widget);
        return;
    }
    const QRect r = item->rect;
    const QColor face = ColorToQColor(Skin().MenuFace);
    const QColor shadow = ColorToQColor(Skin().MenuShadow);
    painter->save();
    painter->fillRect(r, face);
    painter->fillRect(QRect(r.left(), r.top(), IconColumn, r.height()), shadow);
    if (item->menuItemType == QStyleOptionMenuItem::Separator) {
        painter->setPen(shadow);
        const int y = r.top() + r.height() / 2;
        painter->drawLine(r.left() + IconColumn + 2, y, r.right() - 2, y);
        painter->restore();
        return;
    }
    const bool enabled = item->state & State_Enabled;
    const bool selected = item->state & State_Selected;
    if (selected && enabled)
        DrawThreeSlice(*painter, r, Skin().BgMenuItem, Skin().BgMenuItem.rect());

    const bool checked = item->checkType != QStyleOptionMenuItem::NotCheckable && item->checked;
    const QIcon::Mode mode = enabled ? QIcon::Normal : QIcon::Disabled;
    const QIcon icon = checked ? QIcon(QPixmap::fromImage(MenuImage(CheckImage))) : item->icon;
    const QImage image = icon.isNull() ? QImage() : icon.pixmap(QSize(16, 16), mode).toImage();
    if (!image.isNull()) {
        painter->drawImage(r.left() + IconLeft, r.top() + (r.height() - image.height()) / 2, image);
    }
    painter->setFont(item->font);
    painter->setPen(enabled ? ColorToQColor(Skin().FontColor) : QColor(0x80, 0x80, 0x80));
    const QStringList parts = item->text.split(QLatin1Char('\t'));
    const QRect text(r.left() + CaptionLeft, r.top(), r.width() - CaptionLeft - 4, r.height());
    painter->drawText(text,
                      Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine | Qt::TextShowMnemonic,
                      parts.value(0));
    if (parts.size() > 1)
        painter->drawText(text.adjusted(0, 0, -8, 0), Qt::AlignRight | Qt::AlignVCenter,
                          parts.value(1));
    if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
        const int cx = r.right() - 8, cy = r.top() + r.height() / 2;
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setBrush(painter->pen().color());
        painter->drawPolygon(
            QPolygon({QPoint(cx - 2, cy - 4), QPoint(cx + 2, cy), QPoint(cx - 2, cy + 4)}));
    }
    painter->restore();
}
