#pragma once
// The history of visited pages: one SQLite file in the program directory that every page host,
// in any process, adds its http and https visits to, and that the address box searches.
// One object is one connection; use it from one thread at a time (each thread opens its own).

#include <QByteArrayView>
#include <QList>
#include <QString>

#include <functional>

struct sqlite3;

struct THistoryEntry {
    QString Url;
    QString Title; // empty when the page's title is its URL
};

class THistoryStore {
public:
    static constexpr char FileName[] = "history.db";

    // Opens (creating when missing) the file at path. A file that cannot be opened leaves the
    // store closed: visits are then not recorded, searches find nothing, and the file is left as
    // it is.
    explicit THistoryStore(const QString &path);
    ~THistoryStore();
    THistoryStore(const THistoryStore &) = delete;
    THistoryStore &operator=(const THistoryStore &) = delete;

    // "history.db" in the folder of the running executable.
    static QString DefaultPath();

    bool IsOpen() const { return FDb != nullptr; }
    QString Path() const { return FPath; }
    // Why the last operation failed; empty after a success.
    QString ErrorText() const { return FError; }

    // Adds one visit. Only http and https addresses are kept; anything else is ignored and
    // answers false. A later visit of the same address updates its title (unless the new title
    // is empty) and its visit time.
    bool RecordVisit(const QString &url, const QString &title);

    // The stored pages that match typed (see Matches), shortest address first, at most limit.
    QList<THistoryEntry> Search(const QString &typed, int limit) const;

    // Every stored page, in the order they were first visited; visit answers false to stop.
    bool Enumerate(const std::function<bool(const THistoryEntry &)> &visit) const;
    int Count() const;

    // The suggestion rules, free of any storage so they can be checked directly.
    static bool IsRecordable(const QString &url);
    // On UTF-8 bytes: a page matches when typed occurs in its URL or, failing that, in its
    // title, with letter case significant. The page whose URL is exactly the typed text is left
    // out (the user already has it), and an empty text matches nothing.
    static bool Matches(QByteArrayView url, QByteArrayView title, QByteArrayView typed);
    static bool Matches(const QString &url, const QString &title, const QString &typed);
    // Shortest URL first; URLs of equal length in code unit order.
    static void SortByUrlLength(QList<THistoryEntry> &entries);
    // The whole rule over a list in memory: match, blank titles equal to their URL, sort, trim.
    static QList<THistoryEntry> SelectMatches(const QList<THistoryEntry> &pages,
                                              const QString &typed, int limit);

private:
    bool Fail(const QString &what) const;
    bool Query(QList<THistoryEntry> &result, const QByteArray &typed, int limit, const char *sql,
               const QByteArray &phrase = QByteArray()) const;

    QString FPath;
    sqlite3 *FDb = nullptr;
    bool FHasTextIndex = false;
    mutable QString FError;
};
