#include "dialogs/TFolderMenu.h"

#include "controls/TComboBox3.h"
#include "controls/TSkin.h"
#include "side/TFavorites.h"

#include <QPainter>
#include <QPainterPath>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

namespace {

// An item's depth rides in the option's shortcut width, which these menus never use.
class TFolderMenuStyle : public QProxyStyle {
public:
    int MinWidth = 0;

    QSize sizeFromContents(ContentsType type, const QStyleOption *option, const QSize &size,
                           const QWidget *widget) const override {
        if (type != CT_MenuItem)
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        const auto *item = static_cast<const QStyleOptionMenuItem *>(option);
        const int depth = item->reservedShortcutWidth;
        const int w = item->fontMetrics.horizontalAdvance(item->text) +
                      TFolderMenu::Indent * depth + TFolderMenu::TextLeft + 10;
        return QSize(std::max(w, MinWidth), TFolderMenu::ItemHeight);
    }

    void drawControl(ControlElement element, const QStyleOption *option, QPainter *painter,
                     const QWidget *widget) const override {
        if (element != CE_MenuItem) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        const auto *item = static_cast<const QStyleOptionMenuItem *>(option);
        const bool selected = item->state & State_Selected;
        const QRect r = item->rect;
        // The skin's menu look: its face, and the menu item bitmap under the chosen row.
        painter->fillRect(r, ColorToQColor(Skin().MenuFace));
        const QImage &bar = Skin().BgMenuItem;
        if (selected && !bar.isNull()) {
            const int s = bar.width() / 3, h = bar.height();
            painter->drawImage(QRect(r.left(), r.top(), s, r.height()), bar, QRect(0, 0, s, h));
            painter->drawImage(QRect(r.left() + s, r.top(), r.width() - 2 * s, r.height()), bar,
                               QRect(s, 0, s, h));
            painter->drawImage(QRect(r.right() + 1 - s, r.top(), s, r.height()), bar,
                               QRect(2 * s, 0, s, h));
        } else if (selected) {
            painter->fillRect(r, item->palette.color(QPalette::Highlight));
        }
        const int x = r.left() + 2 + TFolderMenu::Indent * item->reservedShortcutWidth;
        painter->drawPixmap(x, r.top() + 1, TFolderMenu::Images().at(0));
        painter->setPen(selected && bar.isNull() ? item->palette.color(QPalette::HighlightedText)
                                                 : ColorToQColor(Skin().FontColor));
        painter->drawText(QRect(x + TFolderMenu::TextLeft + 2, r.top(),
                                r.right() - x - TFolderMenu::TextLeft, r.height()),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item->text);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override {
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

    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override {
        if (metric == PM_MenuHMargin || metric == PM_MenuVMargin)
            return 1;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

QPixmap Folder(bool open) {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor edge(0xC0, 0x8A, 0x1E), back(0xF2, 0xC1, 0x4E), front(0xFB, 0xD8, 0x7A);
    QPainterPath tab;
    tab.moveTo(1.5, 3.5);
    tab.lineTo(6, 3.5);
    tab.lineTo(7.5, 5);
    tab.lineTo(14.5, 5);
    tab.lineTo(14.5, 13.5);
    tab.lineTo(1.5, 13.5);
    tab.closeSubpath();
    p.setPen(QPen(edge, 1));
    p.setBrush(back);
    p.drawPath(tab);
    QPainterPath lid;
    if (open) {
        lid.moveTo(3.5, 7.5);
        lid.lineTo(15.5, 7.5);
        lid.lineTo(13.5, 13.5);
        lid.lineTo(1.5, 13.5);
    } else {
        lid.moveTo(1.5, 6.5);
        lid.lineTo(14.5, 6.5);
        lid.lineTo(14.5, 13.5);
        lid.lineTo(1.5, 13.5);
    }
    lid.closeSubpath();
    p.setBrush(front);
    p.drawPath(lid);
    return image;
}

QPixmap Shortcut() {
    QPixmap image(16, 16);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x2B, 0x6C, 0xB0), 1.2));
    p.setBrush(QColor(0xD9, 0xEB, 0xFB));
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QRectF(5, 1.5, 6, 13));
    p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
    // The star of a favourite.
    QPainterPath star;
    for (int i = 0; i < 10; ++i) {
        const double r = i % 2 ? 1.6 : 3.8;
        const double a = -M_PI / 2 + i * M_PI / 5;
        const QPointF pt(11.5 + r * std::cos(a), 11.5 + r * std::sin(a));
        i == 0 ? star.moveTo(pt) : star.lineTo(pt);
    }
    star.closeSubpath();
    p.setPen(QPen(QColor(0xC0, 0x7A, 0x00), 0.8));
    p.setBrush(QColor(0xFF, 0xC2, 0x1A));
    p.drawPath(star);
    return image;
}

} // namespace

TFolderMenu::TFolderMenu(TComboBox3 *box, QWidget *parent) : QMenu(parent), FBox(box) {
    setObjectName(QStringLiteral("PopupMenu1"));
    auto *style = new TFolderMenuStyle();
    style->setParent(this);
    setStyle(style);
    FRoot = addAction(TFavorites::RootCaption);
    FRoot->setObjectName(QStringLiteral("mnu_Root"));
    FRoot->setData(QString());
    connect(this, &QMenu::aboutToShow, this, [this, style]() {
        style->MinWidth = FBox ? FBox->width() - 18 : 0;
        Complete();
    });
    connect(this, &QMenu::triggered, this, [this](QAction *action) {
        emit FolderChosen(action->data().toString(), action->text());
    });
}

void TFolderMenu::Complete() {
    if (actions().size() != 1)
        return;
    for (const TFolderMenuEntry &entry : TFavorites::FolderMenu()) {
        QAction *item = addAction(entry.Caption);
        item->setData(entry.Relative);
        item->setProperty("Depth", entry.Depth);
    }
}

void TFolderMenu::Clear() {
    for (QAction *action : actions())
        if (action != FRoot) {
            removeAction(action);
            delete action;
        }
}

void TFolderMenu::initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const {
    QMenu::initStyleOption(option, action);
    option->reservedShortcutWidth = action->property("Depth").toInt();
}

const QList<QPixmap> &TFolderMenu::Images() {
    static const QList<QPixmap> images = {Folder(false), Folder(true), Shortcut()};
    return images;
}
