#include "side/TTabCommand.h"

#include <QProcess>

QStringList TabProcessArguments(quint64 pageArea, const QString &location, const QString &user) {
    QStringList args{QString::number(pageArea), location};
    if (!user.isEmpty())
        args.append(user);
    return args;
}

bool StartTabProcess(const QString &program, quint64 pageArea, const QString &location,
                     const QString &user) {
    // An argument list, never a command text: blanks and quotes in a location stay inside it.
    return QProcess::startDetached(program, TabProcessArguments(pageArea, location, user));
}
