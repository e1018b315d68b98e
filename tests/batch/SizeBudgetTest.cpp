#include "batch/SizeBudget.h"
#include "batch/ShrinkCopy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A stand-in encoder whose file is 100 bytes per quality step, so every answer is known.
struct CountingEncoder {
    std::vector<int> tried;
    QByteArray operator()(std::int32_t quality, QString*)
    {
        tried.push_back(quality);
        return QByteArray(quality * 100, 'x');
    }
};

TEST(SizeBudgetTest, FindsTheHighestQualityThatFits)
{
    struct Case {
        std::int64_t maxBytes;
        std::int32_t quality; // 0: none fits
        int maxEncodes;
    };
    for (const Case& c : {Case{8000, 80, 1}, Case{100000, 80, 1}, Case{7999, 79, 11}, Case{5050, 50, 11},
                          Case{1000, 10, 11}, Case{999, 0, 2}}) {
        CountingEncoder encoder;
        const batch::QualityChoice choice = batch::HighestQualityWithin(
            [&](std::int32_t q, QString* why) { return encoder(q, why); }, 80, 10, c.maxBytes);
        EXPECT_EQ(choice.quality, c.quality) << c.maxBytes;
        EXPECT_EQ(choice.file.size(), c.quality * 100) << c.maxBytes;
        EXPECT_EQ(choice.encodes, static_cast<int>(encoder.tried.size()));
        EXPECT_LE(choice.encodes, c.maxEncodes) << c.maxBytes;
        EXPECT_EQ(encoder.tried.front(), 80); // the quality asked for comes first
    }
}

// Real encoders grow faster than linearly and not evenly (here steeply, then nearly
// flat, in waves): the answer is still the highest quality that fits, whatever the budget.
TEST(SizeBudgetTest, FindsTheHighestQualityForUnevenGrowth)
{
    const auto size = [](std::int32_t q) {
        return static_cast<qsizetype>(2000 * std::exp(q / 18.0 + 0.5 * std::sin(q / 9.0)));
    };
    for (std::int64_t maxBytes = 2500; maxBytes < 300000; maxBytes = maxBytes * 5 / 4) {
        std::int32_t expected = 0;
        for (std::int32_t q = 10; q <= 90; ++q)
            if (size(q) <= maxBytes)
                expected = q;
        const batch::QualityChoice choice = batch::HighestQualityWithin(
            [&](std::int32_t q, QString*) { return QByteArray(size(q), 'x'); }, 90, 10, maxBytes);
        EXPECT_EQ(choice.quality, expected) << maxBytes;
        EXPECT_LE(choice.encodes, 16) << maxBytes;
    }
}

TEST(SizeBudgetTest, AnEncoderFailureEndsTheSearchWithItsCause)
{
    const batch::QualityChoice choice = batch::HighestQualityWithin(
        [](std::int32_t q, QString* why) {
            if (q < 60) {
                *why = QStringLiteral("disk on fire");
                return QByteArray();
            }
            return QByteArray(q * 100, 'x');
        },
        80, 10, 5000);
    EXPECT_TRUE(choice.file.isEmpty());
    EXPECT_EQ(choice.failure, QStringLiteral("disk on fire"));
}

TEST(SizeBudgetTest, SmallerStepsKeepTheShape)
{
    EXPECT_EQ(batch::NextSmallerEdge(640), 576);
    EXPECT_EQ(batch::NextSmallerEdge(5), 4); // at least one pixel less
    struct Case {
        std::int32_t width, height, longEdge, newWidth, newHeight;
    };
    for (const Case& c : {Case{640, 480, 576, 576, 432}, Case{480, 640, 576, 432, 576}, Case{1000, 3, 100, 100, 1}}) {
        std::int32_t width = c.width, height = c.height;
        batch::ScaleToLongEdge(width, height, c.longEdge);
        EXPECT_EQ(width, c.newWidth);
        EXPECT_EQ(height, c.newHeight);
    }
}

TEST(SizeBudgetTest, DecodeScaleIsTheSmallestQuickOneAtLeastTwiceTheTarget)
{
    struct Case {
        std::int32_t width, height, targetWidth, targetHeight;
        int eighths;
    };
    for (const Case& c : {Case{4000, 3000, 640, 480, 4},   // 2000 x 1500, as 3/8 is slower
                          Case{4000, 3000, 400, 300, 2},   // 1000 x 750
                          Case{4000, 3000, 1200, 900, 8},  // not 5/8, which is slower
                          Case{4000, 3000, 1600, 1200, 8}, // not 7/8
                          Case{4000, 3000, 200, 150, 1},   // 500 x 375
                          Case{641, 481, 640, 480, 8},     // no reduction worth the name
                          Case{1279, 959, 640, 480, 8}}) { // just short of twice
        EXPECT_EQ(batch::DecodeEighthsFor(c.width, c.height, c.targetWidth, c.targetHeight), c.eighths)
            << c.width << " -> " << c.targetWidth;
    }
}

} // namespace
