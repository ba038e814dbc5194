#pragma once
// The mini home window (unit minihome_): the portal's mini home page in a small window of its
// own, shown 10 seconds after the main window creates it. Closing only hides it.
//
// The page itself is shown by a page host that the main window hands in with SetPageHost; the
// host's navigation is reached through OnNavigate.

#include "controls/TSkinForm.h"

#include <QTimer>

#include <functional>

class TMiniHome : public TSkinForm {
    Q_OBJECT

public:
    static constexpr int ShowDelay = 10000;

    // No owner window: the mini home has its own task-bar presence.
    TMiniHome();

    QTimer Timer1; // runs once, from creation

    // The widget that shows the page; it fills the client area.
    void SetPageHost(QWidget *Host);
    QWidget *PageHost() const { return FPageHost; }
    // Navigates the page host to an address.
    std::function<void(const QString &Url)> OnNavigate;

    // The address the window opens: the portal's mini home page.
    static QString PageAddress();

    void Timer1Timer();

protected:
    void resizeEvent(QResizeEvent *Event) override;

private:
    QWidget *FPageHost = nullptr;
};
