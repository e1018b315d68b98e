#include "imaging/StdImage.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numbers>

using StdImage::kPivotNotGiven;

namespace {

// A device context showing a picture.
struct Canvas {
    explicit Canvas(const QImage& image)
        : dc(gdi::CreateCompatibleDC(0)), bitmap(gdi::CreateBitmapFromImage(image)),
          previous(gdi::SelectObject(dc, bitmap))
    {
    }
    ~Canvas()
    {
        gdi::SelectObject(dc, previous);
        gdi::DeleteObject(bitmap);
        gdi::DeleteDC(dc);
    }
    QImage Image() const { return gdi::ImageOf(bitmap); }
    gdi::HDC dc;
    gdi::HBITMAP bitmap;
    gdi::HBITMAP previous;
};

// A source bitmap of its own.
struct Source {
    explicit Source(const QImage& image) : bitmap(gdi::CreateBitmapFromImage(image)) {}
    ~Source() { gdi::DeleteObject(bitmap); }
    gdi::HBITMAP bitmap;
};

QImage Picture(int width, int height, const std::function<QRgb(int x, int y)>& pixel)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, pixel(x, y));
    return image;
}

QImage Filled(int width, int height, QRgb color)
{
    return Picture(width, height, [=](int, int) { return color; });
}

// A destination in which every pixel differs from every other.
QImage Patterned()
{
    return Picture(25, 25, [](int x, int y) { return qRgb(10 * x, 10 * y, 99); });
}

// A 16 x 16 source with its own colour in every pixel, none of them the key colour 15.
QImage Labelled()
{
    return Picture(16, 16, [](int x, int y) { return qRgb(40, 16 * y + 3, 16 * x + 3); });
}

FixedDecimal Fixed(double value)
{
    return FixedDecimal::FromDouble(value);
}

// Draws source over destination: the arguments the icon library uses unless given.
struct Turn {
    double angle = 90;
    std::int32_t centerX = 8;
    std::int32_t centerY = 7;
    std::uint32_t keyColor = 15;
    double opacity = 1;
    double zoom = 1;

    void Draw(Canvas& destination, const QImage& source) const
    {
        std::int16_t pivotX = kPivotNotGiven, pivotY = kPivotNotGiven;
        const Source picture(source);
        StdImage::DrawRotated(destination.dc, Fixed(angle), centerX, centerY, source.width(), source.height(),
                              picture.bitmap, keyColor, Fixed(opacity), Fixed(zoom), pivotX, pivotY);
    }
    QImage Over(const QImage& before, const QImage& source) const
    {
        Canvas destination(before);
        Draw(destination, source);
        return destination.Image();
    }
};

QRgb Rgb(QRgb pixel)
{
    return pixel & 0xFFFFFF;
}

} // namespace

TEST(DrawRotated, QuarterTurnOfAnIcon)
{
    const int live = gdi::LiveObjectCount();
    const QImage before = Patterned(), source = Labelled();
    const QImage after = Turn{}.Over(before, source);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 25; ++x) {
            const bool drawn = x <= 14 && y >= 1 && y <= 15;
            const QRgb expected = drawn ? source.pixel(15 - y, x) : before.pixel(x, y);
            ASSERT_EQ(Rgb(after.pixel(x, y)), Rgb(expected)) << "at " << x << "," << y;
        }
    }
    EXPECT_EQ(gdi::LiveObjectCount(), live);
}

TEST(DrawRotated, NoTurnCopiesAllButTheLastColumnAndRow)
{
    // Centre (11, 11): the 22-pixel square starts at (0, 0) and the source at (3, 3).
    const QImage before = Patterned(), source = Labelled();
    const QImage after = Turn{.angle = 0, .centerX = 11, .centerY = 11}.Over(before, source);
    for (int y = 0; y < 25; ++y) {
        for (int x = 0; x < 25; ++x) {
            const bool drawn = x >= 3 && x <= 17 && y >= 3 && y <= 17;
            const QRgb expected = drawn ? source.pixel(x - 3, y - 3) : before.pixel(x, y);
            ASSERT_EQ(Rgb(after.pixel(x, y)), Rgb(expected)) << "at " << x << "," << y;
        }
    }
}

TEST(DrawRotated, OpacityAndKeyColour)
{
    const QImage before = Patterned();
    EXPECT_EQ(Turn{.opacity = 0}.Over(before, Labelled()), before);
    EXPECT_EQ(Turn{}.Over(before, Filled(16, 16, qRgb(0, 0, 15))), before);

    // Half of a white pixel over black.
    const QImage half = Turn{.opacity = 0.5}.Over(Filled(25, 25, qRgb(0, 0, 0)), Filled(16, 16, qRgb(255, 255, 255)));
    EXPECT_EQ(Rgb(half.pixel(5, 5)), Rgb(qRgb(128, 128, 128)));

    // Key colour 15 is blue 15: left half blue 15 (kept out), right half red 15 (drawn).
    const QImage halves = Picture(16, 16, [](int x, int) { return x < 8 ? qRgb(0, 0, 15) : qRgb(15, 0, 0); });
    const QImage keyed = Turn{.angle = 0, .centerX = 11, .centerY = 11}.Over(before, halves);
    EXPECT_EQ(Rgb(keyed.pixel(3 + 2, 3 + 5)), Rgb(before.pixel(3 + 2, 3 + 5)));
    EXPECT_EQ(Rgb(keyed.pixel(3 + 12, 3 + 5)), Rgb(qRgb(15, 0, 0)));
}

TEST(DrawRotated, DefaultPivotIsWrittenBack)
{
    Canvas destination(Patterned());
    const Source source(Filled(17, 17, qRgb(1, 2, 3)));
    std::int16_t pivotX = kPivotNotGiven, pivotY = kPivotNotGiven;
    StdImage::DrawRotated(destination.dc, Fixed(90), 8, 7, 17, 17, source.bitmap, 15, Fixed(1), Fixed(1), pivotX,
                          pivotY);
    EXPECT_EQ(pivotX, 8);
    EXPECT_EQ(pivotY, 8);
}

TEST(DrawRotated, OverflowLeavesTheDestinationUntouched)
{
    const QImage before = Filled(25, 25, qRgb(0, 0, 0));
    Canvas destination(before);
    const int live = gdi::LiveObjectCount();
    // Opacity 2 blends white over black to 510.
    EXPECT_THROW(Turn{.opacity = 2}.Draw(destination, Filled(16, 16, qRgb(255, 255, 255))), errors::OverflowError);
    EXPECT_EQ(destination.Image(), before);
    EXPECT_EQ(gdi::LiveObjectCount(), live);
}

// A source whose blue grows 16 per column and green 16 per row, turned: one step right
// on the destination moves (c, s) through the source, one step down (-s, c), with
// c = cos / zoom and s = sin / zoom. A wrong sign or swapped axes change these steps.
// A quarter turn is the exception: c = 0 and s = 1 whatever the zoom, so at zoom 2 it
// steps a whole source pixel per destination pixel.
TEST(DrawRotated, TurnedGradientStepsFollowTheAngleAndZoom)
{
    const QImage gradient = Picture(16, 16, [](int x, int y) { return qRgb(200, 16 * y, 16 * x); });
    for (const auto& [angle, zoom] : {std::pair{30.0, 1.0}, std::pair{90.0, 2.0}}) {
        const double radians = angle == 90 ? std::numbers::pi / 2 : angle * 0.0175;
        const double scale = angle == 90 ? 1 : zoom;
        const double c = std::cos(radians) / scale, s = std::sin(radians) / scale;
        const QImage after = Turn{.angle = angle, .centerX = 30, .centerY = 30, .zoom = zoom}.Over(
            Filled(60, 60, qRgb(0, 0, 0)), gradient);
        const auto drawn = [&](int x, int y) { return qRed(after.pixel(x, y)) == 200; };
        int pairs = 0;
        for (int y = 0; y + 1 < 60; ++y) {
            for (int x = 0; x + 1 < 60; ++x) {
                if (!drawn(x, y))
                    continue;
                const QRgb here = after.pixel(x, y);
                if (drawn(x + 1, y)) {
                    const QRgb right = after.pixel(x + 1, y);
                    ASSERT_NEAR(qBlue(right) - qBlue(here), 16 * c, 1.25) << angle << " at " << x << "," << y;
                    ASSERT_NEAR(qGreen(right) - qGreen(here), 16 * s, 1.25) << angle << " at " << x << "," << y;
                    ++pairs;
                }
                if (drawn(x, y + 1)) {
                    const QRgb below = after.pixel(x, y + 1);
                    ASSERT_NEAR(qBlue(below) - qBlue(here), -16 * s, 1.25) << angle << " at " << x << "," << y;
                    ASSERT_NEAR(qGreen(below) - qGreen(here), 16 * c, 1.25) << angle << " at " << x << "," << y;
                    ++pairs;
                }
            }
        }
        EXPECT_GT(pairs, 300) << angle;
    }
}
