#pragma once
// A main-window double for the page host tests: a root window under the main window's class
// name with a page area two levels below it, a status bar and an address box, all registered
// with the window-message layer. It answers the host protocol the way the main window does
// and records what it is told.

#include "platform/WinMessages.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QWidget>

#include <functional>

class TMainDouble {
public:
    struct TRegistration {
        HWND Host = 0;
        QString Text;  // the host's window text when it registered
        QString Reply; // what was written back
    };
    struct TPosted {
        quint32 Msg = 0;
        WPARAM WParam = 0;
        LPARAM LParam = 0;
    };

    // size: the page area's client size.
    explicit TMainDouble(QSize size = QSize(800, 600));
    ~TMainDouble();

    HWND Root() const { return FRoot; }
    HWND PageArea() const { return FPageArea; }
    HWND StatusBar() const { return FStatusBar; }
    HWND AddressBox() const { return FAddressBox; }
    QWidget *RootWidget() const { return FRootWidget; }

    // Builds the registration reply from the host's window text; a plain echo by default.
    std::function<QString(const QString &hostText)> ReplyBuilder;

    // Called after each registration has been answered.
    std::function<void(const TRegistration &)> OnRegister;

    // Tabs, in registration order; the last one registered is the current tab.
    QList<TRegistration> Registrations;
    HWND Current = 0;
    QMap<HWND, QString> TitleOf; // every tab's title as last re-read on WM_HOSTTITLE
    QList<QByteArray> Copies;    // WM_COPYDATA blocks as received
    QList<HWND> CopySenders;
    QList<TPosted> Posted; // progress, back, forward and the no-account notice
    int StatusRedraws = 0; // WM_ERASEBKGND to the status bar

    int CountPosted(quint32 msg, LPARAM lParam) const;
    // The capture reports received, as text.
    QStringList Reports() const;

private:
    LRESULT RootProc(const Win::TMessage &m);

    QWidget *FRootWidget = nullptr;
    QWidget *FMiddle = nullptr;
    QWidget *FPageWidget = nullptr;
    QWidget *FStatusWidget = nullptr;
    QWidget *FAddressWidget = nullptr;
    HWND FRoot = 0;
    HWND FMiddleHandle = 0;
    HWND FPageArea = 0;
    HWND FStatusBar = 0;
    HWND FAddressBox = 0;
};
