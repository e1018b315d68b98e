#include "imaging/aDIBSection.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>

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
    const float xScale = static_cast<float>(3999.0 / 640);
    EXPECT_EQ(xScale, 6.2484374046325684f);
    EXPECT_EQ(static_cast<float>(static_cast<double>(xScale) * 639), 3992.75146484375f);
    // dx = 0.75146484375: 0.75146484375 * 100 = 75.15 -> 75.
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
