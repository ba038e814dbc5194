#include "TTestSupport.h"

#include "store/TIniFile.h"
#include "store/TSettings.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QTimer>

namespace TestSupport {

static QString EnvOr(const char *name, const QString &fallback) {
    const QString v = qEnvironmentVariable(name);
    return v.isEmpty() ? fallback : v;
}

QString Xdotool(const QStringList &arguments) {
    QProcess p;
    p.start(QStringLiteral("xdotool"), arguments);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

quint64 FindTitled(const QString &title, bool onlyVisible) {
    QStringList arguments{QStringLiteral("search")};
    if (onlyVisible)
        arguments << QStringLiteral("--onlyvisible");
    arguments << QStringLiteral("--name") << QStringLiteral("^%1$").arg(title);
    return Xdotool(arguments).section(QLatin1Char('\n'), 0, 0).toULongLong();
}

void Screenshot(const QString &name) {
    const QString dir = BuildDir() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    QProcess::execute(QStringLiteral("import"), {"-window", "root", dir + QLatin1Char('/') + name});
}

QString SourceDir() {
    return EnvOr("LUDORA_SOURCE_DIR", QDir::currentPath());
}
QString BuildDir() {
    return EnvOr("LUDORA_BUILD_DIR", SourceDir() + "/build");
}
QString ExecutablePath() {
    return EnvOr("LUDORA_EXE", BuildDir() + "/ludora");
}

static bool CopyTree(const QString &from, const QString &to) {
    QDir src(from);
    if (!src.exists())
        return true;
    QDir().mkpath(to);
    for (const QFileInfo &fi : src.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString target = to + "/" + fi.fileName();
        if (fi.isDir()) {
            if (!CopyTree(fi.filePath(), target))
                return false;
        } else if (!QFile::copy(fi.filePath(), target)) {
            return false;
        }
    }
    return true;
}

QString MakeProgramDir(const QTemporaryDir &dir) {
    const QString exe = dir.path() + "/ludora";
    QFile::remove(exe);
    QFile::copy(ExecutablePath(), exe);
    QFile::setPermissions(exe, QFile::permissions(ExecutablePath()));
    CopyTree(BuildDir() + "/skin", dir.path() + "/skin");
    return exe;
}

void UsePrivateRuntimeDir(const QTemporaryDir &dir) {
    const QString runtime = dir.path() + "/run";
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("LUDORA_RUNTIME_DIR", runtime.toLocal8Bit());
}

bool StartMainProcess(QProcess &main, const QString &exe, TMainHandles &handles,
                      QProcessEnvironment env, QString *error, int timeoutMs) {
    if (env.isEmpty())
        env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LUDORA_PRINT_HANDLES"), QStringLiteral("1"));
    main.setProcessEnvironment(env);
    main.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    main.start(exe, {});
    if (!main.waitForStarted())
        return false;
    QElapsedTimer clock;
    clock.start();
    // This process's own windows keep being served meanwhile.
    while (!main.canReadLine() && clock.elapsed() < timeoutMs) {
        main.waitForReadyRead(20);
        QCoreApplication::processEvents();
    }
    const QString line = QString::fromLocal8Bit(main.readLine()).trimmed();
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^main window (\\d+) page area (\\d+) tab bar (\\d+)$"))
            .match(line);
    if (error)
        *error = line;
    if (!m.hasMatch())
        return false;
    handles.MainWindow = m.captured(1).toULongLong();
    handles.PageArea = m.captured(2).toULongLong();
    handles.TabBar = m.captured(3).toULongLong();
    return true;
}

QRect ScreenRect(quint64 native) {
    QProcess info;
    info.start(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(native)});
    info.waitForFinished(10000);
    QMap<QString, int> v;
    for (const QString &line : QString::fromLatin1(info.readAllStandardOutput()).split('\n'))
        v[line.section(':', 0, 0).trimmed()] = line.section(':', 1).trimmed().toInt();
    return QRect(v.value("Absolute upper-left X"), v.value("Absolute upper-left Y"),
                 v.value("Width"), v.value("Height"));
}

QByteArray HttpGet(const QString &url) {
    static QNetworkAccessManager *manager = new QNetworkAccessManager(qApp);
    QNetworkReply *reply = manager->get(QNetworkRequest(QUrl(url)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    loop.exec();
    const QByteArray body = reply->readAll();
    reply->deleteLater();
    return body;
}

void TPortalProcess::WritePortalSettings(const QString &iniPath) const {
    TIniFile ini(iniPath);
    const QString demo = QStringLiteral("127.0.0.1:%1").arg(DemoPortalPort);
    const QString ours = QStringLiteral("127.0.0.1:%1").arg(FPort);
    for (int p = int(TPortal::MiniSite); p <= int(TPortal::AdStrip); ++p)
        ini.WriteString(QStringLiteral("Portal"), TSettings::PortalKeyName(TPortal(p)),
                        TSettings::PortalDefault(TPortal(p)).replace(demo, ours));
}

void TPortalProcess::WriteProgramSettings(const QString &iniPath, bool dailyStartDone) const {
    WritePortalSettings(iniPath);
    TSettings settings(iniPath);
    settings.WriteBool(TKey::AskClose, false);
    settings.WriteBool(TKey::State, false);
    if (dailyStartDone)
        settings.WriteDate(TKey::LastRun, QDate::currentDate());
}

TPortalProcess::~TPortalProcess() {
    Stop();
}

bool TPortalProcess::Start() {
    FProcess.setProgram("python3");
    FProcess.setArguments({SourceDir() + "/tools/portal/portal.py", "--port", "0"});
    FProcess.setProcessChannelMode(QProcess::SeparateChannels);
    FProcess.start();
    if (!FProcess.waitForStarted(5000))
        return false;
    // The portal's first line names the port it listens on.
    static const QRegularExpression re("http://127\\.0\\.0\\.1:(\\d+)/");
    QByteArray seen;
    while (FProcess.waitForReadyRead(10000)) {
        seen += FProcess.readAllStandardOutput();
        const auto m = re.match(QString::fromUtf8(seen));
        if (m.hasMatch()) {
            FPort = m.captured(1).toInt();
            return true;
        }
    }
    return false;
}

void TPortalProcess::Stop() {
    if (FProcess.state() != QProcess::NotRunning) {
        FProcess.terminate();
        if (!FProcess.waitForFinished(3000))
            FProcess.kill();
        FProcess.waitForFinished(1000);
    }
}

QString TPortalProcess::BaseUrl() const {
    return QStringLiteral("http://127.0.0.1:%1/").arg(FPort);
}

} // namespace TestSupport
