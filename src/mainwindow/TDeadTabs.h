#pragma once
// Game tabs whose tab process has died (killed, crashed, out of memory). The tab stays; while it
// is shown, its page area holds a notice with a button that starts the game again in a new tab
// process with the same location and user, which then takes the dead tab's place.

#include "platform/WinMessages.h"

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

class TDeadTabNotice;

class TDeadTabs : public QObject {
    Q_OBJECT

public:
    // How long a restarted game may take to register before the button can be pressed again.
    static constexpr int RestartGrace = 15000;

    // pageArea: the page area's handle (tab processes are started into it) and widget.
    TDeadTabs(HWND pageArea, QWidget *pageAreaWidget, QObject *parent = nullptr);
    ~TDeadTabs() override;

    // Wiring to the main window: whether a handle is still a tab, the shown tab's host, the
    // window is going (deaths are then expected), a tab changed.
    std::function<bool(HWND)> IsTab;
    std::function<HWND()> CurrentHost;
    std::function<bool()> ShuttingDown;
    std::function<void(HWND)> OnDied;

    // A host registered with its start text ("location" or "location\nuser"). A host in another
    // process is watched from now on.
    void Registered(HWND host, const QString &startText);
    // A new host registers: the dead tab whose restart it is (0 for none). The caller puts the
    // new host into that tab record.
    HWND TakeRestarted(const QString &startText);
    bool IsDead(HWND host) const { return FDead.contains(host); }
    // The shown tab changed: the notice follows it.
    void CurrentChanged();
    // Starts the dead tab's game again: "<exe> <page area> <location> [user]".
    bool Restart(HWND deadHost);

    TDeadTabNotice *Notice() const { return FNotice; }

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void Died(HWND host);

    HWND FPageArea;
    QPointer<QWidget> FPageAreaWidget;
    QHash<HWND, QString> FStart;   // start text per host in a tab process
    QHash<HWND, bool> FDead;       // dead hosts still shown as tabs
    QHash<QString, HWND> FPending; // start text of a restart -> the dead tab it replaces
    TDeadTabNotice *FNotice = nullptr;
};

// The notice in a dead tab's page area: owner-drawn in the skin's colours.
class TDeadTabNotice : public QWidget {
    Q_OBJECT

public:
    explicit TDeadTabNotice(QWidget *parent);
    ~TDeadTabNotice() override;

    static const QString Title; // "游戏已停止运行"
    static const QString ButtonText;

    HWND Handle() const { return FHandle; }
    void SetGame(const QString &caption, bool starting);
    // The button, in the notice's coordinates (for a test that clicks it).
    QRect ButtonRect() const;
    std::function<void()> OnRestart;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void Publish();

    HWND FHandle = 0;
    QString FCaption;
    bool FStarting = false;
    bool FHot = false;
    bool FDown = false;
};
