#pragma once
// The mouse side of the main window's strips: which item lies under the pointer (with its hint),
// and what a press or a release on the tool bar, the chevron's drop-down strip, the tab bar and
// the status bar's ad strip does. The drawing side is TToolBarPainter, TTabBarPainter and
// TStatusBarPainter.

#include <Qt>

class TEControl;
class TfrmMain;

class TStripHandlers {
public:
    explicit TStripHandlers(TfrmMain &form);

    // Tool bar and drop-down strip (they share these).
    void ToolBarGetIndex(TEControl *sender, int &index, int x, int y);
    void ToolBarChangeIndex(TEControl *sender, int &index);
    void ToolBarMouseDown(TEControl *sender, Qt::MouseButton button, int x, int y);
    void ToolBarMouseUp(TEControl *sender);
    // Timer1: the drop-down strip closes on a press anywhere off its items.
    void Timer1Timer();

    void TabBarGetIndex(TEControl *sender, int &index, int x, int y);
    void TabBarMouseDown(Qt::MouseButton button, bool doubleClick);
    void TabBarMouseUp();

    // The ad strip's items, while the status bar shows no page status text.
    void StatusBarGetIndex(TEControl *sender, int &index, int x, int y);
    void StatusBarMouseDown(int x, int y);

private:
    TfrmMain &FForm;
};
