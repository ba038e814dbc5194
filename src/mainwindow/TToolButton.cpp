#include "mainwindow/TToolButton.h"

namespace {

TToolButton Row(const char *caption, bool enabled, int kind, int image, bool showCaption) {
    TToolButton b;
    b.Caption = QString::fromUtf8(caption);
    b.Enabled = enabled;
    b.Kind = kind;
    b.ImageIndex = image;
    b.ShowCaption = showCaption;
    return b;
}

} // namespace

TToolButtons DefaultToolButtons() {
    using K = TToolButton::TKind;
    TToolButtons t = {
        Row("主页", true, K::Button, 0, true),
        Row("后退", false, K::Button, 1, false),
        Row("前进", false, K::Button, 2, false),
        Row("", true, K::Separator, 8, false),
        Row("停止", true, K::Button, 3, false),
        Row("刷新", true, K::DropDown, 4, false),
        Row("", true, K::Separator, 8, false),
        Row("帐号", true, K::DropDown, 5, true),
        Row("游戏大厅设置", true, K::Button, 6, false),
        Row("全屏", true, K::Button, 7, false),
        Row("", true, K::Button, 10, false),
        Row("关闭标签", true, K::Button, 0, false),
        Row("上一标签", false, K::Button, 1, false),
        Row("下一标签", false, K::Button, 2, false),
        Row("退出全屏", true, K::Button, 3, false),
        Row("添加到收藏夹", true, K::Button, 0, false),
        Row("区域截图", true, K::Button, 1, false),
    };
    t[RowChevron].Width = 15;
    t[RowChevron].Visible = false;         // only while the full screen button is hidden
    t[RowLeaveFullScreen].Visible = false; // only in full screen
    return t;
}
