#include "store/TIniFile.h"

#include "platform/AnsiCodePage.h"
#include "store/EWriteError.h"
#include "store/TDataFile.h"

#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <climits>

namespace {

// The file as raw lines, each with its own line break. Only lines that a write changes are
// encoded again: bytes that are not valid GBK (a UTF-8 comment, a damaged value) survive every
// write unchanged.
struct TLines {
    QStringList Lines;       // decoded, for finding sections and keys
    QList<QByteArray> Raw;   // the bytes of each line, without its line break
    QList<QByteArray> Ends;  // each line's own line break; empty on a last line without one
    QByteArray Eol = "\r\n"; // for written lines: the file's first line break

    void Set(int i, const QString &line) {
        Lines[i] = line;
        Raw[i] = AnsiFromUnicode(line);
        Ends[i] = Eol;
    }
    void Insert(int i, const QString &line) {
        if (i > 0 && Ends[i - 1].isEmpty())
            Ends[i - 1] = Eol;
        Lines.insert(i, line);
        Raw.insert(i, AnsiFromUnicode(line));
        Ends.insert(i, Eol);
    }
    void Append(const QString &line) { Insert(int(Lines.size()), line); }
    void Remove(int i) {
        Lines.removeAt(i);
        Raw.removeAt(i);
        Ends.removeAt(i);
    }
    QByteArray Bytes() const {
        QByteArray out;
        for (int i = 0; i < Raw.size(); ++i)
            out += Raw[i] + Ends[i];
        return out;
    }
};

TLines ReadLines(const QString &path) {
    TLines result;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return result;
    // CR and LF never occur inside a GBK character, so the bytes split into lines safely.
    const QByteArray bytes = f.readAll();
    bool eolSeen = false;
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        qsizetype next = end;
        if (next < bytes.size())
            next +=
                bytes[next] == '\r' && next + 1 < bytes.size() && bytes[next + 1] == '\n' ? 2 : 1;
        const QByteArray raw = bytes.mid(start, end - start);
        const QByteArray eol = bytes.mid(end, next - end);
        if (!eolSeen && !eol.isEmpty()) {
            result.Eol = eol;
            eolSeen = true;
        }
        result.Lines.append(UnicodeFromAnsi(raw));
        result.Raw.append(raw);
        result.Ends.append(eol);
        start = next;
    }
    return result;
}

bool IsSectionLine(const QString &line, QString *name) {
    const QString t = line.trimmed();
    if (!t.startsWith(QLatin1Char('[')))
        return false;
    const int close = t.indexOf(QLatin1Char(']'));
    if (close < 0)
        return false;
    if (name)
        *name = t.mid(1, close - 1).trimmed();
    return true;
}

bool IsKeyLine(const QString &line, QString *key, QString *value) {
    const QString t = line.trimmed();
    if (t.isEmpty() || t.startsWith(QLatin1Char(';')))
        return false;
    const int eq = t.indexOf(QLatin1Char('='));
    if (eq < 0)
        return false;
    if (key)
        *key = t.left(eq).trimmed();
    if (value)
        *value = t.mid(eq + 1).trimmed();
    return true;
}

bool SameName(const QString &a, const QString &b) {
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// Index of the section header line, -1 when missing.
int FindSection(const QStringList &lines, const QString &section) {
    QString name;
    for (int i = 0; i < lines.size(); ++i)
        if (IsSectionLine(lines[i], &name) && SameName(name, section))
            return i;
    return -1;
}

// One past the last line that belongs to the section starting at header.
int SectionEnd(const QStringList &lines, int header) {
    int i = header + 1;
    while (i < lines.size() && !IsSectionLine(lines[i], nullptr))
        ++i;
    return i;
}

int FindKey(const QStringList &lines, int header, const QString &key) {
    const int end = SectionEnd(lines, header);
    QString k;
    for (int i = header + 1; i < end; ++i)
        if (IsKeyLine(lines[i], &k, nullptr) && SameName(k, key))
            return i;
    return -1;
}

bool Lookup(const QString &path, const QString &section, const QString &key, QString *value) {
    const TLines file = ReadLines(path);
    const int header = FindSection(file.Lines, section);
    if (header < 0)
        return false;
    const int line = FindKey(file.Lines, header, key);
    if (line < 0)
        return false;
    QString v;
    IsKeyLine(file.Lines[line], nullptr, &v);
    // Like the private-profile functions: one pair of surrounding quotes is not part of the value.
    if (v.size() >= 2 && (v.front() == QLatin1Char('"') || v.front() == QLatin1Char('\'')) &&
        v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    *value = v;
    return true;
}

// Decimal, or hexadecimal with "$" or "0x", with an optional sign.
bool ParseInteger(const QString &text, int *out) {
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.front() == QLatin1Char('-');
        t.remove(0, 1);
    }
    bool ok = false;
    qlonglong v = 0;
    if (t.startsWith(QLatin1Char('$')))
        v = t.mid(1).toLongLong(&ok, 16);
    else if (t.startsWith(QLatin1String("0x"), Qt::CaseInsensitive))
        v = t.mid(2).toLongLong(&ok, 16);
    else if (!t.isEmpty() && t.front().isDigit())
        v = t.toLongLong(&ok, 10);
    if (!ok)
        return false;
    if (negative)
        v = -v;
    if (v < INT_MIN || v > UINT_MAX)
        return false;
    *out = int(v);
    return true;
}

constexpr char DateFormat[] = "yyyy-MM-dd";

} // namespace

TIniFile::TIniFile(const QString &path) : FPath(path) {}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &def) const {
    QString v;
    return Lookup(FPath, section, key, &v) ? v : def;
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int def) const {
    QString v;
    int n = 0;
    return Lookup(FPath, section, key, &v) && ParseInteger(v, &n) ? n : def;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool def) const {
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

QDate TIniFile::ReadDate(const QString &section, const QString &key, const QDate &def) const {
    QString v;
    if (!Lookup(FPath, section, key, &v))
        return def;
    const QDate d = QDate::fromString(v, QLatin1String(DateFormat));
    return d.isValid() ? d : def;
}

bool TIniFile::SectionExists(const QString &section) const {
    return FindSection(ReadLines(FPath).Lines, section) >= 0;
}

bool TIniFile::ValueExists(const QString &section, const QString &key) const {
    QString v;
    return Lookup(FPath, section, key, &v);
}

static void WriteLines(const QString &path, const TLines &file) {
    const QString failure = QStringLiteral("Unable to write to %1").arg(path);
    const QFileInfo info(path);
    // A read-only file must stay untouched, though its folder would let a rename replace it.
    if (info.exists() && !info.isWritable())
        throw EWriteError(failure);
    if (!TDataFile::WritePrivate(path, file.Bytes()))
        throw EWriteError(failure);
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value) {
    TLines file = ReadLines(FPath);
    const QString entry = key + QLatin1Char('=') + value;
    int header = FindSection(file.Lines, section);
    if (header < 0) {
        if (!file.Lines.isEmpty() && !file.Lines.last().trimmed().isEmpty())
            file.Append(QString());
        file.Append(QLatin1Char('[') + section + QLatin1Char(']'));
        file.Append(entry);
    } else if (const int line = FindKey(file.Lines, header, key); line >= 0) {
        file.Set(line, entry);
    } else {
        // After the section's last non-blank line, so blank separators stay between sections.
        int at = SectionEnd(file.Lines, header);
        while (at > header + 1 && file.Lines[at - 1].trimmed().isEmpty())
            --at;
        file.Insert(at, entry);
    }
    WriteLines(FPath, file);
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value) {
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value) {
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}

void TIniFile::WriteDate(const QString &section, const QString &key, const QDate &value) {
    WriteString(section, key, value.toString(QLatin1String(DateFormat)));
}

void TIniFile::DeleteKey(const QString &section, const QString &key) {
    TLines file = ReadLines(FPath);
    const int header = FindSection(file.Lines, section);
    if (header < 0)
        return;
    const int line = FindKey(file.Lines, header, key);
    if (line < 0)
        return;
    file.Remove(line);
    WriteLines(FPath, file);
}
