#pragma once
// The arithmetic of the program's bilinear resampling, shared by aDIBSection::Resample
// (from a whole bitmap) and StreamedResample (from rows as they are decoded), which must
// give the same bytes: single-precision positions, a vertical pass rounded to integers
// before the horizontal pass, ties to even.

#include "imaging/ExifOrientation.h"
#include "platform/Errors.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace imaging::bilinear {

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
    std::int32_t index = 0;
    double fraction = 0; // the single-precision fraction, widened
};

// Every target column's and row's sample point for a W x H upright source and a w x h
// target. Raises what the first out-of-range read of the per-pixel formula would have
// raised, before anything is written: errors::SubscriptOutOfRange where a column's
// right neighbour lies beyond the upright row as the bitmap pads it (beyond its last
// pixel for a turned source, which has no padding) or a row's upper neighbour beyond
// the last row; errors::OverflowError for positions beyond 32 bits.
struct SamplePlan {
    std::vector<SamplePoint> columns;
    std::vector<SamplePoint> rows; // memory rows, bottom first
};
SamplePlan PlanSamples(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h, bool turned);

// One target pixel from its 2 x 2 neighbourhood (lower = the lower memory row, left =
// the lower column): down first, each column rounded, then across.
inline void Interpolate(const std::uint8_t* lowerLeft, const std::uint8_t* upperLeft, const std::uint8_t* lowerRight,
                        const std::uint8_t* upperRight, double dy, double dx, std::uint8_t* out)
{
    const double oneMinusDy = 1.0 - dy;
    const double oneMinusDx = 1.0 - dx;
    for (int c = 0; c < 3; ++c) {
        const double left = RoundSmall(oneMinusDy * lowerLeft[c] + dy * upperLeft[c]);
        const double right = RoundSmall(oneMinusDy * lowerRight[c] + dy * upperRight[c]);
        out[c] = ClampToByte(RoundSmall(oneMinusDx * left + dx * right));
    }
}

// The stored pixel (column, and row from the top) that a picture stored storedWidth x
// storedHeight shows at upright column x of upright memory row m (bottom row first, as
// the upright bitmap would keep it) once turned as orientation (EXIF's 1..8) says.
struct StoredPixel {
    std::int64_t column = 0;
    std::int64_t row = 0;
};
StoredPixel StoredPixelOf(int orientation, std::int64_t x, std::int64_t m, std::int32_t storedWidth,
                          std::int32_t storedHeight);

} // namespace imaging::bilinear
