// AVI recording as an application runs it, through the exported functions:
// the emulated camera paced at the sensor's 36 frames/s at full resolution,
// the preview thread converting to 24-bit colour, the recording thread
// copying each frame out of the frame lock, converting and writing it.
// Reports the frames recorded per second, the frames the camera produced
// during the recording that the file does not hold (goal: none), and how
// long finishing the file took once the preview was stopped (the index, the
// headers and the flush of the whole file to the disk).
//
// The parts on their own: the conversion of a full frame of each bit count
// to its 24-bit AVI frame, and one frame appended to a file.

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "TavixSdk.h"
#include "emulator/EmulatedPort.h"
#include "imaging/DibImage.h"
#include "output/AviFrame.h"
#include "output/AviWriter.h"

namespace {

constexpr int32_t kWidth = 2448, kHeight = 2048;
constexpr uint64_t kChunk = 8 + 3ull * kWidth * kHeight;

std::string Scratch()
{
    char directory[] = "/tmp/tavix-bench-XXXXXX";
    return mkdtemp(directory) != nullptr ? directory : "/tmp";
}

void Recording(benchmark::State& state)
{
    const std::string folder = Scratch();
    setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
    tavix::emu::CameraOptions options;
    options.paced = true;
    options.still = true;
    tavix::emu::EmulatedPort port(1, options);
    tavix::emu::ScopedDevicePort installed(port);
    const uint32_t handle = Tavix_Initialize(nullptr);
    const std::string path = folder + "/clip.avi";
    // Seven seconds stay below the 4 GiB of one file (285 full frames).
    const auto seconds = std::chrono::seconds(state.range(0));
    double recorded = 0, skipped = 0, finishMs = 0, span = 0;
    for (auto _ : state) {
        if (Tavix_SetColorMode(handle, 24) != 1 || Tavix_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0) != 1 ||
            Tavix_Record(handle, path.c_str(), 600000, 0) != 1) {
            state.SkipWithError("the recording did not start");
            break;
        }
        const uint32_t firstProduced = port.Camera(0).NextFrameNumber();
        const auto start = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(seconds);
        const uint32_t produced = port.Camera(0).NextFrameNumber() - firstProduced;
        const auto stop = std::chrono::steady_clock::now();
        Tavix_StopPreview(handle);
        finishMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - stop).count();
        span = std::chrono::duration<double>(stop - start).count();
        const uint64_t bytes = std::filesystem::exists(path) ? std::filesystem::file_size(path) : 0;
        // Frames from the file's size: header, chunks and their index entries.
        recorded = bytes > 240 ? double((bytes - 240) / (kChunk + 16)) : 0;
        // A frame in flight at the stop may count as produced, not recorded.
        skipped = std::max(0.0, double(produced) - recorded);
    }
    Tavix_Release(handle);
    state.counters["recorded"] = recorded;
    state.counters["fps"] = recorded / span;
    state.counters["skipped"] = skipped;
    state.counters["finish_ms"] = finishMs;
    std::filesystem::remove_all(folder);
}

void Conversion(benchmark::State& state)
{
    tavix::imaging::DibImage image;
    image.Create(kWidth, kHeight, static_cast<int32_t>(state.range(0)));
    for (size_t k = 0; k < image.SizeBytes(); ++k)
        image.Bits()[k] = static_cast<uint8_t>(k * 13);
    std::vector<uint8_t> frame(3ull * kWidth * kHeight);
    for (auto _ : state) {
        tavix::output::ToAviFrame(image, frame.data());
        benchmark::DoNotOptimize(frame.data());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.size()));
}

// Appending frames to a file in the page cache; 200 frames keep it below
// 4 GiB.
void Append(benchmark::State& state)
{
    const std::string folder = Scratch();
    tavix::output::AviWriter writer;
    writer.Start((folder + "/append.avi").c_str(), kWidth, kHeight, 36);
    for (auto _ : state)
        if (writer.AddFrame() != tavix::output::AviWriter::Added::kWritten)
            state.SkipWithError("write failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(kChunk));
    writer.Reset();
    std::filesystem::remove_all(folder);
}

} // namespace

BENCHMARK(Recording)->Arg(7)->ArgName("seconds")->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);
BENCHMARK(Conversion)->Arg(8)->Arg(16)->Arg(24)->Arg(32)->Arg(48)->Arg(64)->ArgName("bits")
    ->Unit(benchmark::kMillisecond);
BENCHMARK(Append)->Iterations(200)->UseRealTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
