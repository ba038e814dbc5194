#include "store/TSettings.h"

#include <QFileInfo>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

struct TKeyInfo {
    const char *Section;
    const char *Name;
    int Default; // for Booleans and Integers
};

// Indexed by TKey; keys are written exactly as spelled here.
constexpr TKeyInfo KeyTable[] = {
    {"General", "SaveForm", 1},    {"General", "FillForm", 1}, {"General", "MiniToTray", 0},
    {"General", "CloseToTray", 0}, {"General", "askClose", 1}, {"General", "actClose", 2},
    {"General", "CheckUpdate", 1}, {"General", "login", 0},    {"General", "setup", 0},
    {"General", "LastRun", 0},     {"Window", "Width", 0},     {"Window", "Height", 0},
    {"Window", "Left", 0},         {"Window", "Top", 0},       {"Window", "State", 1},
    {"General", "BossKey", 0},     {"General", "Graphics", 0},
};
static_assert(std::size(KeyTable) == size_t(TKey::Graphics) + 1);

const char *const ZoomSection = "Zoom";
constexpr int ZoomMin = 25;
constexpr int ZoomMax = 500;

const TKeyInfo &Info(TKey key) {
    return KeyTable[size_t(key)];
}

struct TPortalInfo {
    const char *Name;
    const char *Path; // below the demo portal's base URL
};

constexpr TPortalInfo PortalTable[] = {
    {"MiniSite", "mini/"},
    {"Base", ""},
    {"Brand", "brand/"},
    {"Home", "home.html"},
    {"Forum", "bbs/"},
    {"Community", "community/"},
    {"Search", "search"},
    {"Notice", "notice.html"},
    {"Stats", "s.php"},
    {"MiniHome", "mini/home.html"},
    {"AdStrip", "scripts/sb.php"},
};
static_assert(std::size(PortalTable) == size_t(TPortal::AdStrip) + 1);

std::unique_ptr<TSettings> GSettings;

} // namespace

TSettings::TSettings(const QString &iniPath) : FIni(iniPath) {
    SaveForm = ReadBool(TKey::SaveForm);
    FillForm = ReadBool(TKey::FillForm);
    MiniToTray = ReadBool(TKey::MiniToTray);
    CloseToTray = ReadBool(TKey::CloseToTray);
    DerivePartnerId();
}

QString TSettings::PathForExecutable(const QString &executablePath) {
    // Installed copies end in a four-character extension that the settings file replaces;
    // a Linux executable has none, so its whole name is kept.
    const QString name = QFileInfo(executablePath).fileName();
    const QString fourOff = executablePath.left(executablePath.size() - 4) + QStringLiteral(".ini");
    if (name.size() > 4 && name.at(name.size() - 4) == QLatin1Char('.'))
        return fourOff;
    // A file named by dropping four characters whatever they are ("lu.ini" beside "ludora")
    // is still the settings file when it is the one there.
    const QString whole = executablePath + QStringLiteral(".ini");
    if (name.size() > 4 && !QFileInfo::exists(whole) && QFileInfo::exists(fourOff))
        return fourOff;
    return whole;
}

QString TSettings::DerivePartnerId(const QString &setup) {
    QString text = setup;
    if (text.isEmpty())
        return QString::fromLatin1(DefaultPartnerId);
    if (text.size() > 3)
        text.chop(4);
    const int cut =
        std::max({text.lastIndexOf(QLatin1Char('\\')), text.lastIndexOf(QLatin1Char(':')),
                  text.lastIndexOf(QLatin1Char('/'))});
    const QString file = text.mid(cut + 1);
    const int underscore = file.indexOf(QLatin1Char('_'));
    if (underscore < 0)
        return QString::fromLatin1(DefaultPartnerId);
    return QStringLiteral("kel") + file.mid(underscore);
}

void TSettings::DerivePartnerId() {
    PartnerId = DerivePartnerId(ReadString(TKey::Setup));
}

QString TSettings::SectionOf(TKey key) {
    return QString::fromLatin1(Info(key).Section);
}
QString TSettings::NameOf(TKey key) {
    return QString::fromLatin1(Info(key).Name);
}

bool TSettings::ReadBool(TKey key) const {
    return FIni.ReadBool(SectionOf(key), NameOf(key), Info(key).Default != 0);
}

int TSettings::ReadInteger(TKey key, int def) const {
    return FIni.ReadInteger(SectionOf(key), NameOf(key), def);
}

int TSettings::ReadInteger(TKey key) const {
    return ReadInteger(key, Info(key).Default);
}

QString TSettings::ReadString(TKey key) const {
    // A boss key never set is the default one; set to nothing it is off.
    const QString def = key == TKey::BossKey ? QStringLiteral("Ctrl+Alt+Shift+H") : QString();
    return FIni.ReadString(SectionOf(key), NameOf(key), def);
}

QDate TSettings::ReadDate(TKey key, const QDate &def) const {
    return FIni.ReadDate(SectionOf(key), NameOf(key), def);
}

void TSettings::WriteBool(TKey key, bool value) {
    switch (key) {
    case TKey::SaveForm:
        SaveForm = value;
        break;
    case TKey::FillForm:
        FillForm = value;
        break;
    case TKey::MiniToTray:
        MiniToTray = value;
        break;
    case TKey::CloseToTray:
        CloseToTray = value;
        break;
    default:
        break;
    }
    FIni.WriteBool(SectionOf(key), NameOf(key), value);
}

void TSettings::WriteInteger(TKey key, int value) {
    FIni.WriteInteger(SectionOf(key), NameOf(key), value);
}

void TSettings::WriteString(TKey key, const QString &value) {
    FIni.WriteString(SectionOf(key), NameOf(key), value);
}

void TSettings::WriteDate(TKey key, const QDate &value) {
    FIni.WriteDate(SectionOf(key), NameOf(key), value);
}

QString TSettings::PortalKeyName(TPortal which) {
    return QString::fromLatin1(PortalTable[size_t(which)].Name);
}

QString TSettings::PortalDefault(TPortal which) {
    return QStringLiteral("http://127.0.0.1:%1/").arg(DemoPortalPort) +
           QString::fromLatin1(PortalTable[size_t(which)].Path);
}

QString TSettings::Portal(TPortal which) const {
    return FIni.ReadString(QStringLiteral("Portal"), PortalKeyName(which), PortalDefault(which));
}

QString TSettings::ZoomKeyOf(const QString &location) {
    QString key;
    for (const QChar c : location) {
        if (c == u'%' || c == u'=' || c == u'[' || c == u']' || c == u';' || c.unicode() < 0x20 ||
            (c == u' ' && key.isEmpty()))
            key += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
        else
            key += c;
    }
    return key;
}

int TSettings::ReadZoom(const QString &location) const {
    const int percent =
        FIni.ReadInteger(QString::fromLatin1(ZoomSection), ZoomKeyOf(location), 100);
    return percent >= ZoomMin && percent <= ZoomMax ? percent : 100;
}

void TSettings::WriteZoom(const QString &location, int percent) {
    const QString section = QString::fromLatin1(ZoomSection);
    if (percent == 100)
        FIni.DeleteKey(section, ZoomKeyOf(location));
    else
        FIni.WriteInteger(section, ZoomKeyOf(location), percent);
}

TSettings &Settings() {
    Q_ASSERT(GSettings);
    return *GSettings;
}

void OpenSettings(const QString &iniPath) {
    GSettings = std::make_unique<TSettings>(iniPath);
}

bool SettingsOpen() {
    return GSettings != nullptr;
}
