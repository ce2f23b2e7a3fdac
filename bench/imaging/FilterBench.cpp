// The image filters on a full IMX264 frame (2448 x 2048) at 24 bits, one
// thread: each filter alone, the whole chain with every filter on, the
// measurements on the raw 8-bit mosaic, and OpenCV's table lookup (cv::LUT)
// as the floor of a per-sample table. Compare ratios within one run;
// absolute times drift on shared machines.

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>

#include <cmath>
#include <cstring>

#include "imaging/AutoIris.h"
#include "imaging/GrayGains.h"
#include "imaging/HueSaturation.h"
#include "imaging/ImageFilters.h"
#include "imaging/ToneFilters.h"
#include "imaging/WhiteBalance.h"

namespace {

using namespace tavix::imaging;

constexpr int32_t kWidth = 2448;
constexpr int32_t kHeight = 2048;

// A smooth colour scene (or its 8-bit mosaic), made once.
const DibImage& Source(int32_t bits)
{
    static DibImage images[2];
    DibImage& image = images[bits == 8];
    if (image.Empty()) {
        image.Create(kWidth, kHeight, bits);
        for (int32_t m = 0; m < kHeight; ++m)
            for (int32_t x = 0; x < kWidth; ++x)
                for (int k = 0; k < image.BytesPerPixel(); ++k)
                    image.Row(m)[x * image.BytesPerPixel() + k] =
                        static_cast<uint8_t>(127 + 120 * std::sin(x * 0.004 * (k + 1) + m * 0.003));
    }
    return image;
}

void Run(benchmark::State& state, const FilterSettings& filters)
{
    DibImage image, work;
    image.CopyGeometry(Source(24));
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(image.Bits(), Source(24).Bits(), image.SizeBytes());
        state.ResumeTiming();
        ApplyImageFilters(image, work, filters);
        benchmark::DoNotOptimize(image.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(image.SizeBytes()));
}

void BM_HueSaturation(benchmark::State& state) { Run(state, {.hue = 100, .saturation = 50}); }
void BM_Gamma(benchmark::State& state) { Run(state, {.gamma = 150}); }
void BM_Contrast(benchmark::State& state) { Run(state, {.contrast = 20}); }
void BM_Sharpness(benchmark::State& state) { Run(state, {.sharpness = 10}); }
void BM_Brightness(benchmark::State& state) { Run(state, {.brightness = 30}); }
void BM_WholeChain(benchmark::State& state)
{
    Run(state, {.brightness = 30, .contrast = 20, .hue = 100, .saturation = 50, .sharpness = 10, .gamma = 150});
}

void BM_OpenCvLut(benchmark::State& state)
{
    const DibImage& src = Source(24);
    const cv::Mat in(kHeight, kWidth, CV_8UC3, const_cast<uint8_t*>(src.Bits()), static_cast<size_t>(src.Stride()));
    cv::Mat table(1, 256, CV_8U), out;
    for (int i = 0; i < 256; ++i)
        table.at<uint8_t>(i) = static_cast<uint8_t>(255 * std::pow(i / 255.0, 100.0 / 150));
    for (auto _ : state) {
        cv::LUT(in, table, out);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(src.SizeBytes()));
}

// The measurements and the gray gains on the raw mosaic.
void BM_WhiteBalanceStats(benchmark::State& state)
{
    DibImage& raw = const_cast<DibImage&>(Source(8));
    for (auto _ : state)
        benchmark::DoNotOptimize(MeasureWhiteBalance(raw, 2, {100, 100, 100}));
}
void BM_AutoIrisRegions(benchmark::State& state)
{
    DibImage& raw = const_cast<DibImage&>(Source(8));
    for (auto _ : state)
        benchmark::DoNotOptimize(AutoIrisPercent(raw));
}
void BM_GrayGains(benchmark::State& state)
{
    DibImage raw;
    raw.CopyGeometry(Source(8));
    const GrayGainParams params{2, {.gainR = 140, .gainB = 120, .offsetR = 0, .offsetG1 = 0, .offsetG2 = 0}};
    for (auto _ : state) {
        RunPixelOp(raw, kApplyGrayGainsOps.mono8, Source(8), nullptr, 0, 0, &params, nullptr);
        benchmark::DoNotOptimize(raw.Bits());
        benchmark::ClobberMemory();
    }
}

} // namespace

BENCHMARK(BM_HueSaturation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gamma)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvLut)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Sharpness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Brightness)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeChain)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WhiteBalanceStats)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AutoIrisRegions)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GrayGains)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
