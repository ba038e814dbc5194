#pragma once
// Start with the desktop session: an XDG autostart entry ~/.config/autostart/ludora.desktop
// (or under $XDG_CONFIG_HOME). On means its Exec line equals the executable path, compared
// case-insensitively; a quoted path or anything else counts as off.

#include <QString>

class TAutostart {
public:
    explicit TAutostart(const QString &executablePath);
    bool IsOn() const;
    // The autostart folder is made when missing; no rights: nothing happens, no message.
    void SetOn(bool on) const;
    QString EntryPath() const;

private:
    QString FExecutable;
};
