// The display's work on a full IMX264 frame (2448 x 2048), one thread: the
// scaler into the window sizes a preview typically has, gray and colour,
// with the portable and the AVX2 row loops, and the reductions of the deep
// formats that come before it. The tables are built in the first pass and
// reused after, as in a running preview. Compare ratios within one run.

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>

#include "imaging/DisplayReduce.h"
#include "imaging/DisplayScaler.h"
#include "imaging/ScaleRows.h"

namespace {

using namespace tavix::imaging;

constexpr int32_t kFrameWidth = 2448;
constexpr int32_t kFrameHeight = 2048;

// A frame of smooth gradients with noise on top, like a real scene.
const DibImage& Frame(int32_t bits)
{
    static DibImage frames[9];
    DibImage& frame = frames[bits / 8];
    if (frame.Empty()) {
        frame.Create(kFrameWidth, kFrameHeight, bits);
        std::mt19937 rng(5);
        std::uniform_int_distribution<int32_t> noise(0, 15);
        for (int32_t m = 0; m < kFrameHeight; ++m)
            for (int32_t i = 0; i < frame.Stride(); ++i)
                frame.Row(m)[i] = static_cast<uint8_t>((i / 11 + m / 9 + noise(rng)) & 0xFF);
    }
    return frame;
}

void Scale(benchmark::State& state, int32_t bits, const detail::ScaleRowKernels* kernels)
{
    if (kernels == nullptr) {
        state.SkipWithError("no AVX2 on this processor");
        return;
    }
    const DibImage& frame = Frame(bits);
    DibImage window;
    window.Create(static_cast<int32_t>(state.range(0)), static_cast<int32_t>(state.range(1)), bits);
    DisplayScaler scaler;
    for (auto _ : state) {
        scaler.Scale(frame, window, *kernels);
        benchmark::DoNotOptimize(window.Bits());
        benchmark::ClobberMemory();
    }
}

void BM_Scale24(benchmark::State& state) { Scale(state, 24, &detail::BestScaleRows()); }
void BM_Scale8(benchmark::State& state) { Scale(state, 8, &detail::BestScaleRows()); }
void BM_Scale24_Portable(benchmark::State& state) { Scale(state, 24, &detail::kPortableScaleRows); }
void BM_Scale8_Portable(benchmark::State& state) { Scale(state, 8, &detail::kPortableScaleRows); }

void BM_Reduce(benchmark::State& state)
{
    const DibImage& frame = Frame(static_cast<int32_t>(state.range(0)));
    DibImage out;
    for (auto _ : state) {
        ReduceForDisplay(frame, out, 12);
        benchmark::DoNotOptimize(out.Bits());
        benchmark::ClobberMemory();
    }
}

// What the memory alone costs: one copy of the colour frame, which reads
// what the scaler reads (and writes more).
void BM_CopyFrame24(benchmark::State& state)
{
    const DibImage& frame = Frame(24);
    DibImage copy;
    copy.CopyGeometry(frame);
    for (auto _ : state) {
        std::memcpy(copy.Bits(), frame.Bits(), frame.SizeBytes());
        benchmark::DoNotOptimize(copy.Bits());
        benchmark::ClobberMemory();
    }
}

void WindowSizes(benchmark::internal::Benchmark* b)
{
    b->Args({1280, 1024})->Args({640, 512})->Args({1920, 1600})->Unit(benchmark::kMillisecond);
}

} // namespace

BENCHMARK(BM_Scale24)->Apply(WindowSizes);
BENCHMARK(BM_Scale8)->Apply(WindowSizes);
BENCHMARK(BM_Scale24_Portable)->Apply(WindowSizes);
BENCHMARK(BM_Scale8_Portable)->Apply(WindowSizes);
BENCHMARK(BM_CopyFrame24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Reduce)->Arg(16)->Arg(32)->Arg(48)->Arg(64)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
