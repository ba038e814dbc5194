#pragma once
// The boss key: one key combination, taken for the whole display, that takes every window of the
// hall off the screen at once (dialogs, pop-ups and the capture tool included), mutes every tab
// and takes the tray icon away; pressed again it puts all of it back as it was.

#include "platform/TGlobalHotkey.h"
#include "platform/WinTypes.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QWidget>

class QSystemTrayIcon;
class TfrmMain;

class TBossKey : public QObject {
    Q_OBJECT
public:
    explicit TBossKey(TfrmMain &form);

    // Takes the combination of the settings file ("General"/"BossKey"); an empty one switches
    // the key off. False when it cannot be had: not a combination, or another program holds it.
    bool Apply();
    // The combination as the settings file has it, for a message.
    static QString KeyText();
    void Toggle();
    bool Hidden() const { return FHidden; }

protected:
    // A window that opens while the hall is away goes away as well.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Hide();
    void Show();
    void Unmap(QWidget *window);

    TfrmMain &FForm;
    TGlobalHotkey FHotkey;
    bool FHidden = false;
    QList<QPointer<QWidget>> FWindows; // taken off the screen, in the order they were shown
    QList<HWND> FMuted;                // tabs the key muted; tabs muted before stay muted
    QPointer<QSystemTrayIcon> FTray;
    QPointer<QWidget> FActive;
};
