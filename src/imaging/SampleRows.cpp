#include "SampleRows.h"

#include <algorithm>

namespace imaging {

namespace {

std::uint64_t Sample(const std::uint8_t* p, const SampleLayout& layout)
{
    std::uint32_t value = p[0];
    if (layout.bytesPerSample == 2)
        value = layout.bigEndian ? (std::uint32_t{p[0]} << 8) | p[1] : p[0] | (std::uint32_t{p[1]} << 8);
    return std::min(value, layout.maxValue);
}

// numerator / denominator, rounded to the nearest integer.
std::uint8_t Rounded(std::uint64_t numerator, std::uint64_t denominator)
{
    return static_cast<std::uint8_t>((numerator + denominator / 2) / denominator);
}

} // namespace

void ToBgrOnWhite(const std::uint8_t* from, std::uint8_t* to, std::int32_t width, const SampleLayout& layout)
{
    const int step = layout.channels * layout.bytesPerSample;
    if (layout.channels == 3 && layout.bytesPerSample == 1 && layout.maxValue == 255) {
        for (std::int32_t x = 0; x < width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
        return;
    }
    const std::uint64_t max = layout.maxValue;
    for (std::int32_t x = 0; x < width; ++x, from += step, to += 3) {
        const std::uint64_t alpha = layout.channels == 4 ? Sample(from + 3 * layout.bytesPerSample, layout) : max;
        for (int c = 0; c < 3; ++c) {
            const std::uint64_t value = Sample(from + c * layout.bytesPerSample, layout);
            std::uint8_t out;
            if (alpha == max)
                out = Rounded(value * 255, max);
            else if (layout.premultiplied)
                out = Rounded((std::min(value, alpha) + max - alpha) * 255, max);
            else
                out = Rounded((value * alpha + max * (max - alpha)) * 255, max * max);
            to[2 - c] = out;
        }
    }
}

} // namespace imaging
