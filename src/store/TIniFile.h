#pragma once
// An INI file with the private-profile semantics: case-insensitive sections and keys, every write
// reaches the file at once (no copy kept in memory), other lines kept as they are, text in GBK.

#include <QDate>
#include <QString>

class TIniFile {
public:
    explicit TIniFile(const QString &path);
    QString FileName() const { return FPath; }

    // Missing file, section or key: the default.
    QString ReadString(const QString &section, const QString &key, const QString &def) const;
    // A value that is not a decimal integer gives the default.
    int ReadInteger(const QString &section, const QString &key, int def) const;
    // Read as an integer; anything but 0 is true.
    bool ReadBool(const QString &section, const QString &key, bool def) const;
    // The short date format "yyyy-MM-dd"; a value that does not parse gives the default.
    QDate ReadDate(const QString &section, const QString &key, const QDate &def) const;
    bool SectionExists(const QString &section) const;
    bool ValueExists(const QString &section, const QString &key) const;

    // Throws EWriteError("Unable to write to <path>") when the file cannot be written; the file
    // on disk is then unchanged.
    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    void WriteBool(const QString &section, const QString &key, bool value);
    void WriteDate(const QString &section, const QString &key, const QDate &value);
    void DeleteKey(const QString &section, const QString &key);

private:
    QString FPath;
};
