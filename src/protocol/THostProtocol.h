#pragma once
// The texts and numbers a page host exchanges with the main window, both sides of each, free of
// any window or engine so they can be checked directly. A field never adds or removes a line:
// its own line breaks become blanks when a text is built.

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a page host learns from the main window's answer to its registration.
struct TRegistrationReply {
    bool IsLogin = false; // a six-line reply: a game page, capture armed
    QString Url;
    QString Check;
    QString FillUser;
    QString FillPassword;
    QString UserBox;
    QString PasswordBox;
};

// The fields of a login the user typed, as a capture report carries them.
struct TCaptureReport {
    QString Location; // the game's catalogue location; empty in the main process
    QString User;
    QString Password;
    QString Title; // the host window's text
    QString Kind = QStringLiteral("0");
    QString UserBox;
    QString PasswordBox; // name followed directly by id
};

class THostProtocol {
public:
    // Line feed, carriage return + line feed and a lone carriage return all end a line; a final
    // break does not start another line.
    static QStringList SplitLines(const QString &text);
    // The six lines of a game reply (URL, check, user, password, user box, password box), each
    // ended by a line feed so that empty trailing lines still count when the host splits it.
    static QString BuildRegistrationReply(const TRegistrationReply &reply);
    // Exactly six lines make a login reply; anything else is one URL (the whole text).
    static TRegistrationReply ParseRegistrationReply(const QString &text);
    // The start parameter of a tab process: location, or location + LF + user.
    static QString StartParameter(const QString &location, const QString &user);
    // The value posted with WM_HOSTPROGRESS: 0..200, 0 also meaning finished.
    static int ProgressValue(qint64 progress, qint64 maximum);
    // Seven lines joined by CR LF with no final break.
    static QString BuildCaptureReport(const TCaptureReport &report);
    // The WM_COPYDATA block: the report in UTF-8 with a terminating zero. UTF-8 rather than the
    // ANSI code page, so that a password GBK cannot hold reaches the account store intact.
    static QByteArray CaptureReportData(const TCaptureReport &report);
    // The text of such a block (a missing terminator is tolerated).
    static QString CaptureReportText(const QByteArray &data);
    // The other side's reading of it; false unless there are exactly seven CR LF separated
    // fields (empty trailing fields count).
    static bool ParseCaptureReport(const QString &text, TCaptureReport &report);
    // text with every carriage return and line feed made a blank.
    static QString OneLine(QString text);
};
