// The skin: skin file parsing, colour values, three-slice geometry and loading the archive,
// including the default skin the build produces.

#include "controls/TSkin.h"

#include <QBuffer>
#include <QColor>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <zip.h>

namespace {

QString BuiltSkin() {
    return qEnvironmentVariable("LUDORA_BUILD_DIR") + "/skin/default.skin";
}

QByteArray Bmp(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes;
}

bool MakeZip(const QString &path, const QList<std::pair<QString, QByteArray>> &members) {
    int error = 0;
    zip_t *z = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z)
        return false;
    QList<QByteArray> keep;
    for (const auto &[name, data] : members) {
        keep.append(data);
        zip_source_t *src = zip_source_buffer(z, keep.last().constData(), keep.last().size(), 0);
        if (zip_file_add(z, name.toUtf8().constData(), src, ZIP_FL_ENC_UTF_8) < 0)
            return false;
    }
    return zip_close(z) == 0;
}

} // namespace

class TestSkin : public QObject {
    Q_OBJECT

private slots:
    void skinValueRules();
    void colourValues();
    void skinFileDefaultsAndBadColour();
    void threeSliceGeometry();
    void defaultSkinCuts();
    void missingArchiveAndMembers();
};

void TestSkin::skinValueRules() {
    const QStringList lines = SplitSkinLines("Size=99\r\n"
                                             "[FONT]\r\n"
                                             "Name=\r\n"
                                             "size=7\r\n"
                                             "Weight==bold\r\n"
                                             "[Color]\n"
                                             "Name=Tahoma\n"
                                             "Size=12\r"
                                             "[Font] \n"
                                             "Color=5\n");
    // Section header letter case is ignored; the key's is not.
    QCOMPARE(SkinValue(lines, "Font", "size", "x"), QString("7"));
    // An empty value does not count; the search runs on into later sections.
    QCOMPARE(SkinValue(lines, "Font", "Name", "Verdana"), QString("Tahoma"));
    QCOMPARE(SkinValue(lines, "Font", "Size", "9"), QString("12"));
    QCOMPARE(SkinValue(lines, "Font", "Weight", ""), QString("=bold"));
    // "[Font] " is not a header of Font, but lines after the real header are all searched.
    QCOMPARE(SkinValue(lines, "Font", "Color", "0"), QString("5"));
    QCOMPARE(SkinValue(lines, "Font", "Missing", "dflt"), QString("dflt"));
    // Lines before the section do not count; an absent section gives the default.
    QCOMPARE(SkinValue(lines, "Color", "Weight", "none"), QString("none"));
    QCOMPARE(SkinValue(lines, "Nope", "Name", "Verdana"), QString("Verdana"));
    QCOMPARE(SkinValue({}, "Font", "Name", "Verdana"), QString("Verdana"));
}

void TestSkin::colourValues() {
    const struct {
        const char *Text;
        bool Ok;
        TColor Value;
    } cases[] = {
        {"clBtnFace", true, clBtnFace},
        {"CLBTNHIGHLIGHT", true, clBtnHighlight},
        {"clRed", true, 0x0000FF},
        {"255", true, 255},
        {"$00FF8000", true, 0x00FF8000},
        {"$FF00000F", true, clBtnFace},
        {"-1", true, -1},
        {"0x10", true, 16},
        {"", false, 0},
        {"red", false, 0},
        {"$", false, 0},
        {"12px", false, 0},
        {"$1FFFFFFFF", false, 0},
        {"2147483648", false, 0},
    };
    for (const auto &c : cases) {
        TColor value = 0;
        QVERIFY2(StringToColor(c.Text, value) == c.Ok, c.Text);
        if (c.Ok)
            QVERIFY2(value == c.Value, c.Text);
    }
    // 0x00BBGGRR order; system colours resolve to a fixed colour.
    QCOMPARE(ColorToQColor(0x00336699), QColor(0x99, 0x66, 0x33));
    QCOMPARE(ColorToQColor(clBtnHighlight), QColor(255, 255, 255));
    QVERIFY(ColorToQColor(clBtnShadow) != ColorToQColor(clBtnFace));
}

void TestSkin::skinFileDefaultsAndBadColour() {
    TSkin skin;
    // No [Font] section: Verdana 9, colour 0; colours from their defaults.
    QVERIFY(ApplySkinFile(SplitSkinLines("[Color]\nLight=$00ABCDEF\n"), skin).isEmpty());
    QCOMPARE(skin.Font.family(), QString("Verdana"));
    QCOMPARE(skin.Font.pointSize(), 9);
    QCOMPARE(skin.FontColor, 0);
    QCOMPARE(skin.Face, clBtnFace);
    QCOMPARE(skin.Shadow, clBtnShadow);
    QCOMPARE(skin.Light, 0x00ABCDEF);
    QCOMPARE(skin.MenuFace, clMenu);
    QCOMPARE(skin.MenuShadow, clBtnShadow);

    // A size that is not an integer falls back to 9.
    QVERIFY(ApplySkinFile(SplitSkinLines("[Font]\nName=Tahoma\nSize=big\n"), skin).isEmpty());
    QCOMPARE(skin.Font.family(), QString("Tahoma"));
    QCOMPARE(skin.Font.pointSize(), 9);

    // A bad colour ends the load: keys before it are set, keys after it are not read.
    TSkin bad;
    const QString error = ApplySkinFile(SplitSkinLines("[Font]\nName=Arial\nSize=11\nColor=255\n"
                                                       "[Color]\nFace=$00102030\nShadow=dark\n"
                                                       "Light=clWhite\nMenuFace=clWhite\n"),
                                        bad);
    QVERIFY(error.contains("Shadow=dark"));
    QCOMPARE(bad.Font.family(), QString("Arial"));
    QCOMPARE(bad.Font.pointSize(), 11);
    QCOMPARE(bad.FontColor, 255);
    QCOMPARE(bad.Face, 0x00102030);
    QCOMPARE(bad.Shadow, 0);
    QCOMPARE(bad.Light, 0);
    QCOMPARE(bad.MenuFace, 0);
}

void TestSkin::threeSliceGeometry() {
    // 60 wide: slices of 10; the second state starts at column 30.
    TSliceRects r = ThreeSliceRects(QRect(5, 3, 100, 20), QSize(60, 8), false);
    QCOMPARE(r.Source[0], QRect(0, 0, 10, 8));
    QCOMPARE(r.Source[2], QRect(20, 0, 10, 8));
    QCOMPARE(r.Target[0], QRect(5, 3, 10, 20));
    QCOMPARE(r.Target[1], QRect(15, 3, 80, 20));
    QCOMPARE(r.Target[2], QRect(95, 3, 10, 20));
    r = ThreeSliceRects(QRect(0, 0, 40, 8), QSize(62, 8), true);
    QCOMPARE(r.Source[0], QRect(30, 0, 10, 8));
    QCOMPARE(r.Source[1], QRect(40, 0, 10, 8));
    // One row of a three-row bitmap into a target narrower than both ends: each end gets half
    // of it and keeps its outer pixels.
    r = ThreeSliceRects(QRect(0, 0, 10, 6), QRect(0, 12, 30, 6));
    QCOMPARE(r.Source[0], QRect(0, 12, 5, 6));
    QCOMPARE(r.Source[2], QRect(25, 12, 5, 6));
    QCOMPARE(r.Target[1].width(), 0);
    QCOMPARE(r.Target[2], QRect(5, 0, 5, 6));

    // Drawn: each slice of a two-state bitmap lands in its place, the middle stretched.
    QImage bitmap(12, 2, QImage::Format_RGB32);
    const QRgb colours[6] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0x00FFFF, 0xFF00FF};
    for (int x = 0; x < 12; ++x)
        for (int y = 0; y < 2; ++y)
            bitmap.setPixel(x, y, 0xFF000000 | colours[x / 2]);
    QImage canvas(20, 4, QImage::Format_RGB32);
    canvas.fill(Qt::black);
    {
        QPainter p(&canvas);
        DrawThreeSlice(p, QRect(0, 0, 20, 4), bitmap, true);
    }
    QCOMPARE(canvas.pixel(0, 0) & 0xFFFFFF, colours[3]);
    QCOMPARE(canvas.pixel(10, 3) & 0xFFFFFF, colours[4]);
    QCOMPARE(canvas.pixel(19, 2) & 0xFFFFFF, colours[5]);
}

void TestSkin::defaultSkinCuts() {
    TSkin skin;
    QVERIFY2(QFile::exists(BuiltSkin()), qPrintable(BuiltSkin()));
    QCOMPARE(LoadSkinFrom(BuiltSkin(), "default", skin), QString());
    QVERIFY(skin.Loaded);
    for (int i = 0; i < TSkin::BitmapCount; ++i)
        QVERIFY2(!skin.Bitmap(i).isNull(), TSkin::MemberNames()[i]);

    // The cuts the drawing code relies on.
    const int h = skin.FrameThickness();
    QVERIFY(h > 0);
    QCOMPARE(skin.Frame.width(), 7 * h);
    QCOMPARE(skin.TitleBar.width() % 3, 0);
    // Title-bar buttons are drawn from the slice edge and hit-tested from the frame edge.
    QCOMPARE(skin.TitleBar.width() / 3, h);
    QCOMPARE(skin.BtnWindow.width() % 5, 0);
    QCOMPARE(skin.BtnWindow.height() % 3, 0);
    QVERIFY(skin.BtnWindow.height() / 3 <= skin.TitleBarHeight());
    QCOMPARE(skin.Button.height() % 3, 0);
    QCOMPARE(skin.Button.width() % 3, 0);
    QCOMPARE(skin.BgButton.width() % 6, 0);
    QCOMPARE(skin.BgItem.width() % 6, 0);
    QCOMPARE(skin.StatusBar.width() % 2, 0);
    QCOMPARE(skin.TabActive.width() % 3, 0);
    QCOMPARE(skin.TabUnactive.width() % 3, 0);
    QCOMPARE(skin.TabButton.width() % 4, 0);
    QCOMPARE(skin.TabButton.height() % 4, 0);
    QCOMPARE(skin.BtnSplit.height() % 7, 0);
    QCOMPARE(skin.BtnList.width() % 12, 0);
    QCOMPARE(skin.ProgressBar.width() % 4, 0);
    QCOMPARE(skin.BgMenuItem.width() % 3, 0);
    QCOMPARE(skin.BtnMain.width() % skin.BtnMain.height(), 0);
    QCOMPARE(skin.BtnMain.size(), skin.BtnMainGray.size());
    QCOMPARE(skin.BtnGo.width() % 3, 0);
    QCOMPARE(skin.BtnSearch.width() % 3, 0);
    QCOMPARE(skin.Ico1.width() % 2, 0);
    QCOMPARE(skin.Ico1.height() % 3, 0);

    // Magenta is really present where it means transparent, and goes away when masked.
    const QImage buttons = MagentaTransparent(skin.BtnWindow);
    QCOMPARE(skin.BtnWindow.pixel(0, 0) & 0xFFFFFF, 0xFF00FFu);
    QCOMPARE(qAlpha(buttons.pixel(0, 0)), 0);
    QCOMPARE(qAlpha(buttons.pixel(buttons.width() - 3, buttons.height() / 2)), 255);

    QCOMPARE(skin.Font.family(), QString("WenQuanYi Micro Hei"));
    QCOMPARE(skin.Font.pointSize(), 9);
    QCOMPARE(skin.Face, 0x00FBF7F4);
    QCOMPARE(skin.MenuFace, 0x00FFFFFF);
}

void TestSkin::missingArchiveAndMembers() {
    TSkin skin;
    const QString error = LoadSkinFrom("/nonexistent/skin/default.skin", "default", skin);
    QVERIFY(error.contains("default.skin"));
    QVERIFY(!skin.Loaded);
    QCOMPARE(skin.Face, clBtnFace);
    QVERIFY(skin.TitleBar.isNull());

    // A damaged archive is reported the same way.
    QTemporaryDir dir;
    QFile junk(dir.filePath("junk.skin"));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("PK\x03\x04 not really a zip");
    junk.close();
    QVERIFY(!LoadSkinFrom(junk.fileName(), "default", skin).isEmpty());

    // Without the skin file the colours stay 0 and the font the toolkit's; missing,
    // undecodable or oversized members (a good bitmap padded past 16 MB) leave their bitmaps
    // empty.
    QImage frame(21, 3, QImage::Format_RGB32);
    frame.fill(Qt::gray);
    const QString path = dir.filePath("partial.skin");
    QVERIFY(MakeZip(path, {{"frame.bmp", Bmp(frame)},
                           {"button.bmp", "garbage"},
                           {"bg_titlebar.bmp", Bmp(frame) + QByteArray(16 << 20, '\0')}}));
    TSkin partial;
    QCOMPARE(LoadSkinFrom(path, "default", partial), QString());
    QVERIFY(partial.Loaded);
    QCOMPARE(partial.Frame.size(), QSize(21, 3));
    QCOMPARE(partial.FrameThickness(), 3);
    QVERIFY(partial.Button.isNull());
    QCOMPARE(partial.TitleBarHeight(), 0);
    QCOMPARE(partial.Face, 0);
    QCOMPARE(partial.Shadow, 0);
    QCOMPARE(partial.Font, QFont());
}

QTEST_MAIN(TestSkin)
#include "test_skin.moc"
