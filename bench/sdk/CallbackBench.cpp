// The whole callback path as an application sees it, through the exported
// functions: the emulated camera at full resolution, the capture thread,
// the preview thread's conversion to 24-bit colour and the copy into the
// application's buffer, announced by one message per frame. Unpaced it
// reports the frames delivered per second and the process's CPU time per
// frame (the emulator's work included); paced at the sensor's 36 frames/s
// it reports the frames lost: frames the camera produced during the run
// that never reached the application, whose goal is zero.

#include <benchmark/benchmark.h>

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "TavixSdk.h"
#include "emulator/EmulatedPort.h"

namespace {

// Counts the frame messages as the library posts them (Linux's sink runs on
// the posting thread).
class FrameCounter {
public:
    FrameCounter() { TavixLinux_SetMessageSink(&FrameCounter::Sink, this); }
    ~FrameCounter() { TavixLinux_SetMessageSink(nullptr, nullptr); }

    // Waits for the next frame; false after 3 s without one.
    bool Next()
    {
        std::unique_lock lock(lock_);
        const uint64_t seen = taken_;
        if (!arrived_.wait_for(lock, std::chrono::seconds(3), [&] { return frames_ > seen; }))
            return false;
        ++taken_;
        return true;
    }
    uint64_t Frames()
    {
        std::lock_guard lock(lock_);
        return frames_;
    }

private:
    static void Sink(void* context, TavixWindow, uint32_t message, uintptr_t wParam, intptr_t)
    {
        auto* self = static_cast<FrameCounter*>(context);
        if (message != TAVIX_WM_FRAME || wParam == 0)
            return;
        std::lock_guard lock(self->lock_);
        ++self->frames_;
        self->arrived_.notify_one();
    }
    std::mutex lock_;
    std::condition_variable arrived_;
    uint64_t frames_ = 0;
    uint64_t taken_ = 0;
};

void CallbackPath(benchmark::State& state, bool paced, int32_t waitTime)
{
    // Settings of this run only: the instance reads and writes its store.
    char directory[] = "/tmp/tavix-bench-XXXXXX";
    if (mkdtemp(directory) != nullptr)
        setenv("XDG_CONFIG_HOME", directory, 1);
    tavix::emu::CameraOptions options;
    options.paced = paced;
    options.still = true;
    tavix::emu::EmulatedPort port(1, options);
    tavix::emu::ScopedDevicePort installed(port);
    FrameCounter counter;
    const uint32_t handle = Tavix_Initialize(nullptr);
    std::vector<uint8_t> buffer(2448 * 2048 * 3);
    if (Tavix_SetColorMode(handle, 24) != 1 || Tavix_SetWaitTime(handle, waitTime) != 1 ||
        Tavix_SetPreviewWindow(handle, nullptr, 0, 0, 0, 0) != 1 ||
        Tavix_CallBackPreview(handle, &counter, buffer.data(), static_cast<int32_t>(buffer.size()), 1) != 1) {
        state.SkipWithError("the preview did not start");
        Tavix_Release(handle);
        return;
    }
    counter.Next(); // the first frame opens the count
    const uint32_t firstProduced = port.Camera(0).NextFrameNumber();
    const uint64_t firstDelivered = counter.Frames();
    for (auto _ : state) {
        if (!counter.Next()) {
            state.SkipWithError("no frame");
            break;
        }
    }
    const uint32_t produced = port.Camera(0).NextFrameNumber() - firstProduced;
    const uint64_t delivered = counter.Frames() - firstDelivered;
    Tavix_Release(handle);
    state.counters["fps"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    // A frame in flight at either end may count as produced but not yet
    // delivered: a loss shows as more than one.
    state.counters["lost"] = produced > delivered ? static_cast<double>(produced - delivered) : 0.0;
    std::string remove = std::string("rm -rf ") + directory;
    std::system(remove.c_str());
}

void Unpaced(benchmark::State& state) { CallbackPath(state, false, static_cast<int32_t>(state.range(0))); }
void Paced(benchmark::State& state) { CallbackPath(state, true, 1); }

} // namespace

// Argument: the wait time in milliseconds (1 is what a first run stores).
BENCHMARK(Unpaced)->Arg(0)->Arg(1)->ArgName("waitTime")->Iterations(300)->UseRealTime()->MeasureProcessCPUTime()
    ->Unit(benchmark::kMillisecond);
// 1000 frames: about 28 s of the sensor's full-size rate.
BENCHMARK(Paced)->Iterations(1000)->UseRealTime()->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
