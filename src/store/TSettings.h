#pragma once
// The settings file beside the executable, the four settings cached at start-up, the partner id
// and the portal addresses. Every process opens it at start-up; only the main role writes it.

#include "store/TIniFile.h"

#include <QDate>
#include <QString>

// Every settings key with its section and default, so that a typo cannot compile.
enum class TKey {
    SaveForm,    // General/SaveForm, bool, true (cached)
    FillForm,    // General/FillForm, bool, true (cached)
    MiniToTray,  // General/MiniToTray, bool, false (cached)
    CloseToTray, // General/CloseToTray, bool, false (cached)
    AskClose,    // General/askClose, bool, true
    ActClose,    // General/actClose, int 0..2, 2
    CheckUpdate, // General/CheckUpdate, bool, true
    Login,       // General/login, string, ""
    Setup,       // General/setup, string, ""
    LastRun,     // General/LastRun, date, missing
    Width,       // Window/Width, int, the main window's design width (caller's default)
    Height,      // Window/Height, int, the main window's design height (caller's default)
    Left,        // Window/Left, int, computed by the caller
    Top,         // Window/Top, int, computed by the caller
    State,       // Window/State, bool, true (maximized)
    BossKey,  // General/BossKey, key combination (portable text), "Ctrl+Alt+Shift+H"; empty = off
    Graphics, // General/Graphics, int 0..2, 0 (TGraphics)
};

// How pages are drawn (General/Graphics), for a player whose graphics driver misbehaves.
enum class TGraphics {
    Auto = 0,      // OpenGL when a context can be made; WebGL even on drivers the engine blocks
    BlockList = 1, // OpenGL, but the engine's GPU block list decides about WebGL and the GPU
    Software = 2,  // no OpenGL at all: slow, but shows pages on any display
};

// The portal's addresses: compiled-in defaults on the demo portal, overridden per installation
// in the "Portal" section.
enum class TPortal {
    MiniSite,  // mini site, ends in "/mini/"
    Base,      // portal base URL, ends in "/"
    Brand,     // brand site base URL, ends in "/"
    Home,      // portal home page
    Forum,     // forum
    Community, // community
    Search,    // search service address
    Notice,    // notification page
    Stats,     // statistics endpoint "/s.php"
    MiniHome,  // mini home page
    AdStrip,   // ad strip script "/scripts/sb.php"
};

inline constexpr char DefaultPartnerId[] = "kel_1_0_0";
inline constexpr int DemoPortalPort = 8642;

class TSettings {
public:
    // Opens the store at iniPath, reads the cached settings and derives the partner id.
    explicit TSettings(const QString &iniPath);

    // hall.exe gives hall.ini; a name without a four-character extension (ludora) gets ".ini"
    // appended to the whole path (ludora.ini).
    static QString PathForExecutable(const QString &executablePath);
    // "kel" + the installer file name from its first "_"; "kel_1_0_0" when there is none.
    static QString DerivePartnerId(const QString &setup);

    TIniFile &Ini() { return FIni; }
    const TIniFile &Ini() const { return FIni; }
    QString FileName() const { return FIni.FileName(); }

    static QString SectionOf(TKey key);
    static QString NameOf(TKey key);

    // Typed access through the key table; the caller's default is used for keys whose default
    // depends on the window (Width, Height, Left, Top) and for LastRun.
    bool ReadBool(TKey key) const;
    int ReadInteger(TKey key, int def) const;
    int ReadInteger(TKey key) const;
    QString ReadString(TKey key) const;
    QDate ReadDate(TKey key, const QDate &def = QDate()) const;
    // Writes throw EWriteError("Unable to write to <path>"). Writing a cached key also updates
    // the cached value first, so memory follows the user's choice even when the write fails.
    void WriteBool(TKey key, bool value);
    void WriteInteger(TKey key, int value);
    void WriteString(TKey key, const QString &value);
    void WriteDate(TKey key, const QDate &value);

    QString Portal(TPortal which) const;
    static QString PortalKeyName(TPortal which);
    static QString PortalDefault(TPortal which);

    // Read once at start-up, changed only through WriteBool.
    bool SaveForm = true;
    bool FillForm = true;
    bool MiniToTray = false;
    bool CloseToTray = false;
    QString PartnerId = DefaultPartnerId;

    void DerivePartnerId(); // again from the file, as the main window does when first shown

    // A game's zoom in percent under its location in the "Zoom" section; 100 when none is kept
    // or the value is out of range. Writing 100 removes the game's line.
    int ReadZoom(const QString &location) const;
    void WriteZoom(const QString &location, int percent);
    // The key a location is kept under: the characters that would end a key or start a section
    // or comment line are written as %XX.
    static QString ZoomKeyOf(const QString &location);

private:
    TIniFile FIni;
};

// The process-wide store, opened by the program entry before anything else runs.
TSettings &Settings();
void OpenSettings(const QString &iniPath);
bool SettingsOpen();
