// Demosaic of a full IMX264 frame (2448 x 2048) on one thread: ours in each
// output format, OpenCV's bilinear cvtColor of the same phase on the same
// data, and memcpy of the output size as the memory floor. Compare ratios
// within one run; absolute times drift on shared machines.
//
// OpenCV names a Bayer pattern by its second row and column, so our phases
// 0, 1, 2, 3 ("G B / R G", "R G / G B", "B G / G R", "G R / B G") are its
// GR, BG, RG and GB. The OpenCV cases report their mean difference from our
// result as a counter: about one level when the mapping is right, tens of
// levels when red and blue are swapped.

#include <benchmark/benchmark.h>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "imaging/Demosaic.h"
#include "imaging/DemosaicKernels.h"
#include "imaging/DibImage.h"

namespace {

using tavix::imaging::DemosaicParams;
using tavix::imaging::DibImage;
namespace detail = tavix::imaging::detail;

constexpr int32_t kWidth = 2448;
constexpr int32_t kHeight = 2048;
constexpr int32_t kPhase = 2; // the SDK's default Bayer mode
constexpr int kOpenCvCode[4] = {cv::COLOR_BayerGR2BGR, cv::COLOR_BayerBG2BGR, cv::COLOR_BayerRG2BGR,
    cv::COLOR_BayerGB2BGR};

// A smooth colour scene seen through the phase's filter: 8-bit samples, or
// 12-bit ones in 16-bit containers as the camera delivers them.
const DibImage& Source(int32_t bits)
{
    static DibImage images[2];
    DibImage& image = images[bits == 16];
    if (image.Empty()) {
        image.Create(kWidth, kHeight, bits);
        for (int32_t m = 0; m < kHeight; ++m) {
            for (int32_t x = 0; x < kWidth; ++x) {
                const double red = 0.5 + 0.45 * std::sin(x * 0.004), green = 0.5 + 0.45 * std::cos(m * 0.003);
                const double blue = 0.5 + 0.45 * std::sin((x + m) * 0.002);
                const int r = (m + (kPhase & 1)) % 2, c = (x + (kPhase >> 1)) % 2;
                const double v = r == c ? green : r == 1 ? red : blue;
                uint8_t* p = image.Row(m) + x * (bits / 8);
                if (bits == 8) {
                    p[0] = static_cast<uint8_t>(v * 255);
                } else {
                    const auto s = static_cast<uint16_t>(v * 4095);
                    std::memcpy(p, &s, 2);
                }
            }
        }
    }
    return image;
}

void RunOurs(benchmark::State& state, int32_t srcBits, int32_t dstBits, const detail::DemosaicKernels* kernels)
{
    const DibImage& src = Source(srcBits);
    DibImage dst;
    if (!dst.Create(kWidth, kHeight, dstBits)) {
        state.SkipWithError("cannot create the output image");
        return;
    }
    const DemosaicParams params{kPhase, 100, 100, 100};
    for (auto _ : state) {
        tavix::imaging::Demosaic(dst, src, params, kernels);
        benchmark::DoNotOptimize(dst.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(dst.SizeBytes()));
    state.SetLabel(kernels != nullptr ? kernels->name : detail::BestKernels().name);
}

void BM_Demosaic8To24(benchmark::State& state)
{
    RunOurs(state, 8, 24, nullptr);
}
void BM_Demosaic8To32(benchmark::State& state)
{
    RunOurs(state, 8, 32, nullptr);
}
void BM_Demosaic16To48(benchmark::State& state)
{
    RunOurs(state, 16, 48, nullptr);
}
void BM_Demosaic16To64(benchmark::State& state)
{
    RunOurs(state, 16, 64, nullptr);
}
// The portable kernels, which processors without AVX2 (and compilers
// without GCC's options) run.
void BM_DemosaicPortable8To24(benchmark::State& state)
{
    RunOurs(state, 8, 24, &detail::kPortableKernels);
}
void BM_DemosaicPortable16To48(benchmark::State& state)
{
    RunOurs(state, 16, 48, &detail::kPortableKernels);
}

void RunOpenCv(benchmark::State& state, int32_t srcBits)
{
    const DibImage& src = Source(srcBits);
    const int type = srcBits == 8 ? CV_8UC1 : CV_16UC1;
    const cv::Mat in(kHeight, kWidth, type, const_cast<uint8_t*>(src.Bits()), static_cast<size_t>(src.Stride()));
    cv::Mat out(kHeight, kWidth, srcBits == 8 ? CV_8UC3 : CV_16UC3);
    for (auto _ : state) {
        cv::cvtColor(in, out, kOpenCvCode[kPhase]);
        benchmark::DoNotOptimize(out.data);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(out.total() * out.elemSize()));

    // How far OpenCV's bilinear lies from our 9-3-3-1 result.
    DibImage ours;
    ours.Create(kWidth, kHeight, srcBits == 8 ? 24 : 48);
    tavix::imaging::Demosaic(ours, src, DemosaicParams{kPhase, 100, 100, 100});
    double sum = 0;
    const int channelBytes = srcBits / 8;
    for (int32_t m = 0; m < kHeight; ++m) {
        const uint8_t* a = ours.Row(m);
        const uint8_t* b = out.ptr<uint8_t>(m);
        for (int32_t i = 0; i < kWidth * 3; ++i) {
            uint16_t va = a[i * channelBytes], vb = b[i * channelBytes];
            if (channelBytes == 2) {
                std::memcpy(&va, a + 2 * i, 2);
                std::memcpy(&vb, b + 2 * i, 2);
            }
            sum += std::abs(static_cast<int>(va) - static_cast<int>(vb));
        }
    }
    state.counters["mean_diff"] = sum / (static_cast<double>(kWidth) * kHeight * 3);
}

void BM_OpenCvBilinear8u(benchmark::State& state)
{
    RunOpenCv(state, 8);
}
void BM_OpenCvBilinear16u(benchmark::State& state)
{
    RunOpenCv(state, 16);
}

void RunMemcpy(benchmark::State& state, int32_t bits)
{
    const size_t bytes = static_cast<size_t>(DibImage::StrideFor(kWidth, bits)) * kHeight;
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}

void BM_Memcpy24(benchmark::State& state)
{
    RunMemcpy(state, 24);
}
void BM_Memcpy48(benchmark::State& state)
{
    RunMemcpy(state, 48);
}

} // namespace

BENCHMARK(BM_Demosaic8To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvBilinear8u)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Demosaic8To32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Demosaic16To48)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenCvBilinear16u)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Demosaic16To64)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DemosaicPortable8To24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DemosaicPortable16To48)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Memcpy48)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Both libraries on one thread: the goal is single-thread speed.
    cv::setNumThreads(1);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::AddCustomContext("demosaic kernels", detail::BestKernels().name);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
