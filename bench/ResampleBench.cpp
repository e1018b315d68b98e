// Resample cost per target pixel for the two reductions a user meets most.
#include "imaging/aDIBSection.h"

#include <benchmark/benchmark.h>

namespace {

void Reduce(benchmark::State& state, int width, int height, int newWidth, int newHeight)
{
    aDIBSection source;
    if (!source.Create(width, height)) {
        state.SkipWithError("cannot create the source bitmap");
        return;
    }
    source.RandomiseBits(false);
    for (auto _ : state) {
        auto target = source.Resample(newHeight, newWidth);
        benchmark::DoNotOptimize(target->DIBSectionBitsPtr());
    }
    state.counters["ns_per_target_pixel"] = benchmark::Counter(
        static_cast<double>(newWidth) * newHeight * state.iterations(),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Resample_4000x3000_to_640x480(benchmark::State& state)
{
    Reduce(state, 4000, 3000, 640, 480);
}
void BM_Resample_1000x1000_to_640x640(benchmark::State& state)
{
    Reduce(state, 1000, 1000, 640, 640);
}

} // namespace

BENCHMARK(BM_Resample_4000x3000_to_640x480)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BM_Resample_1000x1000_to_640x640)->Unit(benchmark::kMillisecond)->Repetitions(9)->ReportAggregatesOnly(true);
