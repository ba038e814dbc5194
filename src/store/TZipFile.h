#pragma once
// Reads zip archives (stored and deflated members) for the skin and the update archive.
// Member names that are absolute or contain ".." are refused: an archive never writes outside
// the folder it is unpacked into.

#include <QByteArray>
#include <QList>
#include <QString>

struct TZipEntry {
    int Index = -1;
    QString Name;       // full member name, "/" separated
    QString FileName;   // the part after the last "/"; empty for a folder
    QString FolderPath; // the part up to and including the last "/"; empty at the top
    bool IsFolder = false;
    qint64 Size = 0;
    bool Safe = true; // false for absolute names and names with ".."
};

class TZipFile {
public:
    TZipFile() = default;
    ~TZipFile();
    TZipFile(const TZipFile &) = delete;
    TZipFile &operator=(const TZipFile &) = delete;

    bool Open(const QString &path);
    bool OpenData(const QByteArray &data);
    void Close();
    bool IsOpen() const { return FZip != nullptr; }
    QString ErrorString() const { return FError; }

    QList<TZipEntry> Entries() const { return FEntries; }
    int IndexOf(const QString &name) const; // exact member name, -1 when absent

    bool Extract(int index, QByteArray &out);
    bool Extract(const QString &name, QByteArray &out);
    // Writes the member to folder + its name (creating subfolders). Refuses unsafe names.
    bool ExtractTo(int index, const QString &folder);
    // Every safe member; false when any member was refused or failed (the others are written).
    bool ExtractAll(const QString &folder);

    static bool IsSafeName(const QString &name);

private:
    struct zip *FZip = nullptr;
    QByteArray FData; // keeps OpenData's bytes alive
    QList<TZipEntry> FEntries;
    QString FError;
    void ReadEntries();
};
