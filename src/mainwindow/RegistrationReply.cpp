#include "mainwindow/RegistrationReply.h"

#include "protocol/THostProtocol.h"
#include "side/TCatalogue.h"
#include "store/TUserData.h"

QString AddPartnerId(const QString &url, const QString &partnerId) {
    const qsizetype hash = url.indexOf(QLatin1Char('#'));
    QString head = hash < 0 ? url : url.left(hash);
    const QString fragment = hash < 0 ? QString() : url.mid(hash);
    // A URL that already has a query gets the partner id as one more parameter; a second "?"
    // would make it part of the last parameter's value.
    if (!head.contains(QLatin1Char('?')))
        head += QLatin1Char('?');
    else if (!head.endsWith(QLatin1Char('?')) && !head.endsWith(QLatin1Char('&')))
        head += QLatin1Char('&');
    return head + QStringLiteral("pid=") + partnerId + fragment;
}

TRegistration BuildRegistrationReply(const QString &hostText, const TCatalogue &catalogue,
                                     const TUserData &userData, const QString &partnerId) {
    TRegistration r;
    const qsizetype feed = hostText.indexOf(QLatin1Char('\n'));
    if (feed < 0) {
        r.Location = hostText;
    } else {
        r.Location = hostText.left(feed);
        r.User = hostText.mid(feed + 1);
    }
    r.Game = catalogue.FindByLocation(r.Location);
    if (r.Game.isNull() || !r.Game.hasAttribute(QStringLiteral("url"))) {
        r.Reply = r.Location;
        return r;
    }

    TRegistrationReply reply;
    reply.Url = AddPartnerId(r.Game.attribute(QStringLiteral("url")), partnerId);
    reply.Check = r.Game.attribute(QStringLiteral("check"));
    if (!r.User.isEmpty()) {
        const QDomElement account = userData.FindAccount(r.Location, r.User);
        if (!account.isNull()) {
            if (account.hasAttribute(QStringLiteral("pass"))) {
                reply.FillUser = r.User;
                reply.FillPassword = account.attribute(QStringLiteral("pass"));
            }
            reply.UserBox = account.attribute(QStringLiteral("ubox"));
            reply.PasswordBox = account.attribute(QStringLiteral("pbox"));
        }
    }
    r.Reply = THostProtocol::BuildRegistrationReply(reply);
    return r;
}
