#include "controls/mivoIcon.h"
#include "common/PictureFromImage.h"
#include "draw/GdiDraw.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

namespace {

// The 16 x 16 square of icon n as the strips hold it.
QImage IconSquare(const mivoIcon& icons, int n)
{
    return n <= 68 ? icons.PicIcon1().Image().copy((n - 1) * 16, 0, 16, 16)
                   : icons.PicIcon2().Image().copy((n - 69) * 16, 0, 16, 16);
}

QImage Square(const OffscreenPicture& picture, int x, int y)
{
    return picture.Image().copy(x, y, 16, 16);
}

// What look (state & 3) makes of icon pixel s over destination pixel d.
QRgb Look(int state, QRgb s, QRgb d)
{
    switch (state & 3) {
    case 0:
        return s;
    case 1:
        return s & d;
    case 2:
        return (s | 0x808080) & d;
    default:
        return d;
    }
}

bool IsWhite(const QImage& image)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if ((image.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF)
                return false;
    return true;
}

TEST(mivoIcon, NamesAndNumbers)
{
    mivoIcon icons;
    EXPECT_EQ(icons.IconNr("location"), 30);
    EXPECT_EQ(icons.IconNr("db"), 30);
    EXPECT_EQ(icons.IconNr("up"), 16); // the first of the two "up"s
    EXPECT_EQ(icons.IconNr("87"), 87);
    EXPECT_EQ(icons.IconNr(" 87abc"), 87);
    EXPECT_EQ(icons.IconNr("0"), 0);
    EXPECT_EQ(icons.IconNr("#"), -1);
    EXPECT_EQ(icons.IconNr("##"), -2);
    EXPECT_EQ(icons.IconNr("~"), -3);
    EXPECT_EQ(icons.IconNr("-"), 199);
    EXPECT_EQ(icons.IconNr("OK"), 0); // names are case-sensitive
    EXPECT_EQ(icons.IconNr("books"), 89);
    EXPECT_EQ(icons.IconNr(""), 0);
    EXPECT_THROW(icons.IconNr("40000"), errors::OverflowError);

    EXPECT_EQ(icons.IconString(1), "right");
    EXPECT_EQ(icons.IconString(20), "properties");
    EXPECT_EQ(icons.IconString(51), "up");
    EXPECT_EQ(icons.IconString(89), "books");
    EXPECT_EQ(icons.IconString(0), "");
    EXPECT_EQ(icons.IconString(-5), "");
    EXPECT_EQ(icons.IconString(90), "");
}

TEST(mivoIcon, StripsHoldEveryIconAndTheRuler)
{
    mivoIcon icons;
    ASSERT_EQ(icons.PicIcon1().Width(), 1088);
    ASSERT_EQ(icons.PicIcon1().Height(), 17);
    ASSERT_EQ(icons.PicIcon2().Width(), 448);
    ASSERT_EQ(icons.PicIcon2().Height(), 17);
    for (int n = 1; n <= 89; ++n)
        EXPECT_FALSE(IsWhite(IconSquare(icons, n))) << "icon " << n << " is blank";
    for (int n = 90; n <= 96; ++n)
        EXPECT_TRUE(IsWhite(IconSquare(icons, n))) << "slot " << n << " must stay free";
    for (const QImage& strip : {icons.PicIcon1().Image(), icons.PicIcon2().Image()}) {
        for (int x = 0; x < strip.width(); ++x) {
            const QRgb expected = x % 16 < 7 ? qRgb(255, 0, 0) : qRgb(0, 0, 0);
            ASSERT_EQ(strip.pixel(x, 16) & 0xFFFFFF, expected & 0xFFFFFF) << "ruler at x " << x;
        }
    }
}

TEST(mivoIcon, AddedIconsWinAndWidenStripTwo)
{
    mivoIcon icons;
    QImage red(16, 16, QImage::Format_RGB32);
    red.fill(qRgb(255, 0, 0));
    icons.AddIcon("up", testfiles::PictureFromImage(red));

    OffscreenPicture box(20, 20);
    gdi::FillBox(box.hdc(), 0, 0, 19, 19, QColor(0, 0, 255));
    icons.AddIcon("mine", box.hdc());

    EXPECT_EQ(icons.PicIcon2().Width(), 448 + 32);
    EXPECT_EQ(icons.IconNr("up"), 90);
    EXPECT_EQ(icons.IconNr("mine"), 91);
    EXPECT_EQ(icons.IconString(90), "up");
    EXPECT_EQ(icons.IconString(91), "mine");
    EXPECT_EQ(icons.IconString(92), "");
    EXPECT_EQ(IconSquare(icons, 90), Square(OffscreenPicture(red), 0, 0));
    EXPECT_EQ(IconSquare(icons, 91).pixel(15, 15) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(icons.IconString(icons.IconNr("ok")), "ok");

    // GetIcon ignores added names: "up" is still slot 16.
    EXPECT_EQ(Square(icons.GetIcon("up"), 0, 0), IconSquare(icons, 16));
    EXPECT_EQ(Square(icons.GetIcon("87"), 0, 0), IconSquare(icons, 87));
    EXPECT_EQ(Square(icons.GetIcon("location"), 0, 0), IconSquare(icons, 30));

    // A picture box without a bitmap still takes a name and a slot, then fails.
    EXPECT_THROW(icons.AddIcon("broken", gdi::HDC{12345}), errors::ObjectRequired);
    EXPECT_EQ(icons.IconNr("broken"), 92);
    EXPECT_EQ(icons.PicIcon2().Width(), 448 + 48);
}

// Paint's looks, checked channel by channel against the raster operations.
TEST(mivoIcon, PaintLooks)
{
    mivoIcon icons;
    const QImage icon = IconSquare(icons, 22); // "error": dark, red and white pixels
    const QColor ground(60, 200, 140);
    for (int state = 0; state < 4; ++state) {
        OffscreenPicture target(30, 30);
        gdi::FillBox(target.hdc(), 0, 0, 29, 29, ground);
        icons.Paint(target.hdc(), 5, 7, 22, static_cast<std::int16_t>(state));
        const QImage result = target.Image();
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb s = icon.pixel(x, y) & 0xFFFFFF;
                const QRgb expected = Look(state, s, ground.rgb() & 0xFFFFFF);
                ASSERT_EQ(result.pixel(x + 5, y + 7) & 0xFFFFFF, expected)
                    << "state " << state << " at " << x << "," << y;
            }
        }
        // Nothing outside the icon's square changes.
        EXPECT_EQ(result.pixel(4, 7) & 0xFFFFFF, ground.rgb() & 0xFFFFFF);
        EXPECT_EQ(result.pixel(21, 22) & 0xFFFFFF, ground.rgb() & 0xFFFFFF);
    }
    // Where the icon is white the transparent look leaves the destination as it was.
    bool sawWhite = false;
    for (int y = 0; y < 16; ++y)
        sawWhite |= (icon.pixel(0, y) & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_TRUE(sawWhite);

    // Strip 2 icons and numbers outside every strip: no crash, nothing thrown.
    OffscreenPicture target(30, 30);
    icons.Paint(target.hdc(), 0, 0, 87, 1);
    EXPECT_EQ(Square(target, 0, 0), IconSquare(icons, 87)); // over white, SRCAND gives the icon
    for (std::int16_t ico :
         {std::int16_t{0}, std::int16_t{-3}, std::int16_t{199}, std::int16_t{32767}, std::int16_t{-32768}})
        EXPECT_NO_THROW(icons.Paint(target.hdc(), 0, 0, ico, 2));
    EXPECT_NO_THROW(icons.Paint(gdi::HDC{999}, 0, 0, 24, 1));
}

// State bit 4 turns the icon counterclockwise into Picture2 (white at first) and draws
// the look from there: row 0 and column 15 keep Picture2's white.
TEST(mivoIcon, TurnedLooks)
{
    mivoIcon icons;
    const QImage icon = IconSquare(icons, 87); // "help": no quarter turn maps it onto itself
    const QColor ground(60, 200, 140);
    for (int state = 4; state < 8; ++state) {
        OffscreenPicture target(30, 30);
        gdi::FillBox(target.hdc(), 0, 0, 29, 29, ground);
        icons.Paint(target.hdc(), 5, 7, 87, static_cast<std::int16_t>(state));
        const QImage result = target.Image();
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                const QRgb turned = x <= 14 && y >= 1 ? icon.pixel(15 - y, x) & 0xFFFFFF : 0xFFFFFF;
                const QRgb expected = Look(state, turned, ground.rgb() & 0xFFFFFF);
                ASSERT_EQ(result.pixel(x + 5, y + 7) & 0xFFFFFF, expected)
                    << "state " << state << " at " << x << "," << y;
            }
        }
        EXPECT_EQ(result.pixel(21, 7) & 0xFFFFFF, ground.rgb() & 0xFFFFFF);
    }
}

} // namespace
