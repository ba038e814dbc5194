#include "protocol/THostProtocol.h"

QStringList THostProtocol::SplitLines(const QString &text) {
    QStringList lines;
    QString line;
    bool open = false; // characters seen since the last break
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\r' || c == u'\n') {
            lines.append(line);
            line.clear();
            open = false;
            if (c == u'\r' && i + 1 < text.size() && text.at(i + 1) == u'\n')
                ++i;
        } else {
            line.append(c);
            open = true;
        }
    }
    if (open)
        lines.append(line);
    return lines;
}

QString THostProtocol::OneLine(QString text) {
    text.replace(u'\r', u' ');
    text.replace(u'\n', u' ');
    return text;
}

QString THostProtocol::BuildRegistrationReply(const TRegistrationReply &r) {
    QString text;
    for (const QString *line :
         {&r.Url, &r.Check, &r.FillUser, &r.FillPassword, &r.UserBox, &r.PasswordBox})
        text += OneLine(*line) + u'\n';
    return text;
}

TRegistrationReply THostProtocol::ParseRegistrationReply(const QString &text) {
    TRegistrationReply reply;
    const QStringList lines = SplitLines(text);
    if (lines.size() != 6) {
        // One line is a plain page. Anything else is a reply gone wrong, which may well hold a
        // password: it is never taken for a URL.
        if (lines.size() == 1)
            reply.Url = lines[0];
        return reply;
    }
    reply.IsLogin = true;
    reply.Url = lines[0];
    reply.Check = lines[1];
    reply.FillUser = lines[2];
    reply.FillPassword = lines[3];
    reply.UserBox = lines[4];
    reply.PasswordBox = lines[5];
    return reply;
}

QString THostProtocol::StartParameter(const QString &location, const QString &user) {
    return user.isNull() ? location : location + u'\n' + user;
}

int THostProtocol::ProgressValue(qint64 progress, qint64 maximum) {
    if (maximum > 0 && progress >= 0 && progress < maximum)
        return int(progress * 200 / maximum);
    return 0;
}

QString THostProtocol::BuildCaptureReport(const TCaptureReport &r) {
    QStringList lines;
    for (const QString *line :
         {&r.Location, &r.User, &r.Password, &r.Title, &r.Kind, &r.UserBox, &r.PasswordBox})
        lines.append(OneLine(*line));
    return lines.join(QStringLiteral("\r\n"));
}

bool THostProtocol::ParseCaptureReport(const QString &text, TCaptureReport &r) {
    // Split on the report's own joiner so that an empty last field (a password input with
    // neither name nor id) still counts as a line.
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    if (lines.size() != 7)
        return false;
    r.Location = lines[0];
    r.User = lines[1];
    r.Password = lines[2];
    r.Title = lines[3];
    r.Kind = lines[4];
    r.UserBox = lines[5];
    r.PasswordBox = lines[6];
    return true;
}

QByteArray THostProtocol::CaptureReportData(const TCaptureReport &report) {
    QByteArray data = BuildCaptureReport(report).toUtf8();
    data.append('\0');
    return data;
}

QString THostProtocol::CaptureReportText(const QByteArray &data) {
    const qsizetype end = data.indexOf('\0');
    return QString::fromUtf8(end < 0 ? data : data.left(end));
}
