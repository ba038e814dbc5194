#include "platform/TAutostart.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <QTextStream>

TAutostart::TAutostart(const QString &executablePath) : FExecutable(executablePath) {}

QString TAutostart::EntryPath() const {
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty())
        config = QDir::homePath() + QStringLiteral("/.config");
    return config + QStringLiteral("/autostart/ludora.desktop");
}

// A path with blanks must be quoted for the desktop to run it at all; other paths stay bare.
static QString ExecValue(const QString &path) {
    if (!path.contains(QLatin1Char(' ')))
        return path;
    QString escaped = path;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('"'), QStringLiteral("\\\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

bool TAutostart::IsOn() const {
    QFile f(EntryPath());
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.startsWith(QLatin1String("Exec=")))
            return line.mid(5).trimmed().toLower() == ExecValue(FExecutable).toLower();
    }
    return false;
}

void TAutostart::SetOn(bool on) const {
    const QString path = EntryPath();
    if (!on) {
        QFile::remove(path);
        return;
    }
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return;
    out.write("[Desktop Entry]\nType=Application\nName=Ludora\nExec=" +
              ExecValue(FExecutable).toUtf8() + "\nX-GNOME-Autostart-enabled=true\n");
    out.commit();
}
