#include "store/TCaptureSave.h"

#include "store/TUserData.h"

#include <QStringList>

bool TCaptureSave::Parse(const QString &report, TCapturedLogin &login) {
    const QStringList lines = report.split(QStringLiteral("\r\n"));
    if (lines.size() != 7 || lines[0].isEmpty())
        return false;
    login = {lines[0], lines[1], lines[2], lines[3], lines[4], lines[5], lines[6]};
    return true;
}

TCaptureSave::TStep TCaptureSave::Decide(const QString &report, const TUserData &data,
                                         bool saveForm, TCapturedLogin *login) {
    TCapturedLogin parsed;
    // Nobody loaded (a log-in under way or refused): storing now would make a store of one
    // account and write it over the file of the user being logged in.
    if (data.Root().isNull() || !Parse(report, parsed))
        return TStep::Drop;
    if (login)
        *login = parsed;
    if (!data.FindAccount(parsed.Location, parsed.User).isNull())
        return TStep::Known;
    if (parsed.Flag != QLatin1String("0"))
        return TStep::Skip;
    return saveForm ? TStep::Ask : TStep::Store;
}

void TCaptureSave::Store(TUserData &data, const TCapturedLogin &login, const QString &caption) {
    QDomElement item =
        data.AppendAccount(login.Location, login.User, caption, login.Pass, login.UBox, login.PBox);
    if (item.isNull())
        return;
    // A captured login keeps its form's field names, empty ones too.
    item.setAttribute(QStringLiteral("ubox"), TUserData::StorableText(login.UBox));
    item.setAttribute(QStringLiteral("pbox"), TUserData::StorableText(login.PBox));
}
