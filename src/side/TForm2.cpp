#include "side/TForm2.h"

#include "controls/TSkin.h"
#include "side/TCatalogue.h"
#include "side/TScrollBar1.h"
#include "side/TTreeView1.h"
#include "side/TfrmSide.h"

#include <QCoreApplication>
#include <QPainter>

namespace {

void AddChildren(TSideNode *parent, QTreeWidget *tree, const QDomElement &element) {
    for (QDomElement e = element.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
        auto *node = new TSideNode;
        node->setText(0, e.hasAttribute(QStringLiteral("caption"))
                             ? e.attribute(QStringLiteral("caption"))
                             : QStringLiteral("无标题"));
        node->Element = e;
        const bool folder = e.tagName() == QLatin1String("folder");
        node->ImageIndex = folder || !parent ? 1 : 2;
        if (parent)
            parent->addChild(node);
        else
            tree->addTopLevelItem(node);
        // Sections list their games whatever their element is called: a catalogue whose sections
        // are not "folder" elements would otherwise offer nothing to pick.
        if (folder || !parent)
            AddChildren(node, tree, e);
    }
}

} // namespace

TForm2::TForm2(QWidget *owner) : QWidget(owner, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("Form2"));
    resize(DesignWidth, DesignHeight);
    FHolder = new QWidget(this);
    FHolder->setGeometry(1, 1, width() - 2, height() - 2);
    FTree = new TTreeView1(FHolder);
    FTree->setObjectName(QStringLiteral("PickerTree"));
    FTree->AttachBar(new TScrollBar1(FHolder));
    FTree->SetColor(Qt::white);
    FTree->SetRowHeight(20);
    FTree->OnMouseDown = [this](TTreeView1 *, Qt::MouseButton, bool, int x, int y) {
        TreeMouseDown(x, y);
    };
    FTree->OnMouseMove = [this](TTreeView1 *t, int x, int y) {
        TSideNode *node = t->NodeAt(QPoint(x, y));
        if (node != FHovered) {
            FHovered = node;
            t->viewport()->update();
        }
    };
    FTree->OnDrawNode = [this](TTreeView1 *t, QPainter &c, TSideNode *node, const QRect &row,
                               const QRect &text) {
        c.fillRect(row, Qt::white);
        if (node->isSelected() || node == FHovered) {
            const QImage &item = Skin().BgItem;
            if (!item.isNull())
                c.drawImage(row, item, QRect(item.width() / 3, 0, item.width() / 3, item.height()));
        }
        const QImage image = TfrmSide::TreeImage(node->ImageIndex);
        if (!image.isNull())
            c.drawImage(text.left() - image.width() - 2, row.top() + (row.height() - 16) / 2,
                        image);
        QFont f = t->font();
        f.setBold(node->parent() == nullptr);
        c.setFont(f);
        c.setPen(ColorToQColor(Skin().FontColor));
        c.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, node->text(0));
    };
}

void TForm2::paintEvent(QPaintEvent *) {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(ColorToQColor(Skin().Shadow).darker(115));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void TForm2::FillFromCatalogue() {
    FTree->clear();
    FHovered = nullptr;
    const QDomElement root = Catalogue().Root();
    if (!root.isNull())
        AddChildren(nullptr, FTree, root);
    FTree->expandAll();
    if (FTree->topLevelItemCount() > 0)
        FTree->setCurrentItem(FTree->topLevelItem(0));
    FTree->SyncBar();
}

void TForm2::DropBelow(QWidget *anchor) {
    resize(anchor->width(), DesignHeight);
    FHolder->setGeometry(1, 1, width() - 2, height() - 2);
    move(anchor->mapToGlobal(QPoint(0, anchor->height())));
    show();
    FTree->SyncBar();
}

void TForm2::TreeMouseDown(int x, int y) {
    FTree->clearSelection();
    TSideNode *node = FTree->NodeAt(QPoint(x, y));
    if (node == nullptr || node->parent() == nullptr)
        return;
    node->setSelected(true);
    const QString location = TCatalogue::LocationOf(node->Element);
    if (location.isEmpty())
        return;
    QCoreApplication::processEvents();
    hide();
    if (OnPick)
        OnPick(node->text(0), location);
}
