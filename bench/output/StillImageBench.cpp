// Still image files of full frames of the emulated camera (with a little
// sensor noise, as real frames have): each format end to end as
// Tavix_SaveImage writes it (copy, encode, write, flush to the disk), for a
// 24-bit colour and a 16-bit gray frame; and the PNG encoder at zlib's
// default level with adaptive filters against the faster setting the
// library uses, with the file sizes.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <png.h>
#include <string>

#include "TavixSdk.h"
#include "emulator/EmulatedPort.h"
#include "imaging/DibImage.h"
#include "output/StillImage.h"
#include "output/StillWriters.h"

namespace {

using tavix::imaging::DibImage;

// One full frame of the colour mode, top row first as the files hold it.
std::unique_ptr<DibImage> Frame(int32_t bits)
{
    // Settings of this run only: the instance reads and writes its store.
    const std::filesystem::path settings = std::filesystem::temp_directory_path() / "tavix-bench-output-settings";
    setenv("XDG_CONFIG_HOME", settings.c_str(), 1);
    tavix::emu::CameraOptions options;
    options.noiseAmplitude = 16;
    tavix::emu::EmulatedPort port(1, options);
    tavix::emu::ScopedDevicePort installed(port);
    const uint32_t handle = Tavix_Initialize(nullptr);
    auto image = std::make_unique<DibImage>();
    image->Create(2448, 2048, bits);
    Tavix_SetColorMode(handle, bits);
    Tavix_SnapShot(handle, image->Bits(), static_cast<int32_t>(image->SizeBytes()), 1);
    Tavix_Release(handle);
    std::filesystem::remove_all(settings);
    return image;
}

const DibImage& Colour()
{
    static const auto image = Frame(24);
    return *image;
}
const DibImage& Gray16()
{
    static const auto image = Frame(16);
    return *image;
}

std::string Target()
{
    return (std::filesystem::temp_directory_path() / "tavix-bench-still").string();
}

void BM_Save(benchmark::State& state)
{
    const DibImage& image = state.range(1) == 24 ? Colour() : Gray16();
    const auto format = static_cast<int32_t>(state.range(0));
    const std::string target = Target();
    for (auto _ : state)
        if (!tavix::output::SaveImage(target.c_str(), image, format, 16))
            state.SkipWithError("save failed");
    state.counters["MiB"] = double(std::filesystem::file_size(target)) / (1 << 20);
    std::filesystem::remove(target);
}
BENCHMARK(BM_Save)
    ->ArgNames({"format", "bits"})
    ->ArgsProduct({{0, 1, 2, 3, 4, 5, 6}, {24, 16}})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The encoder alone into memory-backed stdio, at zlib level and filters.
void BM_PngCompression(benchmark::State& state)
{
    const DibImage& image = state.range(2) == 24 ? Colour() : Gray16();
    const tavix::output::PngCompression compression{static_cast<int32_t>(state.range(0)),
                                                     static_cast<int32_t>(state.range(1))};
    long bytes = 0;
    for (auto _ : state) {
        std::FILE* file = std::tmpfile();
        tavix::output::WritePng(file, image, 16, compression);
        std::fflush(file);
        bytes = std::ftell(file);
        std::fclose(file);
    }
    state.counters["MiB"] = double(bytes) / (1 << 20);
}
BENCHMARK(BM_PngCompression)
    ->ArgNames({"level", "filters", "bits"})
    ->Args({6, PNG_ALL_FILTERS, 24})
    ->Args({1, PNG_FILTER_SUB, 24})
    ->Args({1, PNG_FILTER_UP, 24})
    ->Args({2, PNG_FILTER_UP, 24})
    ->Args({3, PNG_FILTER_UP, 24})
    ->Args({4, PNG_FILTER_UP, 24})
    ->Args({6, PNG_FILTER_UP, 24})
    ->Args({6, PNG_ALL_FILTERS, 16})
    ->Args({1, PNG_FILTER_UP, 16})
    ->Args({2, PNG_FILTER_UP, 16})
    ->Args({3, PNG_FILTER_UP, 16})
    ->Args({4, PNG_FILTER_UP, 16})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
