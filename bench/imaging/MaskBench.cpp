// Flat field and dot filter on a full IMX264 frame (2448 x 2048), one
// thread, against references of a real-looking sensor: dark around 8,
// white around 220, one pixel in 2000 flagged, one in 1000 an outlier.
// Beside them the flat field written with a division per pixel, which the
// precomputed multipliers replace. Compare ratios within one run.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "imaging/DefectMap.h"
#include "imaging/DotFilter.h"
#include "imaging/FlatField.h"

namespace {

using namespace tavix::imaging;

struct Rig {
    DibImage dark, white, hot, dead, marks, frame;
    FlatFieldFactors8 f8;
    FlatFieldFactors16 f16;
    DefectList defects;

    explicit Rig(int32_t bits)
    {
        const int32_t scale = bits == 8 ? 1 : 16; // 12-bit samples in 16
        for (DibImage* image : {&dark, &white, &hot, &dead, &marks})
            image->Create(kReferenceWidth, kReferenceHeight, bits);
        frame.Create(kReferenceWidth, kReferenceHeight, bits);
        std::mt19937 rng(7);
        std::uniform_int_distribution<int32_t> noise(-6, 6), pick(0, 1999);
        const auto put = [bits](DibImage& image, int32_t x, int32_t y, int32_t v) {
            if (bits == 8)
                image.Row(y)[x] = static_cast<uint8_t>(v);
            else
                reinterpret_cast<uint16_t*>(image.Row(y))[x] = static_cast<uint16_t>(v);
        };
        for (int32_t y = 0; y < kReferenceHeight; ++y)
            for (int32_t x = 0; x < kReferenceWidth; ++x) {
                put(dark, x, y, (8 + noise(rng) / 2) * scale);
                put(white, x, y, (220 + noise(rng)) * scale);
                put(frame, x, y, (pick(rng) < 2 ? 250 : 120 + noise(rng)) * scale);
            }
        BuildDefectMap(dark, hot, DefectKind::kHot, bits == 8 ? kDefectLimits8 : DefectLimits16(12));
        BuildDefectMap(white, dead, DefectKind::kDead, bits == 8 ? kDefectLimits8 : DefectLimits16(12));
        for (int k = 0; k < kReferenceWidth * kReferenceHeight / 2000; ++k)
            put(hot, 2 + pick(rng) % 2440, 2 + (pick(rng) * 7) % 2040, 1);
        BuildDefectList(hot, dead, defects);
        if (bits == 8)
            BuildFlatField(dark, white, f8);
        else
            BuildFlatField(dark, white, f16);
    }
};

Rig& Shared(int32_t bits)
{
    static Rig rig8(8), rig16(16);
    return bits == 8 ? rig8 : rig16;
}

enum Work { kFlat = 1, kDots = 2 };

void Run(benchmark::State& state, int32_t bits, int work)
{
    Rig& rig = Shared(bits);
    DibImage frame;
    frame.CopyGeometry(rig.frame);
    const ReferenceWindow window{0, 0, false, 2};
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(frame.Bits(), rig.frame.Bits(), frame.SizeBytes());
        state.ResumeTiming();
        if (work & kFlat) {
            if (bits == 8)
                ApplyFlatField(frame, rig.f8, window);
            else
                ApplyFlatField(frame, rig.f16, window);
        }
        if (work & kDots)
            ApplyDotFilter(frame, rig.defects, rig.marks, window, bits == 8 ? kDotThreshold8 : kDotThreshold16);
        benchmark::DoNotOptimize(frame.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frame.SizeBytes()));
    // How many pixels the dot filter marked in the last pass.
    if (work & kDots) {
        int64_t marked = 0;
        for (int32_t y = 0; y < frame.Height(); ++y)
            for (int32_t x = 0; x < rig.marks.Stride(); ++x)
                marked += rig.marks.Row(y)[x] != 0;
        state.counters["marked"] = static_cast<double>(marked);
    }
}

// The flat field as the formula reads, one division per pixel.
void BM_FlatField8_Division(benchmark::State& state)
{
    Rig& rig = Shared(8);
    DibImage frame;
    frame.CopyGeometry(rig.frame);
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(frame.Bits(), rig.frame.Bits(), frame.SizeBytes());
        state.ResumeTiming();
        for (int32_t y = 2; y < kReferenceHeight - 2; ++y) {
            uint8_t* p = frame.Row(y);
            const uint8_t* d = rig.dark.Row(y);
            const uint8_t* w = rig.white.Row(y);
            for (int32_t x = 2; x < kReferenceWidth - 2; ++x) {
                const int32_t r = w[x] - d[x];
                if (r != 0)
                    p[x] = static_cast<uint8_t>(std::clamp((p[x] - d[x]) * 256 / r, 0, 255));
            }
        }
        benchmark::DoNotOptimize(frame.Bits());
        benchmark::ClobberMemory();
    }
}

void BM_FlatField8(benchmark::State& state) { Run(state, 8, kFlat); }
void BM_DotFilter8(benchmark::State& state) { Run(state, 8, kDots); }
void BM_FlatFieldAndDotFilter8(benchmark::State& state) { Run(state, 8, kFlat | kDots); }
void BM_FlatField16(benchmark::State& state) { Run(state, 16, kFlat); }
void BM_DotFilter16(benchmark::State& state) { Run(state, 16, kDots); }
void BM_FlatFieldAndDotFilter16(benchmark::State& state) { Run(state, 16, kFlat | kDots); }

void BM_BuildFlatField8(benchmark::State& state)
{
    Rig& rig = Shared(8);
    FlatFieldFactors8 factors;
    for (auto _ : state) {
        BuildFlatField(rig.dark, rig.white, factors);
        benchmark::DoNotOptimize(factors.low.data());
    }
}

} // namespace

BENCHMARK(BM_FlatField8_Division)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatField8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotFilter8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatFieldAndDotFilter8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatField16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DotFilter16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FlatFieldAndDotFilter16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BuildFlatField8)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
