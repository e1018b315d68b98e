// Resample and its worker: plain bilinear sampling of a 2 x 2 neighbourhood per target
// pixel, in the program's own arithmetic (single-precision positions, a vertical pass
// rounded to integers before the horizontal pass, ties to even).

#include "aDIBSection.h"

#include "platform/Errors.h"

#include <cmath>
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

} // namespace

std::unique_ptr<aDIBSection> aDIBSection::Resample(std::int32_t lNewHeight, std::int32_t lNewWidth) const
{
    auto target = std::make_unique<aDIBSection>();
    if (!target->Create(lNewWidth, lNewHeight))
        return nullptr;
    if (lNewWidth == Width() && lNewHeight == Height())
        target->LoadPictureBlt(hdc_, 0, 0, -1, -1, gdi::SRCCOPY);
    else
        InterpolateInto(*target); // an error releases the target on its way out
    return target;
}

void aDIBSection::InterpolateInto(aDIBSection& target) const
{
    const std::int32_t W = Width();
    const std::int32_t H = Height();
    const std::int32_t w = target.Width();
    const std::int32_t h = target.Height();
    const std::int64_t sourceStride = BytesPerScanLine();
    const std::int64_t targetStride = target.BytesPerScanLine();
    if (!bits_ || !target.bits_)
        throw errors::ObjectRequired();

    const auto xScale = static_cast<float>(static_cast<double>(W - 1) / w);
    const auto yScale = static_cast<float>(static_cast<double>(H - 1) / h);

    // The column positions are the same on every row: work them out once. Positions grow
    // with the column, so checking the last column's bytes against the row covers them
    // all; the row check below covers iy and iy + 1. Both checks run before anything is
    // written, which is where the first out-of-range read would have raised.
    std::vector<SamplePoint> columns(static_cast<std::size_t>(w));
    for (std::int32_t x = 0; x < w; ++x)
        columns[static_cast<std::size_t>(x)] = SampleAt(xScale, x);
    const std::int64_t lastByte = 3 * std::int64_t{columns.back().index} + 5;
    if (columns.front().index < 0 || lastByte > sourceStride - 1)
        throw errors::SubscriptOutOfRange();

    for (std::int32_t y = 0; y < h; ++y) {
        const SamplePoint row = SampleAt(yScale, y);
        if (row.index < 0 || std::int64_t{row.index} + 1 > H - 1)
            throw errors::SubscriptOutOfRange();
        const double dy = row.fraction;
        const double oneMinusDy = 1.0 - dy;
        const std::uint8_t* lower = bits_ + row.index * sourceStride;
        const std::uint8_t* upper = lower + sourceStride;
        std::uint8_t* out = target.bits_ + y * targetStride;

        for (std::int32_t x = 0; x < w; ++x, out += 3) {
            const SamplePoint& column = columns[static_cast<std::size_t>(x)];
            const std::int64_t at = 3 * std::int64_t{column.index};
            const double dx = column.fraction;
            const double oneMinusDx = 1.0 - dx;
            for (int c = 0; c < 3; ++c) {
                const double left = RoundSmall(oneMinusDy * lower[at + c] + dy * upper[at + c]);
                const double right = RoundSmall(oneMinusDy * lower[at + 3 + c] + dy * upper[at + 3 + c]);
                out[c] = ClampToByte(RoundSmall(oneMinusDx * left + dx * right));
            }
        }
    }
}
