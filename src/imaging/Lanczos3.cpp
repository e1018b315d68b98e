#include "Lanczos3.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>
#include <numbers>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
// AVX2 is used through functions compiled for it and chosen at run time.
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define ZIMBREL_LANCZOS_AVX2 1
#include <immintrin.h>
#else
#define ZIMBREL_LANCZOS_AVX2 0
#endif

namespace imaging {

namespace {

constexpr double kLobes = 3.0;

// Weights are integers scaled by 2^14, so that one weight, even a whole 1.0, fits a signed
// 16-bit lane and the sums stay well inside 32 bits.
constexpr int kWeightBits = 14;
constexpr std::int32_t kWeightOne = 1 << kWeightBits;
// Between the passes a sample is kept as a signed 16-bit value scaled by 2^6: the negative
// lobes' undershoot and overshoot survive to the second pass, and the rounding between the
// passes costs a sixty-fourth of a level instead of half of one.
constexpr int kMiddleBits = 6;
constexpr int kDownShift = kWeightBits - kMiddleBits;
constexpr int kAcrossShift = kWeightBits + kMiddleBits;

// The weights of one direction: for each target position the first source pixel (or row)
// and `taps` weights from there. `taps` is the same for every position and even, so that
// the passes run without per-pixel lengths and in pairs; weights beyond a position's own
// reach are 0, and the pixels they stand on may lie past the edge (the passes take care).
struct Filter {
    std::int32_t taps = 0;
    std::vector<std::int32_t> first;
    std::vector<std::int16_t> weights; // position-major: taps per position

    // Where target position x's first tap lies in samples of `step` values each.
    std::size_t FirstAt(std::int32_t x, std::size_t step) const
    {
        return step * static_cast<std::size_t>(first[static_cast<std::size_t>(x)]);
    }
    // Target position x's weights, taps of them.
    const std::int16_t* WeightsAt(std::int32_t x) const
    {
        return weights.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(taps);
    }
};

// Weights as fractions that sum to 1 exactly once scaled, so that flat areas stay exactly
// flat: the running total is rounded, not each weight, and each weight is the step between
// two rounded totals. No weight is then more than one unit off, however many there are.
void FixWeights(const double* weights, std::size_t count, std::int16_t* out)
{
    double total = 0.0;
    std::int64_t rounded = 0;
    for (std::size_t k = 0; k < count; ++k) {
        total += weights[k] * kWeightOne;
        const std::int64_t next = std::llround(total);
        out[k] = static_cast<std::int16_t>(next - rounded);
        rounded = next;
    }
}

// The kernel sampled finely once and read back with linear interpolation: the weights of
// every copy are made anew, and a table is several times quicker than sines. 2048 steps a
// unit keep it within 1e-6 of the kernel, a fiftieth of a weight's last unit.
double TabledKernel(double x)
{
    constexpr int kSteps = 2048;
    constexpr auto kEnd = static_cast<std::size_t>(kLobes) * kSteps;
    static const std::vector<double> table = [] {
        std::vector<double> values(kEnd + 2, 0.0);
        for (std::size_t i = 0; i <= kEnd; ++i)
            values[i] = Lanczos3Kernel(static_cast<double>(i) / kSteps);
        return values;
    }();
    x = std::abs(x) * kSteps;
    if (x >= static_cast<double>(kEnd))
        return 0.0;
    const auto i = static_cast<std::size_t>(x);
    const double fraction = x - static_cast<double>(i);
    return table[i] + fraction * (table[i + 1] - table[i]);
}

// For each of targetSize positions along an edge of sourceSize pixels.
Filter FilterFor(std::int32_t sourceSize, std::int32_t targetSize)
{
    const double scale = static_cast<double>(sourceSize) / targetSize;
    const double stretch = std::max(scale, 1.0); // widened for reductions only
    const double support = kLobes * stretch;
    // No position reaches more pixels than this; each one's normalised weights are kept in
    // a slot of that many until the longest is known.
    const auto reach = static_cast<std::size_t>(std::min<double>(sourceSize, 2.0 * std::ceil(support) + 3.0));
    const auto positions = static_cast<std::size_t>(targetSize);
    std::vector<double> kept(positions * reach);
    std::vector<std::size_t> counts(positions);
    Filter filter;
    filter.first.resize(positions);
    std::size_t taps = 2;
    for (std::size_t i = 0; i < positions; ++i) {
        const double centre = (static_cast<double>(i) + 0.5) * scale; // in source coordinates, pixel edges at integers
        // Every pixel whose centre (j + 0.5) lies within the support, without the zero
        // weights at either end.
        auto from = std::max<std::int32_t>(0, static_cast<std::int32_t>(std::floor(centre - support)));
        auto to = std::min<std::int32_t>(sourceSize - 1, static_cast<std::int32_t>(std::ceil(centre + support)));
        while (from < to && std::abs(TabledKernel((from + 0.5 - centre) / stretch)) < 1e-12)
            ++from;
        while (to > from && std::abs(TabledKernel((to + 0.5 - centre) / stretch)) < 1e-12)
            --to;
        double* weights = kept.data() + i * reach;
        std::size_t count = 0;
        double sum = 0.0;
        for (std::int32_t j = from; j <= to && count < reach; ++j, ++count) {
            weights[count] = TabledKernel((j + 0.5 - centre) / stretch);
            sum += weights[count];
        }
        filter.first[i] = from;
        if (sum == 0.0) { // cannot happen for sizes above 0; the nearest pixel then
            filter.first[i] = std::clamp<std::int32_t>(static_cast<std::int32_t>(centre), 0, sourceSize - 1);
            weights[0] = 1.0;
            count = 1;
        } else { // near the edges part of the kernel falls outside: what is left is normalised
            for (std::size_t k = 0; k < count; ++k)
                weights[k] /= sum;
        }
        counts[i] = count;
        taps = std::max(taps, (count + 1) & ~std::size_t{1});
    }
    filter.taps = static_cast<std::int32_t>(taps);
    filter.weights.assign(positions * taps, 0);
    for (std::size_t i = 0; i < positions; ++i)
        FixWeights(kept.data() + i * reach, counts[i], filter.weights.data() + i * taps);
    return filter;
}

// Down: target rows from the source rows they need, every byte of a row (the three
// colours alike) weighted and summed, into 16-bit samples scaled by 2^kMiddleBits. The
// vector code does whole blocks of the row and says how far it got; this does the rest,
// to the same figures.
void DownRest(const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps, std::size_t from,
              std::size_t bytes, std::int16_t* out)
{
    for (std::size_t i = from; i < bytes; ++i) {
        std::int32_t sum = 0;
        for (std::int32_t k = 0; k < taps; ++k)
            sum += weights[k] * rows[k][i];
        sum = (sum + (1 << (kDownShift - 1))) >> kDownShift;
        out[i] = static_cast<std::int16_t>(std::clamp<std::int32_t>(sum, INT16_MIN, INT16_MAX));
    }
}

#if !defined(__SSE2__)
// Across: each target pixel of a row from the samples Down made, without vectors. middle is
// padded so that reading taps pixels (and two samples more) from any position's first stays in it.
void AcrossPortable(const std::int16_t* middle, const Filter& across, std::int32_t newWidth, std::uint8_t* out)
{
    const std::int32_t taps = across.taps;
    for (std::int32_t x = 0; x < newWidth; ++x) {
        const std::int16_t* pixel = middle + across.FirstAt(x, 3);
        const std::int16_t* weights = across.WeightsAt(x);
        std::int32_t sums[3] = {1 << (kAcrossShift - 1), 1 << (kAcrossShift - 1), 1 << (kAcrossShift - 1)};
        for (std::int32_t k = 0; k < taps; ++k, pixel += 3)
            for (int c = 0; c < 3; ++c)
                sums[c] += weights[k] * pixel[c];
        for (int c = 0; c < 3; ++c)
            out[3 * x + c] = static_cast<std::uint8_t>(std::clamp(sums[c] >> kAcrossShift, 0, 255));
    }
}

#endif

#if defined(__SSE2__)
// Weights k and k + 1 side by side, as the multiply-adds pair them with samples.
std::int32_t WeightPair(const std::int16_t* weights)
{
    std::int32_t pair = 0;
    std::memcpy(&pair, weights, sizeof pair);
    return pair;
}

// The low three bytes of bgr to out. All four where the next pixel of the row comes after
// (and will overwrite the fourth): one store instead of three.
void StoreBgr(std::uint32_t bgr, std::uint8_t* out, bool notLast)
{
    if (notLast) {
        std::memcpy(out, &bgr, sizeof bgr);
        return;
    }
    out[0] = static_cast<std::uint8_t>(bgr);
    out[1] = static_cast<std::uint8_t>(bgr >> 8);
    out[2] = static_cast<std::uint8_t>(bgr >> 16);
}

// Two source rows at a time: their bytes interleaved as 16-bit pairs meet the pair of
// weights in one multiply-add. 16 bytes of the row per round.
std::size_t DownSse2(const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps, std::size_t bytes,
                     std::int16_t* out)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i half = _mm_set1_epi32(1 << (kDownShift - 1));
    std::size_t i = 0;
    for (; i + 16 <= bytes; i += 16) {
        __m128i sum0 = zero, sum1 = zero, sum2 = zero, sum3 = zero;
        for (std::int32_t k = 0; k < taps; k += 2) {
            const __m128i pair = _mm_set1_epi32(WeightPair(weights + k));
            const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i));
            const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i));
            const __m128i low = _mm_unpacklo_epi8(a, b);
            const __m128i high = _mm_unpackhi_epi8(a, b);
            sum0 = _mm_add_epi32(sum0, _mm_madd_epi16(_mm_unpacklo_epi8(low, zero), pair));
            sum1 = _mm_add_epi32(sum1, _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), pair));
            sum2 = _mm_add_epi32(sum2, _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), pair));
            sum3 = _mm_add_epi32(sum3, _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), pair));
        }
        sum0 = _mm_srai_epi32(_mm_add_epi32(sum0, half), kDownShift);
        sum1 = _mm_srai_epi32(_mm_add_epi32(sum1, half), kDownShift);
        sum2 = _mm_srai_epi32(_mm_add_epi32(sum2, half), kDownShift);
        sum3 = _mm_srai_epi32(_mm_add_epi32(sum3, half), kDownShift);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packs_epi32(sum0, sum1));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + 8), _mm_packs_epi32(sum2, sum3));
    }
    return i;
}

// Two taps at a time: b0 g0 r0 b1 g1 r1 . . turned into b0 b1 g0 g1 r0 r1 . . meets the
// pair of weights in one multiply-add, which leaves the three sums side by side.
void AcrossSse2(const std::int16_t* middle, const Filter& across, std::int32_t newWidth, std::uint8_t* out)
{
    const std::int32_t taps = across.taps;
    for (std::int32_t x = 0; x < newWidth; ++x) {
        const std::int16_t* pixel = middle + across.FirstAt(x, 3);
        const std::int16_t* weights = across.WeightsAt(x);
        __m128i sum = _mm_set1_epi32(1 << (kAcrossShift - 1));
        for (std::int32_t k = 0; k < taps; k += 2, pixel += 6) {
            const __m128i samples = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixel));
            const __m128i paired = _mm_unpacklo_epi16(samples, _mm_srli_si128(samples, 6));
            sum = _mm_add_epi32(sum, _mm_madd_epi16(paired, _mm_set1_epi32(WeightPair(weights + k))));
        }
        sum = _mm_srai_epi32(sum, kAcrossShift);
        const __m128i bytes = _mm_packus_epi16(_mm_packs_epi32(sum, sum), sum);
        StoreBgr(static_cast<std::uint32_t>(_mm_cvtsi128_si32(bytes)), out + 3 * x, x + 1 < newWidth);
    }
}
#endif

#if ZIMBREL_LANCZOS_AVX2
// The same with 256-bit vectors, for processors that have AVX2 (chosen at run time; the
// program itself assumes no more than SSE2). Down widens 16 bytes of each of two rows
// to 16-bit lanes, pairs them and lands the 16 sums in order.
__attribute__((target("avx2"))) std::size_t DownAvx2(const std::uint8_t* const* rows, const std::int16_t* weights,
                                                     std::int32_t taps, std::size_t bytes, std::int16_t* out)
{
    const __m256i half = _mm256_set1_epi32(1 << (kDownShift - 1));
    const __m256i zero = _mm256_setzero_si256();
    std::size_t i = 0;
    // 32 bytes a round: the two rows' bytes interleaved first, then widened, which takes
    // fewer shuffles than widening each row.
    for (; i + 32 <= bytes; i += 32) {
        __m256i sum0 = half, sum1 = half, sum2 = half, sum3 = half;
        for (std::int32_t k = 0; k < taps; k += 2) {
            const __m256i pair = _mm256_set1_epi32(WeightPair(weights + k));
            const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k] + i));
            const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(rows[k + 1] + i));
            const __m256i low = _mm256_unpacklo_epi8(a, b);  // bytes 0-7 | 16-23
            const __m256i high = _mm256_unpackhi_epi8(a, b); // bytes 8-15 | 24-31
            sum0 = _mm256_add_epi32(sum0, _mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), pair));
            sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), pair));
            sum2 = _mm256_add_epi32(sum2, _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), pair));
            sum3 = _mm256_add_epi32(sum3, _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), pair));
        }
        const __m256i first = _mm256_packs_epi32(_mm256_srai_epi32(sum0, kDownShift),
                                                 _mm256_srai_epi32(sum1, kDownShift)); // 0-7 | 16-23
        const __m256i second = _mm256_packs_epi32(_mm256_srai_epi32(sum2, kDownShift),
                                                  _mm256_srai_epi32(sum3, kDownShift)); // 8-15 | 24-31
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_permute2x128_si256(first, second, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i + 16), _mm256_permute2x128_si256(first, second, 0x31));
    }
    for (; i + 16 <= bytes; i += 16) {
        __m256i sum0 = half, sum1 = half;
        for (std::int32_t k = 0; k < taps; k += 2) {
            const __m256i pair = _mm256_set1_epi32(WeightPair(weights + k));
            const __m256i a = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k] + i)));
            const __m256i b = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(rows[k + 1] + i)));
            // Within each 128-bit half: bytes 0-3 and 8-11, then 4-7 and 12-15.
            sum0 = _mm256_add_epi32(sum0, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), pair));
            sum1 = _mm256_add_epi32(sum1, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), pair));
        }
        sum0 = _mm256_srai_epi32(sum0, kDownShift);
        sum1 = _mm256_srai_epi32(sum1, kDownShift);
        // The pack works within halves too, which puts bytes 0-7 and 8-15 back in order.
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packs_epi32(sum0, sum1));
    }
    return i;
}

// Across two target rows at once, one in each 128-bit half, which share the weights. Each
// source pixel starts a pair with its right neighbour for many target pixels, so the pairs
// are shuffled into shape once for the whole row (b0 g0 r0 b1 g1 r1 . . to b0 b1 g0 g1 r0
// r1 0 0, both rows side by side): then each pair of taps is one load and one multiply-add.
// pairs holds 16 samples for each of the width + taps pixels.
__attribute__((target("avx2"))) void AcrossAvx2(const std::int16_t* middle0, const std::int16_t* middle1,
                                                const Filter& across, std::int32_t width, std::int32_t newWidth,
                                                std::int16_t* pairs, std::uint8_t* out0, std::uint8_t* out1)
{
    const std::int32_t taps = across.taps;
    const __m256i pairUp = _mm256_setr_epi8(0, 1, 6, 7, 2, 3, 8, 9, 4, 5, 10, 11, -1, -1, -1, -1, 0, 1, 6, 7, 2, 3, 8,
                                            9, 4, 5, 10, 11, -1, -1, -1, -1);
    for (std::int32_t j = 0; j < width + taps; ++j) {
        const std::size_t at = std::size_t{3} * static_cast<std::size_t>(j);
        const __m256i samples = _mm256_inserti128_si256(
            _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(middle0 + at))),
            _mm_loadu_si128(reinterpret_cast<const __m128i*>(middle1 + at)), 1);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(pairs + std::size_t{16} * static_cast<std::size_t>(j)),
                            _mm256_shuffle_epi8(samples, pairUp));
    }
    for (std::int32_t x = 0; x < newWidth; ++x) {
        const std::int16_t* pair = pairs + across.FirstAt(x, 16);
        const std::int16_t* weights = across.WeightsAt(x);
        __m256i sum = _mm256_set1_epi32(1 << (kAcrossShift - 1));
        for (std::int32_t k = 0; k < taps; k += 2, pair += 32) {
            const __m256i paired = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pair));
            sum = _mm256_add_epi32(sum, _mm256_madd_epi16(paired, _mm256_set1_epi32(WeightPair(weights + k))));
        }
        sum = _mm256_srai_epi32(sum, kAcrossShift);
        const __m256i bytes = _mm256_packus_epi16(_mm256_packs_epi32(sum, sum), sum);
        StoreBgr(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm256_castsi256_si128(bytes))), out0 + 3 * x,
                 x + 1 < newWidth);
        StoreBgr(static_cast<std::uint32_t>(_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1))), out1 + 3 * x,
                 x + 1 < newWidth);
    }
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

std::atomic<bool> wideVectorsAllowed{true};

bool UseAvx2()
{
#if ZIMBREL_LANCZOS_AVX2
    return wideVectorsAllowed.load(std::memory_order_relaxed) && HasAvx2();
#else
    return false;
#endif
}

void Down(bool avx2, const std::uint8_t* const* rows, const std::int16_t* weights, std::int32_t taps, std::size_t bytes,
          std::int16_t* out)
{
    std::size_t done = 0;
#if ZIMBREL_LANCZOS_AVX2
    if (avx2)
        done = DownAvx2(rows, weights, taps, bytes, out);
#endif
#if defined(__SSE2__)
    if (!avx2)
        done = DownSse2(rows, weights, taps, bytes, out);
#endif
    DownRest(rows, weights, taps, done, bytes, out);
}

// Across for one target row, or two (middle1 and out1 not null).
void Across(bool avx2, const std::int16_t* middle0, const std::int16_t* middle1, const Filter& across,
            std::int32_t width, std::int32_t newWidth, std::int16_t* pairs, std::uint8_t* out0, std::uint8_t* out1)
{
#if ZIMBREL_LANCZOS_AVX2
    if (avx2 && middle1) {
        AcrossAvx2(middle0, middle1, across, width, newWidth, pairs, out0, out1);
        return;
    }
#endif
    for (int row = 0; row < (middle1 ? 2 : 1); ++row) {
        const std::int16_t* middle = row ? middle1 : middle0;
        std::uint8_t* out = row ? out1 : out0;
#if defined(__SSE2__)
        AcrossSse2(middle, across, newWidth, out);
#else
        AcrossPortable(middle, across, newWidth, out);
#endif
    }
    (void)avx2;
}

// The two passes of one copy: the filters, and the samples between the passes.
class Passes {
public:
    Passes(std::int32_t width, std::int32_t height, std::int32_t newWidth, std::int32_t newHeight)
        : down_(FilterFor(height, newHeight)), across_(FilterFor(width, newWidth)), width_(width), height_(height),
          newWidth_(newWidth), rowBytes_(std::size_t{3} * static_cast<std::size_t>(width)),
          middleSize_(std::size_t{3} * (static_cast<std::size_t>(width) + static_cast<std::size_t>(across_.taps)) + 16),
          middle_(2 * middleSize_, 0), rows_(static_cast<std::size_t>(down_.taps)), avx2_(UseAvx2()),
          pairs_(avx2_ ? std::size_t{16} * (static_cast<std::size_t>(width) + static_cast<std::size_t>(across_.taps))
                       : 0)
    {
    }

    const Filter& DownFilter() const { return down_; }
    std::size_t RowBytes() const { return rowBytes_; }

    // Target memory rows y and, where count is 2, y + 1 (bottom row first), into out0 and
    // out1, from the source's memory rows as row(r) hands them out: down first, one target
    // row at a time, straight from the source's bytes into a row of 16-bit samples as wide
    // as the source, then across from that row into the target. Down is the cheaper pass
    // per weight (whole rows, 16 bytes at a time), so it takes the larger share: with both
    // edges reduced alike both orders weigh the same number of samples, and this one does
    // the awkward three-byte pass on the smaller picture.
    template <class Row>
    void Make(std::int32_t y, std::int32_t count, const Row& row, std::uint8_t* out0, std::uint8_t* out1)
    {
        for (std::int32_t i = 0; i < count; ++i) {
            const auto position = static_cast<std::size_t>(y + i);
            const std::int32_t first = down_.first[position];
            // Taps past the last row weigh 0; any row will do for them.
            for (std::int32_t k = 0; k < down_.taps; ++k)
                rows_[static_cast<std::size_t>(k)] = row(std::min(first + k, height_ - 1));
            Down(avx2_, rows_.data(), down_.weights.data() + position * static_cast<std::size_t>(down_.taps),
                 down_.taps, rowBytes_, middle_.data() + static_cast<std::size_t>(i) * middleSize_);
        }
        // Two target rows at once where there are two: the wide across pass takes them together.
        Across(avx2_, middle_.data(), count == 2 ? middle_.data() + middleSize_ : nullptr, across_, width_, newWidth_,
               pairs_.data(), out0, count == 2 ? out1 : nullptr);
    }

private:
    Filter down_;
    Filter across_;
    std::int32_t width_;
    std::int32_t height_;
    std::int32_t newWidth_;
    std::size_t rowBytes_;
    std::size_t middleSize_;
    std::vector<std::int16_t> middle_;
    std::vector<const std::uint8_t*> rows_;
    bool avx2_;
    std::vector<std::int16_t> pairs_;
};

} // namespace

bool AllowLanczos3Avx2(bool allow)
{
    return wideVectorsAllowed.exchange(allow);
}

double Lanczos3Kernel(double x)
{
    x = std::abs(x);
    if (x < 1e-9)
        return 1.0;
    if (x >= kLobes)
        return 0.0;
    const double px = std::numbers::pi * x;
    // sin(px) from sin(px / 3) by the triple-angle formula: one sine instead of two, as the
    // weights of every copy are made anew.
    const double third = std::sin(px / kLobes);
    return kLobes * (3.0 * third - 4.0 * third * third * third) * third / (px * px);
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
        Passes passes(width, height, newWidth, newHeight);
        const std::uint8_t* sourceBits = source.DIBSectionBitsPtr();
        const std::int64_t sourceStride = source.BytesPerScanLine();
        std::uint8_t* targetBits = target->DIBSectionBitsPtr();
        const std::int64_t targetStride = target->BytesPerScanLine();
        for (std::int32_t y = 0; y < newHeight; y += 2)
            passes.Make(
                y, std::min(2, newHeight - y), [&](std::int32_t r) { return sourceBits + r * sourceStride; },
                targetBits + y * targetStride, targetBits + (y + 1) * targetStride);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
    return target;
}

struct Lanczos3Stream::State {
    State(std::int32_t width, std::int32_t height, const Bitmap24& target)
        : passes(width, height, target.width, target.height), height(height), bits(target.bits), stride(target.stride),
          next(target.height - 1)
    {
        // Two target rows at a time need the rows from the lower one's first to the upper
        // one's last tap.
        const Filter& down = passes.DownFilter();
        std::int32_t span = down.taps;
        for (std::size_t y = 1; y < down.first.size(); ++y)
            span = std::max(span, down.first[y] - down.first[y - 1] + down.taps);
        ringRows = std::min(span + 1, height);
        ring.resize(static_cast<std::size_t>(ringRows) * passes.RowBytes());
    }

    std::uint8_t* RingRow(std::int32_t memoryRow)
    {
        return ring.data() + static_cast<std::size_t>(memoryRow % ringRows) * passes.RowBytes();
    }

    Passes passes;
    std::int32_t height;
    std::uint8_t* bits;
    std::int64_t stride;
    std::int32_t next; // the highest target memory row not yet made; rows come top first
    std::int32_t ringRows = 0;
    std::vector<std::uint8_t> ring; // source memory row r at r % ringRows
};

Lanczos3Stream::Lanczos3Stream(std::int32_t width, std::int32_t height, const Bitmap24& target)
    : state_(std::make_unique<State>(width, height, target))
{
}

Lanczos3Stream::~Lanczos3Stream() = default;

void Lanczos3Stream::Take(std::int32_t first, int count, const std::uint8_t* const* rows)
{
    State& s = *state_;
    const Filter& down = s.passes.DownFilter();
    for (int i = 0; i < count; ++i) {
        const std::int32_t arrived = s.height - 1 - (first + i); // as a memory row
        std::memcpy(s.RingRow(arrived), rows[i], s.passes.RowBytes());
        // Target rows are made two at a time, top first, once the lower one's lowest source
        // row is here.
        while (s.next >= 0) {
            const std::int32_t lower = std::max(s.next - 1, 0);
            if (down.first[static_cast<std::size_t>(lower)] < arrived)
                break;
            s.passes.Make(
                lower, s.next - lower + 1,
                [&s](std::int32_t r) { return static_cast<const std::uint8_t*>(s.RingRow(r)); },
                s.bits + lower * s.stride, s.bits + (lower + 1) * s.stride);
            s.next = lower - 1;
        }
    }
}

bool Lanczos3Stream::Complete() const
{
    return state_->next < 0;
}

} // namespace imaging
