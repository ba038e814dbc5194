#pragma once
// The main window's mute and zoom: the tab menu's "静音" / "取消静音" and a click on a tab's
// speaker mark mute its page through its host, in this or a tab process; the hosts report sound,
// mute and zoom, and the zoom of a game tab is kept per game location in the settings file and
// given back to the game's next tab.

#include "platform/WinTypes.h"

#include <QObject>
#include <QString>

class QAction;
class TfrmMain;

class TPlayerTools : public QObject {
    Q_OBJECT
public:
    // Adds its entry to the tab menu and watches the tab bar for clicks on marks.
    explicit TPlayerTools(TfrmMain &form);

    // A host registered (location: the catalogue location of a game tab, else empty): the
    // game's kept zoom goes to it.
    void HostRegistered(HWND host, const QString &location);
    void HostAudio(HWND host, LPARAM state);
    void HostZoom(HWND host, int percent);
    // Asks the tab's host to mute or unmute its page; the tab shows it at once.
    void SetMuted(int index, bool muted);
    // The status bar's zoom text for the shown tab, empty at 100 %.
    QString ZoomText() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The tab whose speaker mark is at pos in the tab bar, -1 for none.
    int MarkAt(const QPoint &pos) const;

    TfrmMain &FForm;
    QAction *FMute = nullptr;
};
