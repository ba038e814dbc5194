#include "store/THistoryStore.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>

namespace {

// Page hosts of several processes write at once; a writer waits this long for the others.
constexpr int BusyTimeoutMs = 5000;

constexpr char Schema[] = "CREATE TABLE IF NOT EXISTS history("
                          " url TEXT NOT NULL UNIQUE,"
                          " title TEXT NOT NULL DEFAULT '',"
                          " visits INTEGER NOT NULL DEFAULT 1,"
                          " last_visit INTEGER NOT NULL);"
                          // Suggestions walk this in their own order and stop at the last one
                          // needed, so a common text never scans the whole history.
                          "CREATE INDEX IF NOT EXISTS history_by_length"
                          " ON history(length(url), url, title)";

// A trigram index over URL and title finds the few pages holding a rare text without reading
// them all. Kept in step with the table by triggers, so every writer maintains it.
constexpr char TextIndexSchema[] =
    "CREATE VIRTUAL TABLE history_text USING fts5(url, title, content='history',"
    " content_rowid='rowid', tokenize='trigram case_sensitive 1');"
    "CREATE TRIGGER IF NOT EXISTS history_text_insert AFTER INSERT ON history BEGIN"
    " INSERT INTO history_text(rowid, url, title) VALUES(new.rowid, new.url, new.title); END;"
    "CREATE TRIGGER IF NOT EXISTS history_text_delete AFTER DELETE ON history BEGIN"
    " INSERT INTO history_text(history_text, rowid, url, title)"
    " VALUES('delete', old.rowid, old.url, old.title); END;"
    "CREATE TRIGGER IF NOT EXISTS history_text_update AFTER UPDATE OF url, title ON history BEGIN"
    " INSERT INTO history_text(history_text, rowid, url, title)"
    " VALUES('delete', old.rowid, old.url, old.title);"
    " INSERT INTO history_text(rowid, url, title) VALUES(new.rowid, new.url, new.title); END;"
    "INSERT INTO history_text(history_text) VALUES('rebuild')";

// Shortest pages first, looking at no more than this many: enough for any common text.
constexpr int ShortScanRows = 5000;

// The part of the typed text looked up in the trigram index. The scheme and "www." begin almost
// every address, and their trigrams would make the lookup read nearly every page; the pages
// found with the rest are checked against the whole text afterwards.
QString IndexKey(const QString &typed) {
    QString key = typed;
    for (const QLatin1String prefix : {QLatin1String("https://"), QLatin1String("http://")}) {
        if (key.startsWith(prefix)) {
            key.remove(0, prefix.size());
            break;
        }
    }
    if (key.startsWith(QLatin1String("www.")))
        key.remove(0, 4);
    return key;
}

QByteArrayView ColumnBytes(sqlite3_stmt *stmt, int column) {
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(stmt, column));
    return QByteArrayView(text, text ? sqlite3_column_bytes(stmt, column) : 0);
}

QByteArrayView ValueBytes(sqlite3_value *value) {
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QByteArrayView(text, text ? sqlite3_value_bytes(value) : 0);
}

THistoryEntry EntryFromRow(sqlite3_stmt *stmt) {
    THistoryEntry entry;
    entry.Url = QString::fromUtf8(ColumnBytes(stmt, 0));
    entry.Title = QString::fromUtf8(ColumnBytes(stmt, 1));
    if (entry.Title == entry.Url)
        entry.Title.clear();
    return entry;
}

// The matching rule as an SQL function, so that the scan stays inside SQLite and only the few
// rows that match are turned into strings.
void MatchFunction(sqlite3_context *context, int, sqlite3_value **args) {
    sqlite3_result_int(context, THistoryStore::Matches(ValueBytes(args[0]), ValueBytes(args[1]),
                                                       ValueBytes(args[2])));
}

class TStatement {
public:
    TStatement(sqlite3 *db, const char *sql) {
        if (db)
            sqlite3_prepare_v2(db, sql, -1, &FStmt, nullptr);
    }
    ~TStatement() { sqlite3_finalize(FStmt); }
    TStatement(const TStatement &) = delete;
    TStatement &operator=(const TStatement &) = delete;
    sqlite3_stmt *Get() const { return FStmt; }
    explicit operator bool() const { return FStmt != nullptr; }
    void Bind(int index, const QString &text) {
        const QByteArray utf8 = text.toUtf8();
        sqlite3_bind_text(FStmt, index, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    }

private:
    sqlite3_stmt *FStmt = nullptr;
};

} // namespace

THistoryStore::THistoryStore(const QString &path) : FPath(path) {
    const QByteArray name = QDir::toNativeSeparators(path).toUtf8();
    if (sqlite3_open_v2(name.constData(), &FDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK) {
        Fail(QStringLiteral("open"));
        sqlite3_close(FDb);
        FDb = nullptr;
        return;
    }
    sqlite3_busy_timeout(FDb, BusyTimeoutMs);
    // WAL lets one process write while the others read, and several writers queue on the lock.
    // A damaged file fails here (not a database) and is left untouched.
    const auto exec = [this](const char *sql) {
        return sqlite3_exec(FDb, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    };
    // The schema is set up in one write transaction, so two processes starting together do
    // not both build the text index.
    bool ready =
        exec("PRAGMA journal_mode=WAL") && exec("PRAGMA synchronous=NORMAL") &&
        sqlite3_create_function_v2(FDb, "history_match", 3,
                                   SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY, nullptr,
                                   MatchFunction, nullptr, nullptr, nullptr) == SQLITE_OK &&
        exec("BEGIN IMMEDIATE");
    if (ready) {
        ready = exec(Schema);
        if (!ready)
            Fail(QStringLiteral("open")); // before the rollback replaces the reason
        if (ready) {
            TStatement has(FDb, "SELECT 1 FROM sqlite_master WHERE name = 'history_text'");
            FHasTextIndex = has && sqlite3_step(has.Get()) == SQLITE_ROW;
        }
        // Without the trigram tokenizer every search scans; nothing else changes.
        if (ready && !FHasTextIndex) {
            exec("SAVEPOINT text_index");
            FHasTextIndex = exec(TextIndexSchema);
            exec(FHasTextIndex ? "RELEASE text_index"
                               : "ROLLBACK TO text_index; RELEASE text_index");
        }
        if (ready)
            ready = exec("COMMIT") || Fail(QStringLiteral("open"));
        else
            exec("ROLLBACK");
    } else {
        Fail(QStringLiteral("open"));
    }
    if (!ready) {
        sqlite3_close(FDb);
        FDb = nullptr;
    }
}

THistoryStore::~THistoryStore() {
    sqlite3_close(FDb);
}

QString THistoryStore::DefaultPath() {
    return QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(FileName));
}

bool THistoryStore::Fail(const QString &what) const {
    FError = QStringLiteral("Unable to %1 the history %2: %3")
                 .arg(what, FPath,
                      FDb ? QString::fromUtf8(sqlite3_errmsg(FDb)) : QStringLiteral("no memory"));
    return false;
}

bool THistoryStore::IsRecordable(const QString &url) {
    // Page addresses come from the engine with the scheme in small letters; the address box
    // only ever suggests addresses that begin with "http".
    if (!url.startsWith(QLatin1String("http://")) && !url.startsWith(QLatin1String("https://")))
        return false;
    const QUrl parsed(url, QUrl::TolerantMode);
    return parsed.isValid() && !parsed.host().isEmpty();
}

bool THistoryStore::RecordVisit(const QString &url, const QString &title) {
    if (!IsRecordable(url)) {
        FError = QStringLiteral("Not an http or https address: %1").arg(url);
        return false;
    }
    if (!FDb)
        return Fail(QStringLiteral("write"));
    TStatement stmt(FDb,
                    "INSERT INTO history(url, title, visits, last_visit) VALUES(?1, ?2, 1, ?3)"
                    " ON CONFLICT(url) DO UPDATE SET"
                    " title = CASE WHEN excluded.title <> '' THEN excluded.title ELSE title END,"
                    " visits = visits + 1, last_visit = excluded.last_visit");
    if (!stmt)
        return Fail(QStringLiteral("write"));
    stmt.Bind(1, url);
    stmt.Bind(2, title);
    sqlite3_bind_int64(stmt.Get(), 3, QDateTime::currentSecsSinceEpoch());
    if (sqlite3_step(stmt.Get()) != SQLITE_DONE)
        return Fail(QStringLiteral("write"));
    FError.clear();
    return true;
}

QList<THistoryEntry> THistoryStore::Search(const QString &typed, int limit) const {
    QList<THistoryEntry> result;
    if (limit <= 0 || typed.isEmpty())
        return result;
    if (!FDb) {
        Fail(QStringLiteral("read"));
        return result;
    }
    const QByteArray text = typed.toUtf8();
    // A common text: its shortest matches lie among the shortest pages.
    if (Query(result, text, limit,
              "SELECT url, title FROM (SELECT url, title FROM history"
              " ORDER BY length(url), url LIMIT ?3)"
              " WHERE substr(url, 1, 4) = 'http' AND history_match(url, title, ?1)"
              " LIMIT ?2") &&
        result.size() >= limit)
        return result;
    result.clear();
    // A rarer text: the pages holding it, from the trigram index (keys of three characters
    // and more), or else from the whole history.
    const QString key = IndexKey(typed);
    const bool indexed = FHasTextIndex && key.toUcs4().size() >= 3;
    const char *sql = indexed
                          ? "SELECT h.url, h.title FROM history_text"
                            " JOIN history h ON h.rowid = history_text.rowid"
                            " WHERE history_text MATCH ?4 AND substr(h.url, 1, 4) = 'http'"
                            " AND history_match(h.url, h.title, ?1)"
                            " ORDER BY length(h.url), h.url LIMIT ?2"
                          : "SELECT url, title FROM history"
                            " WHERE substr(url, 1, 4) = 'http' AND history_match(url, title, ?1)"
                            " ORDER BY length(url), url LIMIT ?2";
    // One phrase: the key as it is, quotes doubled.
    QString phrase = key;
    phrase.replace(QLatin1Char('"'), QLatin1String("\"\""));
    if (!Query(result, text, limit, sql, (QLatin1Char('"') + phrase + QLatin1Char('"')).toUtf8()))
        result.clear();
    return result;
}

bool THistoryStore::Query(QList<THistoryEntry> &result, const QByteArray &typed, int limit,
                          const char *sql, const QByteArray &phrase) const {
    TStatement stmt(FDb, sql);
    if (!stmt)
        return Fail(QStringLiteral("read"));
    sqlite3_bind_text(stmt.Get(), 1, typed.constData(), int(typed.size()), SQLITE_STATIC);
    sqlite3_bind_int(stmt.Get(), 2, limit);
    if (sqlite3_bind_parameter_count(stmt.Get()) >= 3)
        sqlite3_bind_int(stmt.Get(), 3, ShortScanRows);
    if (sqlite3_bind_parameter_count(stmt.Get()) >= 4)
        sqlite3_bind_text(stmt.Get(), 4, phrase.constData(), int(phrase.size()), SQLITE_STATIC);
    int rc;
    while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW)
        result.append(EntryFromRow(stmt.Get()));
    if (rc != SQLITE_DONE)
        return Fail(QStringLiteral("read"));
    FError.clear();
    return true;
}

bool THistoryStore::Enumerate(const std::function<bool(const THistoryEntry &)> &visit) const {
    if (!FDb)
        return Fail(QStringLiteral("read"));
    TStatement stmt(FDb, "SELECT url, title FROM history WHERE substr(url, 1, 4) = 'http'"
                         " ORDER BY rowid");
    if (!stmt)
        return Fail(QStringLiteral("read"));
    int rc;
    while ((rc = sqlite3_step(stmt.Get())) == SQLITE_ROW) {
        if (!visit(EntryFromRow(stmt.Get())))
            return true;
    }
    if (rc != SQLITE_DONE)
        return Fail(QStringLiteral("read"));
    FError.clear();
    return true;
}

int THistoryStore::Count() const {
    TStatement stmt(FDb, "SELECT count(*) FROM history");
    if (!stmt || sqlite3_step(stmt.Get()) != SQLITE_ROW) {
        Fail(QStringLiteral("read"));
        return 0;
    }
    return sqlite3_column_int(stmt.Get(), 0);
}

bool THistoryStore::Matches(QByteArrayView url, QByteArrayView title, QByteArrayView typed) {
    if (typed.isEmpty() || url == typed)
        return false;
    const auto contains = [typed](QByteArrayView text) {
        return std::search(text.begin(), text.end(), typed.begin(), typed.end()) != text.end();
    };
    return contains(url) || contains(title);
}

bool THistoryStore::Matches(const QString &url, const QString &title, const QString &typed) {
    return Matches(QByteArrayView(url.toUtf8()), QByteArrayView(title.toUtf8()),
                   QByteArrayView(typed.toUtf8()));
}

void THistoryStore::SortByUrlLength(QList<THistoryEntry> &entries) {
    std::stable_sort(entries.begin(), entries.end(),
                     [](const THistoryEntry &a, const THistoryEntry &b) {
                         if (a.Url.length() != b.Url.length())
                             return a.Url.length() < b.Url.length();
                         return a.Url < b.Url;
                     });
}

QList<THistoryEntry> THistoryStore::SelectMatches(const QList<THistoryEntry> &pages,
                                                  const QString &typed, int limit) {
    QList<THistoryEntry> result;
    for (const THistoryEntry &page : pages) {
        if (!page.Url.startsWith(QLatin1String("http")) || !Matches(page.Url, page.Title, typed))
            continue;
        THistoryEntry entry = page;
        if (entry.Title == entry.Url)
            entry.Title.clear();
        result.append(entry);
    }
    SortByUrlLength(result);
    if (result.size() > limit)
        result.resize(std::max(limit, 0));
    return result;
}
