#pragma once
// The main window's answer to a page host that registers: the host's window text names what to
// open (a URL, or a game location and optionally a line feed and an account's user name); the
// answer written back is either a plain URL or six lines for a game:
// URL with the partner id, verification-code box, user, password, user box, password box.

#include <QDomElement>
#include <QString>

class TCatalogue;
class TUserData;

struct TRegistration {
    QString Location; // the text before the first line feed
    QString User;     // the text after it, "" without one
    QDomElement Game; // the catalogue element the location names, null if none
    QString Reply;    // what the host's window text becomes
};

// The game's catalogue entry and stored account, written as THostProtocol's six-line reply.
TRegistration BuildRegistrationReply(const QString &hostText, const TCatalogue &catalogue,
                                     const TUserData &userData, const QString &partnerId);

// The game's start URL with "pid=" and the partner id added to its query ("?" or "&", before
// any fragment).
QString AddPartnerId(const QString &url, const QString &partnerId);
