#include "side/TFavorites.h"

#include "platform/TFileManager.h"
#include "store/EWriteError.h"
#include "store/TIniFile.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <algorithm>

const QString TFavorites::Section = QStringLiteral("InternetShortcut");
const QString TFavorites::UrlKey = QStringLiteral("URL");
const QString TFavorites::RootCaption = QStringLiteral("收藏夹");

namespace {

QString Remembered;

// The case-insensitive comparison of the player's locale.
int CompareNames(const QString &a, const QString &b) {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int result = collator.compare(a, b);
    return result != 0 ? result : a.compare(b, Qt::CaseInsensitive);
}

void CollectFolders(const QString &relative, int depth, QList<TFolderMenuEntry> &out) {
    const QDir dir(TFavorites::FolderPath(relative));
    const QStringList names =
        dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const QString hint = relative.isEmpty() ? name : relative + QLatin1Char('/') + name;
        // A link back up the tree would never end.
        if (QFileInfo(dir.filePath(name)).isSymLink())
            continue;
        out.append({name, hint, depth});
        CollectFolders(hint, depth + 1, out);
    }
}

} // namespace

QString TFavorites::Folder() {
    static const QString folder = [] {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
        const QString path = base + QStringLiteral("/ludora/Favorites");
        QDir().mkpath(path);
        return path + QLatin1Char('/');
    }();
    return folder;
}

QString TFavorites::FolderPath(const QString &relative) {
    return relative.isEmpty() ? Folder() : Folder() + relative + QLatin1Char('/');
}

QList<TFavoriteEntry> TFavorites::ListFolder(const QString &folderPath) {
    QList<TFavoriteEntry> entries;
    const QFileInfoList infos =
        QDir(folderPath)
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    for (const QFileInfo &info : infos) {
        const QString name = info.fileName();
        if (info.isDir())
            entries.append({true, name, name});
        else if (name.size() > 4 && name.right(4).toLower() == QStringLiteral(".url"))
            entries.append({false, name, name.left(name.size() - 4)});
    }
    std::sort(entries.begin(), entries.end(), [](const TFavoriteEntry &a, const TFavoriteEntry &b) {
        if (a.IsFolder != b.IsFolder)
            return a.IsFolder;
        return CompareNames(a.FileName, b.FileName) < 0;
    });
    return entries;
}

QList<TFolderMenuEntry> TFavorites::FolderMenu(const QString &relative) {
    QList<TFolderMenuEntry> entries;
    CollectFolders(relative, 0, entries);
    // Compared folder by folder, so that a subfolder always follows its parent whatever the
    // locale makes of the separator.
    std::sort(entries.begin(), entries.end(),
              [](const TFolderMenuEntry &a, const TFolderMenuEntry &b) {
                  const QStringList pa = a.Relative.split(QLatin1Char('/'));
                  const QStringList pb = b.Relative.split(QLatin1Char('/'));
                  for (qsizetype i = 0; i < std::min(pa.size(), pb.size()); ++i)
                      if (const int c = CompareNames(pa.at(i), pb.at(i)); c != 0)
                          return c < 0;
                  return pa.size() < pb.size();
              });
    return entries;
}

QString TFavorites::NameFromTitle(const QString &title) {
    QString name = title;
    for (const QChar c : QStringLiteral("*/:<>?\\|"))
        name.replace(c, QLatin1Char('_'));
    return name;
}

QString TFavorites::CheckName(const QString &name) {
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        return QStringLiteral("名称不能为空。");
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')) ||
        trimmed == QStringLiteral(".") || trimmed == QStringLiteral("..") ||
        name.contains(QChar(0)))
        return QStringLiteral("名称不能含有 / 或 \\，也不能是 . 或 ..");
    return QString();
}

QString TFavorites::ReadShortcut(const QString &filePath) {
    return TIniFile(filePath).ReadString(Section, UrlKey, QString());
}

QString TFavorites::WriteShortcut(const QString &filePath, const QString &url) {
    try {
        TIniFile(filePath).WriteString(Section, UrlKey, url);
    } catch (const EWriteError &) {
        return QStringLiteral("无法写入收藏 %1").arg(QFileInfo(filePath).fileName());
    }
    return QString();
}

QString TFavorites::Add(const QString &relative, const QString &name, const QString &url) {
    if (const QString error = CheckName(name); !error.isEmpty())
        return error;
    return WriteShortcut(FolderPath(relative) + name + QStringLiteral(".url"), url);
}

QString TFavorites::CreateFolder(const QString &relative, const QString &name) {
    if (const QString error = CheckName(name); !error.isEmpty())
        return error;
    const QString path = FolderPath(relative) + name;
    if (QFileInfo(path).isDir() || QDir().mkdir(path))
        return QString();
    return QStringLiteral("无法创建文件夹 %1").arg(name);
}

QString TFavorites::RememberedFolder() {
    return Remembered;
}

void TFavorites::SetRememberedFolder(const QString &relative) {
    Remembered = relative;
}

bool TFavorites::Organise() {
    return TFileManager::OpenFolder(Folder());
}
