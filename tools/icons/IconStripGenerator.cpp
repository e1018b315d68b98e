// Draws the 89 icons of the icon library, 16 x 16 each on pure white, and writes the two
// strips the control loads: IconStrip1.png (slots 1-68) and IconStrip2.png (slots 69-96,
// 90-96 left white). Row 17 of each strip is the ruler: per slot 7 red, then 9 black.
// The same drawings at twice the resolution go to IconStrip1@2x.png and IconStrip2@2x.png
// (32 x 32 per icon, the ruler two rows high) for high-density screens.
//
//   zimbrel_icon_strips <output folder>
//
// At 1x everything is drawn without antialiasing on whole pixels, so the icons stay crisp
// at their size and the white background stays exactly white (the transparent look relies
// on it). At 2x the same shapes are drawn through a doubling transform, with antialiased
// edges on lines, arcs and outlines; fills and pixel art land on whole device pixels, and
// the background stays exactly white.

#include "controls/IconStripLayout.h"

#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPolygon>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// Palette.
const QColor kInk(48, 48, 48);
const QColor kGrey(128, 128, 128);
const QColor kLightGrey(200, 200, 200);
const QColor kPaper(255, 255, 255);
const QColor kPaperShade(236, 236, 236);
const QColor kBlue(32, 96, 192);
const QColor kLightBlue(128, 176, 240);
const QColor kRed(208, 32, 32);
const QColor kDarkRed(144, 16, 16);
const QColor kGreen(32, 152, 48);
const QColor kDarkGreen(16, 96, 24);
const QColor kYellow(244, 200, 64);
const QColor kDarkYellow(176, 128, 24);
const QColor kOrange(224, 128, 32);
const QColor kBrown(176, 120, 64);
const QColor kDarkBrown(112, 72, 32);
const QColor kPurple(128, 64, 160);
const QColor kSkin(240, 192, 144);

using Draw = std::function<void(QPainter&)>;

// Device pixels per icon pixel of the strips being drawn: 1 or 2.
int gScale = 1;

// Pen strokes at 2x: a stroke of width w along an integer coordinate covers the device
// pixels of icon pixel x (the aliased 1x rule, a pixel to the right and below), so the
// stroke moves half an icon pixel; its ends and curves are antialiased.
class Stroke {
public:
    explicit Stroke(QPainter& p) : p_(p)
    {
        if (gScale == 1)
            return;
        p_.save();
        p_.setRenderHint(QPainter::Antialiasing, true);
        p_.translate(0.5, 0.5);
    }
    ~Stroke()
    {
        if (gScale != 1)
            p_.restore();
    }
    Stroke(const Stroke&) = delete;
    Stroke& operator=(const Stroke&) = delete;

private:
    QPainter& p_;
};

// Draws with pen, as a stroke (see Stroke).
void Stroked(QPainter& p, const QPen& pen, const std::function<void()>& draw)
{
    const Stroke stroke(p);
    p.setPen(pen);
    draw();
}

// Filled box, corners included.
void Fill(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    p.fillRect(QRect(QPoint(x1, y1), QPoint(x2, y2)), c);
}

void Px(QPainter& p, int x, int y, const QColor& c)
{
    p.fillRect(x, y, 1, 1, c);
}

// Box with a 1-pixel outline, corners included.
void Box(QPainter& p, int x1, int y1, int x2, int y2, const QColor& fill, const QColor& outline)
{
    Fill(p, x1, y1, x2, y2, outline);
    if (x2 - x1 >= 2 && y2 - y1 >= 2)
        Fill(p, x1 + 1, y1 + 1, x2 - 1, y2 - 1, fill);
}

void Line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    const Stroke stroke(p);
    p.setPen(QPen(c, 1));
    p.drawLine(x1, y1, x2, y2);
}

void Polygon(QPainter& p, std::initializer_list<QPoint> points, const QColor& fill, const QColor& outline)
{
    const Stroke stroke(p);
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawPolygon(QPolygon(QList<QPoint>(points)));
    p.setBrush(Qt::NoBrush);
}

void Ellipse(QPainter& p, int x1, int y1, int x2, int y2, const QColor& fill, const QColor& outline)
{
    const Stroke stroke(p);
    p.setPen(QPen(outline, 1));
    p.setBrush(fill);
    p.drawEllipse(QRect(QPoint(x1, y1), QPoint(x2 - 1, y2 - 1)));
    p.setBrush(Qt::NoBrush);
}

// Pixel art: one text row per pixel row; each character picks a colour, '.' leaves the
// pixel as it is.
void Art(QPainter& p, int x0, int y0, const std::vector<std::string>& rows, const std::map<char, QColor>& colours)
{
    for (int y = 0; y < static_cast<int>(rows.size()); ++y) {
        for (int x = 0; x < static_cast<int>(rows[y].size()); ++x) {
            const auto it = colours.find(rows[y][x]);
            if (it != colours.end())
                Px(p, x0 + x, y0 + y, it->second);
        }
    }
}

// Shared pieces.

// A sheet of paper with a folded top-right corner, from x1..x2, y1..y2.
void Page(QPainter& p, int x1 = 2, int y1 = 0, int x2 = 13, int y2 = 15)
{
    Box(p, x1, y1, x2, y2, kPaper, kGrey);
    // Folded corner.
    Fill(p, x2 - 3, y1, x2, y1 + 3, kPaper);
    Line(p, x2 - 3, y1, x2, y1 + 3, kGrey);
    Fill(p, x2 - 3, y1 + 1, x2 - 3, y1 + 3, kGrey);
    Fill(p, x2 - 3, y1 + 3, x2 - 1, y1 + 3, kGrey);
}

void TextLines(QPainter& p, int x1, int x2, int y1, int y2, const QColor& c)
{
    for (int y = y1; y <= y2; y += 2)
        Fill(p, x1, y, x2 - ((y / 2) % 3 == 2 ? 2 : 0), y, c);
}

void Folder(QPainter& p, bool open)
{
    Box(p, 1, 3, 6, 5, kYellow, kDarkYellow); // tab
    Box(p, 1, 4, 14, 13, kYellow, kDarkYellow);
    if (open) {
        Polygon(p, {{3, 7}, {15, 7}, {13, 13}, {1, 13}}, QColor(252, 224, 128), kDarkYellow);
    } else {
        Fill(p, 2, 5, 13, 5, QColor(252, 224, 128));
    }
}

// A thick arrow pointing in direction (dx, dy) with its centre at (cx, cy).
void ArrowRight(QPainter& p, const QColor& fill, const QColor& outline)
{
    Polygon(p, {{1, 5}, {8, 5}, {8, 1}, {14, 7}, {14, 8}, {8, 14}, {8, 10}, {1, 10}}, fill, outline);
}

QImage Mirrored(const Draw& draw, bool horizontal)
{
    QImage image(16 * gScale, 16 * gScale, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.scale(gScale, gScale);
    draw(p);
    p.end();
    QImage mirrored = image.mirrored(horizontal, !horizontal);
    mirrored.setDevicePixelRatio(gScale);
    return mirrored;
}

void Envelope(QPainter& p, int x1, int y1, int x2, int y2)
{
    Box(p, x1, y1, x2, y2, kPaper, kGrey);
    const int mx = (x1 + x2) / 2;
    const int my = y1 + (x2 - x1) / 2 - 1;
    Line(p, x1 + 1, y1 + 1, mx, std::min(my, y2 - 2), kGrey);
    Line(p, x2 - 1, y1 + 1, mx + ((x2 - x1) % 2), std::min(my, y2 - 2), kGrey);
}

void Person(QPainter& p, int x, int y, const QColor& shirt)
{
    // Head 4 x 4 at (x+2, y), body below.
    Ellipse(p, x + 1, y, x + 7, y + 6, kSkin, kDarkBrown);
    Polygon(p, {{x, y + 13}, {x, y + 9}, {x + 2, y + 7}, {x + 6, y + 7}, {x + 8, y + 9}, {x + 8, y + 13}}, shirt,
            shirt.darker(160));
}

void Book(QPainter& p, int x1, int y1, int x2, int y2, const QColor& cover)
{
    Box(p, x1, y1, x2, y2, cover, cover.darker(170));
    Fill(p, x1 + 2, y2 - 2, x2 - 1, y2 - 1, kPaper);             // pages at the bottom edge
    Fill(p, x1 + 1, y1 + 1, x1 + 1, y2 - 1, cover.darker(130));  // spine
    Fill(p, x1 + 4, y1 + 3, x2 - 2, y1 + 3, cover.lighter(160)); // title
}

void Magnifier(QPainter& p, int x, int y)
{
    Ellipse(p, x, y, x + 8, y + 8, QColor(216, 236, 255), kInk);
    Px(p, x + 2, y + 2, kPaper);
    Px(p, x + 3, y + 2, kPaper);
    Px(p, x + 2, y + 3, kPaper);
    for (int i = 0; i < 4; ++i) {
        Fill(p, x + 7 + i, y + 7 + i, x + 8 + i, y + 8 + i, kInk);
    }
}

void Globe(QPainter& p, int x1, int y1, int size)
{
    const int x2 = x1 + size, y2 = y1 + size;
    Ellipse(p, x1, y1, x2, y2, QColor(96, 160, 232), kBlue);
    // Land.
    const int c = x1 + size / 2;
    Fill(p, x1 + 2, y1 + size / 3, c - 1, y1 + size / 2, kGreen);
    Fill(p, c + 1, y1 + 2, x2 - 3, y1 + size / 3, kGreen);
    Fill(p, c, y1 + size / 2 + 1, c + 2, y2 - 3, kGreen);
}

void Cylinder(QPainter& p, int x1, int y1, int x2, int y2, const QColor& c)
{
    Fill(p, x1, y1 + 2, x2, y2 - 2, c);
    Ellipse(p, x1, y2 - 4, x2 + 1, y2 + 1, c, c.darker(160));
    Fill(p, x1 + 1, y1 + 2, x2 - 1, y2 - 3, c);
    Fill(p, x1, y1 + 2, x1, y2 - 2, c.darker(160));
    Fill(p, x2, y1 + 2, x2, y2 - 2, c.darker(160));
    Ellipse(p, x1, y1, x2 + 1, y1 + 5, c.lighter(140), c.darker(160));
}

void CircleArrow(QPainter& p, const QColor& c, bool both)
{
    if (!both) {
        // One arrow almost all the way round, its head at the top right.
        Stroked(p, QPen(c, 2), [&] { p.drawArc(QRect(2, 3, 11, 11), 60 * 16, -300 * 16); });
        Polygon(p, {{9, 0}, {14, 3}, {9, 6}}, c, c);
        return;
    }
    // Two half-circle arrows chasing each other.
    Stroked(p, QPen(c, 2), [&] { p.drawArc(QRect(2, 2, 12, 12), 30 * 16, 150 * 16); });
    Polygon(p, {{1, 5}, {5, 9}, {1, 9}}, c, c);
    Stroked(p, QPen(c.darker(130), 2), [&] { p.drawArc(QRect(2, 2, 12, 12), 210 * 16, 150 * 16); });
    Polygon(p, {{14, 10}, {10, 6}, {14, 6}}, c.darker(130), c.darker(130));
}

void CheckBox(QPainter& p, bool checked, bool grey)
{
    const QColor frame = grey ? kGrey : kInk;
    Box(p, 2, 2, 13, 13, grey ? kPaperShade : kPaper, frame);
    if (checked) {
        const QColor tick = grey ? kGrey : kInk;
        Art(p, 4, 4, {"......#", ".....##", "#...##.", "##.##..", ".###...", "..#...."}, {{'#', tick}});
    }
}

void ArchiveBox(QPainter& p, int y0)
{
    Box(p, 1, y0, 14, y0 + 3, kBrown.lighter(120), kDarkBrown); // lid
    Box(p, 2, y0 + 3, 13, 15, kBrown, kDarkBrown);
    Box(p, 6, y0 + 6, 9, y0 + 7, kPaper, kDarkBrown); // handle
}

void Tray(QPainter& p)
{
    Fill(p, 1, 10, 1, 14, kInk);
    Fill(p, 14, 10, 14, 14, kInk);
    Fill(p, 1, 14, 14, 14, kInk);
    Fill(p, 2, 12, 13, 13, kLightGrey);
}

void SmallArrowUp(QPainter& p, int cx, int top, const QColor& c)
{
    Polygon(p,
            {{cx, top},
             {cx + 4, top + 4},
             {cx + 2, top + 4},
             {cx + 2, top + 8},
             {cx - 1, top + 8},
             {cx - 1, top + 4},
             {cx - 3, top + 4},
             {cx, top}},
            c, c.darker(150));
}

void SmallArrowDown(QPainter& p, int cx, int top, const QColor& c)
{
    Polygon(p,
            {{cx - 1, top},
             {cx + 2, top},
             {cx + 2, top + 4},
             {cx + 4, top + 4},
             {cx + 1, top + 8},
             {cx, top + 8},
             {cx - 3, top + 4},
             {cx - 1, top + 4}},
            c, c.darker(150));
}

// The four icons the program's own buttons show, drawn pixel by pixel.
void Properties(QPainter& p)
{
    // A property sheet: title bar, three labels with their value fields.
    Art(p, 0, 0,
        {"................", ".##############.", ".#BBBBBBBBBBBB#.", ".#BBBBBBBBBBBB#.", ".#............#.",
         ".#.....######.#.", ".#.ggg.#....#.#.", ".#.....######.#.", ".#.ggg.#....#.#.", ".#.....######.#.",
         ".#.ggg.#....#.#.", ".#.....######.#.", ".#............#.", ".##############.", "................",
         "................"},
        {{'#', kInk}, {'B', kBlue}, {'g', kGrey}});
}

void Error(QPainter& p)
{
    Art(p, 0, 0,
        {".....######.....", "...##RRRRRR##...", "..#RRRRRRRRRR#..", ".#RRRRRRRRRRRR#.", ".#RRwwRRRRwwRR#.",
         "#RRRwwwRRwwwRRR#", "#RRRRwwwwwwRRRR#", "#RRRRRwwwwRRRRR#", "#RRRRRwwwwRRRRR#", "#RRRRwwwwwwRRRR#",
         "#RRRwwwRRwwwRRR#", ".#RRwwRRRRwwRR#.", ".#RRRRRRRRRRRR#.", "..#RRRRRRRRRR#..", "...##RRRRRR##...",
         ".....######....."},
        {{'#', kDarkRed}, {'R', kRed}, {'w', kPaper}});
}

void Ok(QPainter& p)
{
    Art(p, 0, 0,
        {"................", "................", ".............#..", "............#G#.", "...........#GG#.",
         "..........#GGG#.", ".#.......#GGG#..", "#G#.....#GGG#...", "#GG#...#GGG#....", "#GGG#.#GGG#.....",
         ".#GGG#GGG#......", "..#GGGGG#.......", "...#GGG#........", "....#G#.........", ".....#..........",
         "................"},
        {{'#', kDarkGreen}, {'G', kGreen}});
}

void Help(QPainter& p)
{
    Art(p, 0, 0,
        {".....######.....", "...##BBBBBB##...", "..#BBBBBBBBBB#..", ".#BBBBwwwwBBBB#.", ".#BBBwwwwwwBBB#.",
         "#BBBBwwBBwwBBBB#", "#BBBBBBBBwwBBBB#", "#BBBBBBBwwwBBBB#", "#BBBBBBwwwBBBBB#", "#BBBBBBwwBBBBBB#",
         "#BBBBBBwwBBBBBB#", ".#BBBBBBBBBBBB#.", ".#BBBBBwwBBBBB#.", "..#BBBBwwBBBB#..", "...##BBBBBB##...",
         ".....######....."},
        {{'#', QColor(16, 56, 128)}, {'B', kBlue}, {'w', kPaper}});
}

void RoundSign(QPainter& p, const QColor& fill, const std::vector<std::string>& glyph)
{
    Ellipse(p, 0, 0, 16, 16, fill, fill.darker(160));
    Art(p, 0, 0, glyph, {{'w', kPaper}});
}

const std::vector<std::string> kExclamationGlyph = {"",           "",           "",          ".......ww", "......wwww",
                                                    "......wwww", "......wwww", ".......ww", ".......ww", ".......ww",
                                                    "",           ".......ww",  ".......ww"};
const std::vector<std::string> kInfoGlyph = {"",          "",          ".......ww", ".......ww",
                                             "",          "......www", ".......ww", ".......ww",
                                             ".......ww", ".......ww", ".......ww", "......wwww"};

std::vector<std::pair<const char*, Draw>> Icons()
{
    std::vector<std::pair<const char*, Draw>> icons;
    const auto add = [&](const char* name, Draw draw) { icons.emplace_back(name, std::move(draw)); };
    const auto image = [](const QImage& picture) { return [picture](QPainter& p) { p.drawImage(0, 0, picture); }; };
    const Draw right = [](QPainter& p) { ArrowRight(p, kGreen, kDarkGreen); };
    const Draw blueRight = [](QPainter& p) { ArrowRight(p, kBlue, QColor(16, 56, 128)); };
    const Draw page = [](QPainter& p) { Page(p); };

    add("right", right);
    add("left", image(Mirrored(right, true)));
    add("delete", [](QPainter& p) {
        Stroked(p, QPen(kRed, 3, Qt::SolidLine, Qt::SquareCap), [&] {
            p.drawLine(3, 3, 12, 12);
            p.drawLine(12, 3, 3, 12);
        });
    });
    add("preview", [](QPainter& p) {
        Page(p, 1, 0, 11, 14);
        TextLines(p, 3, 9, 3, 7, kLightGrey);
        Magnifier(p, 5, 5);
    });
    add("print", [](QPainter& p) {
        Box(p, 4, 1, 11, 6, kPaper, kGrey);
        Box(p, 1, 5, 14, 12, kLightGrey, kInk);
        Px(p, 12, 7, kGreen);
        Box(p, 4, 10, 11, 15, kPaper, kGrey);
        Fill(p, 6, 12, 9, 12, kInk);
    });
    add("save", [](QPainter& p) {
        Box(p, 1, 1, 14, 14, kBlue, QColor(16, 56, 128));
        Box(p, 4, 1, 11, 6, kPaper, QColor(16, 56, 128));
        Fill(p, 9, 2, 10, 5, kBlue);
        Box(p, 3, 9, 12, 14, kLightGrey, QColor(16, 56, 128));
    });
    add("editfile", [](QPainter& p) {
        Page(p, 1, 0, 11, 15);
        TextLines(p, 3, 8, 5, 13, kLightGrey);
        Stroked(p, QPen(kOrange, 2), [&] { p.drawLine(7, 12, 13, 4); });
        Px(p, 6, 14, kInk);
        Px(p, 14, 3, kRed);
    });
    add("upload", [](QPainter& p) {
        Tray(p);
        SmallArrowUp(p, 7, 1, kGreen);
    });
    add("download", [](QPainter& p) {
        Tray(p);
        SmallArrowDown(p, 7, 1, kBlue);
    });
    add("web", [](QPainter& p) { Globe(p, 0, 0, 16); });
    add("urldocument", [](QPainter& p) {
        Page(p, 1, 0, 12, 15);
        TextLines(p, 3, 9, 4, 6, kLightGrey);
        Globe(p, 6, 6, 10);
    });
    add("url", [](QPainter& p) {
        // Two chain links.
        Stroked(p, QPen(kBlue, 2), [&] { p.drawRoundedRect(QRect(1, 5, 8, 5), 2, 2); });
        Stroked(p, QPen(kLightBlue, 2), [&] { p.drawRoundedRect(QRect(7, 5, 8, 5), 2, 2); });
    });
    add("file", page);
    add("key", [](QPainter& p) {
        Ellipse(p, 1, 4, 8, 11, kYellow, kDarkYellow);
        Px(p, 3, 7, kPaper);
        Px(p, 3, 8, kPaper);
        Fill(p, 7, 7, 14, 8, kDarkYellow);
        Fill(p, 11, 9, 11, 10, kDarkYellow);
        Fill(p, 13, 9, 13, 11, kDarkYellow);
    });
    add("exclamation", [](QPainter& p) { RoundSign(p, kOrange, kExclamationGlyph); });
    const Draw up = [](QPainter& p) {
        Polygon(p, {{7, 1}, {8, 1}, {14, 7}, {10, 7}, {10, 14}, {5, 14}, {5, 7}, {1, 7}}, kBlue, QColor(16, 56, 128));
    };
    add("up", up);
    add("down", image(Mirrored(up, false)));
    add("newfile", [](QPainter& p) {
        Page(p, 2, 1, 13, 15);
        // Sparkle: a new sheet.
        Art(p, 0, 0, {"..y.....", "y.y.y...", ".yyy....", "yyyyy...", ".yyy....", "y.y.y...", "..y....."},
            {{'y', kOrange}});
    });
    add("edit", [](QPainter& p) {
        Polygon(p, {{12, 1}, {15, 4}, {5, 14}, {2, 11}}, kYellow, kDarkYellow);
        Polygon(p, {{2, 11}, {5, 14}, {1, 15}}, kSkin, kInk);
        Fill(p, 12, 2, 13, 3, kRed);
        Px(p, 1, 15, kInk);
    });
    add("properties", Properties);
    add("control", [](QPainter& p) {
        // Three sliders: settings.
        for (int i = 0; i < 3; ++i) {
            const int y = 2 + i * 5;
            Fill(p, 1, y + 1, 14, y + 1, kGrey);
            const int knob = i == 0 ? 9 : i == 1 ? 3 : 11;
            Box(p, knob, y - 1, knob + 2, y + 3, kLightBlue, kBlue);
        }
    });
    add("error", Error);
    const Draw undo = [](QPainter& p) {
        Stroked(p, QPen(kBlue, 2), [&] { p.drawArc(QRect(4, 4, 10, 9), 270 * 16, 180 * 16); });
        Fill(p, 5, 4, 9, 5, kBlue);
        Polygon(p, {{1, 5}, {5, 1}, {5, 9}}, kBlue, kBlue);
        Fill(p, 4, 11, 9, 12, kBlue);
    };
    add("undo", undo);
    add("ok", Ok);
    add("question", [](QPainter& p) {
        // A speech bubble asking.
        Box(p, 0, 1, 15, 11, kPaper, kInk);
        Polygon(p, {{3, 11}, {3, 14}, {6, 11}}, kPaper, kInk);
        Fill(p, 4, 11, 5, 11, kPaper);
        Art(p, 0, 0, {"", "", "", "......bbbb", ".....bb..bb", "........bb", ".......bb", ".......bb", "", ".......bb"},
            {{'b', kBlue}});
    });
    add("openpath", [](QPainter& p) {
        Folder(p, true);
        Polygon(p, {{12, 0}, {15, 3}, {12, 6}}, kGreen, kDarkGreen);
        Fill(p, 8, 2, 12, 4, kGreen);
    });
    add("return", [](QPainter& p) {
        Fill(p, 12, 2, 13, 10, kInk);
        Fill(p, 5, 9, 13, 10, kInk);
        Polygon(p, {{1, 9}, {5, 5}, {5, 14}}, kInk, kInk);
    });
    add("path", [](QPainter& p) { Folder(p, false); });
    add("topic", [](QPainter& p) {
        Box(p, 1, 1, 14, 14, QColor(255, 244, 160), kDarkYellow);
        Fill(p, 3, 3, 12, 4, kDarkYellow);
        TextLines(p, 3, 12, 7, 12, kGrey);
    });
    add("db", [](QPainter& p) { Cylinder(p, 2, 1, 13, 15, QColor(112, 160, 216)); });
    add("home", [](QPainter& p) {
        Polygon(p, {{8, 1}, {15, 8}, {0, 8}}, kRed, kDarkRed);
        Box(p, 2, 8, 13, 15, kYellow, kDarkYellow);
        Box(p, 6, 10, 9, 15, kBrown, kDarkBrown);
    });
    add("person", [](QPainter& p) { Person(p, 3, 1, kBlue); });
    add("persons", [](QPainter& p) {
        Person(p, 7, 0, kGreen);
        Person(p, 0, 2, kBlue);
    });
    add("contact", [](QPainter& p) {
        Box(p, 0, 2, 15, 13, kPaper, kGrey);
        Person(p, 1, 3, kBlue);
        Fill(p, 10, 5, 13, 5, kGrey);
        Fill(p, 10, 8, 13, 8, kGrey);
        Fill(p, 10, 11, 12, 11, kGrey);
    });
    add("text", [](QPainter& p) {
        Art(p, 1, 1,
            {".....##.....", "....####....", "...##..##...", "..##....##..", "..########..", ".##......##.",
             ".##......##.", "####....####"},
            {{'#', kInk}});
        Fill(p, 1, 11, 14, 11, kGrey);
        Fill(p, 1, 13, 10, 13, kGrey);
        Fill(p, 1, 15, 12, 15, kGrey);
    });
    add("keys", [](QPainter& p) {
        for (int k = 0; k < 2; ++k) {
            const int dy = k * 6, dx = k * 1;
            const QColor c = k ? kLightGrey.darker(130) : kYellow;
            Ellipse(p, dx, dy + 1, dx + 6, dy + 7, c, c.darker(170));
            Fill(p, dx + 5, dy + 3, dx + 14, dy + 4, c.darker(170));
            Fill(p, dx + 10, dy + 5, dx + 10, dy + 6, c.darker(170));
            Fill(p, dx + 13, dy + 5, dx + 13, dy + 7, c.darker(170));
        }
    });
    add("letter", [](QPainter& p) { Envelope(p, 0, 3, 15, 12); });
    add("letters", [](QPainter& p) {
        Envelope(p, 3, 1, 15, 9);
        Envelope(p, 0, 6, 12, 14);
    });
    add("openletter", [](QPainter& p) {
        Polygon(p, {{0, 7}, {7, 1}, {8, 1}, {15, 7}}, kPaperShade, kGrey);
        Box(p, 3, 3, 12, 9, kPaper, kGrey);
        TextLines(p, 5, 10, 5, 7, kLightGrey);
        Box(p, 0, 7, 15, 15, kPaper, kGrey);
        Line(p, 1, 8, 7, 12, kGrey);
        Line(p, 14, 8, 8, 12, kGrey);
    });
    add("packet", [](QPainter& p) {
        Box(p, 1, 3, 14, 14, kBrown, kDarkBrown);
        Fill(p, 7, 3, 8, 14, kYellow);
        Fill(p, 1, 7, 14, 8, kYellow);
    });
    add("table", [](QPainter& p) {
        Box(p, 0, 1, 15, 14, kPaper, kInk);
        Fill(p, 1, 2, 14, 4, kLightBlue);
        for (int y = 5; y <= 11; y += 3)
            Fill(p, 1, y, 14, y, kGrey);
        Fill(p, 5, 2, 5, 13, kGrey);
        Fill(p, 10, 2, 10, 13, kGrey);
        Fill(p, 0, 5, 15, 5, kInk);
    });
    add("sendmail", [](QPainter& p) {
        Envelope(p, 0, 4, 11, 12);
        Polygon(p, {{11, 8}, {15, 12}, {11, 16}}, kGreen, kDarkGreen);
        Fill(p, 7, 11, 11, 13, kGreen);
    });
    const Draw drive = [](QPainter& p) {
        Box(p, 0, 5, 15, 12, kLightGrey, kInk);
        Fill(p, 1, 10, 14, 11, kGrey);
        Fill(p, 11, 7, 12, 8, kGreen);
        Fill(p, 2, 7, 7, 7, kGrey);
    };
    add("drive", drive);
    add("topicpath", [](QPainter& p) {
        Folder(p, false);
        Box(p, 7, 6, 15, 15, QColor(255, 244, 160), kDarkYellow);
        Fill(p, 9, 9, 13, 9, kDarkYellow);
        Fill(p, 9, 11, 13, 11, kGrey);
        Fill(p, 9, 13, 12, 13, kGrey);
    });
    add("warning", [](QPainter& p) {
        Polygon(p, {{7, 0}, {8, 0}, {15, 14}, {15, 15}, {0, 15}, {0, 14}}, kYellow, kDarkYellow);
        Fill(p, 7, 5, 8, 10, kInk);
        Fill(p, 7, 12, 8, 13, kInk);
    });
    add("info", [](QPainter& p) { RoundSign(p, kBlue, kInfoGlyph); });
    add("schedule", [](QPainter& p) {
        Ellipse(p, 0, 0, 16, 16, kPaper, kInk);
        Fill(p, 7, 3, 8, 8, kInk);
        Fill(p, 8, 7, 11, 8, kInk);
        Px(p, 7, 1, kGrey);
        Px(p, 14, 7, kGrey);
        Px(p, 7, 14, kGrey);
        Px(p, 1, 7, kGrey);
    });
    add("bookopen", [](QPainter& p) {
        Polygon(p, {{0, 3}, {7, 4}, {7, 14}, {0, 13}}, kPaper, kInk);
        Polygon(p, {{15, 3}, {8, 4}, {8, 14}, {15, 13}}, kPaper, kInk);
        for (int y = 6; y <= 11; y += 2) {
            Fill(p, 2, y, 5, y, kLightGrey);
            Fill(p, 10, y, 13, y, kLightGrey);
        }
    });
    add("book", [](QPainter& p) { Book(p, 2, 0, 13, 15, kBlue); });
    add("sync", [](QPainter& p) { CircleArrow(p, kGreen, true); });
    add("up", [](QPainter& p) {
        Polygon(p, {{7, 1}, {8, 1}, {14, 7}, {10, 7}, {10, 14}, {5, 14}, {5, 7}, {1, 7}}, kGreen, kDarkGreen);
    });
    add("refresh", [](QPainter& p) { CircleArrow(p, kBlue, false); });
    add("checked", [](QPainter& p) { CheckBox(p, true, false); });
    add("unchecked", [](QPainter& p) { CheckBox(p, false, false); });
    add("open", [](QPainter& p) { Folder(p, true); });
    add("cut", [](QPainter& p) {
        Stroked(p, QPen(kInk, 1), [&] {
            p.drawLine(4, 0, 9, 9);
            p.drawLine(11, 0, 6, 9);
        });
        Ellipse(p, 1, 9, 7, 15, kPaper, kRed);
        Ellipse(p, 8, 9, 14, 15, kPaper, kRed);
    });
    add("copy", [](QPainter& p) {
        Page(p, 0, 0, 9, 11);
        TextLines(p, 2, 6, 4, 8, kLightGrey);
        Page(p, 5, 4, 15, 15);
        TextLines(p, 7, 12, 8, 13, kLightGrey);
    });
    add("paste", [](QPainter& p) {
        Box(p, 1, 2, 11, 15, kBrown, kDarkBrown);
        Box(p, 4, 1, 8, 3, kLightGrey, kInk);
        Page(p, 6, 5, 15, 15);
        TextLines(p, 8, 12, 9, 13, kLightGrey);
    });
    add("find", [](QPainter& p) { Magnifier(p, 1, 1); });
    add("redo", image(Mirrored(undo, true)));
    add("task", [](QPainter& p) {
        Box(p, 2, 1, 13, 15, kPaper, kInk);
        Box(p, 5, 0, 10, 2, kLightGrey, kInk);
        for (int i = 0; i < 3; ++i) {
            const int y = 5 + i * 3;
            Art(p, 4, y - 1, {"..g", "g.g", ".g."}, {{'g', kGreen}});
            Fill(p, 8, y, 11, y, kGrey);
        }
    });
    const Draw calendar = [](QPainter& p) {
        Box(p, 1, 2, 14, 15, kPaper, kInk);
        Fill(p, 1, 2, 14, 5, kRed);
        Fill(p, 4, 1, 4, 3, kInk);
        Fill(p, 11, 1, 11, 3, kInk);
        for (int y = 7; y <= 13; y += 3)
            for (int x = 3; x <= 12; x += 3)
                Fill(p, x, y, x + 1, y + 1, y == 10 && x == 6 ? kRed : kGrey);
    };
    add("date", calendar);
    add("access", [](QPainter& p) {
        Page(p, 0, 0, 11, 15);
        Cylinder(p, 6, 5, 15, 15, kPurple);
    });
    add("excel", [](QPainter& p) {
        Page(p, 1, 0, 14, 15);
        for (int y = 5; y <= 13; y += 2)
            Fill(p, 3, y, 12, y, kGreen);
        Fill(p, 7, 5, 7, 13, kGreen);
    });
    add("frontpage", [](QPainter& p) {
        Box(p, 0, 1, 15, 14, kPaper, kInk);
        Fill(p, 1, 2, 14, 3, kBlue);
        Globe(p, 2, 5, 8);
        TextLines(p, 11, 13, 6, 12, kGrey);
    });
    add("outlook", [calendar](QPainter& p) {
        calendar(p);
        Envelope(p, 5, 8, 15, 15);
    });
    add("powerpoint", [](QPainter& p) {
        Box(p, 0, 1, 15, 12, kPaper, kInk);
        Fill(p, 2, 3, 13, 3, kOrange);
        Ellipse(p, 3, 5, 9, 11, kOrange, kOrange.darker(150));
        Fill(p, 10, 6, 13, 6, kGrey);
        Fill(p, 10, 8, 13, 8, kGrey);
        Fill(p, 7, 12, 8, 15, kInk);
    });
    add("word", [](QPainter& p) {
        Page(p, 1, 0, 14, 15);
        Fill(p, 3, 4, 9, 5, kBlue);
        TextLines(p, 3, 12, 8, 13, kLightBlue.darker(130));
    });
    // Strip 2.
    add("checkedgray", [](QPainter& p) { CheckBox(p, true, true); });
    add("uncheckedgray", [](QPainter& p) { CheckBox(p, false, true); });
    add("attachment", [](QPainter& p) {
        // A paper clip: one wire, outer loop up, inner loop down.
        Art(p, 0, 1,
            {"......####......", ".....#....#.....", ".....#....#.....", ".....#....#.....", ".....#..#.#.....",
             ".....#..#.#.....", ".....#..#.#.....", ".....#..#.#.....", ".....#..#.#.....", ".....#..#.#.....",
             ".....#..#.#.....", ".....#..#.#.....", ".....#..#.......", "......##........"},
            {{'#', kGrey.darker(130)}});
    });
    const Draw play = [](QPainter& p) { Polygon(p, {{4, 2}, {12, 8}, {4, 14}}, kGreen, kDarkGreen); };
    add("play", play);
    const Draw playEnd = [](QPainter& p) {
        Polygon(p, {{2, 2}, {10, 8}, {2, 14}}, kGreen, kDarkGreen);
        Fill(p, 11, 2, 13, 14, kDarkGreen);
    };
    add("playend", playEnd);
    add("playstart", image(Mirrored(playEnd, true)));
    add("playback", image(Mirrored(play, true)));
    add("filter", [](QPainter& p) {
        Polygon(p, {{0, 1}, {15, 1}, {9, 8}, {9, 14}, {6, 15}, {6, 8}}, kLightBlue, kBlue);
    });
    add("sort", [](QPainter& p) {
        Fill(p, 3, 1, 4, 12, kInk);
        Polygon(p, {{0, 11}, {7, 11}, {4, 15}, {3, 15}}, kInk, kInk);
        Fill(p, 8, 2, 10, 3, kBlue);
        Fill(p, 8, 6, 12, 7, kBlue);
        Fill(p, 8, 10, 15, 11, kBlue);
    });
    add("shortcut", [](QPainter& p) {
        Box(p, 1, 1, 14, 14, kPaper, kInk);
        Stroked(p, QPen(kBlue, 2), [&] { p.drawArc(QRect(4, 6, 10, 12), 90 * 16, 90 * 16); });
        Polygon(p, {{8, 3}, {12, 6}, {8, 9}}, kBlue, kBlue);
    });
    add("archivfile", [](QPainter& p) {
        Page(p);
        for (int y = 1; y <= 9; y += 2) {
            Px(p, 7, y, kInk);
            Px(p, 8, y + 1, kInk);
        }
        Box(p, 6, 10, 9, 13, kYellow, kInk);
    });
    add("archivout", [](QPainter& p) {
        ArchiveBox(p, 7);
        SmallArrowUp(p, 7, 0, kGreen);
    });
    add("archivin", [](QPainter& p) {
        ArchiveBox(p, 7);
        SmallArrowDown(p, 7, 0, kBlue);
    });
    add("archivmail", [](QPainter& p) {
        ArchiveBox(p, 5);
        Envelope(p, 0, 0, 10, 6);
    });
    add("plus", [](QPainter& p) {
        Box(p, 6, 1, 9, 14, kGreen, kDarkGreen);
        Box(p, 1, 6, 14, 9, kGreen, kDarkGreen);
        Fill(p, 7, 2, 8, 13, kGreen);
    });
    add("minus", [](QPainter& p) { Box(p, 1, 6, 14, 9, kRed, kDarkRed); });
    add("keyword", [](QPainter& p) {
        // A tag on a string.
        Polygon(p, {{1, 7}, {7, 1}, {14, 1}, {14, 8}, {8, 14}}, kYellow, kDarkYellow);
        Ellipse(p, 9, 3, 13, 7, kPaper, kDarkYellow);
    });
    add("hierarchie", [](QPainter& p) {
        Box(p, 5, 0, 10, 4, kLightBlue, kBlue);
        Fill(p, 7, 5, 8, 6, kInk);
        Fill(p, 2, 7, 13, 7, kInk);
        Fill(p, 2, 8, 2, 10, kInk);
        Fill(p, 13, 8, 13, 10, kInk);
        Box(p, 0, 11, 5, 15, kYellow, kDarkYellow);
        Box(p, 10, 11, 15, 15, kYellow, kDarkYellow);
    });
    add("help", Help);
    add("archivbox", [](QPainter& p) { ArchiveBox(p, 3); });
    add("books", [](QPainter& p) {
        Book(p, 0, 1, 5, 15, kRed);
        Book(p, 5, 3, 10, 15, kBlue);
        Book(p, 10, 0, 15, 15, kGreen);
    });
    (void)blueRight;
    (void)drive;
    return icons;
}

QImage Strip(int slotCount)
{
    using iconstrip::kIconSize;
    QImage strip(slotCount * kIconSize * gScale, iconstrip::kStripHeight * gScale, QImage::Format_RGB32);
    strip.fill(Qt::white);
    for (int slot = 0; slot < slotCount; ++slot) {
        for (int x = 0; x < kIconSize * gScale; ++x) {
            for (int y = kIconSize * gScale; y < strip.height(); ++y)
                strip.setPixel(slot * kIconSize * gScale + x, y, x < 7 * gScale ? qRgb(255, 0, 0) : qRgb(0, 0, 0));
        }
    }
    return strip;
}

// Draws both strips at gScale and writes them with suffix ("" or "@2x").
bool WriteStrips(const QDir& out, const QString& suffix)
{
    const auto icons = Icons();
    if (icons.size() != static_cast<std::size_t>(iconstrip::kBuiltinCount)) {
        std::fprintf(stderr, "expected %d icons, have %zu\n", iconstrip::kBuiltinCount, icons.size());
        return false;
    }
    using iconstrip::kIconSize;
    using iconstrip::kStrip1Slots;
    QImage strips[2] = {Strip(kStrip1Slots), Strip(iconstrip::kStrip2Slots)};
    for (std::size_t i = 0; i < icons.size(); ++i) {
        QImage icon(kIconSize * gScale, kIconSize * gScale, QImage::Format_RGB32);
        icon.fill(Qt::white);
        {
            QPainter painter(&icon);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.scale(gScale, gScale);
            icons[i].second(painter);
        }
        const int slot = static_cast<int>(i); // 0-based
        QImage& strip = strips[slot < kStrip1Slots ? 0 : 1];
        const int x = (slot < kStrip1Slots ? slot : slot - kStrip1Slots) * kIconSize * gScale;
        QPainter painter(&strip);
        painter.drawImage(x, 0, icon);
    }
    for (int n = 0; n < 2; ++n) {
        const QString name = QStringLiteral("IconStrip%1%2.png").arg(n + 1).arg(suffix);
        if (!strips[n].save(out.filePath(name))) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(out.filePath(name)));
            return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zimbrel_icon_strips <output folder>\n");
        return 2;
    }
    const QDir out(QString::fromLocal8Bit(argv[1]));
    for (const int scale : {1, 2}) {
        gScale = scale;
        if (!WriteStrips(out, scale == 1 ? QString() : QStringLiteral("@2x")))
            return 1;
    }
    return 0;
}
