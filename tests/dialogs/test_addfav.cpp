// The add-favourite dialog on a real favourites folder: the folder menu, a new folder under the
// chosen one, and a name that would leave the folder refused while the dialog stays open.

#include "controls/TComboBox3.h"
#include "controls/TSkin.h"
#include "dialogs/TFolderMenu.h"
#include "dialogs/TfrmAddFav.h"
#include "dialogs/TfrmNewFolder.h"
#include "dialogs/TfrmTip.h"
#include "side/TFavorites.h"
#include "support/TTestSupport.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

template <typename T> T *Shown() {
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<T *>(w); form && form->isVisible())
            return form;
    return nullptr;
}

} // namespace

class TestAddFav : public QObject {
    Q_OBJECT

    QTemporaryDir FHome;

private slots:
    void initTestCase() {
        qputenv("XDG_DATA_HOME", FHome.path().toLocal8Bit());
        LoadSkinFrom(TestSupport::BuildDir() + QStringLiteral("/skin/default.skin"),
                     QStringLiteral("default"), Skin());
        QVERIFY(QDir(TFavorites::Folder()).mkpath(QStringLiteral("A/B")));
    }

    void chooseCreateAndRefuse() {
        QStringList menu;
        bool newFolderDone = false;
        QTimer::singleShot(0, [&] {
            TfrmAddFav *form = Shown<TfrmAddFav>();
            QVERIFY(form);
            QCOMPARE(form->Folder->currentText(), QStringLiteral("收藏夹"));
            form->PopupMenu1->Complete();
            for (QAction *a : form->PopupMenu1->actions())
                menu << a->text() + QLatin1Char('=') + a->data().toString();
            form->PopupMenu1->actions().at(2)->trigger(); // "B"
            QCOMPARE(form->ChosenFolder(), QStringLiteral("A/B"));
            QCOMPARE(form->Folder->currentText(), QStringLiteral("B"));

            QTimer::singleShot(0, [&] {
                TfrmNewFolder *dialog = Shown<TfrmNewFolder>();
                QVERIFY(dialog);
                dialog->ChooseFolder(QStringLiteral("A/B"), QStringLiteral("B"));
                dialog->Edit1->setText(QStringLiteral("N"));
                dialog->SetModalResult(1);
            });
            form->NewFolder();
            QCOMPARE(form->ChosenFolder(), QStringLiteral("A/B/N"));
            QCOMPARE(form->Folder->currentText(), QStringLiteral("N"));
            newFolderDone = true;

            // A name that would leave the folder: told, and the dialog comes back.
            form->Edit1->setText(QStringLiteral("../../x"));
            form->Edit2->setText(QStringLiteral("http://127.0.0.1/game"));
            TfrmTip::TakeCalls();
            TfrmTip::SetNextAnswer(1);
            QTimer::singleShot(0, [] {
                TfrmAddFav *again = Shown<TfrmAddFav>();
                QVERIFY(again);
                QCOMPARE(TfrmTip::TakeCalls().size(), 1);
                again->Edit1->setText(QStringLiteral("好游戏"));
                again->SetModalResult(1);
            });
            form->SetModalResult(1);
        });
        QVERIFY(TfrmAddFav::AddFavourite(nullptr, QString(), 0));
        QVERIFY(newFolderDone);
        QCOMPARE(menu, QStringList({"收藏夹=", "A=A", "B=A/B"}));
        QVERIFY(QFileInfo(TFavorites::Folder() + QStringLiteral("A/B/N")).isDir());
        QCOMPARE(
            TFavorites::ReadShortcut(TFavorites::Folder() + QStringLiteral("A/B/N/好游戏.url")),
            QStringLiteral("http://127.0.0.1/game"));
        QVERIFY(!QFile::exists(FHome.path() + QStringLiteral("/ludora/x.url")));
        QCOMPARE(TFavorites::RememberedFolder(), QStringLiteral("A/B"));
    }
};

QTEST_MAIN(TestAddFav)
#include "test_addfav.moc"
