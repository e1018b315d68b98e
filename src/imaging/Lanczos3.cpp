#include "Lanczos3.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <numbers>
#include <vector>

namespace imaging {

namespace {

constexpr double kLobes = 3.0;

// The source pixels and weights that make one target column (or row).
struct Taps {
    std::int32_t first = 0;
    std::vector<float> weights;
};

// For each of targetSize positions along an edge of sourceSize pixels.
std::vector<Taps> TapsFor(std::int32_t sourceSize, std::int32_t targetSize)
{
    const double scale = static_cast<double>(sourceSize) / targetSize;
    const double stretch = std::max(scale, 1.0); // widened for reductions only
    const double support = kLobes * stretch;
    std::vector<Taps> all(static_cast<std::size_t>(targetSize));
    for (std::int32_t i = 0; i < targetSize; ++i) {
        const double centre = (i + 0.5) * scale; // in source coordinates, pixel edges at integers
        // Every pixel whose centre (j + 0.5) lies within the support; zero weights at
        // either end are dropped.
        const auto from = std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(centre - support)));
        const auto to = std::min<std::int32_t>(sourceSize - 1, static_cast<std::int32_t>(std::ceil(centre + support)));
        std::vector<double> weights;
        for (std::int32_t j = from; j <= to; ++j)
            weights.push_back(Lanczos3Kernel((j + 0.5 - centre) / stretch));
        std::size_t first = 0;
        std::size_t end = weights.size();
        while (first + 1 < end && weights[first] == 0.0)
            ++first;
        while (end > first + 1 && weights[end - 1] == 0.0)
            --end;
        Taps& taps = all[static_cast<std::size_t>(i)];
        taps.first = from + static_cast<std::int32_t>(first);
        double sum = 0.0;
        for (std::size_t k = first; k < end; ++k)
            sum += weights[k];
        // Near the edges part of the kernel falls outside: what is left is normalised.
        for (std::size_t k = first; k < end && sum != 0.0; ++k)
            taps.weights.push_back(static_cast<float>(weights[k] / sum));
        if (taps.weights.empty()) { // cannot happen for sizes above 0; the nearest pixel then
            taps.first = std::clamp<std::int32_t>(static_cast<std::int32_t>(centre), 0, sourceSize - 1);
            taps.weights.assign(1, 1.0f);
        }
    }
    return all;
}

// Rounded half up, clamped; no library call, as this runs for every byte of the copy.
std::uint8_t ToByte(float value)
{
    return static_cast<std::uint8_t>(std::clamp(value, 0.0f, 255.0f) + 0.5f);
}

} // namespace

double Lanczos3Kernel(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    return kLobes * std::sin(px) * std::sin(px / kLobes) / (px * px);
}

std::unique_ptr<aDIBSection> ResampleLanczos3(const aDIBSection& source, std::int32_t newWidth, std::int32_t newHeight)
{
    const std::int32_t width = source.Width();
    const std::int32_t height = source.Height();
    if (newWidth <= 0 || newHeight <= 0 || width <= 0 || height <= 0 || !source.DIBSectionBitsPtr())
        return nullptr;
    auto target = std::make_unique<aDIBSection>();
    if (!target->Create(newWidth, newHeight))
        return nullptr;

    try {
        // Down first, one target row at a time into a row of floats as wide as the source
        // (whole rows, which the compiler turns into vector code), then across from that
        // row into the target. Floats in between keep the negative lobes unclipped.
        const std::vector<Taps> down = TapsFor(height, newHeight);
        const std::vector<Taps> across = TapsFor(width, newWidth);
        const std::size_t rowFloats = static_cast<std::size_t>(width) * 3;
        std::vector<float> column(rowFloats);
        const std::uint8_t* sourceBits = source.DIBSectionBitsPtr();
        const std::int64_t sourceStride = source.BytesPerScanLine();
        std::uint8_t* targetBits = target->DIBSectionBitsPtr();
        const std::int64_t targetStride = target->BytesPerScanLine();
        // Each source row serves several target rows: it is turned into floats once and
        // kept in a ring as long as target rows still need it. The rows one target row
        // needs are consecutive, never more than the ring holds, and only move forward,
        // so a row is never evicted while it is needed.
        std::size_t ringSize = 1;
        for (const Taps& taps : down)
            ringSize = std::max(ringSize, taps.weights.size());
        std::vector<float> ring(ringSize * rowFloats);
        std::vector<std::int64_t> ringRow(ringSize, -1);
        const auto floatRow = [&](std::int64_t row) {
            const std::size_t slot = static_cast<std::size_t>(row) % ringSize;
            float* floats = ring.data() + slot * rowFloats;
            if (ringRow[slot] != row) {
                const std::uint8_t* bytes = sourceBits + row * sourceStride;
                for (std::size_t i = 0; i < rowFloats; ++i)
                    floats[i] = static_cast<float>(bytes[i]);
                ringRow[slot] = row;
            }
            return static_cast<const float*>(floats);
        };
        for (std::int32_t y = 0; y < newHeight; ++y) {
            const Taps& rows = down[static_cast<std::size_t>(y)];
            float* sum = column.data();
            std::fill(column.begin(), column.end(), 0.0f);
            for (std::size_t k = 0; k < rows.weights.size(); ++k) {
                const float weight = rows.weights[k];
                const float* row = floatRow(rows.first + static_cast<std::int64_t>(k));
                for (std::size_t i = 0; i < rowFloats; ++i)
                    sum[i] += weight * row[i];
            }
            std::uint8_t* out = targetBits + y * targetStride;
            for (std::int32_t x = 0; x < newWidth; ++x) {
                const Taps& taps = across[static_cast<std::size_t>(x)];
                const float* pixel = sum + std::size_t{3} * static_cast<std::size_t>(taps.first);
                float blue = 0.0f, green = 0.0f, red = 0.0f;
                for (const float weight : taps.weights) {
                    blue += weight * pixel[0];
                    green += weight * pixel[1];
                    red += weight * pixel[2];
                    pixel += 3;
                }
                out[3 * x] = ToByte(blue);
                out[3 * x + 1] = ToByte(green);
                out[3 * x + 2] = ToByte(red);
            }
        }
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return target;
}

} // namespace imaging
