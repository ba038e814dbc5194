#include "side/TfrmSide.h"

#include "controls/TEControl.h"
#include "controls/TEEdit.h"
#include "controls/THotbtn.h"
#include "controls/TPaintPanel.h"
#include "controls/TSkin.h"
#include "dialogs/TFolderMenu.h"
#include "platform/WinMessages.h"
#include "side/TCatalogue.h"
#include "side/TScrollBar1.h"
#include "side/TTreeView1.h"
#include "store/TUserData.h"

#include <QCoreApplication>
#include <QCursor>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

const QString TfrmSide::SearchPrompt = QStringLiteral("请输入游戏名称关键字");
const QColor TfrmSide::PromptColor = QColor(204, 200, 198);
const QString TfrmSide::WindowClass = QStringLiteral("TfrmSide");

namespace {

const QString RecentTitle = QStringLiteral("最近玩过的游戏");
const QString MyGamesTitle = QStringLiteral("我的游戏");
const QString Untitled = QStringLiteral("无标题");
const std::array<QString, 7> SectionCaptions = {
    QStringLiteral("游戏"), QStringLiteral("收藏"), QStringLiteral("新闻"), QStringLiteral("论坛"),
    QStringLiteral("攻略"), QStringLiteral("导航"), QStringLiteral("帮助")};

QString AppDir() {
    QString dir = QCoreApplication::applicationDirPath();
    if (!dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir;
}

bool FlagSet(const QDomElement &e, const QString &name) {
    return e.hasAttribute(name) && e.attribute(name) != QLatin1String("0");
}

TSideMetrics MetricsFromSkin() {
    TSideMetrics m;
    const TSkin &s = Skin();
    if (!s.BgSearchBox.isNull()) {
        m.SearchBoxWidth = s.BgSearchBox.width();
        m.SearchBoxHeight = s.BgSearchBox.height();
    }
    if (!s.BtnSplit.isNull()) {
        m.SplitWidth = s.BtnSplit.width();
        m.SplitHeight = s.BtnSplit.height();
    }
    if (!s.BtnList.isNull())
        m.ListHeight = s.BtnList.height();
    return m;
}

QImage FavouriteImage(int index) {
    const QList<QPixmap> &images = TFolderMenu::Images();
    return index >= 0 && index < images.size() ? images.at(index).toImage() : QImage();
}

int ItemHeight() {
    return Skin().BgItem.isNull() ? 22 : Skin().BgItem.height();
}

// "bg_item.bmp" as three equal slices across rect.
void DrawItemSlices(QPainter &canvas, const QRect &rect) {
    const QImage &item = Skin().BgItem;
    if (item.isNull()) {
        canvas.fillRect(rect, ColorToQColor(Skin().Shadow).lighter(130));
        return;
    }
    const int s = item.width() / 3, h = item.height();
    canvas.drawImage(QRect(rect.left(), rect.top(), s, h), item, QRect(0, 0, s, h));
    canvas.drawImage(QRect(rect.left() + s, rect.top(), rect.width() - 2 * s, h), item,
                     QRect(s, 0, s, h));
    canvas.drawImage(QRect(rect.right() + 1 - s, rect.top(), s, h), item, QRect(2 * s, 0, s, h));
}

} // namespace

TfrmSide::TfrmSide(QWidget *parent, const THost &host)
    : QWidget(parent), FHost(host), FLayout(MetricsFromSkin()) {
    setObjectName(QStringLiteral("frmSide"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    resize(FLayout.ExpandedWidth(), 572);

    // The anonymous user's data when nobody has logged in yet.
    TUserData &data = UserData();
    if (data.CurrentFile().isEmpty()) {
        data.SetCurrentFile(TUserData::DefaultUserFile(AppDir()));
        data.Load();
    }

    CreateComponents();
    CreateFavourites();
    CreateMenu();
    FTimer1.setInterval(Timer1Interval);
    connect(&FTimer1, &QTimer::timeout, this, &TfrmSide::Timer1Timer);
    FTimer2.setInterval(Timer2Interval);
    connect(&FTimer2, &QTimer::timeout, this, &TfrmSide::Timer2Timer);
    FTimer4.setInterval(Timer4Interval);
    connect(&FTimer4, &QTimer::timeout, this, &TfrmSide::Timer4Timer);
    FPublish.setSingleShot(true);
    FPublish.setInterval(0);
    connect(&FPublish, &QTimer::timeout, this, &TfrmSide::PublishState);

    // Tools and tests outside the process find the panel and read its state in its window text.
    FHandle = Win::RegisterWindow(this, WindowClass, [](const Win::TMessage &m) {
        return LRESULT(m.msg == Win::WM_SETTEXT ? 1 : 0);
    });
}

TfrmSide::~TfrmSide() {
    Win::UnregisterWindow(FHandle);
    FHotbtn1->setParent(this);
    FGroups.clear();
}

void TfrmSide::CreateComponents() {
    FEControl1 = new TEControl(this);
    FEControl1->setObjectName(QStringLiteral("EControl1"));
    FEControl1->OnDrawControl = [](TEControl *, QPainter &c) {
        c.drawImage(0, 0, Skin().BgSearchBox);
    };
    FEControl1->OnGetIndex = [](TEControl *s, int &index, int x, int y) {
        // The search button drawn in the bitmap, directly right of the box.
        index = (x >= 196 && x < 212 && y >= 0 && y < s->height()) ? 0 : -1;
    };
    FEControl1->OnMouseDown = [](TEControl *s, Qt::MouseButton b, TShiftState, int, int) {
        if (b == Qt::LeftButton && s->OverIndex() >= 0) {
            s->SetDownIndex(s->OverIndex());
            s->Redraw();
        }
    };
    FEControl1->OnMouseUp = [this](TEControl *s, Qt::MouseButton, TShiftState, int, int) {
        const int down = s->DownIndex();
        s->SetDownIndex(-1);
        s->Redraw();
        if (down != 0)
            return;
        if (FSearchBox->hasFocus() && !FSearchBox->text().isEmpty())
            SearchGame();
        else
            FSearchBox->setFocus();
    };

    FSearchBox = new TEEdit(FEControl1);
    FSearchBox->setObjectName(QStringLiteral("SearchBox"));
    FSearchBox->setFrame(false);
    FSearchBox->setGeometry(6, 5, 190, 14);
    FSearchBox->setText(SearchPrompt);
    QPalette pal = FSearchBox->palette();
    pal.setColor(QPalette::Base, ColorToQColor(Skin().Light));
    pal.setColor(QPalette::Text, PromptColor);
    FSearchBox->setPalette(pal);
    FSearchBox->setStyleSheet(QStringLiteral("QLineEdit { border: none; padding: 0px; }"));
    FSearchBox->FocusChange = [this](TEEdit *, bool focused) { SearchBoxFocusChange(focused); };
    connect(FSearchBox, &QLineEdit::returnPressed, this, &TfrmSide::SearchGame);

    FClientArea = new TPaintPanel(this);
    FClientArea->setObjectName(QStringLiteral("ClientArea"));
    FClientArea->setMouseTracking(true);
    FClientArea->SetColor(ColorToQColor(Skin().Face));
    FClientArea->OnPaint = [this](TPaintPanel *, QPainter &c) { ClientAreaPaint(c); };
    FClientArea->OnResize = [this](TPaintPanel *) { ClientAreaResize(); };
    FClientArea->OnMouseMove = [this](TPaintPanel *, TShiftState, int x, int y) {
        ClientAreaMove(x, y);
    };
    FClientArea->OnMouseDown = [this](TPaintPanel *, Qt::MouseButton b, TShiftState, int, int) {
        if (b != Qt::LeftButton)
            return;
        FPressedGroup = FHoveredGroup;
        FClientArea->update();
    };
    FClientArea->OnMouseUp = [this](TPaintPanel *, Qt::MouseButton, TShiftState, int, int) {
        if (FPressedGroup < 0)
            return;
        const int group = FPressedGroup;
        FPressedGroup = -1;
        SetOpenGroup(group);
    };

    FPanel1 = new QWidget(FClientArea);
    FPanel1->setObjectName(QStringLiteral("Panel1"));
    FPanel2 = new QWidget(FClientArea);
    FPanel2->setObjectName(QStringLiteral("Panel2"));
    FPanel2->hide();
    for (QWidget *panel : {FPanel1, FPanel2}) {
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, ColorToQColor(Skin().Face));
        panel->setPalette(p);
        panel->setAutoFillBackground(true);
    }

    FHotbtn1 = new THotbtn(this);
    FHotbtn1->setObjectName(QStringLiteral("Hotbtn1"));
    FHotbtn1->SetHint(QStringLiteral("添加到我的最爱"));
    FHotbtn1->setCursor(Qt::PointingHandCursor);
    FHotbtn1->hide();
    FHotbtn1->OnPaint = [this](THotbtn *, QPainter &c) { HotbtnPaint(c); };
    FHotbtn1->OnClick = [this](THotbtn *b) {
        auto *tree = qobject_cast<TTreeView1 *>(b->parentWidget()->parentWidget());
        if (tree == nullptr)
            return;
        TSideNode *node = tree->NodeAt(QPoint(b->x(), b->y() + 11));
        if (node && !node->Element.isNull())
            AddToMyGames(LocationOfNode(node), true);
    };
}

void TfrmSide::showEvent(QShowEvent *event) {
    QWidget::showEvent(event);
    if (!FShown) {
        FShown = true;
        FirstShow();
    }
}

void TfrmSide::FirstShow() {
    for (int i = 1; i <= 7; ++i)
        FIcons[i] = SectionIcon(i);
    const int h = ItemHeight();
    FHotbtn1->resize(h, h);
    BuildGroups();
    LayoutChildren();
}

QImage TfrmSide::SectionIcon(int section) {
    return QImage(QStringLiteral(":/side/section_%1.png").arg(section));
}

QImage TfrmSide::TreeImage(int index) {
    static std::array<QImage, 4> images;
    if (index < 0 || index > 3)
        return QImage();
    if (images[index].isNull())
        images[index] = QImage(QStringLiteral(":/side/tree_%1.png").arg(index));
    return images[index];
}

// ---- Groups ------------------------------------------------------------------------------

TTreeView1 *TfrmSide::CreateTree(QWidget *parent) {
    auto *tree = new TTreeView1(parent);
    auto *bar = new TScrollBar1(parent);
    tree->AttachBar(bar);
    tree->SetColor(ColorToQColor(Skin().Face));
    tree->setFont(font());
    tree->SetRowHeight(FHotbtn1->height() > 0 ? FHotbtn1->height() : ItemHeight());
    tree->OnDrawNode = [this](TTreeView1 *t, QPainter &c, TSideNode *n, const QRect &row,
                              const QRect &text) { DrawNode(t, c, n, row, text); };
    tree->OnMouseMove = [this](TTreeView1 *t, int x, int y) { TreeMouseMove(t, x, y); };
    tree->OnMouseDown = [this](TTreeView1 *t, Qt::MouseButton b, bool d, int x, int y) {
        TreeMouseDown(t, b, d, x, y);
    };
    tree->OnExpanding = [this](TTreeView1 *t, TSideNode *node) {
        node->ImageIndex = 1;
        if (!node->Element.isNull() && node->childCount() == 0)
            FillLevel(t, node, node->Element);
        FPublish.start();
    };
    tree->OnCollapsing = [this](TTreeView1 *, TSideNode *node) {
        node->ImageIndex = 0;
        FPublish.start();
    };
    connect(tree->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this]() { FPublish.start(); });
    return tree;
}

void TfrmSide::FillLevel(TTreeView1 *tree, TSideNode *parent, const QDomElement &element) {
    tree->setUpdatesEnabled(false);
    QList<QTreeWidgetItem *> nodes;
    for (QDomNode n = element.firstChild(); !n.isNull(); n = n.nextSibling()) {
        const QDomElement e = n.toElement();
        if (e.isNull())
            continue;
        auto *node = new TSideNode;
        node->setText(0, e.hasAttribute(QStringLiteral("caption"))
                             ? e.attribute(QStringLiteral("caption"))
                             : Untitled);
        const bool folder = e.tagName() == QLatin1String("folder");
        node->ImageIndex = folder ? 0 : 2;
        node->Element = e;
        if (FlagSet(e, QStringLiteral("hot")))
            node->StateIndex = 1;
        else if (FlagSet(e, QStringLiteral("new")))
            node->StateIndex = 2;
        if (folder && e.hasChildNodes())
            node->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
        nodes.append(node);
    }
    if (parent)
        parent->addChildren(nodes);
    else
        tree->addTopLevelItems(nodes);
    tree->setUpdatesEnabled(true);
}

void TfrmSide::BuildGroups() {
    Catalogue().LoadCatalogue(TCatalogue::FileName(AppDir()));
    TUserData &data = UserData();
    data.EnsureStructure();

    QList<TGroup> groups;
    groups.append({nullptr, RecentTitle, data.RecentFolder(), false});
    groups.append({nullptr, MyGamesTitle, data.MyGamesFolder(), true});
    if (Catalogue().CataloguePresent()) {
        FOpenGroup = 2;
        for (QDomElement e = Catalogue().Root().firstChildElement(); !e.isNull();
             e = e.nextSiblingElement())
            groups.append({nullptr,
                           e.hasAttribute(QStringLiteral("caption"))
                               ? e.attribute(QStringLiteral("caption"))
                               : Untitled,
                           e, false});
    } else {
        FOpenGroup = 1;
    }
    for (int i = 0; i < groups.size(); ++i) {
        TGroup &g = groups[i];
        g.Tree = CreateTree(FPanel1);
        g.Tree->setObjectName(QStringLiteral("Group%1").arg(i));
        g.Tree->setVisible(i == FOpenGroup);
        FillLevel(g.Tree, nullptr, g.Element);
    }
    FGroups = groups;
    if (FOpenGroup < FGroups.size()) {
        FHotbtn1->setParent(FGroups[FOpenGroup].Tree->viewport());
        FHotbtn1->hide();
    }
    ClientAreaResize();
}

void TfrmSide::RebuildGroups() {
    FHotbtn1->hide();
    FHotbtn1->setParent(this);
    SetHoveredNode(nullptr);
    for (TGroup &g : FGroups) {
        if (FTreeHandlers == 0) {
            delete g.Tree;
        } else {
            g.Tree->hide();
            FRetiredTrees.append(g.Tree);
        }
    }
    FGroups.clear();
    BuildGroups();
}

bool TfrmSide::ReplaceCatalogue(const QString &text) {
    if (!TCatalogue::StoreCatalogue(text, TCatalogue::FileName(AppDir())))
        return false;
    RebuildGroups();
    return true;
}

QString TfrmSide::GroupTitle(int index) const {
    return index >= 0 && index < FGroups.size() ? FGroups[index].Title : QString();
}

TTreeView1 *TfrmSide::GroupTree(int index) const {
    return index >= 0 && index < FGroups.size() ? FGroups[index].Tree : nullptr;
}

TTreeView1 *TfrmSide::TreeOf(const QDomElement &listFolder) const {
    for (const TGroup &g : FGroups)
        if (g.Element == listFolder)
            return g.Tree;
    return nullptr;
}

void TfrmSide::SetOpenGroup(int group) {
    if (group < 0 || group >= FGroups.size())
        return;
    FOpenGroup = group;
    ClientAreaResize();
    for (int i = 0; i < FGroups.size(); ++i)
        FGroups[i].Tree->setVisible(i == FOpenGroup);
    FHotbtn1->hide();
    FHotbtn1->setParent(FGroups[FOpenGroup].Tree->viewport());
    FPublish.start();
}

// ---- Layout ------------------------------------------------------------------------------

void TfrmSide::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    LayoutChildren();
}

void TfrmSide::moveEvent(QMoveEvent *event) {
    QWidget::moveEvent(event);
    FPublish.start();
}

void TfrmSide::LayoutChildren() {
    FEControl1->setGeometry(0, 0, FLayout.ExpandedWidth(), FLayout.Metrics().SearchBoxHeight);
    FEControl1->setVisible(FExpanded);
    FClientArea->setGeometry(FLayout.ClientRect(width(), height()));
    FClientArea->setVisible(FExpanded);
    update();
    FPublish.start();
}

void TfrmSide::ClientAreaResize() {
    const int w = FClientArea->width(), h = FClientArea->height();
    FPanel1->setGeometry(FLayout.GamesPanelRect(w, h, FGroups.size(), FOpenGroup));
    FPanel2->setGeometry(FLayout.FavouritesPanelRect(w, h));
    LayoutFavourites();
    FClientArea->update();
    FPublish.start();
}

void TfrmSide::SetPanelExpanded(bool expanded) {
    if (FExpanded == expanded)
        return;
    FExpanded = expanded;
    FHoveredSection = FPressedSection = -1;
    resize(expanded ? FLayout.ExpandedWidth() : FLayout.CollapsedWidth(), height());
    LayoutChildren();
    emit WidthChanged();
}

void TfrmSide::SelectSection(int section) {
    if (section != 1 && section != 2)
        return;
    FSection = section;
    FPanel1->setVisible(section == 1);
    FPanel2->setVisible(section == 2);
    if (section == 2 && !FFavouritesPrepared) {
        FFavouritesPrepared = true;
        PrepareFavourites();
    }
    FPublish.start();
    FClientArea->update();
    update();
}

// ---- Painting ----------------------------------------------------------------------------

void TfrmSide::paintEvent(QPaintEvent *) {
    QPainter p(this);
    const QColor face = ColorToQColor(Skin().Face);
    p.fillRect(rect(), face);
    const int w = width(), h = height();
    // Section column, each button composed off-screen.
    if (FExpanded) {
        const int cw = FLayout.SectionColumnWidth(w);
        for (int i = 0; i < TSideLayout::SectionCount; ++i) {
            const int section = i + 1;
            const QRect r = FLayout.SectionRect(section, w, h);
            if (cw <= 0 || r.top() >= h)
                break;
            QPixmap button(cw, TSideLayout::SectionHeight);
            button.fill(face);
            QPainter b(&button);
            if (section == FSection)
                DrawThreeSlice(b, button.rect(), Skin().BgButton, true);
            else if (section == FHoveredSection)
                DrawThreeSlice(b, button.rect(), Skin().BgButton, false);
            const QImage &icon = FIcons[section];
            if (!icon.isNull())
                b.drawImage(QRect((cw - 24) / 2, 3, 24, 24), icon);
            b.setFont(font());
            b.setPen(ColorToQColor(Skin().FontColor));
            b.drawText(QRect(0, 0, cw, 39), Qt::AlignBottom | Qt::AlignHCenter | Qt::TextSingleLine,
                       SectionCaptions[i]);
            b.end();
            p.drawPixmap(r.topLeft(), button);
        }
    }
    // The handle.
    const QImage &split = Skin().BtnSplit;
    if (!split.isNull()) {
        const int f = FLayout.HandleFrameHeight();
        const int frame = TSideLayout::HandleFrame(FExpanded, FHoveredSection, FPressedSection);
        const QRect target = FLayout.HandleRect(w, h);
        p.drawImage(target, split, QRect(0, frame * f, split.width(), f));
    }
}

void TfrmSide::ClientAreaPaint(QPainter &canvas) {
    const int w = FClientArea->width(), h = FClientArea->height();
    const QImage &list = Skin().BtnList;
    const int lh = FLayout.Metrics().ListHeight;
    const QColor face = ColorToQColor(Skin().Face);
    canvas.fillRect(0, 0, w, h, face);
    if (FPanel1->isVisibleTo(FClientArea)) {
        const int s = list.width() / 12;
        const int right = FPanel1->x() + FPanel1->width();
        for (int i = 0; i < FGroups.size(); ++i) {
            const int top = FLayout.GroupBarTop(i, FOpenGroup, FPanel1->height());
            const int frame = TSideLayout::GroupFrame(i, FPressedGroup, FOpenGroup, FHoveredGroup);
            if (!list.isNull()) {
                const int sx = frame * 3 * s;
                canvas.drawImage(QRect(3, top, s, lh), list, QRect(sx, 0, s, lh));
                canvas.drawImage(QRect(3 + s, top, right - s - (3 + s), lh), list,
                                 QRect(sx + s, 0, s, lh));
                canvas.drawImage(QRect(right - s, top, s, lh), list, QRect(sx + 2 * s, 0, s, lh));
            }
            QFont f = font();
            f.setBold(i == FOpenGroup);
            canvas.setFont(f);
            canvas.setPen(ColorToQColor(Skin().FontColor));
            canvas.drawText(QRect(0, top, w - 6, lh), Qt::AlignCenter | Qt::TextSingleLine,
                            FGroups[i].Title);
        }
    }
    canvas.setRenderHint(QPainter::Antialiasing);
    canvas.setPen(QPen(ColorToQColor(Skin().Shadow), 1));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
}

void TfrmSide::DrawNode(TTreeView1 *tree, QPainter &canvas, TSideNode *node, const QRect &row,
                        const QRect &text) {
    if (node->isSelected() || node == FHoveredNode)
        DrawItemSlices(canvas, row);
    else
        canvas.fillRect(row, tree->palette().color(QPalette::Base));
    // The favourites tree has images of its own.
    const QImage image =
        tree == FFavTree ? FavouriteImage(node->ImageIndex) : TreeImage(node->ImageIndex);
    if (!image.isNull()) {
        const int ih = image.height();
        canvas.drawImage(text.left() - ih - 1, row.top() + (ItemHeight() - ih) / 2, image);
    }
    canvas.setFont(tree->font());
    canvas.setPen(ColorToQColor(Skin().FontColor));
    const QString caption = node->text(0);
    canvas.drawText(text, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine, caption);
    if (node->StateIndex > 0) {
        const int x = text.left() + QFontMetrics(tree->font()).horizontalAdvance(caption) + 2;
        QFont badge(QStringLiteral("Arial"));
        badge.setPointSize(7);
        badge.setBold(true);
        canvas.setFont(badge);
        canvas.setPen(QColor(255, 0, 0));
        canvas.drawText(QRect(x, row.top() + 4, tree->width() - x, row.height() - 4),
                        Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                        node->StateIndex == 1 ? QStringLiteral("HOT!") : QStringLiteral("NEW!"));
    }
}

void TfrmSide::HotbtnPaint(QPainter &canvas) {
    const QRect r = FHotbtn1->rect();
    // The button sits on the highlighted row: the row's look behind it, a frame while hot.
    const QImage &item = Skin().BgItem;
    if (!item.isNull())
        canvas.drawImage(r, item, QRect(item.width() / 3, 0, item.width() / 3, item.height()));
    if (FHotbtn1->State() != THotbtn::StateNormal) {
        canvas.setRenderHint(QPainter::Antialiasing);
        const QColor line = ColorToQColor(Skin().Shadow).darker(115);
        canvas.setPen(QPen(line, 1));
        canvas.setBrush(FHotbtn1->State() == THotbtn::StatePressed ? line.lighter(130)
                                                                   : QColor(255, 255, 255, 160));
        canvas.drawRoundedRect(QRectF(r).adjusted(2.5, 2.5, -2.5, -2.5), 3, 3);
    }
    const QImage glyph = TreeImage(3);
    if (!glyph.isNull())
        canvas.drawImage((r.width() - glyph.width()) / 2, (r.height() - glyph.height()) / 2, glyph);
}
