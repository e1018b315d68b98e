#include "BilinearSampling.h"

namespace imaging::bilinear {

namespace {

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

SamplePlan PlanSamples(std::int32_t W, std::int32_t H, std::int32_t w, std::int32_t h, bool turned)
{
    const auto xScale = static_cast<float>(static_cast<double>(W - 1) / w);
    const auto yScale = static_cast<float>(static_cast<double>(H - 1) / h);
    SamplePlan plan;
    // Positions grow with the column, so checking the last column's bytes against the
    // row covers them all.
    plan.columns.resize(static_cast<std::size_t>(w));
    for (std::int32_t x = 0; x < w; ++x)
        plan.columns[static_cast<std::size_t>(x)] = SampleAt(xScale, x);
    const std::int64_t uprightStride = (3 * std::int64_t{W} + 3) & ~std::int64_t{3};
    const std::int64_t lastByte = 3 * std::int64_t{plan.columns.back().index} + 5;
    if (plan.columns.front().index < 0 || lastByte > uprightStride - 1
        || (turned && std::int64_t{plan.columns.back().index} + 1 > W - 1))
        throw errors::SubscriptOutOfRange();
    plan.rows.resize(static_cast<std::size_t>(h));
    for (std::int32_t y = 0; y < h; ++y) {
        const SamplePoint row = SampleAt(yScale, y);
        if (row.index < 0 || std::int64_t{row.index} + 1 > H - 1)
            throw errors::SubscriptOutOfRange();
        plan.rows[static_cast<std::size_t>(y)] = row;
    }
    return plan;
}

StoredPixel StoredPixelOf(int orientation, std::int64_t x, std::int64_t m, std::int32_t storedWidth,
                          std::int32_t storedHeight)
{
    const bool swaps = SwapsEdges(orientation);
    const std::int64_t W = swaps ? storedHeight : storedWidth;
    const std::int64_t H = swaps ? storedWidth : storedHeight;
    const std::int64_t y = H - 1 - m; // from the top
    switch (orientation) {
    case 2:
        return {W - 1 - x, y};
    case 3:
        return {W - 1 - x, H - 1 - y};
    case 4:
        return {x, H - 1 - y};
    case 5:
        return {y, x};
    case 6:
        return {y, storedHeight - 1 - x};
    case 7:
        return {storedWidth - 1 - y, storedHeight - 1 - x};
    case 8:
        return {storedWidth - 1 - y, x};
    default:
        return {x, y};
    }
}

} // namespace imaging::bilinear
