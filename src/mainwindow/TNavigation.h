#pragma once
// What the main window opens and sends from its tool bar, address box, search box and ad strip:
// the tool bar's actions by strip index, Enter in the address and search boxes, the search engine
// choice with the search box's placeholder, and the ad strip's fetch and scrolling.

#include <Qt>

class TfrmMain;

class TNavigation {
public:
    explicit TNavigation(TfrmMain &form);

    void ToolBarAction(int index);
    void AddressEnter(Qt::KeyboardModifiers modifiers);
    void SearchEnter();
    void SetSearchEngine(int tag);
    // Away from the box the engine's caption stands in for an empty text.
    void SearchBoxFocusChange(bool focused);

    // Once per run: the ad strip's lines from the portal; AdTimer then scrolls them.
    void FetchAdStrip();
    void AdTimerTimer();

private:
    TfrmMain &FForm;
};
