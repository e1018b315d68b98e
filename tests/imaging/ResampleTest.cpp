#include "common/JpegTestFiles.h"
#include "imaging/Bitmap24.h"
#include "imaging/StreamedResample.h"
#include "imaging/aDIBSection.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <random>
#include <vector>

namespace {

using Bgr = std::array<int, 3>;

// Pixel x of memory row y (row 0 is the picture's bottom row).
std::uint8_t* At(const aDIBSection& dib, int x, int y)
{
    return dib.DIBSectionBitsPtr() + y * dib.BytesPerScanLine() + 3 * x;
}

void Set(const aDIBSection& dib, int x, int y, Bgr bgr)
{
    for (int c = 0; c < 3; ++c)
        At(dib, x, y)[c] = static_cast<std::uint8_t>(bgr[c]);
}

Bgr Get(const aDIBSection& dib, int x, int y)
{
    const std::uint8_t* p = At(dib, x, y);
    return {p[0], p[1], p[2]};
}

// A source whose blue byte of every pixel is given row by row (memory rows).
void FillBlue(const aDIBSection& dib, std::initializer_list<std::initializer_list<int>> rows)
{
    int y = 0;
    for (const auto& row : rows) {
        int x = 0;
        for (int blue : row)
            Set(dib, x++, y, {blue, 0, 0});
        ++y;
    }
}

// A picture of noise whose three channels have different ranges (blue 0..255, green
// 0..99, red 156..255), so a channel mix-up shows in the means.
void FillWithNoise(const aDIBSection& dib, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> blue(0, 255), green(0, 99), red(156, 255);
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            Set(dib, x, y, {blue(random), green(random), red(random)});
}

std::array<double, 3> Means(const aDIBSection& dib)
{
    std::array<double, 3> sums{};
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                sums[c] += Get(dib, x, y)[c];
    for (double& sum : sums)
        sum /= static_cast<double>(dib.Width()) * dib.Height();
    return sums;
}

// The resampling written out plainly, step by step as the algorithm states it, to hold
// the optimised code against: single-precision scales and positions, the vertical pass
// rounded half to even before the horizontal one, clamping.
std::vector<std::uint8_t> ReferenceResample(const aDIBSection& source, int w, int h)
{
    const int W = source.Width();
    const int H = source.Height();
    const int stride = (3 * w + 3) / 4 * 4;
    std::vector<std::uint8_t> target(static_cast<std::size_t>(stride) * h, 0);
    const float xScale = static_cast<float>(static_cast<double>(W - 1) / w);
    const float yScale = static_cast<float>(static_cast<double>(H - 1) / h);
    for (int y = 0; y < h; ++y) {
        const float fY = static_cast<float>(static_cast<double>(yScale) * y);
        const int iy = static_cast<int>(std::floor(fY));
        const float dy = static_cast<float>(static_cast<double>(fY) - iy);
        for (int x = 0; x < w; ++x) {
            const float fX = static_cast<float>(static_cast<double>(xScale) * x);
            const int ix = static_cast<int>(std::floor(fX));
            const float dx = static_cast<float>(static_cast<double>(fX) - ix);
            for (int c = 0; c < 3; ++c) {
                const auto P = [&](int px, int py) { return static_cast<double>(Get(source, px, py)[c]); };
                // std::nearbyint rounds half to even in the default rounding mode.
                const double left = std::nearbyint((1.0 - dy) * P(ix, iy) + double{dy} * P(ix, iy + 1));
                const double right = std::nearbyint((1.0 - dy) * P(ix + 1, iy) + double{dy} * P(ix + 1, iy + 1));
                const double out = std::nearbyint((1.0 - dx) * left + double{dx} * right);
                target[static_cast<std::size_t>(y * stride + 3 * x + c)] = static_cast<std::uint8_t>(
                    std::clamp(out, 0.0, 255.0));
            }
        }
    }
    return target;
}

} // namespace

TEST(ResampleExamples, SameSizeIsAByteCopy)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(7, 5));
    source.RandomiseBits(false);
    const auto copy = source.Resample(5, 7);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Width(), 7);
    EXPECT_EQ(copy->Height(), 5);
    EXPECT_EQ(0, std::memcmp(copy->DIBSectionBitsPtr(), source.DIBSectionBitsPtr(), 24 * 5));
}

TEST(ResampleExamples, TwoByTwoToOneTakesTheBottomLeftPixel)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    Set(source, 0, 0, {0, 0, 0});
    Set(source, 1, 0, {255, 255, 255});
    Set(source, 0, 1, {255, 255, 255});
    Set(source, 1, 1, {255, 255, 255});
    const auto target = source.Resample(1, 1);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Get(*target, 0, 0), (Bgr{0, 0, 0}));
}

TEST(ResampleExamples, WidthThreeToTwoSamplesColumnOneExactly)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(3, 2));
    FillBlue(source, {{10, 20, 30}, {40, 50, 60}});
    const auto target = source.Resample(1, 2);
    ASSERT_NE(target, nullptr);
    // yScale = 1/1: row 0 only (y = 0); xScale = 1: columns 0 and 1.
    EXPECT_EQ(Get(*target, 0, 0)[0], 10);
    EXPECT_EQ(Get(*target, 1, 0)[0], 20);
}

TEST(ResampleExamples, WidthFiveToTwoSkipsColumnsThreeAndFour)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(5, 2));
    FillBlue(source, {{1, 2, 3, 200, 250}, {1, 2, 3, 200, 250}});
    const auto target = source.Resample(2, 2);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Get(*target, 0, 0)[0], 1);
    EXPECT_EQ(Get(*target, 1, 0)[0], 3); // column 2 exactly, dx = 0
}

TEST(ResampleExamples, EnlargingTwoToFourNeverReachesTheRightPixel)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(2, 2));
    FillBlue(source, {{0, 200}, {0, 200}});
    const auto target = source.Resample(2, 4);
    ASSERT_NE(target, nullptr);
    // Weights 0, 0.25, 0.5, 0.75 for the right-hand pixel.
    EXPECT_EQ(Get(*target, 0, 0)[0], 0);
    EXPECT_EQ(Get(*target, 1, 0)[0], 50);
    EXPECT_EQ(Get(*target, 2, 0)[0], 100);
    EXPECT_EQ(Get(*target, 3, 0)[0], 150);
}

TEST(ResampleExamples, FourByThreeToTwoByTwoMeansRoundHalfToEven)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(4, 3));
    Set(source, 1, 1, {10, 11, 0});
    Set(source, 2, 1, {15, 16, 0});
    const auto target = source.Resample(2, 2);
    ASSERT_NE(target, nullptr);
    // Pixel (1, 1): ix = 1, dx = 0.5, iy = 1, dy = 0: 12.5 -> 12 and 13.5 -> 14.
    EXPECT_EQ(Get(*target, 1, 1)[0], 12);
    EXPECT_EQ(Get(*target, 1, 1)[1], 14);
}

TEST(ResampleExamples, VerticalPassIsRoundedBeforeTheHorizontalPass)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(3, 3));
    Set(source, 0, 0, {1, 0, 0});
    Set(source, 0, 1, {2, 0, 0});
    Set(source, 1, 0, {3, 0, 0});
    Set(source, 1, 1, {4, 0, 0});
    const auto target = source.Resample(4, 4);
    ASSERT_NE(target, nullptr);
    // Vertical: 1.5 -> 2 and 3.5 -> 4; horizontal mean 3 (one rounding of 2.5 would give 2).
    EXPECT_EQ(Get(*target, 1, 1)[0], 3);
}

TEST(ResampleExamples, RoundingTiesInTheVerticalPass)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(2, 3));
    // Column 0 rows 0/1 give 2.5, column 1 gives 3.5; dy = 0.5 at target row 1 of 4.
    FillBlue(source, {{2, 3}, {3, 4}, {0, 0}});
    const auto target = source.Resample(4, 1);
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(Get(*target, 0, 1)[0], 2); // 2.5 -> 2, dx = 0
    const auto wide = source.Resample(4, 2);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(Get(*wide, 1, 1)[0], 3); // (2 + 4) / 2 after 2.5 -> 2 and 3.5 -> 4
}

TEST(ResampleExamples, FourThousandToSixForty)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(4000, 2));
    // Blue 0 up to column 3992, 100 from 3993 on: the last target column mixes them.
    for (int x = 3993; x < 4000; ++x) {
        Set(source, x, 0, {100, 0, 0});
        Set(source, x, 1, {100, 0, 0});
    }
    const auto target = source.Resample(1, 640);
    ASSERT_NE(target, nullptr);
    // xScale = 6.2484374046... in single precision; column 639 samples at 3992.75146484375:
    // dx = 0.75146484375, 0.75146484375 * 100 = 75.15 -> 75.
    EXPECT_EQ(Get(*target, 639, 0)[0], 75);
    EXPECT_EQ(Get(*target, 638, 0)[0], 0);
}

TEST(ResampleFailures, OnePixelHighSourceRaisesAndDeliversNothing)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(4, 1));
    const int before = gdi::LiveObjectCount();
    EXPECT_THROW(source.Resample(1, 2), errors::SubscriptOutOfRange);
    EXPECT_EQ(gdi::LiveObjectCount(), before); // the target was released

    aDIBSection narrow;
    ASSERT_TRUE(narrow.Create(1, 4));
    EXPECT_THROW(narrow.Resample(2, 1), errors::SubscriptOutOfRange);
    // The same size needs no neighbourhood.
    EXPECT_NE(narrow.Resample(4, 1), nullptr);
}

TEST(ResampleFailures, ZeroOrNegativeSizeGivesNoneAndLeavesTheSourceAlone)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(3, 3));
    source.RandomiseBits(true);
    std::array<std::uint8_t, 36> before;
    std::memcpy(before.data(), source.DIBSectionBitsPtr(), before.size());
    EXPECT_EQ(source.Resample(0, 2), nullptr);
    EXPECT_EQ(source.Resample(2, 0), nullptr);
    EXPECT_EQ(source.Resample(-2, 2), nullptr);
    EXPECT_EQ(0, std::memcmp(before.data(), source.DIBSectionBitsPtr(), before.size()));
    EXPECT_EQ(source.Width(), 3);
}

TEST(ResampleInvariants, ConstantPictureStaysConstantAndPaddingIsNotWritten)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(97, 61));
    for (int y = 0; y < 61; ++y)
        for (int x = 0; x < 97; ++x)
            Set(source, x, y, {17, 130, 251});
    for (const auto& [h, w] : {std::pair{10, 15}, {61, 33}, {200, 301}}) {
        const auto target = source.Resample(h, w);
        ASSERT_NE(target, nullptr);
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(Get(*target, x, y), (Bgr{17, 130, 251})) << w << "x" << h << " at " << x << "," << y;
            for (int p = 3 * w; p < target->BytesPerScanLine(); ++p)
                ASSERT_EQ(target->DIBSectionBitsPtr()[y * target->BytesPerScanLine() + p], 0);
        }
    }
}

TEST(ResampleInvariants, AReductionKeepsTheMeanOfEveryChannel)
{
    aDIBSection source;
    ASSERT_TRUE(source.Create(1200, 900));
    FillWithNoise(source, 1);
    const std::array<double, 3> before = Means(source);
    for (const auto& [h, w] : {std::pair{450, 600}, {300, 400}, {257, 311}}) {
        const auto target = source.Resample(h, w);
        ASSERT_NE(target, nullptr);
        const std::array<double, 3> after = Means(*target);
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(after[c], before[c], 1.0) << "channel " << c << " at " << w << "x" << h;
    }
}

TEST(ResampleInvariants, NoisePicturesMatchThePlainReference)
{
    struct Case {
        int W, H, w, h;
    };
    // Reductions, enlargements, one edge only, odd sizes and a 4000-pixel edge, whose
    // single-precision positions are where a double-precision shortcut would drift.
    for (const Case& c : {Case{37, 23, 17, 11}, Case{37, 23, 5, 23}, Case{37, 23, 60, 40}, Case{37, 23, 1, 1},
                          Case{4, 3, 2, 2}, Case{3, 3, 4, 4}, Case{4000, 3, 640, 2}, Case{301, 199, 640, 480}}) {
        aDIBSection source;
        ASSERT_TRUE(source.Create(c.W, c.H));
        FillWithNoise(source, static_cast<unsigned>(c.W * 1000 + c.w));
        const auto target = source.Resample(c.h, c.w);
        ASSERT_NE(target, nullptr);
        const std::vector<std::uint8_t> expected = ReferenceResample(source, c.w, c.h);
        ASSERT_EQ(static_cast<std::size_t>(target->BytesPerScanLine()) * c.h, expected.size());
        EXPECT_EQ(0, std::memcmp(target->DIBSectionBitsPtr(), expected.data(), expected.size()))
            << c.W << "x" << c.H << " -> " << c.w << "x" << c.h;
    }
}

namespace {

QImage ToImage(const aDIBSection& dib)
{
    QImage image(dib.Width(), dib.Height(), QImage::Format_RGB32);
    for (int y = 0; y < dib.Height(); ++y)
        for (int x = 0; x < dib.Width(); ++x) {
            const Bgr p = Get(dib, x, dib.Height() - 1 - y);
            image.setPixel(x, y, qRgb(p[2], p[1], p[0]));
        }
    return image;
}

std::unique_ptr<aDIBSection> FromImage(const QImage& image)
{
    auto dib = std::make_unique<aDIBSection>();
    EXPECT_TRUE(dib->Create(image.width(), image.height()));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QRgb p = image.pixel(x, y);
            Set(*dib, x, image.height() - 1 - y, {qBlue(p), qGreen(p), qRed(p)});
        }
    return dib;
}

// The stored picture's rows handed to a StreamedResample bandRows at a time, as a
// decoder hands them out.
std::vector<std::uint8_t> Streamed(const aDIBSection& stored, int orientation, int w, int h, int bandRows)
{
    imaging::Bitmap24 target = imaging::NewBitmap24(w, h);
    imaging::StreamedResample stream(stored.Width(), stored.Height(), orientation, target);
    std::vector<const std::uint8_t*> rows;
    for (int first = 0; first < stored.Height(); first += bandRows) {
        rows.clear();
        for (int i = first; i < std::min(stored.Height(), first + bandRows); ++i)
            rows.push_back(At(stored, 0, stored.Height() - 1 - i));
        stream.Take(first, static_cast<int>(rows.size()), rows.data());
    }
    EXPECT_TRUE(stream.Complete());
    return {target.bits, target.bits + target.stride * h};
}

} // namespace

// A picture held as a camera stored it, resampled through its EXIF turn, whole or as its
// rows come in bands of any height, gives the bytes of resampling it turned upright.
TEST(ResampleInvariants, ThroughTheTurnAndFromBandsOfRowsAsFromTheUprightPicture)
{
    struct Case {
        int storedWidth, storedHeight, w, h; // w x h: the upright copy's size
    };
    for (const Case& c :
         {Case{37, 23, 17, 11}, Case{23, 37, 11, 17}, Case{37, 23, 60, 40}, Case{301, 199, 64, 48}, Case{5, 4, 1, 1}}) {
        aDIBSection stored;
        ASSERT_TRUE(stored.Create(c.storedWidth, c.storedHeight));
        FillWithNoise(stored, static_cast<unsigned>(c.storedWidth + c.w));
        for (int orientation = 1; orientation <= 8; ++orientation) {
            SCOPED_TRACE(std::to_string(c.storedWidth) + "x" + std::to_string(c.storedHeight) + " -> "
                         + std::to_string(c.w) + "x" + std::to_string(c.h) + ", orientation "
                         + std::to_string(orientation));
            const auto upright = FromImage(testfiles::AsViewed(ToImage(stored), orientation));
            const auto expected = upright->Resample(c.h, c.w);
            const auto turned = stored.Resample(c.h, c.w, orientation);
            ASSERT_TRUE(expected && turned);
            const std::size_t bytes = static_cast<std::size_t>(expected->BytesPerScanLine()) * c.h;
            EXPECT_EQ(0, std::memcmp(turned->DIBSectionBitsPtr(), expected->DIBSectionBitsPtr(), bytes));
            for (const int bandRows : {1, 5, 16}) {
                const std::vector<std::uint8_t> streamed = Streamed(stored, orientation, c.w, c.h, bandRows);
                ASSERT_EQ(streamed.size(), bytes);
                EXPECT_EQ(0, std::memcmp(streamed.data(), expected->DIBSectionBitsPtr(), bytes)) << bandRows;
            }
        }
    }
    // Where the upright picture is one pixel high, both refuse as the upright one does.
    aDIBSection line;
    ASSERT_TRUE(line.Create(1, 5));
    imaging::Bitmap24 target = imaging::NewBitmap24(3, 1);
    EXPECT_THROW(line.Resample(1, 3, 6), errors::SubscriptOutOfRange);
    EXPECT_THROW(imaging::StreamedResample(1, 5, 6, target), errors::SubscriptOutOfRange);
}
