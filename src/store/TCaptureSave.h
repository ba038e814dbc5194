#pragma once
// What the main window does with a login a page host captured: the seven-line report, the
// decision whether to store it silently, to ask first or to leave it, and whether it also moves
// its game in the recently played list (TGameLists). No widgets: the save prompt is the caller's.

#include <QString>

class TUserData;

struct TCapturedLogin {
    QString Location; // line 0: the game's catalogue location
    QString User;     // line 1
    QString Pass;     // line 2
    QString Title;    // line 3: the page title
    QString Flag;     // line 4: "0"
    QString UBox;     // line 5: name of the user-name field
    QString PBox;     // line 6: name and id of the password field
};

class TCaptureSave {
public:
    enum class TStep {
        Drop,  // not a report of a game login: nothing happens
        Known, // the account is stored already: it is not changed
        Skip,  // a report that is not a login (flag other than "0"): not stored
        Ask,   // offer the save prompt first
        Store, // store without a question
    };

    // Exactly seven lines (CR LF) with a non-empty line 0.
    static bool Parse(const QString &report, TCapturedLogin &login);
    // The whole decision for a report; saveForm is the "SaveForm" setting. Without a loaded
    // user (no root) every report is dropped.
    static TStep Decide(const QString &report, const TUserData &data, bool saveForm,
                        TCapturedLogin *login = nullptr);
    // Whether the report moves its game to the top of the recently played list.
    static bool MarksRecent(const TCapturedLogin &login) { return login.Flag == "0"; }

    // Appends the account with the prompt's title (or the page title) and the field names.
    static void Store(TUserData &data, const TCapturedLogin &login, const QString &caption);
};
