// Resample and its worker: the program's bilinear sampling (imaging/BilinearSampling.h)
// of a whole bitmap, read through the picture's EXIF turn where it is held as stored.

#include "aDIBSection.h"

#include "imaging/BilinearSampling.h"

#include <algorithm>
#include <cstring>

namespace {

using namespace imaging::bilinear;

// Where the upright picture's pixels lie in a bitmap that holds the picture as stored:
// upright pixel x of memory row m starts origin + x * columnStep + m * rowStep bytes
// into it. For orientations 1..4 a column step is a pixel (3 bytes, or -3 where rows
// are mirrored); for 5..8 it is a stored row.
struct UprightLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t origin = 0;
    std::int64_t columnStep = 3;
    std::int64_t rowStep = 0;
};

UprightLayout LayoutFor(int orientation, std::int32_t storedWidth, std::int32_t storedHeight, std::int64_t stride)
{
    const auto offset = [&](std::int64_t x, std::int64_t m) {
        const StoredPixel pixel = StoredPixelOf(orientation, x, m, storedWidth, storedHeight);
        return (storedHeight - 1 - pixel.row) * stride + 3 * pixel.column;
    };
    const bool swaps = imaging::SwapsEdges(orientation);
    UprightLayout layout;
    layout.width = swaps ? storedHeight : storedWidth;
    layout.height = swaps ? storedWidth : storedHeight;
    layout.origin = offset(0, 0);
    layout.columnStep = offset(1, 0) - layout.origin;
    layout.rowStep = offset(0, 1) - layout.origin;
    return layout;
}

bool Turns(int orientation)
{
    return orientation > 1 && orientation <= 8;
}

// Target columns worked on together when upright columns are stored rows: each target row
// then reads a short run from each of their stored rows, which stay in the cache from one
// target row to the next.
constexpr std::int32_t kTurnedColumnBlock = 16;

} // namespace

std::unique_ptr<aDIBSection> aDIBSection::Resample(std::int32_t lNewHeight, std::int32_t lNewWidth,
                                                   int orientation) const
{
    auto target = std::make_unique<aDIBSection>();
    if (!target->Create(lNewWidth, lNewHeight))
        return nullptr;
    if (!Turns(orientation))
        orientation = 1;
    const UprightLayout upright = LayoutFor(orientation, Width(), Height(), BytesPerScanLine());
    if (lNewWidth != upright.width || lNewHeight != upright.height) {
        InterpolateInto(*target, orientation); // an error releases the target on its way out
    } else if (orientation == 1) {
        target->LoadPictureBlt(hdc_, 0, 0, -1, -1, gdi::SRCCOPY);
    } else {
        if (!bits_ || !target->bits_)
            throw errors::ObjectRequired();
        const std::int64_t targetStride = target->BytesPerScanLine();
        for (std::int32_t m = 0; m < upright.height; ++m) {
            const std::uint8_t* from = bits_ + upright.origin + m * upright.rowStep;
            std::uint8_t* to = target->bits_ + m * targetStride;
            for (std::int32_t x = 0; x < upright.width; ++x, from += upright.columnStep, to += 3)
                std::memcpy(to, from, 3);
        }
    }
    return target;
}

void aDIBSection::InterpolateInto(aDIBSection& target, int orientation) const
{
    const UprightLayout upright = LayoutFor(orientation, Width(), Height(), BytesPerScanLine());
    const std::int32_t w = target.Width();
    const std::int32_t h = target.Height();
    const std::int64_t targetStride = target.BytesPerScanLine();
    if (!bits_ || !target.bits_)
        throw errors::ObjectRequired();
    const SamplePlan plan = PlanSamples(upright.width, upright.height, w, h, Turns(orientation));

    const std::uint8_t* const origin = bits_ + upright.origin;
    const std::int64_t right = upright.columnStep;
    const std::int64_t up = upright.rowStep;
    const auto pixel = [&](std::int32_t x, std::int32_t y, std::uint8_t* out) {
        const SamplePoint& column = plan.columns[static_cast<std::size_t>(x)];
        const SamplePoint& row = plan.rows[static_cast<std::size_t>(y)];
        const std::uint8_t* at = origin + row.index * up + column.index * right;
        Interpolate(at, at + up, at + right, at + up + right, row.fraction, column.fraction, out);
    };
    if (!imaging::SwapsEdges(orientation)) {
        // Upright rows are stored rows: row by row, as they lie in memory.
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* out = target.bits_ + y * targetStride;
            for (std::int32_t x = 0; x < w; ++x, out += 3)
                pixel(x, y, out);
        }
        return;
    }
    // Upright columns are stored rows: a few target columns at a time, down the picture.
    for (std::int32_t block = 0; block < w; block += kTurnedColumnBlock) {
        const std::int32_t end = std::min(w, block + kTurnedColumnBlock);
        for (std::int32_t y = 0; y < h; ++y) {
            std::uint8_t* out = target.bits_ + y * targetStride + 3 * std::int64_t{block};
            for (std::int32_t x = block; x < end; ++x, out += 3)
                pixel(x, y, out);
        }
    }
}
