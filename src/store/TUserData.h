#pragma once
// The user data document: the current local user's accounts and game lists as XML, kept in a
// scrambled GBK file. A valid document has exactly two top nodes: the XML declaration, then the
// root "folder" (child 0: accounts folder, child 1: game lists folder with "我的游戏" and
// "最近玩过的游戏").

#include <QDomDocument>
#include <QDomElement>
#include <QString>
#include <QStringList>

class TUserData {
public:
    TUserData(); // empty: only the declaration

    QDomDocument &Doc() { return FDoc; }
    const QDomDocument &Doc() const { return FDoc; }

    // Fewer than two top nodes: no user data loaded.
    bool IsEmpty() const;
    void Clear(); // back to the declaration only

    QString CurrentFile() const { return FCurrentFile; }
    void SetCurrentFile(const QString &path) { FCurrentFile = path; }

    // Reads the current user file when it exists: true also when it does not (document kept);
    // false when it does not parse, is too large or nested too deep to be a real user file, or
    // lacks the declaration or holds other text where the root or a folder belongs (the document
    // is then empty). Comments are dropped. The file is never written here.
    bool Load();
    // Writes the current user file when one is set: to a temporary file beside it, readable by
    // the user only and flushed to disk, renamed over the old one, so an interrupted save leaves
    // the old file whole. A document without root is
    // never written. A file that failed to load is first kept as "<file>.bad" before the first
    // save replaces it. Throws EWriteError, EStoreTooLarge (a kind of it) for a document that
    // would be over the reader's size or node limit; the file is then untouched.
    void Save() const;

    // Serialised XML text and its file bytes (GBK, scrambled), for exports and tests.
    QString ToXml() const;
    QByteArray ToFileBytes() const;
    bool FromFileBytes(const QByteArray &bytes);

    QDomElement Root() const;
    QDomElement AccountsFolder() const;
    QDomElement ListsFolder() const;
    QDomElement MyGamesFolder() const;
    QDomElement RecentFolder() const;

    QDomElement FindAccount(const QString &location, const QString &user) const;
    // Null, nothing added, when the document has no accounts folder.
    QDomElement AppendAccount(const QString &location, const QString &user, const QString &caption,
                              const QString &pass, const QString &ubox = QString(),
                              const QString &pbox = QString());
    // When empty: the root with its two folders and the two list folders (no password).
    void EnsureStructure();

    // text without the characters an XML file cannot hold (controls other than tab, line feed
    // and carriage return, U+FFFE, U+FFFF, halves of surrogate pairs): what a value is kept as.
    // The writer drops them too, so that a file always reads back.
    static QString StorableText(const QString &text);

    // The program directory ends with "/".
    static QString UserFile(const QString &programDir, const QString &userName);
    static QString DefaultUserFile(const QString &programDir);
    static QStringList ListLocalUsers(const QString &programDir);

private:
    QDomDocument FDoc;
    QString FCurrentFile;
    mutable QString FUnreadableFile; // the last file that failed to load, until it is kept aside
};

// The process-wide document; lives until the process ends.
TUserData &UserData();
