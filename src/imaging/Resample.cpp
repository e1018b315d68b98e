// Resample and its worker: plain bilinear sampling of a 2 x 2 neighbourhood per target
// pixel, in the program's own arithmetic (single-precision positions, a vertical pass
// rounded to integers before the horizontal pass, ties to even).

#include "aDIBSection.h"

#include "imaging/ExifOrientation.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Round half to even for the small values of this file (|v| < 2^51): adding and
// subtracting 1.5 * 2^52 leaves the integer the FPU's round-to-nearest-even picked.
// Exact for every value the passes produce and much cheaper than a library call.
inline double RoundSmall(double v)
{
    constexpr double kShift = 6755399441055744.0; // 1.5 * 2^52
    return (v + kShift) - kShift;                 // not folded: the build never enables fast-math
}

inline std::uint8_t ClampToByte(double v)
{
    const int value = static_cast<int>(v);
    return static_cast<std::uint8_t>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// Where one target column or row samples the source: the integer position and the
// single-precision fraction, computed exactly as the per-pixel formula would.
struct SamplePoint {
    std::int32_t index;
    double fraction; // the single-precision fraction, widened
};

SamplePoint SampleAt(float scale, std::int32_t i)
{
    const float position = static_cast<float>(static_cast<double>(scale) * i);
    const double floorPosition = std::floor(static_cast<double>(position));
    if (!(floorPosition >= INT32_MIN && floorPosition <= INT32_MAX))
        throw errors::OverflowError();
    const auto index = static_cast<std::int32_t>(floorPosition);
    const float fraction = static_cast<float>(static_cast<double>(position) - index);
    return {index, static_cast<double>(fraction)};
}

// Where the upright picture's pixels lie in a bitmap that holds the picture as stored,
// before its EXIF turn: upright pixel x of memory row m (counted bottom row first, as the
// upright bitmap would keep its rows) starts origin + x * columnStep + m * rowStep bytes
// into the stored bitmap. For orientations 1..4 a column step is a pixel (3 bytes, or -3
// where rows are mirrored); for 5..8 it is a stored row.
struct UprightLayout {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int64_t origin = 0;
    std::int64_t columnStep = 3;
    std::int64_t rowStep = 0;
};

UprightLayout LayoutFor(int orientation, std::int32_t storedWidth, std::int32_t storedHeight, std::int64_t stride)
{
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    const bool swaps = imaging::SwapsEdges(orientation);
    const std::int64_t W = swaps ? storedHeight : storedWidth;
    const std::int64_t H = swaps ? storedWidth : storedHeight;
    // The stored pixel that upright pixel (x, y), y counted from the top, shows.
    const auto offset = [&](std::int64_t x, std::int64_t m) {
        const std::int64_t y = H - 1 - m;
        std::int64_t sx = x;
        std::int64_t sy = y;
        switch (orientation) {
        case 2:
            sx = W - 1 - x;
            break;
        case 3:
            sx = W - 1 - x;
            sy = H - 1 - y;
            break;
        case 4:
            sy = H - 1 - y;
            break;
        case 5:
            sx = y;
            sy = x;
            break;
        case 6:
            sx = y;
            sy = storedHeight - 1 - x;
            break;
        case 7:
            sx = storedWidth - 1 - y;
            sy = storedHeight - 1 - x;
            break;
        case 8:
            sx = storedWidth - 1 - y;
            sy = x;
            break;
        default:
            break;
        }
        return (storedHeight - 1 - sy) * stride + 3 * sx;
    };
    UprightLayout layout;
    layout.width = static_cast<std::int32_t>(W);
    layout.height = static_cast<std::int32_t>(H);
    layout.origin = offset(0, 0);
    layout.columnStep = offset(1, 0) - layout.origin;
    layout.rowStep = offset(0, 1) - layout.origin;
    return layout;
}

// One target pixel from the 2 x 2 neighbourhood whose lower left pixel starts at at:
// down first, each column rounded, then across.
inline void Interpolate(const std::uint8_t* at, std::int64_t columnStep, std::int64_t rowStep, double dy, double dx,
                        std::uint8_t* out)
{
    const double oneMinusDy = 1.0 - dy;
    const double oneMinusDx = 1.0 - dx;
    const std::uint8_t* upper = at + rowStep;
    for (int c = 0; c < 3; ++c) {
        const double left = RoundSmall(oneMinusDy * at[c] + dy * upper[c]);
        const double right = RoundSmall(oneMinusDy * at[columnStep + c] + dy * upper[columnStep + c]);
        out[c] = ClampToByte(RoundSmall(oneMinusDx * left + dx * right));
    }
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
    const UprightLayout upright = LayoutFor(orientation, Width(), Height(), BytesPerScanLine());
    if (lNewWidth != upright.width || lNewHeight != upright.height) {
        InterpolateInto(*target, orientation); // an error releases the target on its way out
    } else if (orientation <= 1 || orientation > 8) {
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
    const std::int32_t W = upright.width;
    const std::int32_t H = upright.height;
    const std::int32_t w = target.Width();
    const std::int32_t h = target.Height();
    // The bounds are those of the upright bitmap, row padding included, as if it had been
    // turned first; a turned picture has no padding to read, so it stops at its last pixel.
    const std::int64_t uprightStride = (3 * std::int64_t{W} + 3) & ~std::int64_t{3};
    const std::int64_t targetStride = target.BytesPerScanLine();
    if (!bits_ || !target.bits_)
        throw errors::ObjectRequired();

    const auto xScale = static_cast<float>(static_cast<double>(W - 1) / w);
    const auto yScale = static_cast<float>(static_cast<double>(H - 1) / h);

    // The column positions are the same on every row: work them out once. Positions grow
    // with the column, so checking the last column's bytes against the row covers them
    // all; the row check covers iy and iy + 1. Both checks run before anything is
    // written, which is where the first out-of-range read would have raised.
    std::vector<SamplePoint> columns(static_cast<std::size_t>(w));
    for (std::int32_t x = 0; x < w; ++x)
        columns[static_cast<std::size_t>(x)] = SampleAt(xScale, x);
    const std::int64_t lastByte = 3 * std::int64_t{columns.back().index} + 5;
    const bool turned = orientation > 1 && orientation <= 8;
    if (columns.front().index < 0 || lastByte > uprightStride - 1 || (turned && columns.back().index + 1 > W - 1))
        throw errors::SubscriptOutOfRange();
    std::vector<SamplePoint> rows(static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        const SamplePoint row = SampleAt(yScale, y);
        if (row.index < 0 || std::int64_t{row.index} + 1 > H - 1)
            throw errors::SubscriptOutOfRange();
        rows[static_cast<std::size_t>(y)] = row;
    }

    const std::uint8_t* const origin = bits_ + upright.origin;
    const auto pixel = [&](std::int32_t x, std::int32_t y, std::uint8_t* out) {
        const SamplePoint& column = columns[static_cast<std::size_t>(x)];
        const SamplePoint& row = rows[static_cast<std::size_t>(y)];
        Interpolate(origin + row.index * upright.rowStep + column.index * upright.columnStep, upright.columnStep,
                    upright.rowStep, row.fraction, column.fraction, out);
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
