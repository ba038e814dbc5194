#pragma once
// The two per-user game lists inside the user data document: "我的游戏" (the order games were
// added) and "最近玩过的游戏" (newest first, at most ten). Entries are "item" elements with
// "location" and "caption". No widgets: the side panel mirrors what these return.

#include <QDomElement>
#include <QString>
#include <QStringList>

class TUserData;

class TGameLists {
public:
    static constexpr int RecentLimit = 10;

    // S\F\G\ gives G, G\ gives G: the final "\" dropped, then the text after the last "\".
    static QString CaptionOf(const QString &location);

    // Appends an entry for location at the end of "我的游戏". Null (and nothing changed) when an
    // entry with this location is already there. The caller saves the document.
    static QDomElement AddToMyGames(TUserData &data, const QString &location);
    // Moves the entry of location to the front of "最近玩过的游戏", keeping its caption, or puts a
    // new one there and drops the eleventh. Returns the front entry. The caller saves (or leaves
    // the change for the next save) and shows it: one operation for the side panel and for a
    // captured login.
    static QDomElement AddToRecentGames(TUserData &data, const QString &location);
    // Takes an entry out of its list; false when it belongs to no list.
    static bool RemoveListEntry(QDomElement entry);
    // Whether element lives in the user data document (an entry of one of the two lists).
    static bool IsListEntry(const TUserData &data, const QDomElement &element);

    // The "user" of every stored account of location, in document order.
    static QStringList AccountUsers(const TUserData &data, const QString &location);
};
