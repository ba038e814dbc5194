// Opens every small dialog and a skinned main-style window with hot and pressed title-bar
// buttons, and saves a screenshot of each into a folder:
//   xvfb-run -a build/tools/gallery/gallery <folder>
// The screenshots keep the rounded outline as transparent corners.

#include "controls/TEControl.h"
#include "controls/TSkin.h"
#include "controls/TSkinForm.h"
#include "dialogs/TMiniHome.h"
#include "dialogs/TfrmAbout.h"
#include "dialogs/TfrmClose.h"
#include "dialogs/TfrmPass.h"
#include "dialogs/TfrmSelLogin.h"
#include "dialogs/TfrmSetRefresh.h"
#include "dialogs/TfrmTip.h"
#include "side/TCatalogue.h"
#include "side/TForm2.h"
#include "side/TfrmAddUser.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

QString OutDir;
int Failures = 0;

void Settle(QWidget *w) {
    if (!QTest::qWaitForWindowExposed(w, 3000))
        std::fprintf(stderr, "gallery: %s was not exposed\n", qPrintable(w->objectName()));
    QTest::qWait(100);
}

// The window as it appears on screen: its own rendering, outside the window shape transparent.
void Shoot(QWidget *w, const QString &name) {
    QImage image = w->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QRegion shape = w->mask().isEmpty() ? QRegion(w->rect()) : w->mask();
    const qreal dpr = image.devicePixelRatio();
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (!shape.contains(QPoint(int(x / dpr), int(y / dpr))))
                image.setPixel(x, y, 0);
    const QString path = QDir(OutDir).filePath(name + QStringLiteral(".png"));
    if (!image.save(path)) {
        std::fprintf(stderr, "gallery: cannot write %s\n", qPrintable(path));
        ++Failures;
        return;
    }
    std::printf("%s\n", qPrintable(path));
}

// Runs a modal show and, once the window is up, lets shoot take its pictures and end it.
int WhileModal(const std::function<int()> &show, const std::function<void(TSkinForm *)> &shoot) {
    QTimer::singleShot(0, [shoot] {
        TSkinForm *form = TSkinForm::ModalForm();
        if (!form) {
            std::fprintf(stderr, "gallery: no modal window\n");
            ++Failures;
            return;
        }
        Settle(form);
        shoot(form);
        if (form->isVisible())
            form->SetModalResult(mrCancel);
    });
    return show();
}

void SendMouse(QWidget *w, QEvent::Type type, const QPoint &pos, Qt::MouseButtons buttons) {
    QMouseEvent event(type, pos, w->mapToGlobal(pos),
                      type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}

void MainStyleWindow() {
    TSkinForm::SetCompanionHandle(1); // shows the return item
    QMenu menu;
    menu.addAction(QStringLiteral("登录帐号"));
    TSkinForm window(nullptr, TSkinForm::TBorderStyle::Sizeable);
    window.setObjectName(QStringLiteral("window"));
    window.SetAppMenu(&menu);
    window.SetCaption(QStringLiteral("Ludora"));
    window.resize(720, 420);
    auto *text = new QLabel(QStringLiteral("页面区域"), window.Client());
    text->move(24, 24);
    text->adjustSize();
    window.show();
    Settle(&window);
    Shoot(&window, QStringLiteral("window_normal"));

    const TTitleGeometry g = window.TitleGeometry();
    const int y = g.TitleHeight / 2;
    const int right = g.Width - g.Frame;
    const QPoint minimise(right - 2 * g.ButtonWidth - g.ButtonWidth / 2, y);
    const QPoint close(right - g.ButtonWidth / 2, y);
    const QPoint ret(right - 4 * g.ButtonWidth - 20, y);
    // The hot look comes from the hit test of a pointer move, the pressed look from a press.
    window.SetHotButton(window.TitleButtonAt(window.mapToGlobal(close)));
    Shoot(&window, QStringLiteral("window_hot_close"));
    window.SetHotButton(window.TitleButtonAt(window.mapToGlobal(minimise)));
    Shoot(&window, QStringLiteral("window_hot_minimise"));
    window.SetHotButton(window.TitleButtonAt(window.mapToGlobal(ret)));
    Shoot(&window, QStringLiteral("window_hot_return"));
    SendMouse(&window, QEvent::MouseButtonPress, minimise, Qt::LeftButton);
    Shoot(&window, QStringLiteral("window_pressed_minimise"));
    window.hide();
    TSkinForm::SetCompanionHandle(0);
}

void DialogLooks() {
    TfrmTip tip;
    tip.setObjectName(QStringLiteral("tip"));
    tip.SetCaption(QStringLiteral("确认"));
    tip.Label1->setText(QStringLiteral("是否要关闭已锁定的标签？"));
    tip.AddButtons(bkYesNo);
    tip.SetButtonBar(true);
    tip.show();
    Settle(&tip);
    // Hot close button and a hot, then pressed, push button.
    const TTitleGeometry g = tip.TitleGeometry();
    tip.SetHotButton(0);
    TEControl *yes = tip.ButtonWithResult(6);
    yes->SetOverIndex(0);
    Shoot(&tip, QStringLiteral("tip_hot_buttons"));
    yes->SetDownIndex(0);
    yes->Redraw();
    Shoot(&tip, QStringLiteral("tip_pressed_button"));
    (void)g;
    tip.hide();
}

} // namespace

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: gallery <folder for the screenshots>\n");
        return 2;
    }
    OutDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(OutDir)) {
        std::fprintf(stderr, "gallery: cannot create %s\n", argv[1]);
        return 1;
    }
    QApplication::setWindowIcon(TfrmAbout::ProgramIcon());
    const QString error = LoadSkinFrom(QStringLiteral(LUDORA_SKIN_PATH), "default", Skin());
    if (!error.isEmpty()) {
        std::fprintf(stderr, "gallery: %s\n", qPrintable(error));
        return 1;
    }

    MainStyleWindow();
    DialogLooks();

    WhileModal([] { return ShowTip("提示", "该页面没有帐号信息，无法保存！", "", bkOk); },
               [](TSkinForm *f) { Shoot(f, QStringLiteral("tip_one_line")); });
    WhileModal(
        [] {
            return ShowTip("提示", "游戏大厅中有相同的帐号，是否覆盖？", "覆盖后原密码将无法恢复。",
                           bkYesNo);
        },
        [](TSkinForm *f) { Shoot(f, QStringLiteral("tip_two_lines")); });

    {
        TfrmClose form;
        form.SelectTag(2);
        WhileModal([&] { return form.ShowModal(); },
                   [](TSkinForm *f) { Shoot(f, QStringLiteral("close")); });
    }
    {
        TfrmSetRefresh form;
        WhileModal([&] { return form.ShowModal(); },
                   [](TSkinForm *f) { Shoot(f, QStringLiteral("setrefresh")); });
    }
    {
        TfrmPass form;
        form.SetCaption(QStringLiteral("请输入解除标签保护密码"));
        form.Edit1->setText(QStringLiteral("secret"));
        WhileModal([&] { return form.ShowModal(); },
                   [](TSkinForm *f) { Shoot(f, QStringLiteral("pass")); });
    }
    {
        TfrmAbout form;
        WhileModal([&] { return form.ShowModal(); },
                   [&form](TSkinForm *f) {
                       Shoot(f, QStringLiteral("about"));
                       form.EControl2->SetOverIndex(0);
                       Shoot(f, QStringLiteral("about_link_hot"));
                   });
    }
    {
        TfrmSelLogin form;
        form.AddName(QStringLiteral("wanjia01"), false, QStringLiteral("主号"));
        form.AddName(QStringLiteral("wanjia02"), false, QStringLiteral("扫雷号"));
        form.AddName(QStringLiteral("u3"));
        form.SetChecked(0, true);
        form.SetChecked(2, true);
        WhileModal([&] { return form.ShowModal(); },
                   [](TSkinForm *f) { Shoot(f, QStringLiteral("sellogin")); });
    }
    {
        Catalogue().LoadText(QStringLiteral(
            "<?xml version='1.0'?><games><section caption='休闲游戏'><folder caption='经典小游戏'>"
            "<game caption='贪吃蛇'/><game caption='二〇四八'/></folder><game caption='扫雷'/>"
            "<folder caption='益智'><folder caption='记忆'><game caption='翻牌配对'/></folder>"
            "</folder></section><section caption='网页游戏'><game caption='弹出窗口'/>"
            "<game caption='区服选择'/></section></games>"));
        TfrmAddUser form;
        WhileModal([&] { return form.ShowModal(); },
                   [&form](TSkinForm *f) {
                       Shoot(f, QStringLiteral("adduser"));
                       form.OpenPicker();
                       Settle(form.Picker());
                       // The picker is a window of its own below the game box: both together.
                       const QRect both = f->frameGeometry().united(form.Picker()->geometry());
                       const QPixmap shot = f->screen()->grabWindow(0, both.x(), both.y(),
                                                                    both.width(), both.height());
                       const QString path = QDir(OutDir).filePath("adduser_picker.png");
                       if (!shot.save(path))
                           ++Failures;
                       form.Picker()->hide();
                   });
    }
    {
        TMiniHome home;
        home.Timer1Timer();
        Settle(&home);
        Shoot(&home, QStringLiteral("minihome"));
        home.close();
    }
    return Failures == 0 ? 0 : 1;
}
