#include "StreamedResample.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#if defined(__x86_64__) && defined(__GNUC__)
#include <immintrin.h>
#define ZIMBREL_WHOLE_INTERPOLATION 1
#endif

namespace imaging {

using namespace bilinear;

namespace {

// The numerator of a sample fraction over 2^23, where the fraction is a whole multiple of
// 2^-23 (every fraction of a reduction is: its positions are 1 or more, where single
// precision has no finer step); -1 where it is not.
std::int32_t WholeWeight(double fraction)
{
    const double scaled = fraction * 8388608.0;
    return scaled == std::floor(scaled) ? static_cast<std::int32_t>(scaled) : -1;
}

#ifdef ZIMBREL_WHOLE_INTERPOLATION

// With weights k / 2^23 every step of Interpolate is exact in integers below 2^31: a lerp
// of bytes a and b is a * 2^23 + k * (b - a) over 2^23, and rounding that half to even is
// adding 2^22 - 1 and the parity of its whole part, then a shift. Eight lanes at a time:
// the left pixel's three bytes in lanes 0 to 2, the right pixel's in 4 to 6.
__attribute__((target("avx2"))) inline __m256i RoundedLerps(__m256i a, __m256i b, __m256i weight)
{
    const __m256i n = _mm256_add_epi32(_mm256_slli_epi32(a, 23), _mm256_mullo_epi32(weight, _mm256_sub_epi32(b, a)));
    const __m256i odd = _mm256_and_si256(_mm256_srli_epi32(n, 23), _mm256_set1_epi32(1));
    return _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(n, _mm256_set1_epi32((1 << 22) - 1)), odd), 23);
}

__attribute__((target("avx2"))) inline __m128i RoundedLerps(__m128i a, __m128i b, __m128i weight)
{
    const __m128i n = _mm_add_epi32(_mm_slli_epi32(a, 23), _mm_mullo_epi32(weight, _mm_sub_epi32(b, a)));
    const __m128i odd = _mm_and_si128(_mm_srli_epi32(n, 23), _mm_set1_epi32(1));
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(n, _mm_set1_epi32((1 << 22) - 1)), odd), 23);
}

// Interpolate for weights dy = k / 2^23 and dx = j / 2^23. Reads four bytes at each
// pixel: the caller makes sure the fourth is there.
__attribute__((target("avx2"))) inline void InterpolateWhole(const std::uint8_t* lowerLeft,
                                                             const std::uint8_t* upperLeft,
                                                             const std::uint8_t* lowerRight,
                                                             const std::uint8_t* upperRight, std::int32_t k,
                                                             std::int32_t j, std::uint8_t* out)
{
    std::uint32_t ll, lr, ul, ur;
    std::memcpy(&ll, lowerLeft, 4);
    std::memcpy(&lr, lowerRight, 4);
    std::memcpy(&ul, upperLeft, 4);
    std::memcpy(&ur, upperRight, 4);
    const __m256i lower = _mm256_cvtepu8_epi32(_mm_set_epi32(0, 0, static_cast<int>(lr), static_cast<int>(ll)));
    const __m256i upper = _mm256_cvtepu8_epi32(_mm_set_epi32(0, 0, static_cast<int>(ur), static_cast<int>(ul)));
    const __m256i columns = RoundedLerps(lower, upper, _mm256_set1_epi32(k));
    const __m128i pixel = RoundedLerps(_mm256_castsi256_si128(columns), _mm256_extracti128_si256(columns, 1),
                                       _mm_set1_epi32(j));
    const __m128i bytes = _mm_packus_epi16(_mm_packus_epi32(pixel, pixel), pixel);
    const auto packed = static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes));
    std::memcpy(out, &packed, 3);
}

// A target row (first: its lower stored row, second: its upper) or, sideways, a target
// column (first: its left, second: its right), as Make's plain loops make them.
__attribute__((target("avx2"))) void MakeRowWhole(const std::uint8_t* lower, const std::uint8_t* upper,
                                                  const StreamedResample::Taps& taps, std::int32_t k, double dy,
                                                  std::uint8_t* out)
{
    for (std::size_t x = 0; x < taps.near.size(); ++x, out += 3) {
        const std::int64_t near = taps.near[x];
        const std::int64_t far = taps.far[x];
        if (taps.wide[x])
            InterpolateWhole(lower + near, upper + near, lower + far, upper + far, k, taps.weights[x], out);
        else
            Interpolate(lower + near, upper + near, lower + far, upper + far, dy, taps.fractions[x], out);
    }
}

__attribute__((target("avx2"))) void MakeColumnWhole(const std::uint8_t* left, const std::uint8_t* right,
                                                     const StreamedResample::Taps& taps, std::int32_t j, double dx,
                                                     std::uint8_t* out, std::int64_t stride)
{
    for (std::size_t y = 0; y < taps.near.size(); ++y, out += stride) {
        const std::int64_t lower = taps.near[y];
        const std::int64_t upper = taps.far[y];
        if (taps.wide[y])
            InterpolateWhole(left + lower, left + upper, right + lower, right + upper, taps.weights[y], j, out);
        else
            Interpolate(left + lower, left + upper, right + lower, right + upper, taps.fractions[y], dx, out);
    }
}

#endif

} // namespace

StreamedResample::StreamedResample(std::int32_t storedWidth, std::int32_t storedHeight, int orientation,
                                   const Bitmap24& target)
    : sideways_(SwapsEdges(orientation))
{
    if (orientation < 1 || orientation > 8)
        orientation = 1;
    target_.bits = target.bits;
    target_.stride = target.stride;
    target_.width = target.width;
    target_.height = target.height;
    if (!target.bits || storedWidth <= 0 || storedHeight <= 0)
        throw errors::ObjectRequired();
    const std::int32_t W = sideways_ ? storedHeight : storedWidth;
    const std::int32_t H = sideways_ ? storedWidth : storedHeight;
    plan_ = PlanSamples(W, H, target.width, target.height, orientation != 1);

    const auto stored = [&](std::int64_t x, std::int64_t m) {
        return StoredPixelOf(orientation, x, m, storedWidth, storedHeight);
    };
    // Upright rows are stored rows (one stored row per target row pair, offsets along it
    // per target column), or for sideways photos upright columns are (a stored row pair
    // per target column, offsets per target row).
    const std::vector<SamplePoint>& along = sideways_ ? plan_.rows : plan_.columns;
    const std::vector<SamplePoint>& across = sideways_ ? plan_.columns : plan_.rows;
    whole_ = true;
    for (const SamplePoint& point : along) {
        const StoredPixel near = sideways_ ? stored(0, point.index) : stored(point.index, 0);
        const StoredPixel far = sideways_ ? stored(0, point.index + 1) : stored(point.index + 1, 0);
        taps_.near.push_back(3 * near.column);
        taps_.far.push_back(3 * far.column);
        taps_.fractions.push_back(point.fraction);
        taps_.weights.push_back(WholeWeight(point.fraction));
        taps_.wide.push_back(std::max(near.column, far.column) + 1 < storedWidth ? 1 : 0);
        whole_ = whole_ && taps_.weights.back() >= 0;
    }
    for (std::size_t i = 0; i < across.size(); ++i) {
        const std::int32_t index = across[i].index;
        const StoredPixel near = sideways_ ? stored(index, 0) : stored(0, index);
        const StoredPixel far = sideways_ ? stored(index + 1, 0) : stored(0, index + 1);
        lines_.push_back({static_cast<std::int32_t>(i), static_cast<std::int32_t>(near.row),
                          static_cast<std::int32_t>(far.row), WholeWeight(across[i].fraction)});
        whole_ = whole_ && lines_.back().weight >= 0;
    }
#ifdef ZIMBREL_WHOLE_INTERPOLATION
    whole_ = whole_ && __builtin_cpu_supports("avx2");
#else
    whole_ = false;
#endif
    std::stable_sort(lines_.begin(), lines_.end(), [](const Line& a, const Line& b) {
        return std::max(a.first, a.second) < std::max(b.first, b.second);
    });
    carried_.resize(3 * static_cast<std::size_t>(storedWidth));
}

void StreamedResample::Take(std::int32_t first, int count, const std::uint8_t* const* rows)
{
    const std::int32_t last = first + count - 1;
    const auto row = [&](std::int32_t index) {
        return index == carriedRow_ && index < first ? carried_.data() : rows[index - first];
    };
    for (; next_ < lines_.size(); ++next_) {
        const Line& line = lines_[next_];
        if (std::max(line.first, line.second) > last)
            break;
        Make(line, row(line.first), row(line.second));
    }
    // A line may pair this call's last row with the next call's first.
    if (next_ < lines_.size() && std::min(lines_[next_].first, lines_[next_].second) == last) {
        std::memcpy(carried_.data(), rows[count - 1], carried_.size());
        carriedRow_ = last;
    }
}

void StreamedResample::Make(const Line& line, const std::uint8_t* first, const std::uint8_t* second) const
{
    if (!sideways_) {
        // Target row line.target: first is its lower row, second its upper.
        const double dy = plan_.rows[static_cast<std::size_t>(line.target)].fraction;
        std::uint8_t* out = target_.bits + line.target * target_.stride;
#ifdef ZIMBREL_WHOLE_INTERPOLATION
        if (whole_)
            return MakeRowWhole(first, second, taps_, line.weight, dy, out);
#endif
        for (std::size_t x = 0; x < taps_.near.size(); ++x, out += 3) {
            const std::int64_t near = taps_.near[x];
            const std::int64_t far = taps_.far[x];
            Interpolate(first + near, second + near, first + far, second + far, dy, taps_.fractions[x], out);
        }
        return;
    }
    // Target column line.target: first is its left column, second its right.
    const double dx = plan_.columns[static_cast<std::size_t>(line.target)].fraction;
    std::uint8_t* out = target_.bits + 3 * std::int64_t{line.target};
#ifdef ZIMBREL_WHOLE_INTERPOLATION
    if (whole_)
        return MakeColumnWhole(first, second, taps_, line.weight, dx, out, target_.stride);
#endif
    for (std::size_t y = 0; y < taps_.near.size(); ++y, out += target_.stride) {
        const std::int64_t lower = taps_.near[y];
        const std::int64_t upper = taps_.far[y];
        Interpolate(first + lower, first + upper, second + lower, second + upper, taps_.fractions[y], dx, out);
    }
}

} // namespace imaging
