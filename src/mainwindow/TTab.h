#pragma once
// One tab of the main window: the page host it shows and what the tab bar needs to draw it.

#include "platform/WinTypes.h"

#include <QDomNode>
#include <QString>

struct TTab {
    QString Title;
    HWND Handle = 0; // the tab's page host window
    QDomNode Game;   // catalogue node the tab was opened for; null for none
    bool Locked = false;
    QString Password;    // empty = not protected
    QString User;        // account user name the tab was opened with; empty for none
    qint32 Progress = 0; // last reported load progress, 0 to 200
    bool CanBack = false;
    bool CanForward = false;
    bool Dead = false;    // its tab process has died; the tab bar greys it
    bool Audible = false; // the page plays sound (as its host last reported)
    bool Muted = false;
    int Zoom = 100;  // the page's zoom in percent
    QString ZoomKey; // game location the zoom is remembered under; empty for other pages

    // What the tab bar shows: "[user]title" for a tab opened with an account.
    QString Caption() const {
        return User.isEmpty() ? Title : QLatin1Char('[') + User + QLatin1Char(']') + Title;
    }
};
