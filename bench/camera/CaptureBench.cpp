// The whole capture path at full resolution: the emulated camera, the
// transport, the capture thread and ring, and ReadFrame into a bitmap
// buffer. Unpaced it reports frames per second (real time) and the process's
// CPU time per frame, which includes the emulator's own work; paced at the
// sensor's 36 frames/s it reports the frames lost (gaps in frame numbers),
// whose goal is zero.

#include <benchmark/benchmark.h>

#include <vector>

#include "camera/CTavixU3Q5Base.h"
#include "emulator/EmulatedPort.h"

namespace {

// One emulated camera of still frames, opened through the camera object.
struct Rig {
    explicit Rig(bool paced) : port(1, Options(paced)), installed(port)
    {
        camera.SetProductId(0x31B4);
        camera.CreateTransport(0, nullptr);
    }
    static tavix::emu::CameraOptions Options(bool paced)
    {
        tavix::emu::CameraOptions options;
        options.paced = paced;
        options.still = true;
        return options;
    }
    // Opens the camera at the pixel depth and starts streaming.
    bool Start(benchmark::State& state, uint32_t depth)
    {
        if (camera.OpenCamera(0) && camera.SetPixelDepth(depth) && camera.StartTransfer(0))
            return true;
        state.SkipWithError("the emulated camera did not start");
        return false;
    }

    tavix::emu::EmulatedPort port;
    tavix::emu::ScopedDevicePort installed;
    tavix::CTavixUSB3Q5SimpleSdk camera;
};

void CapturePath(benchmark::State& state)
{
    Rig rig(false);
    auto& camera = rig.camera;
    if (!rig.Start(state, static_cast<uint32_t>(state.range(0))))
        return;
    std::vector<uint8_t> bitmap(camera.FrameSize());
    for (auto _ : state) {
        if (camera.WaitFrame(3000) != tavix::CTavixU3Q5Base::kWaitFrameReady) {
            state.SkipWithError("no frame");
            break;
        }
        camera.ReadFrame(bitmap.data(), 1);
        benchmark::DoNotOptimize(bitmap.data());
    }
    camera.StopTransfer(1);
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bitmap.size()));
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void PacedCapture(benchmark::State& state)
{
    Rig rig(true);
    auto& camera = rig.camera;
    if (!rig.Start(state, 0))
        return;
    std::vector<uint8_t> bitmap(camera.FrameSize());
    int64_t lost = 0;
    bool first = true;
    uint32_t previous = 0;
    for (auto _ : state) {
        if (camera.WaitFrame(3000) != tavix::CTavixU3Q5Base::kWaitFrameReady) {
            state.SkipWithError("no frame");
            break;
        }
        uint32_t number = 0;
        camera.ReadFrameAll(bitmap.data(), &number, nullptr, nullptr, nullptr, nullptr, 1);
        if (!first)
            lost += static_cast<int64_t>(number - previous) - 1;
        first = false;
        previous = number;
    }
    camera.StopTransfer(1);
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

// Argument: 0 for 8-bit, 1 for 16-bit transfer.
BENCHMARK(CapturePath)->Arg(0)->Arg(1)->ArgName("sixteenBit")->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

// 300 frames: a little over 8 s of the sensor's full-size rate.
BENCHMARK(PacedCapture)->Iterations(300)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
