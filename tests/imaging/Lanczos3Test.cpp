#include "imaging/Lanczos3.h"
#include "imaging/Bitmap24.h"
#include "imaging/PictureLoader.h"
#include "imaging/aDIBSection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace {

std::unique_ptr<aDIBSection> Filled(std::int32_t width, std::int32_t height,
                                    std::uint8_t (*value)(std::int32_t x, std::int32_t y, int c))
{
    auto bitmap = std::make_unique<aDIBSection>();
    EXPECT_TRUE(bitmap->Create(width, height));
    for (std::int32_t y = 0; y < height; ++y)
        for (std::int32_t x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c)
                bitmap->DIBSectionBitsPtr()[y * bitmap->BytesPerScanLine() + 3 * x + c] = value(x, y, c);
    return bitmap;
}

std::uint8_t At(const aDIBSection& bitmap, std::int32_t x, std::int32_t y, int c)
{
    return bitmap.DIBSectionBitsPtr()[y * bitmap.BytesPerScanLine() + 3 * x + c];
}

// Lanczos-3 computed the slow, obvious way: every target pixel a normalised 2-D weighted
// sum over the source, in double precision, pixel centres on pixel centres, the kernel
// widened by the reduction factor (not narrowed when enlarging).
std::vector<double> ReferenceLanczos3(const aDIBSection& source, std::int32_t width, std::int32_t height)
{
    const double scaleX = double(source.Width()) / width;
    const double scaleY = double(source.Height()) / height;
    const double sx = std::max(scaleX, 1.0);
    const double sy = std::max(scaleY, 1.0);
    std::vector<double> out(static_cast<std::size_t>(width) * height * 3);
    for (std::int32_t y = 0; y < height; ++y) {
        const double cy = (y + 0.5) * scaleY;
        for (std::int32_t x = 0; x < width; ++x) {
            const double cx = (x + 0.5) * scaleX;
            double sum[3] = {};
            double total = 0.0;
            for (auto j = std::int32_t(std::max(0.0, cy - 3 * sy)); j < std::min<double>(source.Height(), cy + 3 * sy);
                 ++j)
                for (auto i = std::int32_t(std::max(0.0, cx - 3 * sx));
                     i < std::min<double>(source.Width(), cx + 3 * sx); ++i) {
                    const double w = imaging::Lanczos3Kernel((i + 0.5 - cx) / sx)
                        * imaging::Lanczos3Kernel((j + 0.5 - cy) / sy);
                    total += w;
                    for (int c = 0; c < 3; ++c)
                        sum[c] += w * At(source, i, j, c);
                }
            for (int c = 0; c < 3; ++c)
                out[(static_cast<std::size_t>(y) * width + x) * 3 + c] = std::clamp(std::round(sum[c] / total), 0.0,
                                                                                    255.0);
        }
    }
    return out;
}

double Psnr(const aDIBSection& picture, const std::vector<double>& reference)
{
    double squares = 0.0;
    for (std::int32_t y = 0; y < picture.Height(); ++y)
        for (std::int32_t x = 0; x < picture.Width(); ++x)
            for (int c = 0; c < 3; ++c) {
                const double d = At(picture, x, y, c)
                    - reference[(static_cast<std::size_t>(y) * picture.Width() + x) * 3 + c];
                squares += d * d;
            }
    const double mse = squares / (double(picture.Width()) * picture.Height() * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

TEST(Lanczos3Test, KeepsFlatPicturesFlatAndSameSizeExact)
{
    struct Case {
        std::int32_t width, height, newWidth, newHeight;
    };
    const std::unique_ptr<aDIBSection> flat = Filled(
        37, 23, [](std::int32_t, std::int32_t, int c) { return std::uint8_t(40 + 90 * c); });
    for (const Case& size : {Case{37, 23, 5, 3}, Case{37, 23, 1, 1}, Case{37, 23, 36, 22}, Case{37, 23, 80, 50}}) {
        const std::unique_ptr<aDIBSection> reduced = imaging::ResampleLanczos3(*flat, size.newWidth, size.newHeight);
        ASSERT_TRUE(reduced);
        ASSERT_EQ(reduced->Width(), size.newWidth);
        ASSERT_EQ(reduced->Height(), size.newHeight);
        for (std::int32_t y = 0; y < size.newHeight; ++y)
            for (std::int32_t x = 0; x < size.newWidth; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(At(*reduced, x, y, c), 40 + 90 * c) << size.newWidth << " x " << size.newHeight;
    }
    const std::unique_ptr<aDIBSection> noise = Filled(
        9, 7, [](std::int32_t x, std::int32_t y, int c) { return std::uint8_t((x * 73 + y * 151 + c * 29) % 256); });
    const std::unique_ptr<aDIBSection> same = imaging::ResampleLanczos3(*noise, 9, 7);
    ASSERT_TRUE(same);
    for (std::int32_t y = 0; y < 7; ++y)
        for (std::int32_t x = 0; x < 9; ++x)
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(At(*same, x, y, c), At(*noise, x, y, c));
    EXPECT_FALSE(imaging::ResampleLanczos3(*noise, 0, 5));
    EXPECT_FALSE(imaging::ResampleLanczos3(*noise, 5, -1));
}

// Noise, the hardest case for the negative lobes, at sizes that exercise the edges, row
// ends that are no multiple of the vector width, 1-pixel sources, odd heights, enlarging
// and a reduction so steep that every weight is below a unit of the fixed-point scale:
// every byte within one level of the exact filter, with and without AVX2.
TEST(Lanczos3Test, StaysWithinOneLevelOfTheExactFilter)
{
    struct Case {
        std::int32_t width, height, newWidth, newHeight;
    };
    for (const Case& size : {Case{64, 48, 21, 16}, Case{37, 23, 12, 7}, Case{61, 5, 20, 3}, Case{7, 9, 3, 4},
                             Case{1, 1, 3, 2}, Case{1, 9, 1, 4}, Case{9, 1, 4, 1}, Case{6, 5, 13, 11},
                             Case{30, 20, 31, 19}, Case{200, 3, 9, 1}, Case{70000, 1, 1, 1}}) {
        const std::unique_ptr<aDIBSection> noise = Filled(
            size.width, size.height, [](std::int32_t x, std::int32_t y, int c) {
                return std::uint8_t((x * 73 + y * 151 + c * 29 + x * y) % 256);
            });
        const std::vector<double> reference = ReferenceLanczos3(*noise, size.newWidth, size.newHeight);
        for (const bool avx2 : {true, false}) {
            const bool before = imaging::AllowLanczos3Avx2(avx2);
            const std::unique_ptr<aDIBSection> reduced = imaging::ResampleLanczos3(*noise, size.newWidth,
                                                                                   size.newHeight);
            imaging::AllowLanczos3Avx2(before);
            ASSERT_TRUE(reduced);
            double worst = 0.0;
            for (std::int32_t y = 0; y < size.newHeight; ++y)
                for (std::int32_t x = 0; x < size.newWidth; ++x)
                    for (int c = 0; c < 3; ++c)
                        worst = std::max(
                            worst,
                            std::abs(At(*reduced, x, y, c) - reference[(std::size_t(y) * size.newWidth + x) * 3 + c]));
            EXPECT_LE(worst, 1.0) << size.width << " x " << size.height << " to " << size.newWidth << " x "
                                  << size.newHeight << (avx2 ? ", AVX2 where the processor has it" : ", SSE2");
        }
    }
}

// Made from rows as a decoder hands them out, in bands of any height, the copy is the
// one made from the whole picture, byte for byte.
TEST(Lanczos3Test, FromBandsOfRowsAsFromTheWholePicture)
{
    struct Case {
        std::int32_t width, height, newWidth, newHeight;
    };
    for (const Case& size :
         {Case{301, 199, 64, 43}, Case{37, 23, 12, 7}, Case{6, 5, 13, 11}, Case{9, 40, 4, 1}, Case{5, 1, 2, 1}}) {
        const std::unique_ptr<aDIBSection> noise = Filled(
            size.width, size.height, [](std::int32_t x, std::int32_t y, int c) {
                return std::uint8_t((x * 73 + y * 151 + c * 29 + x * y) % 256);
            });
        const std::unique_ptr<aDIBSection> whole = imaging::ResampleLanczos3(*noise, size.newWidth, size.newHeight);
        ASSERT_TRUE(whole);
        const std::size_t bytes = std::size_t(whole->BytesPerScanLine()) * size.newHeight;
        for (const int band : {1, 5, 16}) {
            imaging::Bitmap24 target = imaging::NewBitmap24(size.newWidth, size.newHeight);
            imaging::Lanczos3Stream stream(size.width, size.height, target);
            std::vector<const std::uint8_t*> rows;
            for (std::int32_t first = 0; first < size.height; first += band) {
                rows.clear();
                for (std::int32_t t = first; t < std::min(size.height, first + band); ++t)
                    rows.push_back(noise->DIBSectionBitsPtr() + (size.height - 1 - t) * noise->BytesPerScanLine());
                stream.Take(first, static_cast<int>(rows.size()), rows.data());
            }
            EXPECT_TRUE(stream.Complete());
            EXPECT_EQ(0, std::memcmp(target.bits, whole->DIBSectionBitsPtr(), bytes))
                << size.width << " x " << size.height << " to " << size.newWidth << " x " << size.newHeight
                << ", bands of " << band;
        }
    }
}

// On a real photo, decoding at a reduced scale first (no less than twice the target) and
// then filtering stays within 40 dB of the filter over the full decode, and far ahead of
// the window's bilinear sampling.
TEST(Lanczos3Test, ScaledDecodeThenFilterMatchesTheFullFilterOnAPhoto)
{
    const QString photo = QStringLiteral(ZIMBREL_TEST_DATA "/circuit-board-photo.jpg");
    aDIBSection full;
    full.CreateFromPicture(imaging::LoadPicture(photo));
    ASSERT_EQ(full.Width(), 480);
    ASSERT_EQ(full.Height(), 320);
    constexpr std::int32_t width = 120, height = 80;
    const std::vector<double> reference = ReferenceLanczos3(full, width, height);

    int askedWidth = 0;
    aDIBSection halved;
    halved.CreateFromPicture(imaging::LoadPicture(photo, nullptr, [&](std::int32_t w, std::int32_t) {
        askedWidth = w;
        return 4; // 240 x 160: twice the target
    }));
    EXPECT_EQ(askedWidth, 480);
    ASSERT_EQ(halved.Width(), 240);
    ASSERT_EQ(halved.Height(), 160);

    const std::unique_ptr<aDIBSection> fast = imaging::ResampleLanczos3(halved, width, height);
    const std::unique_ptr<aDIBSection> exact = imaging::ResampleLanczos3(full, width, height);
    const std::unique_ptr<aDIBSection> bilinear = full.Resample(height, width);
    ASSERT_TRUE(fast && exact && bilinear);
    EXPECT_GT(Psnr(*exact, reference), 50.0);
    EXPECT_GE(Psnr(*fast, reference), 40.0);
    EXPECT_LT(Psnr(*bilinear, reference), Psnr(*fast, reference) - 5.0);
}

} // namespace
