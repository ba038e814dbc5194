#pragma once
// Reads zip archives (stored and deflated members) for the skin and the update archive.
// Member names that are absolute or contain ".." are refused: an archive never writes outside
// the folder it is unpacked into. Names are UTF-8 when they are valid UTF-8 (the archive's
// flag, or a Linux zip tool's habit); otherwise they are in the ANSI code page (GBK), as the
// zip tools of a Chinese Windows write them.

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
    bool Safe = true; // false for absolute names, names with ".." or control characters
    int Mode = 0;     // Unix permission bits when the archive was made on Unix, else 0
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

    // Caps on what one member may unpack to. The declared size is never trusted: members are
    // read in chunks and refused as soon as they pass the cap, so a small archive that unpacks
    // to gigabytes costs neither memory nor disk.
    static constexpr qint64 MaxMemberSize = 16 * 1024 * 1024;     // into memory
    static constexpr qint64 MaxUnpackSize = 1024LL * 1024 * 1024; // to files, per archive

    // False, out empty, when the member is missing, damaged or larger than maxSize.
    bool Extract(int index, QByteArray &out, qint64 maxSize = MaxMemberSize);
    bool Extract(const QString &name, QByteArray &out, qint64 maxSize = MaxMemberSize);
    // Streams the member into a temporary file beside target (creating its folder) and renames
    // it over target. False when the member is missing, a folder, damaged or larger than
    // maxSize: target is then as it was and no temporary file is left.
    bool ExtractToFile(int index, const QString &target, qint64 maxSize = MaxUnpackSize);
    // Writes the member to folder + its name (creating subfolders). Refuses unsafe names.
    bool ExtractTo(int index, const QString &folder, qint64 maxSize = MaxUnpackSize);
    // The same, with the bytes really written (also when it fails) in *written.
    bool ExtractTo(int index, const QString &folder, qint64 maxSize, qint64 *written);
    // Every safe member, all of them together at most maxTotal bytes; false when any member was
    // refused or failed (the others are written).
    bool ExtractAll(const QString &folder, qint64 maxTotal = MaxUnpackSize);

    static bool IsSafeName(const QString &name);
    // UTF-8 when the bytes are valid UTF-8, else GBK.
    static QString DecodeName(const QByteArray &raw);

private:
    struct zip *FZip = nullptr;
    QByteArray FData; // keeps OpenData's bytes alive
    QList<TZipEntry> FEntries;
    QString FError;
    void ReadEntries();
    const TZipEntry *Entry(int index) const;
    bool WriteMember(int index, const QString &target, qint64 maxSize, qint64 *size);
    bool Unpack(int index, const QString &folder, qint64 maxSize, qint64 *size);
    // Feeds the member to sink in chunks; false when it is missing, damaged or passes maxSize.
    template <typename TSink>
    bool Stream(int index, qint64 maxSize, TSink &&sink, qint64 *size = nullptr);
};
