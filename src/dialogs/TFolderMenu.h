#pragma once
// The favourites folder menu of the add-favourite and new-folder dialogs: the root item
// "收藏夹", completed when it first pops up with every subfolder, each after its parent and
// indented by its depth. Owner-drawn; the images are the favourites images.

#include <QList>
#include <QMenu>
#include <QPixmap>

class TComboBox3;

class TFolderMenu : public QMenu {
    Q_OBJECT

public:
    static constexpr int ItemHeight = 18;
    static constexpr int Indent = 22;   // per depth
    static constexpr int TextLeft = 18; // from the image's left

    // box: the folder box the menu drops from; items are at least its width less 18.
    TFolderMenu(TComboBox3 *box, QWidget *parent);

    QAction *RootItem() const { return FRoot; }
    // Adds every subfolder of the favourites folder when only the root item is there.
    void Complete();
    // Removes all items but the root, so the next pop-up lists the folders afresh.
    void Clear();

    // The favourites images (16 x 16): 0 closed folder, 1 open folder, 2 shortcut.
    static const QList<QPixmap> &Images();

signals:
    // The player chose an item: its relative folder path and caption.
    void FolderChosen(const QString &relative, const QString &caption);

protected:
    void initStyleOption(QStyleOptionMenuItem *option, const QAction *action) const override;

private:
    QAction *FRoot = nullptr;
    TComboBox3 *FBox = nullptr;
};
