// Draws the 23 bitmaps of the default skin and writes them, with the skin file, into the skin
// archive. Run by the build:
//   skingen <default.ini> <output .skin>
// The archive is byte-for-byte reproducible: fixed member order and time stamps.
//
// The look: a light, cool grey-blue window with white highlights, one blue accent for hot and
// pressed states, rounded corners of 3 px. Bitmaps with magenta backgrounds are anti-aliased
// against the colour they are drawn on, so no pink fringe remains after the magenta is dropped.

#include <QBuffer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>

#include <zip.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// Palette (RGB).
const QColor Border(0x7F, 0x9D, 0xBF);    // outer window edge
const QColor FrameFill(0xE9, 0xEF, 0xF6); // frame body, title bar bottom
const QColor Inner(0xC8, 0xD5, 0xE4);     // line between chrome and client
const QColor Face(0xF4, 0xF7, 0xFB);      // dialog background (skin Face)
const QColor Line(0xA7, 0xB8, 0xCC);      // control borders (skin Shadow)
const QColor Glyph(0x4A, 0x5A, 0x6E);     // dark glyphs
const QColor GlyphGray(0xB4, 0xBE, 0xCA); // disabled glyphs
const QColor Accent(0x2B, 0x79, 0xD0);
const QColor AccentDark(0x1D, 0x5F, 0xA8);
const QColor HotFill(0xDD, 0xE8, 0xF6);
const QColor HotLine(0x8F, 0xB3, 0xDD);
const QColor DownFill(0xC4, 0xD7, 0xEE);
const QColor DownLine(0x5E, 0x90, 0xCC);
const QColor Magenta(255, 0, 255);
const QColor White(255, 255, 255);

constexpr int FrameH = 4;
constexpr int TitleH = 30;

QImage NewImage(int w, int h, const QColor &fill) {
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(fill);
    return image;
}

QColor Mix(const QColor &a, const QColor &b, double t) {
    return QColor::fromRgbF(a.redF() + (b.redF() - a.redF()) * t,
                            a.greenF() + (b.greenF() - a.greenF()) * t,
                            a.blueF() + (b.blueF() - a.blueF()) * t);
}

// The title bar gradient at row y.
QColor TitleAt(int y) {
    return Mix(White, FrameFill, double(y) / (TitleH - 2));
}

// Draws paint on a transparent layer, then composes it over the background colour at each row;
// untouched pixels become magenta (transparent when drawn).
QImage OnMagenta(int w, int h, const std::function<QColor(int)> &backgroundAtRow,
                 const std::function<void(QPainter &)> &paint) {
    QImage layer(w, h, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter p(&layer);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p);
    }
    QImage out = NewImage(w, h, Magenta);
    for (int y = 0; y < h; ++y) {
        const QColor bg = backgroundAtRow(y);
        for (int x = 0; x < w; ++x) {
            const QColor c = QColor::fromRgba(layer.pixel(x, y));
            if (c.alpha() == 0)
                continue;
            const double a = c.alphaF();
            out.setPixelColor(x, y,
                              QColor::fromRgbF(c.redF() * a + bg.redF() * (1 - a),
                                               c.greenF() * a + bg.greenF() * (1 - a),
                                               c.blueF() * a + bg.blueF() * (1 - a)));
        }
    }
    return out;
}

QImage OnColour(int w, int h, const QColor &bg, const std::function<void(QPainter &)> &paint) {
    QImage image = NewImage(w, h, bg);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return image;
}

void RoundBox(QPainter &p, const QRectF &r, double radius, const QColor &top, const QColor &bottom,
              const QColor &border) {
    QLinearGradient g(r.topLeft(), r.bottomLeft());
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(border, 1));
    p.setBrush(g);
    p.drawRoundedRect(r.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

QPen GlyphPen(const QColor &c, double width = 1.6) {
    return QPen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// ---- window chrome ------------------------------------------------------------------------

// 3 slices of FrameH: left end with the rounded corner, middle, right end.
QImage TitleBar() {
    const int s = FrameH;
    QImage image = NewImage(3 * s, TitleH, White);
    for (int y = 0; y < TitleH; ++y)
        for (int x = 0; x < 3 * s; ++x)
            image.setPixelColor(x, y, TitleAt(y));
    // Top edge and the window's rounded corners (the window shape cuts 3, 1, 1 pixels).
    for (int x = 0; x < 3 * s; ++x) {
        image.setPixelColor(x, 0, Border);
        image.setPixelColor(x, TitleH - 1, Inner);
    }
    auto edge = [&](int x, int y) {
        image.setPixelColor(x, y, Border);
        image.setPixelColor(3 * s - 1 - x, y, Border);
    };
    for (int y = 3; y < TitleH; ++y)
        edge(0, y);
    edge(1, 1);
    edge(2, 1);
    edge(1, 2);
    // Row 1 just inside the corner gets a white highlight, as the rest of that row.
    for (int x = 3; x < 3 * s - 3; ++x)
        image.setPixelColor(x, 1, White);
    // Bottom row meets the frame: fill, then the inner line column.
    for (int side = 0; side < 2; ++side) {
        auto px = [&](int x) { return side == 0 ? x : 3 * s - 1 - x; };
        image.setPixelColor(px(1), TitleH - 1, FrameFill);
        image.setPixelColor(px(2), TitleH - 1, FrameFill);
        image.setPixelColor(px(3), TitleH - 1, Inner);
    }
    return image;
}

// 7 tiles of FrameH x FrameH (see the frame drawing of the skinned window for their places).
QImage FrameTiles() {
    const int h = FrameH;
    QImage image = NewImage(7 * h, h, FrameFill);
    auto tile = [&](int k, const char *rows) { // rows: 16 chars, b border, f fill, i inner
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < h; ++x) {
                const char c = rows[y * h + x];
                image.setPixelColor(k * h + x, y, c == 'b' ? Border : c == 'i' ? Inner : FrameFill);
            }
    };
    tile(0, "bffi"
            "bffi"
            "bffi"
            "bffi"); // left edge
    tile(1, "iffb"
            "iffb"
            "iffb"
            "iffb"); // right edge
    tile(2, "bffi"
            "bffi"
            "bffi"
            "bffi"); // bottom-left corner (only its top row and left column stay visible)
    tile(3, "iffb"
            "iffb"
            "iffb"
            "iffb");
    tile(4, "ffii"
            "bfff"
            "bbff"
            "ffbb"); // bottom edge, left end, starting one pixel in
    tile(5, "iiii"
            "ffff"
            "ffff"
            "bbbb");
    tile(6, "iiff"
            "fffb"
            "ffbb"
            "bbff");
    return image;
}

// 5 columns (menu, minimise, maximise, restore, close) x 3 rows (normal, hot, pressed).
QImage WindowButtons() {
    const int bw = 28, bh = 22, top = (TitleH - bh) / 2;
    QImage image = NewImage(5 * bw, 3 * bh, Magenta);
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 5; ++col) {
            const bool close = col == 4;
            QImage cell = OnMagenta(
                bw, bh, [&](int y) { return TitleAt(top + y); },
                [&](QPainter &p) {
                    if (row > 0) {
                        const QColor fill =
                            close ? (row == 1 ? QColor(0xE0, 0x4B, 0x40) : QColor(0xB8, 0x33, 0x29))
                                  : (row == 1 ? HotFill : DownFill);
                        const QColor edge =
                            close ? fill.darker(115) : (row == 1 ? HotLine : DownLine);
                        RoundBox(p, QRectF(1, 1, bw - 2, bh - 2), 3, fill.lighter(104), fill, edge);
                    }
                    const QColor g = close && row > 0 ? White : Glyph;
                    const double cx = bw / 2.0, cy = bh / 2.0;
                    p.setBrush(Qt::NoBrush);
                    p.setRenderHint(QPainter::Antialiasing, col == 4 || col == 0);
                    switch (col) {
                    case 0: // menu: a small down-pointing chevron under a bar
                        p.setPen(GlyphPen(g, 1.5));
                        p.drawLine(QPointF(cx - 4.5, cy - 3.5), QPointF(cx + 4.5, cy - 3.5));
                        p.drawPolyline(QPolygonF(
                            {QPointF(cx - 4, cy), QPointF(cx, cy + 4), QPointF(cx + 4, cy)}));
                        break;
                    case 1: // minimise
                        p.setPen(QPen(g, 2));
                        p.drawLine(QPointF(cx - 5, cy + 4), QPointF(cx + 5, cy + 4));
                        break;
                    case 2: // maximise
                        p.setPen(QPen(g, 1));
                        p.drawRect(QRectF(cx - 5.5, cy - 4.5, 10, 9));
                        p.drawLine(QPointF(cx - 5.5, cy - 3.5), QPointF(cx + 4.5, cy - 3.5));
                        break;
                    case 3: // restore
                        p.setPen(QPen(g, 1));
                        p.drawRect(QRectF(cx - 2.5, cy - 5.5, 8, 7));
                        p.fillRect(QRectF(cx - 5, cy - 2, 8, 7),
                                   row == 0 ? TitleAt(top + 11) : (row == 1 ? HotFill : DownFill));
                        p.drawRect(QRectF(cx - 5.5, cy - 2.5, 8, 7));
                        p.drawLine(QPointF(cx - 5.5, cy - 1.5), QPointF(cx + 2.5, cy - 1.5));
                        break;
                    case 4: // close
                        p.setPen(GlyphPen(g, 1.7));
                        p.drawLine(QPointF(cx - 4.5, cy - 4.5), QPointF(cx + 4.5, cy + 4.5));
                        p.drawLine(QPointF(cx + 4.5, cy - 4.5), QPointF(cx - 4.5, cy + 4.5));
                        break;
                    }
                });
            QPainter(&image).drawImage(col * bw, row * bh, cell);
        }
    }
    return image;
}

// Push buttons of dialogs: 3 rows (normal, hot, pressed), each 72 x 24 in 3 slices.
QImage PushButton() {
    const int w = 72, h = 24;
    QImage image = NewImage(w, 3 * h, Face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r(0, 0, w, h);
    RoundBox(p, r, 3, White, QColor(0xEA, 0xF0, 0xF7), Line);
    RoundBox(p, r.translated(0, h), 3, White, QColor(0xDA, 0xE9, 0xFA), QColor(0x4A, 0x8F, 0xD9));
    RoundBox(p, r.translated(0, 2 * h), 3, QColor(0xC9, 0xDC, 0xF2), QColor(0xDD, 0xE9, 0xF7),
             QColor(0x3B, 0x78, 0xC0));
    // A white inner highlight line under the top edge of the normal and hot looks.
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(White);
    p.drawLine(3, 1, w - 4, 1);
    p.drawLine(3, h + 1, w - 4, h + 1);
    return image;
}

// ---- main window strips --------------------------------------------------------------------

QImage VerticalGradient(int w, int h, const QColor &top, const QColor &bottom) {
    QImage image = NewImage(w, h, top);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, Mix(top, bottom, h > 1 ? double(y) / (h - 1) : 0));
    return image;
}

const QColor ToolTop(0xFB, 0xFC, 0xFE);
const QColor ToolBottom(0xE9, 0xEF, 0xF6);

QImage ToolBarBackground() {
    QImage image = VerticalGradient(8, 38, ToolTop, ToolBottom);
    for (int x = 0; x < 8; ++x)
        image.setPixelColor(x, 37, Inner);
    return image;
}

QImage TabBarBackground() {
    QImage image = VerticalGradient(8, 28, Face, QColor(0xEC, 0xF1, 0xF7));
    for (int x = 0; x < 8; ++x)
        image.setPixelColor(x, 27, Line);
    return image;
}

// Active and inactive tabs: 3 slices of 8, 28 high; the bottom row joins the page.
QImage Tab(bool active) {
    const int w = 24, h = 28;
    QImage image = VerticalGradient(w, h, Face, QColor(0xEC, 0xF1, 0xF7));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    const double top = active ? 2.5 : 4.5;
    path.moveTo(0.5, h + 1);
    path.lineTo(0.5, top + 4);
    path.quadTo(0.5, top, 4.5, top);
    path.lineTo(w - 4.5, top);
    path.quadTo(w - 0.5, top, w - 0.5, top + 4);
    path.lineTo(w - 0.5, h + 1);
    QLinearGradient g(0, top, 0, h);
    if (active) {
        g.setColorAt(0, White);
        g.setColorAt(1, White);
    } else {
        g.setColorAt(0, QColor(0xF1, 0xF5, 0xFA));
        g.setColorAt(1, QColor(0xE0, 0xE8, 0xF2));
    }
    p.setBrush(g);
    p.setPen(QPen(active ? Line : QColor(0xBC, 0xC9, 0xD8), 1));
    p.drawPath(path);
    if (active) {
        p.setPen(QPen(Accent, 2));
        p.drawLine(QPointF(3, top + 0.5), QPointF(w - 3, top + 0.5));
    } else {
        p.setRenderHint(QPainter::Antialiasing, false);
        p.setPen(Line);
        p.drawLine(0, h - 1, w - 1, h - 1);
    }
    return image;
}

// Tab bar buttons: 4 columns (close tab, previous, next, leave full screen) x 4 rows (normal,
// hot, pressed, disabled), 16 x 16, on magenta.
QImage TabButtons() {
    const int s = 16;
    QImage image = NewImage(4 * s, 4 * s, Magenta);
    const QColor bg(0xEE, 0xF2, 0xF8);
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col) {
            QImage cell = OnMagenta(
                s, s, [&](int) { return bg; },
                [&](QPainter &p) {
                    if (row == 1 || row == 2) {
                        const bool close = col == 0;
                        const QColor fill =
                            close ? (row == 1 ? QColor(0xE0, 0x4B, 0x40) : QColor(0xB8, 0x33, 0x29))
                                  : (row == 1 ? HotFill : DownFill);
                        p.setPen(Qt::NoPen);
                        p.setBrush(fill);
                        p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), 3, 3);
                    }
                    QColor g = row == 3 ? GlyphGray : Glyph;
                    if (col == 0 && (row == 1 || row == 2))
                        g = White;
                    p.setPen(GlyphPen(g, 1.6));
                    p.setBrush(Qt::NoBrush);
                    const double c = s / 2.0;
                    switch (col) {
                    case 0:
                        p.drawLine(QPointF(c - 3.5, c - 3.5), QPointF(c + 3.5, c + 3.5));
                        p.drawLine(QPointF(c + 3.5, c - 3.5), QPointF(c - 3.5, c + 3.5));
                        break;
                    case 1:
                        p.drawPolyline(QPolygonF({QPointF(c + 2, c - 4.5), QPointF(c - 2.5, c),
                                                  QPointF(c + 2, c + 4.5)}));
                        break;
                    case 2:
                        p.drawPolyline(QPolygonF({QPointF(c - 2, c - 4.5), QPointF(c + 2.5, c),
                                                  QPointF(c - 2, c + 4.5)}));
                        break;
                    case 3: // two inward corners: leave full screen
                        p.drawPolyline(
                            QPolygonF({QPointF(c - 5, c - 1.5), QPointF(c - 1.5, c - 1.5),
                                       QPointF(c - 1.5, c - 5)}));
                        p.drawPolyline(
                            QPolygonF({QPointF(c + 5, c + 1.5), QPointF(c + 1.5, c + 1.5),
                                       QPointF(c + 1.5, c + 5)}));
                        break;
                    }
                });
            QPainter(&image).drawImage(col * s, row * s, cell);
        }
    return image;
}

// Tool bar icons: 11 square cells of 24 (home, back, forward, stop, refresh, accounts, settings,
// full screen, separator, drop-down arrow, chevron), on magenta.
QImage ToolIcons(bool gray) {
    const int s = 24;
    QImage image = NewImage(11 * s, s, Magenta);
    const QColor main = gray ? GlyphGray : Accent;
    const QColor dark = gray ? GlyphGray : AccentDark;
    const QColor soft = gray ? QColor(0xE6, 0xEA, 0xEF) : QColor(0xD6, 0xE6, 0xF8);
    for (int i = 0; i < 11; ++i) {
        QImage cell = OnMagenta(
            s, s, [&](int y) { return Mix(ToolTop, ToolBottom, (7 + y) / 37.0); },
            [&](QPainter &p) {
                const double c = s / 2.0;
                p.setPen(GlyphPen(main, 1.8));
                p.setBrush(Qt::NoBrush);
                switch (i) {
                case 0: { // home
                    QPainterPath roof;
                    roof.moveTo(4, 12);
                    roof.lineTo(12, 4.5);
                    roof.lineTo(20, 12);
                    p.drawPath(roof);
                    p.setBrush(soft);
                    p.drawRect(QRectF(7, 11, 10, 8.5));
                    p.setBrush(main);
                    p.setPen(Qt::NoPen);
                    p.drawRect(QRectF(10.5, 14, 3, 5.5));
                    break;
                }
                case 1:
                case 2: { // back, forward: a round button with an arrow
                    p.setBrush(soft);
                    p.setPen(QPen(main, 1.4));
                    p.drawEllipse(QPointF(c, c), 9, 9);
                    p.setPen(GlyphPen(dark, 2));
                    const double d = i == 1 ? 1 : -1;
                    p.drawLine(QPointF(c + 4.5 * d, c), QPointF(c - 4.5 * d, c));
                    p.drawPolyline(QPolygonF({QPointF(c - 0.5 * d, c - 4), QPointF(c - 4.5 * d, c),
                                              QPointF(c - 0.5 * d, c + 4)}));
                    break;
                }
                case 3: // stop: an octagon-like red disc with a cross
                    p.setBrush(gray ? soft : QColor(0xE8, 0x5A, 0x4F));
                    p.setPen(QPen(gray ? main : QColor(0xB8, 0x33, 0x29), 1.2));
                    p.drawEllipse(QPointF(c, c), 8.5, 8.5);
                    p.setPen(GlyphPen(gray ? main : White, 2));
                    p.drawLine(QPointF(c - 3.5, c - 3.5), QPointF(c + 3.5, c + 3.5));
                    p.drawLine(QPointF(c + 3.5, c - 3.5), QPointF(c - 3.5, c + 3.5));
                    break;
                case 4: { // refresh: an open circle with an arrow head
                    p.setPen(GlyphPen(gray ? main : QColor(0x2E, 0x9E, 0x5B), 2.2));
                    p.drawArc(QRectF(5, 5, 14, 14), 60 * 16, 290 * 16);
                    p.setPen(Qt::NoPen);
                    p.setBrush(gray ? main : QColor(0x2E, 0x9E, 0x5B));
                    p.drawPolygon(
                        QPolygonF({QPointF(13, 2.5), QPointF(19.5, 5.5), QPointF(13.5, 9.5)}));
                    break;
                }
                case 5: // accounts: a person
                    p.setBrush(soft);
                    p.drawEllipse(QPointF(c, 8.5), 4, 4);
                    p.drawChord(QRectF(4.5, 13, 15, 14), 0, 180 * 16);
                    break;
                case 6: { // settings: a gear
                    p.setPen(Qt::NoPen);
                    p.setBrush(main);
                    QPainterPath gear;
                    for (int k = 0; k < 8; ++k) {
                        const double a = k * M_PI / 4;
                        gear.addPolygon(QPolygonF(
                            {QPointF(c + 6 * std::cos(a - 0.22), c + 6 * std::sin(a - 0.22)),
                             QPointF(c + 9.5 * std::cos(a - 0.16), c + 9.5 * std::sin(a - 0.16)),
                             QPointF(c + 9.5 * std::cos(a + 0.16), c + 9.5 * std::sin(a + 0.16)),
                             QPointF(c + 6 * std::cos(a + 0.22), c + 6 * std::sin(a + 0.22))}));
                    }
                    gear.addEllipse(QPointF(c, c), 7, 7);
                    gear.setFillRule(Qt::WindingFill);
                    p.drawPath(gear.simplified());
                    p.setBrush(soft);
                    p.drawEllipse(QPointF(c, c), 3, 3);
                    break;
                }
                case 7: // full screen: four outward corners
                    p.setPen(GlyphPen(main, 2));
                    p.drawPolyline(QPolygonF({QPointF(4, 9), QPointF(4, 4), QPointF(9, 4)}));
                    p.drawPolyline(QPolygonF({QPointF(15, 4), QPointF(20, 4), QPointF(20, 9)}));
                    p.drawPolyline(QPolygonF({QPointF(20, 15), QPointF(20, 20), QPointF(15, 20)}));
                    p.drawPolyline(QPolygonF({QPointF(9, 20), QPointF(4, 20), QPointF(4, 15)}));
                    break;
                case 8: // separator
                    p.setRenderHint(QPainter::Antialiasing, false);
                    p.setPen(Line);
                    p.drawLine(11, 3, 11, 20);
                    p.setPen(White);
                    p.drawLine(12, 3, 12, 20);
                    break;
                case 9: // drop-down arrow
                    p.setPen(Qt::NoPen);
                    p.setBrush(gray ? GlyphGray : Glyph);
                    p.drawPolygon(QPolygonF({QPointF(3, 10), QPointF(9, 10), QPointF(6, 14)}));
                    break;
                case 10: // chevron
                    p.setPen(GlyphPen(gray ? GlyphGray : Glyph, 1.6));
                    p.drawPolyline(QPolygonF({QPointF(4, 8), QPointF(8, 12), QPointF(4, 16)}));
                    p.drawPolyline(QPolygonF({QPointF(9, 8), QPointF(13, 12), QPointF(9, 16)}));
                    break;
                }
            });
        QPainter(&image).drawImage(i * s, 0, cell);
    }
    return image;
}

// Two states side by side (hot, pressed), each 3 slices of 5, 26 high.
QImage ButtonFrame() {
    const int w = 15, h = 26;
    QImage image = NewImage(2 * w, h, Face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    RoundBox(p, QRectF(0, 0, w, h), 3, White, QColor(0xE2, 0xEC, 0xF8), HotLine);
    RoundBox(p, QRectF(w, 0, w, h), 3, QColor(0xC6, 0xDA, 0xF1), QColor(0xD8, 0xE6, 0xF6),
             DownLine);
    return image;
}

// Side panel handle: 7 frames of 60 stacked (frame 0 unused; 1-3 expanded normal, hot, pressed;
// 4-6 collapsed), 9 wide.
QImage SplitHandle() {
    const int w = 9, f = 60;
    QImage image = NewImage(w, 7 * f, Face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int k = 1; k < 7; ++k) {
        const int state = (k - 1) % 3;
        const bool expanded = k <= 3;
        const QRectF r(0.5, k * f + 0.5, w - 1, f - 1);
        const QColor fill = state == 0 ? QColor(0xE3, 0xEA, 0xF3) : state == 1 ? HotFill : DownFill;
        p.setPen(QPen(state == 0 ? Inner : HotLine, 1));
        p.setBrush(fill);
        p.drawRoundedRect(r, 3, 3);
        p.setPen(GlyphPen(state == 0 ? Glyph : AccentDark, 1.5));
        const double cx = w / 2.0, cy = k * f + f / 2.0, d = expanded ? 1 : -1;
        p.drawPolyline(QPolygonF({QPointF(cx + 1.5 * d, cy - 3.5), QPointF(cx - 1.5 * d, cy),
                                  QPointF(cx + 1.5 * d, cy + 3.5)}));
    }
    return image;
}

// Small buttons beside the address box: 2 columns (add to favourites, capture) x 3 rows.
QImage SmallButtons() {
    const int s = 18;
    QImage image = NewImage(2 * s, 3 * s, Magenta);
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 2; ++col) {
            QImage cell = OnMagenta(
                s, s, [&](int) { return White; },
                [&](QPainter &p) {
                    if (row > 0) {
                        p.setPen(QPen(row == 1 ? HotLine : DownLine, 1));
                        p.setBrush(row == 1 ? HotFill : DownFill);
                        p.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), 3, 3);
                    }
                    const double c = s / 2.0;
                    if (col == 0) { // star
                        QPolygonF star;
                        for (int k = 0; k < 10; ++k) {
                            const double a = -M_PI / 2 + k * M_PI / 5;
                            const double r = k % 2 ? 2.8 : 6.5;
                            star << QPointF(c + r * std::cos(a), c + 0.5 + r * std::sin(a));
                        }
                        p.setPen(QPen(QColor(0xD9, 0x8E, 0x04), 1));
                        p.setBrush(QColor(0xF7, 0xC1, 0x3C));
                        p.drawPolygon(star);
                    } else { // capture: a dashed frame with a corner mark
                        p.setPen(QPen(Accent, 1.3, Qt::DashLine));
                        p.setBrush(Qt::NoBrush);
                        p.drawRect(QRectF(3.5, 3.5, 11, 11));
                        p.setPen(GlyphPen(AccentDark, 1.8));
                        p.drawPolyline(QPolygonF({QPointF(3, 7), QPointF(3, 3), QPointF(7, 3)}));
                        p.drawPolyline(
                            QPolygonF({QPointF(15, 11), QPointF(15, 15), QPointF(11, 15)}));
                    }
                });
            QPainter(&image).drawImage(col * s, row * s, cell);
        }
    return image;
}

// Menu icons: 13 cells of 16 on magenta; 4 is the lock and 8 the check mark.
QImage MenuIcons() {
    const int s = 16;
    QImage image = NewImage(13 * s, s, Magenta);
    for (int i = 0; i < 13; ++i) {
        QImage cell = OnMagenta(
            s, s, [&](int) { return QColor(0xE4, 0xEC, 0xF5); },
            [&](QPainter &p) {
                const double c = s / 2.0;
                p.setPen(GlyphPen(Accent, 1.5));
                p.setBrush(Qt::NoBrush);
                switch (i) {
                case 0: // favourites: star
                {
                    QPolygonF star;
                    for (int k = 0; k < 10; ++k) {
                        const double a = -M_PI / 2 + k * M_PI / 5;
                        const double r = k % 2 ? 2.6 : 6;
                        star << QPointF(c + r * std::cos(a), c + 0.5 + r * std::sin(a));
                    }
                    p.setPen(QPen(QColor(0xD9, 0x8E, 0x04), 1));
                    p.setBrush(QColor(0xF7, 0xC1, 0x3C));
                    p.drawPolygon(star);
                    break;
                }
                case 1: // capture
                    p.setPen(QPen(Accent, 1.2, Qt::DashLine));
                    p.drawRect(QRectF(2.5, 2.5, 11, 11));
                    break;
                case 2: // duplicate: two pages
                    p.setBrush(White);
                    p.drawRect(QRectF(5.5, 2.5, 8, 9));
                    p.drawRect(QRectF(2.5, 5.5, 8, 9));
                    break;
                case 3: // refresh
                    p.setPen(GlyphPen(QColor(0x2E, 0x9E, 0x5B), 1.8));
                    p.drawArc(QRectF(3, 3, 10, 10), 60 * 16, 290 * 16);
                    p.setPen(Qt::NoPen);
                    p.setBrush(QColor(0x2E, 0x9E, 0x5B));
                    p.drawPolygon(
                        QPolygonF({QPointF(8.5, 1), QPointF(13.5, 3.5), QPointF(9, 6.5)}));
                    break;
                case 4: // lock
                    p.setPen(GlyphPen(Glyph, 1.5));
                    p.drawArc(QRectF(4.5, 2, 7, 8), 0, 180 * 16);
                    p.drawLine(QPointF(4.5, 6), QPointF(4.5, 8));
                    p.drawLine(QPointF(11.5, 6), QPointF(11.5, 8));
                    p.setPen(QPen(QColor(0xB0, 0x7A, 0x10), 1));
                    p.setBrush(QColor(0xF2, 0xC0, 0x4A));
                    p.drawRoundedRect(QRectF(3, 7.5, 10, 7), 1.5, 1.5);
                    break;
                case 5: // protection: a shield
                {
                    QPainterPath shield;
                    shield.moveTo(c, 2);
                    shield.lineTo(13, 4);
                    shield.quadTo(13, 11, c, 14.5);
                    shield.quadTo(3, 11, 3, 4);
                    shield.closeSubpath();
                    p.setBrush(QColor(0xD6, 0xE6, 0xF8));
                    p.drawPath(shield);
                    break;
                }
                case 6: // user
                    p.setBrush(QColor(0xD6, 0xE6, 0xF8));
                    p.drawEllipse(QPointF(c, 5.5), 3, 3);
                    p.drawChord(QRectF(2.5, 9.5, 11, 11), 0, 180 * 16);
                    break;
                case 7: // settings: sliders
                    p.drawLine(QPointF(3, 5), QPointF(13, 5));
                    p.drawLine(QPointF(3, 11), QPointF(13, 11));
                    p.setBrush(White);
                    p.drawEllipse(QPointF(6, 5), 2, 2);
                    p.drawEllipse(QPointF(10, 11), 2, 2);
                    break;
                case 8: // check mark
                    p.setPen(GlyphPen(AccentDark, 2));
                    p.drawPolyline(
                        QPolygonF({QPointF(3.5, 8.5), QPointF(6.5, 11.5), QPointF(12.5, 4.5)}));
                    break;
                case 9: // exit: power symbol
                    p.setPen(GlyphPen(QColor(0xC0, 0x39, 0x2B), 1.7));
                    p.drawArc(QRectF(3, 3.5, 10, 10), 120 * 16, 300 * 16);
                    p.drawLine(QPointF(c, 2), QPointF(c, 8));
                    break;
                case 10: // information
                    p.setBrush(QColor(0xD6, 0xE6, 0xF8));
                    p.drawEllipse(QPointF(c, c), 6, 6);
                    p.drawLine(QPointF(c, 7), QPointF(c, 11.5));
                    p.setPen(GlyphPen(Accent, 2));
                    p.drawPoint(QPointF(c, 4.5));
                    break;
                case 11: // close
                    p.setPen(GlyphPen(Glyph, 1.6));
                    p.drawLine(QPointF(4, 4), QPointF(12, 12));
                    p.drawLine(QPointF(12, 4), QPointF(4, 12));
                    break;
                case 12: // the portal's home page: a house
                    p.setBrush(QColor(0xD6, 0xE6, 0xF8));
                    p.drawPolygon(QPolygonF({QPointF(c, 2.5), QPointF(14, 8), QPointF(12, 8),
                                             QPointF(12, 13.5), QPointF(4, 13.5), QPointF(4, 8),
                                             QPointF(2, 8)}));
                    p.setBrush(White);
                    p.drawRect(QRectF(6.5, 9.5, 3, 4));
                    break;
                }
            });
        QPainter(&image).drawImage(i * s, 0, cell);
    }
    return image;
}

// Highlighted tree item and hot image buttons: two equal states of 3 slices, 22 high. The look
// has no side caps, so any cut of it (thirds or sixths) joins without seams.
QImage ItemBackground() {
    QImage image = VerticalGradient(36, 22, QColor(0xE6, 0xF0, 0xFB), QColor(0xD4, 0xE5, 0xF8));
    for (int x = 0; x < 36; ++x) {
        image.setPixelColor(x, 0, QColor(0xB9, 0xD4, 0xF2));
        image.setPixelColor(x, 21, QColor(0xB9, 0xD4, 0xF2));
    }
    return image;
}

// Progress bar: 4 cells of 6 x 10 (left cap, track, right cap, fill).
QImage ProgressBar() {
    const int s = 6, h = 10;
    QImage image = NewImage(4 * s, h, Face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    // The track is drawn once 3 cells wide and cut, so caps and track line up.
    RoundBox(p, QRectF(0, 0, 3 * s, h), 3, QColor(0xE6, 0xEC, 0xF3), White, Line);
    p.setRenderHint(QPainter::Antialiasing, false);
    QImage track = image.copy(s, 0, s, h);
    QPainter(&image).drawImage(s, 0, track);
    QLinearGradient g(0, 0, 0, h);
    g.setColorAt(0, QColor(0x6F, 0xB2, 0xF0));
    g.setColorAt(1, Accent);
    p.fillRect(QRect(3 * s, 2, s, h - 4), g);
    p.fillRect(QRect(3 * s, 0, s, 2), QColor(0xE6, 0xEC, 0xF3));
    p.fillRect(QRect(3 * s, h - 2, s, 2), White);
    return image;
}

// Highlighted menu item: 3 slices of 6, 24 high (the menu item height), on the menu face.
QImage MenuItemBackground() {
    return OnColour(18, 24, White, [](QPainter &p) {
        RoundBox(p, QRectF(1, 1, 16, 22), 3, QColor(0xE9, 0xF2, 0xFC), QColor(0xD8, 0xE8, 0xF9),
                 QColor(0x9F, 0xC3, 0xEA));
    });
}

// Search and go buttons: 3 columns (normal, hot, pressed) of 18 x 20 on magenta.
QImage GoButton(bool search) {
    const int w = 18, h = 20;
    QImage image = NewImage(3 * w, h, Magenta);
    for (int col = 0; col < 3; ++col) {
        QImage cell = OnMagenta(
            w, h, [&](int y) { return Mix(ToolTop, ToolBottom, (9 + y) / 37.0); },
            [&](QPainter &p) {
                if (col > 0) {
                    p.setPen(QPen(col == 1 ? HotLine : DownLine, 1));
                    p.setBrush(col == 1 ? HotFill : DownFill);
                    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, h - 1), 3, 3);
                }
                const QColor g = col == 0 ? Accent : AccentDark;
                p.setPen(GlyphPen(g, 1.8));
                p.setBrush(Qt::NoBrush);
                const double cx = w / 2.0, cy = h / 2.0;
                if (search) {
                    p.drawEllipse(QPointF(cx - 1.5, cy - 1.5), 4, 4);
                    p.drawLine(QPointF(cx + 1.5, cy + 1.5), QPointF(cx + 5, cy + 5));
                } else {
                    p.drawLine(QPointF(cx - 5, cy), QPointF(cx + 4, cy));
                    p.drawPolyline(QPolygonF(
                        {QPointF(cx, cy - 4), QPointF(cx + 4.5, cy), QPointF(cx, cy + 4)}));
                }
            });
        QPainter(&image).drawImage(col * w, 0, cell);
    }
    return image;
}

// Side panel group titles: 4 frames (normal, hot, open, spare) of 3 slices of 6, 26 high.
QImage ListButton() {
    const int fw = 18, h = 26;
    QImage image = NewImage(4 * fw, h, Face);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor tops[4] = {White, White, QColor(0xD9, 0xE8, 0xF9), White};
    const QColor bottoms[4] = {QColor(0xE8, 0xEE, 0xF5), QColor(0xDD, 0xEB, 0xFA),
                               QColor(0xC2, 0xD8, 0xF2), QColor(0xE8, 0xEE, 0xF5)};
    const QColor edges[4] = {Inner, HotLine, DownLine, Inner};
    for (int k = 0; k < 4; ++k)
        RoundBox(p, QRectF(k * fw, 0, fw, h), 3, tops[k], bottoms[k], edges[k]);
    return image;
}

// Side panel search strip: 227 x 24, the expanded panel's width (a 40 px section column, 178 px
// of lists, the 9 px handle); the edit sits at x 6..196, the search button at 196..212.
QImage SearchBoxBackground() {
    const int w = 227, h = 24;
    QImage image = VerticalGradient(w, h, QColor(0xF8, 0xFA, 0xFD), QColor(0xE9, 0xEF, 0xF6));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Line, 1));
    p.setBrush(White);
    p.drawRoundedRect(QRectF(2.5, 2.5, 213, 19), 3, 3);
    p.setPen(GlyphPen(Accent, 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(202.5, 10.5), 3.6, 3.6);
    p.drawLine(QPointF(205.3, 13.3), QPointF(208.5, 16.5));
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Inner);
    p.drawLine(0, h - 1, w - 1, h - 1);
    return image;
}

// Status bar: left half background, right half the bottom-right corner piece with a size grip.
QImage StatusBar() {
    const int half = 14, h = 22;
    QImage image =
        VerticalGradient(2 * half, h, QColor(0xF1, 0xF5, 0xFA), QColor(0xE3, 0xEA, 0xF3));
    QPainter p(&image);
    p.setPen(Inner);
    p.drawLine(0, 0, 2 * half - 1, 0);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j <= k; ++j) {
            const int x = 2 * half - 4 - 4 * j, y = h - 4 - 4 * (k - j);
            p.fillRect(x, y, 2, 2, Line);
            p.fillRect(x + 1, y + 1, 1, 1, White);
        }
    return image;
}

// The program icon: a blue rounded square with a white "L", in the skin's accent colours.
QImage ProgramIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 48.0, size / 48.0);
    QLinearGradient g(0, 0, 0, 48);
    g.setColorAt(0, QColor(0x4C, 0x9B, 0xEA));
    g.setColorAt(1, AccentDark);
    p.setBrush(g);
    p.setPen(QPen(AccentDark.darker(115), 1));
    p.drawRoundedRect(QRectF(2.5, 2.5, 43, 43), 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 3.5, 41, 41), 9, 9);
    p.setPen(QPen(White, 5.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(17, 12), QPointF(17, 35), QPointF(33, 35)}));
    return image;
}

// ---- side panel icons (PNG, compiled into the program) -------------------------------------

// A section icon: a rounded tile in the section's colour with a white glyph, 24 x 24.
QImage SectionIcon(int section) {
    const QColor tops[8] = {{},
                            {0x4C, 0x9B, 0xEA},
                            {0xF6, 0xB4, 0x3A},
                            {0x2F, 0xB5, 0xA5},
                            {0x9A, 0x6B, 0xE0},
                            {0x5C, 0xBF, 0x5A},
                            {0xF2, 0x8A, 0x3C},
                            {0x6A, 0x84, 0xA8}};
    QImage image(24, 24, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor top = tops[section];
    QLinearGradient g(0, 1, 0, 22);
    g.setColorAt(0, top.lighter(112));
    g.setColorAt(1, top.darker(118));
    p.setPen(QPen(top.darker(135), 1));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2.5, 1.5, 19, 19), 5, 5);
    p.setPen(QPen(QColor(255, 255, 255, 90), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(3.5, 2.5, 17, 17), 4, 4);
    const QPen pen(White, 1.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    const double cx = 12, cy = 11;
    switch (section) {
    case 1: { // games: a game pad
        QPainterPath pad;
        pad.addRoundedRect(QRectF(5.5, 7.5, 13, 8), 4, 4);
        p.setBrush(White);
        p.setPen(Qt::NoPen);
        p.drawPath(pad);
        p.setPen(QPen(top.darker(118), 1.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 11.5), QPointF(11, 11.5));
        p.drawLine(QPointF(9.5, 10), QPointF(9.5, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(top.darker(118));
        p.drawEllipse(QPointF(14.6, 10.6), 0.9, 0.9);
        p.drawEllipse(QPointF(16, 12.4), 0.9, 0.9);
        break;
    }
    case 2: { // favourites: a star
        QPolygonF star;
        for (int k = 0; k < 10; ++k) {
            const double a = -M_PI / 2 + k * M_PI / 5;
            const double r = k % 2 ? 2.9 : 6.6;
            star << QPointF(cx + r * std::cos(a), cy + 0.6 + r * std::sin(a));
        }
        p.setBrush(White);
        p.setPen(QPen(White, 1, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolygon(star);
        break;
    }
    case 3: // news: a page with lines
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(6.5, 5.5, 11, 12), 1.5, 1.5);
        p.setPen(QPen(White, 1.4, Qt::SolidLine, Qt::RoundCap));
        for (int k = 0; k < 3; ++k)
            p.drawLine(QPointF(8.8, 8.8 + 2.6 * k), QPointF(15.2, 8.8 + 2.6 * k));
        break;
    case 4: { // forum: two speech bubbles
        p.setBrush(White);
        p.setPen(Qt::NoPen);
        QPainterPath a;
        a.addRoundedRect(QRectF(4.5, 5, 10, 7), 3, 3);
        a.moveTo(7, 11.5);
        a.lineTo(6.5, 14.5);
        a.lineTo(10, 11.5);
        p.drawPath(a.simplified());
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(White, 1.4));
        QPainterPath b;
        b.addRoundedRect(QRectF(11, 9.5, 8.5, 6), 2.6, 2.6);
        p.drawPath(b);
        p.drawLine(QPointF(16.5, 15.5), QPointF(17.5, 17.8));
        break;
    }
    case 5: // guides: an open book
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(
            QPolygonF({QPointF(12, 7.5), QPointF(9, 6), QPointF(5.5, 6.5), QPointF(5.5, 15.5),
                       QPointF(9, 15), QPointF(12, 16.5), QPointF(15, 15), QPointF(18.5, 15.5),
                       QPointF(18.5, 6.5), QPointF(15, 6), QPointF(12, 7.5), QPointF(12, 16.5)}));
        break;
    case 6: { // navigation: a compass
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(cx, cy), 6.6, 6.6);
        p.setPen(Qt::NoPen);
        p.setBrush(White);
        p.drawPolygon(QPolygonF({QPointF(14.8, 8.2), QPointF(12.9, 11.9), QPointF(11.1, 10.1)}));
        p.setBrush(QColor(255, 255, 255, 150));
        p.drawPolygon(QPolygonF({QPointF(9.2, 13.8), QPointF(11.1, 10.1), QPointF(12.9, 11.9)}));
        break;
    }
    case 7: { // help: a question mark in a ring
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(cx, cy), 6.6, 6.6);
        QFont f(QStringLiteral("DejaVu Sans"));
        f.setPixelSize(10);
        f.setBold(true);
        p.setFont(f);
        p.drawText(QRectF(6, 5.5, 12, 11.5), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    default:
        break;
    }
    return image;
}

// Tree images, 16 x 16: 0 closed folder, 1 open folder, 2 game, 3 the add-to-my-games glyph.
QImage TreeIcon(int index) {
    QImage image(16, 16, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor folderLine(0xC9, 0x93, 0x2A), folderTop(0xFF, 0xDA, 0x7A),
        folderBottom(0xF4, 0xB9, 0x42);
    switch (index) {
    case 0:
    case 1: {
        QLinearGradient g(0, 3, 0, 14);
        g.setColorAt(0, folderTop);
        g.setColorAt(1, folderBottom);
        p.setPen(QPen(folderLine, 1));
        p.setBrush(folderBottom.darker(108));
        QPainterPath back;
        back.moveTo(1.5, 13.5);
        back.lineTo(1.5, 3.5);
        back.lineTo(6, 3.5);
        back.lineTo(7.5, 5);
        back.lineTo(14.5, 5);
        back.lineTo(14.5, 13.5);
        back.closeSubpath();
        p.drawPath(back);
        p.setBrush(g);
        if (index == 0) {
            p.drawRoundedRect(QRectF(1.5, 6.5, 13, 7), 1, 1);
        } else {
            p.setBrush(White);
            p.setPen(QPen(QColor(0xB8, 0xC4, 0xD2), 0.8));
            p.drawRect(QRectF(3.5, 4.5, 9, 6));
            p.setPen(QPen(folderLine, 1));
            p.setBrush(g);
            p.drawPolygon(QPolygonF(
                {QPointF(1.5, 13.5), QPointF(3.8, 7.5), QPointF(15.5, 7.5), QPointF(13.2, 13.5)}));
        }
        break;
    }
    case 2: { // a game: a small pad on a blue disc
        QLinearGradient g(0, 1, 0, 15);
        g.setColorAt(0, QColor(0x6F, 0xB2, 0xF0));
        g.setColorAt(1, Accent);
        p.setPen(QPen(AccentDark, 1));
        p.setBrush(g);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 4, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(White);
        p.drawRoundedRect(QRectF(3.5, 5.5, 9, 5.5), 2.6, 2.6);
        p.setPen(QPen(Accent, 1.1, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(5, 8.2), QPointF(7.2, 8.2));
        p.drawLine(QPointF(6.1, 7.1), QPointF(6.1, 9.3));
        p.setPen(Qt::NoPen);
        p.setBrush(Accent);
        p.drawEllipse(QPointF(10.2, 7.6), 0.7, 0.7);
        p.drawEllipse(QPointF(10.9, 9), 0.7, 0.7);
        break;
    }
    case 3: { // add: a plus on a green disc
        QLinearGradient g(0, 1, 0, 15);
        g.setColorAt(0, QColor(0x7C, 0xD3, 0x6A));
        g.setColorAt(1, QColor(0x3E, 0xA6, 0x3A));
        p.setPen(QPen(QColor(0x2F, 0x86, 0x2C), 1));
        p.setBrush(g);
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(QPen(White, 2, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(8, 4.8), QPointF(8, 11.2));
        p.drawLine(QPointF(4.8, 8), QPointF(11.2, 8));
        break;
    }
    default:
        break;
    }
    return image;
}

bool WritePng(const QString &path, const QImage &image) {
    QSaveFile out(path);
    return out.open(QIODevice::WriteOnly) && image.save(&out, "PNG") && out.commit();
}

struct TMember {
    const char *Name;
    QImage Image;
};

QByteArray BmpBytes(const QImage &image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    // 24-bit BMPs without alpha, as every reader handles them.
    image.convertToFormat(QImage::Format_RGB32).save(&buffer, "BMP");
    return bytes;
}

bool WriteArchive(const QString &path, const std::vector<std::pair<QString, QByteArray>> &files) {
    const QByteArray tmp = QFile::encodeName(path + QStringLiteral(".tmp"));
    QFile::remove(QString::fromLocal8Bit(tmp));
    int error = 0;
    zip_t *zip = zip_open(tmp.constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!zip)
        return false;
    for (const auto &[name, data] : files) {
        // The source copies nothing: the data outlives zip_close below.
        zip_source_t *source = zip_source_buffer(zip, data.constData(), data.size(), 0);
        const QByteArray utf8 = name.toUtf8();
        const zip_int64_t index = zip_file_add(zip, utf8.constData(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(zip);
            return false;
        }
        zip_set_file_compression(zip, zip_uint64_t(index), ZIP_CM_DEFLATE, 9);
        zip_file_set_mtime(zip, zip_uint64_t(index), time_t(1262304000), 0); // 2010-01-01
    }
    if (zip_close(zip) != 0) {
        zip_discard(zip);
        return false;
    }
    QFile::remove(path);
    return QFile::rename(QString::fromLocal8Bit(tmp), path);
}

} // namespace

int main(int argc, char **argv) {
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    const bool icon = args.size() >= 3 && args.at(1) == QStringLiteral("--icon");
    // The icon is drawn at each size the desktop's icon theme asks for, never scaled down.
    const int iconSize = icon && args.size() == 4 ? args.at(3).toInt() : 256;
    if ((!icon && args.size() != 3) || (icon && args.size() > 4) || iconSize < 8 ||
        iconSize > 1024) {
        std::fprintf(stderr, "usage: skingen <default.ini> <output .skin>\n"
                             "       skingen --icon <output .png> [size, 256]\n"
                             "       skingen --side-icons <output folder>\n");
        return 2;
    }
    if (icon) {
        QSaveFile out(args.at(2));
        if (!out.open(QIODevice::WriteOnly) || !ProgramIcon(iconSize).save(&out, "PNG") ||
            !out.commit()) {
            std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(args.at(2)));
            return 1;
        }
        return 0;
    }
    if (args.at(1) == QStringLiteral("--side-icons")) {
        bool ok = true;
        for (int i = 1; i <= 7; ++i)
            ok = ok &&
                 WritePng(args.at(2) + QStringLiteral("/section_%1.png").arg(i), SectionIcon(i));
        for (int i = 0; i < 4; ++i)
            ok = ok && WritePng(args.at(2) + QStringLiteral("/tree_%1.png").arg(i), TreeIcon(i));
        if (!ok) {
            std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(args.at(2)));
            return 1;
        }
        return 0;
    }
    QFile ini(args.at(1));
    if (!ini.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "skingen: cannot read %s\n", qPrintable(args.at(1)));
        return 1;
    }
    const std::vector<TMember> members = {
        {"bg_statusbar.bmp", StatusBar()},
        {"bg_titlebar.bmp", TitleBar()},
        {"bg_toolbar.bmp", ToolBarBackground()},
        {"bg_tabbar.bmp", TabBarBackground()},
        {"frame.bmp", FrameTiles()},
        {"btn_window.bmp", WindowButtons()},
        {"btn_main.bmp", ToolIcons(false)},
        {"btn_main_gray.bmp", ToolIcons(true)},
        {"bg_button.bmp", ButtonFrame()},
        {"btn_split.bmp", SplitHandle()},
        {"tab_active.bmp", Tab(true)},
        {"tab_unactive.bmp", Tab(false)},
        {"tab_button.bmp", TabButtons()},
        {"ico_1.bmp", SmallButtons()},
        {"ico_2.bmp", MenuIcons()},
        {"bg_item.bmp", ItemBackground()},
        {"progressbar.bmp", ProgressBar()},
        {"button.bmp", PushButton()},
        {"bg_menuitem.bmp", MenuItemBackground()},
        {"btn_search.bmp", GoButton(true)},
        {"btn_go.bmp", GoButton(false)},
        {"btn_list.bmp", ListButton()},
        {"bg_searchbox.bmp", SearchBoxBackground()},
    };
    std::vector<std::pair<QString, QByteArray>> files;
    for (const TMember &m : members)
        files.emplace_back(QString::fromLatin1(m.Name), BmpBytes(m.Image));
    files.emplace_back(QStringLiteral("default.ini"), ini.readAll());
    if (!WriteArchive(args.at(2), files)) {
        std::fprintf(stderr, "skingen: cannot write %s\n", qPrintable(args.at(2)));
        return 1;
    }
    return 0;
}
