#include "controls/TSkin.h"

#include "platform/AnsiCodePage.h"
#include "store/TZipFile.h"

#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <algorithm>

namespace {

struct TNamedColor {
    const char *Name;
    TColor Value;
};

// The toolkit's colour names, system colours first.
constexpr TNamedColor NamedColors[] = {
    {"clScrollBar", clSystemColor | 0},
    {"clBackground", clSystemColor | 1},
    {"clActiveCaption", clSystemColor | 2},
    {"clInactiveCaption", clSystemColor | 3},
    {"clMenu", clSystemColor | 4},
    {"clWindow", clSystemColor | 5},
    {"clWindowFrame", clSystemColor | 6},
    {"clMenuText", clSystemColor | 7},
    {"clWindowText", clSystemColor | 8},
    {"clCaptionText", clSystemColor | 9},
    {"clActiveBorder", clSystemColor | 10},
    {"clInactiveBorder", clSystemColor | 11},
    {"clAppWorkSpace", clSystemColor | 12},
    {"clHighlight", clSystemColor | 13},
    {"clHighlightText", clSystemColor | 14},
    {"clBtnFace", clSystemColor | 15},
    {"clBtnShadow", clSystemColor | 16},
    {"clGrayText", clSystemColor | 17},
    {"clBtnText", clSystemColor | 18},
    {"clInactiveCaptionText", clSystemColor | 19},
    {"clBtnHighlight", clSystemColor | 20},
    {"cl3DDkShadow", clSystemColor | 21},
    {"cl3DLight", clSystemColor | 22},
    {"clInfoText", clSystemColor | 23},
    {"clInfoBk", clSystemColor | 24},
    {"clHotLight", clSystemColor | 26},
    {"clGradientActiveCaption", clSystemColor | 27},
    {"clGradientInactiveCaption", clSystemColor | 28},
    {"clMenuHighlight", clSystemColor | 29},
    {"clMenuBar", clSystemColor | 30},
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", clNone},
    {"clDefault", clDefault},
};

// Values of the system colours (as RGB) by index: the usual desktop defaults.
constexpr quint32 SystemColorRgb[31] = {
    0xC8C8C8, 0x000000, 0x99B4D1, 0xBFCDDB, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000,
    0x000000, 0x000000, 0xB4B4B4, 0xF4F7FC, 0xABABAB, 0x3399FF, 0xFFFFFF, 0xF0F0F0,
    0xA0A0A0, 0x6D6D6D, 0x000000, 0x434E54, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000,
    0xFFFFE1, 0xB5D5FF, 0x0066CC, 0xB9D1EA, 0xD7E4F2, 0x3399FF, 0xF0F0F0,
};

constexpr std::array<const char *, TSkin::BitmapCount> Members = {
    "bg_statusbar.bmp", "bg_titlebar.bmp", "bg_toolbar.bmp",   "bg_tabbar.bmp",
    "frame.bmp",        "btn_window.bmp",  "btn_main.bmp",     "btn_main_gray.bmp",
    "bg_button.bmp",    "btn_split.bmp",   "tab_active.bmp",   "tab_unactive.bmp",
    "tab_button.bmp",   "ico_1.bmp",       "ico_2.bmp",        "bg_item.bmp",
    "progressbar.bmp",  "button.bmp",      "bg_menuitem.bmp",  "btn_search.bmp",
    "btn_go.bmp",       "btn_list.bmp",    "bg_searchbox.bmp",
};

// A skin bitmap as large as a 2,000 x 2,000 screen, or a skin file, is far below this; a member
// that unpacks to more is damaged or hostile and is treated as missing.
constexpr qint64 MaxSkinMember = 16 * 1024 * 1024;

// Same order as Members.
constexpr std::array<QImage TSkin::*, TSkin::BitmapCount> MemberFields = {
    &TSkin::StatusBar,   &TSkin::TitleBar,  &TSkin::ToolBar,     &TSkin::TabBar,
    &TSkin::Frame,       &TSkin::BtnWindow, &TSkin::BtnMain,     &TSkin::BtnMainGray,
    &TSkin::BgButton,    &TSkin::BtnSplit,  &TSkin::TabActive,   &TSkin::TabUnactive,
    &TSkin::TabButton,   &TSkin::Ico1,      &TSkin::Ico2,        &TSkin::BgItem,
    &TSkin::ProgressBar, &TSkin::Button,    &TSkin::BgMenuItem,  &TSkin::BtnSearch,
    &TSkin::BtnGo,       &TSkin::BtnList,   &TSkin::BgSearchBox,
};

QString BadColourMessage(const QString &key, const QString &value) {
    return QStringLiteral("皮肤文件中的颜色值无效：%1=%2").arg(key, value);
}

} // namespace

TSkin::TSkin() {
    Reset();
}

const std::array<const char *, TSkin::BitmapCount> &TSkin::MemberNames() {
    return Members;
}

QImage &TSkin::Bitmap(int index) {
    return this->*MemberFields.at(index);
}

const QImage &TSkin::Bitmap(int index) const {
    return this->*MemberFields.at(index);
}

void TSkin::Reset() {
    for (int i = 0; i < BitmapCount; ++i)
        Bitmap(i) = QImage();
    Font = QFont();
    FontColor = 0;
    Face = Shadow = Light = MenuFace = MenuShadow = 0;
    Loaded = false;
}

void TSkin::UsePlainColours() {
    FontColor = 0;
    Face = clBtnFace;
    Shadow = clBtnShadow;
    Light = clBtnHighlight;
    MenuFace = clMenu;
    MenuShadow = clBtnShadow;
}

TSkin &Skin() {
    static TSkin skin;
    return skin;
}

QString LoadSkin(const QString &name) {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/skin/") + name +
                         QStringLiteral(".skin");
    return LoadSkinFrom(path, name, Skin());
}

QString LoadSkinFrom(const QString &archivePath, const QString &name, TSkin &skin) {
    TZipFile zip;
    if (!zip.Open(archivePath)) {
        skin.UsePlainColours();
        skin.Loaded = false;
        return QStringLiteral("无法读取皮肤文件 %1，将以普通样式显示。")
            .arg(QDir::toNativeSeparators(archivePath));
    }
    skin.Loaded = true;
    for (int i = 0; i < TSkin::BitmapCount; ++i) {
        QByteArray data;
        QImage image;
        // A missing or undecodable member leaves its bitmap empty; what is drawn from it draws
        // nothing.
        if (zip.Extract(QString::fromLatin1(Members[i]), data, MaxSkinMember))
            image = QImage::fromData(data, "BMP");
        skin.Bitmap(i) = image;
    }
    QByteArray ini;
    if (!zip.Extract(name + QStringLiteral(".ini"), ini, MaxSkinMember))
        return QString();
    return ApplySkinFile(SplitSkinLines(UnicodeFromAnsi(ini)), skin);
}

QString ApplySkinFile(const QStringList &lines, TSkin &skin) {
    const QString fontName = SkinValue(lines, "Font", "Name", "Verdana");
    const QString fontSize = SkinValue(lines, "Font", "Size", "9");
    const QString fontColor = SkinValue(lines, "Font", "Color", "0");
    const QString face = SkinValue(lines, "Color", "Face", "clBtnFace");
    const QString shadow = SkinValue(lines, "Color", "Shadow", "clBtnShadow");
    const QString light = SkinValue(lines, "Color", "Light", "clBtnHighLight");
    const QString menuShadow = SkinValue(lines, "Color", "MenuShadow", "clBtnShadow");
    const QString menuFace = SkinValue(lines, "Color", "MenuFace", "clMenu");

    skin.Font.setFamily(fontName);
    qint32 size = 9;
    if (!StrToInt(fontSize, size) || size <= 0)
        size = 9;
    skin.Font.setPointSize(size);

    // Converted in the skin file's order; a bad value ends the load here.
    const struct {
        const char *Key;
        const QString &Value;
        TColor &Target;
    } colours[] = {
        {"Color", fontColor, skin.FontColor},
        {"Face", face, skin.Face},
        {"Shadow", shadow, skin.Shadow},
        {"Light", light, skin.Light},
        {"MenuShadow", menuShadow, skin.MenuShadow},
        {"MenuFace", menuFace, skin.MenuFace},
    };
    for (const auto &c : colours) {
        TColor value = 0;
        if (!StringToColor(c.Value, value))
            return BadColourMessage(QString::fromLatin1(c.Key), c.Value);
        c.Target = value;
    }
    return QString();
}

QStringList SplitSkinLines(const QString &text) {
    QString normal = text;
    normal.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    normal.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normal.split(QLatin1Char('\n'));
    // A final line break does not start another line.
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The first "[Section]" line (whole line, letter case ignored) starts the search; from there to
// the end of the file (later sections included) the first line longer than "Key=" that starts
// with "Key=" (letter case kept) gives the value.
QString SkinValue(const QStringList &lines, const QString &section, const QString &key,
                  const QString &def) {
    const QString header = QLatin1Char('[') + section + QLatin1Char(']');
    qsizetype i = 0;
    while (i < lines.size() && lines.at(i).compare(header, Qt::CaseInsensitive) != 0)
        ++i;
    if (i == lines.size())
        return def;
    const QString prefix = key + QLatin1Char('=');
    for (++i; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        if (line.size() > prefix.size() && line.startsWith(prefix, Qt::CaseSensitive))
            return line.mid(prefix.size());
    }
    return def;
}

bool StrToInt(const QString &text, qint32 &value) {
    QString s = text;
    qsizetype start = 0;
    while (start < s.size() && s.at(start).isSpace())
        ++start;
    s = s.mid(start);
    if (s.isEmpty())
        return false;
    bool negative = false;
    if (s.at(0) == QLatin1Char('-') || s.at(0) == QLatin1Char('+')) {
        negative = s.at(0) == QLatin1Char('-');
        s = s.mid(1);
    }
    int base = 10;
    if (s.startsWith(QLatin1Char('$'))) {
        base = 16;
        s = s.mid(1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        s = s.mid(2);
    }
    if (s.isEmpty())
        return false;
    for (QChar c : s) {
        const bool digit = base == 10 ? (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
                                      : QStringLiteral("0123456789abcdefABCDEF").contains(c);
        if (!digit)
            return false;
    }
    bool ok = false;
    const qulonglong magnitude = s.toULongLong(&ok, base);
    if (!ok)
        return false;
    if (base == 16) {
        // Hexadecimal covers the full 32 bits, so "$FF00000F" is a system colour.
        if (magnitude > 0xFFFFFFFFull)
            return false;
        const qint32 bits = qint32(quint32(magnitude));
        value = negative ? -bits : bits;
        return true;
    }
    if (negative ? magnitude > 0x80000000ull : magnitude > 0x7FFFFFFFull)
        return false;
    value = negative ? qint32(-qint64(magnitude)) : qint32(magnitude);
    return true;
}

bool StringToColor(const QString &text, TColor &color) {
    for (const TNamedColor &named : NamedColors) {
        if (text.compare(QLatin1String(named.Name), Qt::CaseInsensitive) == 0) {
            color = named.Value;
            return true;
        }
    }
    return StrToInt(text, color);
}

QColor ColorToQColor(TColor color) {
    if (color == clNone)
        return QColor(Qt::transparent);
    if (color == clDefault)
        color = clBtnFace;
    if ((quint32(color) & 0xFF000000u) == 0xFF000000u) {
        const int index = color & 0xFF;
        const quint32 rgb = index < 31 ? SystemColorRgb[index] : 0;
        return QColor::fromRgb(rgb);
    }
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

TSliceRects ThreeSliceRects(const QRect &rect, const QRect &source) {
    const int s = source.width() / 3;
    const int end = std::min(s, rect.width() / 2);
    const int top = rect.top();
    const int h = rect.height();
    TSliceRects r;
    r.Source[0] = QRect(source.left(), source.top(), end, source.height());
    r.Source[1] = QRect(source.left() + s, source.top(), s, source.height());
    // A narrow end keeps the outer pixels of its slice.
    r.Source[2] = QRect(source.left() + 3 * s - end, source.top(), end, source.height());
    r.Target[0] = QRect(rect.left(), top, end, h);
    r.Target[1] = QRect(rect.left() + end, top, rect.width() - 2 * end, h);
    r.Target[2] = QRect(rect.left() + rect.width() - end, top, end, h);
    return r;
}

TSliceRects ThreeSliceRects(const QRect &rect, const QSize &bitmap, bool second) {
    const int w = bitmap.width() / 6;
    return ThreeSliceRects(rect, QRect(second ? 3 * w : 0, 0, 3 * w, bitmap.height()));
}

void DrawThreeSlice(QPainter &canvas, const QRect &rect, const QImage &bitmap,
                    const QRect &source) {
    if (bitmap.isNull() || source.width() < 3)
        return;
    const TSliceRects r = ThreeSliceRects(rect, source);
    for (int k = 0; k < 3; ++k) {
        if (r.Target[k].width() > 0 && r.Target[k].height() > 0 && r.Source[k].width() > 0)
            canvas.drawImage(r.Target[k], bitmap, r.Source[k]);
    }
}

void DrawThreeSlice(QPainter &canvas, const QRect &rect, const QImage &bitmap, bool second) {
    if (bitmap.isNull())
        return;
    const int w = bitmap.width() / 6;
    DrawThreeSlice(canvas, rect, bitmap, QRect(second ? 3 * w : 0, 0, 3 * w, bitmap.height()));
}

QImage MagentaTransparent(const QImage &image) {
    if (image.isNull())
        return image;
    QImage out = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < out.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(out.scanLine(y));
        for (int x = 0; x < out.width(); ++x) {
            if ((line[x] & 0x00FFFFFFu) == 0x00FF00FFu)
                line[x] = 0;
        }
    }
    return out;
}
