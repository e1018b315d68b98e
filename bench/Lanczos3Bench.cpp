// Lanczos-3 cost per target pixel for the reductions the command line meets most: a
// 12-megapixel photo decoded at 1/2 to 640 x 480, and a 2-megapixel one at full size; each
// with AVX2 (where the processor has it) and with SSE2 alone.
#include "imaging/Lanczos3.h"
#include "imaging/aDIBSection.h"

#include <benchmark/benchmark.h>

namespace {

void Reduce(benchmark::State& state, int width, int height, int newWidth, int newHeight, bool avx2)
{
    aDIBSection source;
    if (!source.Create(width, height)) {
        state.SkipWithError("cannot create the source bitmap");
        return;
    }
    source.RandomiseBits(false);
    const bool before = imaging::AllowLanczos3Avx2(avx2);
    for (auto _ : state) {
        auto target = imaging::ResampleLanczos3(source, newWidth, newHeight);
        benchmark::DoNotOptimize(target->DIBSectionBitsPtr());
    }
    imaging::AllowLanczos3Avx2(before);
    state.counters["ns_per_target_pixel"] = benchmark::Counter(
        static_cast<double>(newWidth) * newHeight * state.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Lanczos3_2000x1500_to_640x480(benchmark::State& state)
{
    Reduce(state, 2000, 1500, 640, 480, true);
}
void BM_Lanczos3_2000x1500_to_640x480_Sse2(benchmark::State& state)
{
    Reduce(state, 2000, 1500, 640, 480, false);
}
void BM_Lanczos3_1600x1200_to_640x480(benchmark::State& state)
{
    Reduce(state, 1600, 1200, 640, 480, true);
}

} // namespace

BENCHMARK(BM_Lanczos3_2000x1500_to_640x480)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_Lanczos3_2000x1500_to_640x480_Sse2)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_Lanczos3_1600x1200_to_640x480)->Unit(benchmark::kMillisecond)->Repetitions(5)->ReportAggregatesOnly(true);
