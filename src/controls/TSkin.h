#pragma once
// The skin: the bitmaps, font and colours every piece of chrome is drawn from.
// They are filled once at start-up by LoadSkin and only read afterwards.
//
// Parsing (SkinValue, colours, the skin file) and the three-slice geometry need no widgets, so
// they can be tested directly.

#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <array>

class QColor;
class QPainter;

// A colour in the toolkit's 0x00BBGGRR order; values with the high byte 0xFF name a system colour
// (0xFF000000 + the system colour index).
using TColor = qint32;

inline constexpr TColor clSystemColor = TColor(0xFF000000u);
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;

class TSkin {
public:
    static constexpr int BitmapCount = 23;

    TSkin();

    // The bitmaps, named after their archive members.
    QImage StatusBar;   // bg_statusbar.bmp
    QImage TitleBar;    // bg_titlebar.bmp
    QImage ToolBar;     // bg_toolbar.bmp
    QImage TabBar;      // bg_tabbar.bmp
    QImage Frame;       // frame.bmp
    QImage BtnWindow;   // btn_window.bmp
    QImage BtnMain;     // btn_main.bmp
    QImage BtnMainGray; // btn_main_gray.bmp
    QImage BgButton;    // bg_button.bmp
    QImage BtnSplit;    // btn_split.bmp
    QImage TabActive;   // tab_active.bmp
    QImage TabUnactive; // tab_unactive.bmp
    QImage TabButton;   // tab_button.bmp
    QImage Ico1;        // ico_1.bmp
    QImage Ico2;        // ico_2.bmp
    QImage BgItem;      // bg_item.bmp
    QImage ProgressBar; // progressbar.bmp
    QImage Button;      // button.bmp
    QImage BgMenuItem;  // bg_menuitem.bmp
    QImage BtnSearch;   // btn_search.bmp
    QImage BtnGo;       // btn_go.bmp
    QImage BtnList;     // btn_list.bmp
    QImage BgSearchBox; // bg_searchbox.bmp

    QFont Font;           // the skin font; the toolkit's default until a skin file sets it
    TColor FontColor = 0; // colour of the skin font
    TColor Face = 0;      // window background of every skinned window
    TColor Shadow = 0;    // dark lines, hover outlines
    TColor Light = 0;     // light lines
    TColor MenuFace = 0;  // owner-drawn menus
    TColor MenuShadow = 0;

    // False when the archive itself could not be read; windows then keep the system frame.
    bool Loaded = false;

    // The 23 archive members in load order, and the bitmap each one fills.
    static const std::array<const char *, BitmapCount> &MemberNames();
    QImage &Bitmap(int index);
    const QImage &Bitmap(int index) const;

    int TitleBarHeight() const { return TitleBar.height(); }
    int FrameThickness() const { return Frame.height(); }

    // Back to the start-up state: empty bitmaps, default font, colours 0.
    void Reset();
    // The colours a window needs when no skin could be read at all.
    void UsePlainColours();
};

// The process-wide skin read by all chrome.
TSkin &Skin();

// Loads skin/<name>.skin beside the executable into Skin(). Returns an empty string on success,
// otherwise a message for the user; after a failure to read the archive the skin keeps plain
// system colours so every window can still be drawn and closed.
QString LoadSkin(const QString &name);
// The same from an explicit archive path into an explicit skin.
QString LoadSkinFrom(const QString &archivePath, const QString &name, TSkin &skin);
// Reads the keys of a skin file into skin. Returns an error text when a colour value is bad;
// keys after the bad one are then not read.
QString ApplySkinFile(const QStringList &lines, TSkin &skin);

// Splits text into lines at CR LF, LF or CR.
QStringList SplitSkinLines(const QString &text);
// The value of Key in Section, or def. See the skin file format in the source.
QString SkinValue(const QStringList &lines, const QString &section, const QString &key,
                  const QString &def);

// A toolkit integer: optional sign, decimal or "$" hexadecimal (also "0x"); 32 bits.
bool StrToInt(const QString &text, qint32 &value);
// A colour name ("clBtnFace", "clRed", ... letter case ignored) or an integer.
bool StringToColor(const QString &text, TColor &color);
QColor ColorToQColor(TColor color);

// Three-slice drawing: a part of a bitmap cut into three equal columns, drawn into a rectangle
// with both ends as they are and the middle stretched; an end never takes more than half of the
// rectangle. Every tool bar button, tab, menu item, title bar, push button and progress bar of
// the skin is drawn this way.
struct TSliceRects {
    std::array<QRect, 3> Source;
    std::array<QRect, 3> Target;
};
// source: the part of the bitmap that holds the three slices.
TSliceRects ThreeSliceRects(const QRect &rect, const QRect &source);
// A two-state bitmap: six equal columns, the first state's three slices, then the second's.
TSliceRects ThreeSliceRects(const QRect &rect, const QSize &bitmap, bool second);
void DrawThreeSlice(QPainter &canvas, const QRect &rect, const QImage &bitmap, const QRect &source);
void DrawThreeSlice(QPainter &canvas, const QRect &rect, const QImage &bitmap, bool second);

// A copy of image in which magenta (255, 0, 255) pixels are fully transparent.
QImage MagentaTransparent(const QImage &image);
