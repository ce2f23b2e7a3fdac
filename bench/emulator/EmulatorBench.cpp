// Unpaced delivery of full 2448 × 2048 8-bit frames through the device
// port, the way the transport reads them: request 0xC2 arms a frame, a
// 64-byte direct read takes its information block, and the payload follows
// in 512 KiB direct reads. The emulator must stay well above 200 frames/s
// so that it never limits the SDK's own benchmarks.

#include <benchmark/benchmark.h>

#include "DriverClient.h"
#include "emulator/EmulatedPort.h"

namespace {

void DeliverFrames(benchmark::State& state, bool still, bool sixteenBit)
{
    tavix::emu::CameraOptions options;
    options.paced = false;
    options.still = still;
    tavix::emu::EmulatedPort port(1, options);
    tavix::test::DriverClient client(port, port.Camera(0).InterfacePath());
    if (!client.SetFormat(2448, 2048, sixteenBit)) {
        state.SkipWithError("format not accepted");
        return;
    }
    std::vector<uint8_t> info, payload;
    client.ReadFrame(info, payload); // renders the static picture once
    for (auto _ : state) {
        if (!client.ReadFrame(info, payload)) {
            state.SkipWithError("frame not delivered");
            break;
        }
        benchmark::DoNotOptimize(payload.data());
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(payload.size()));
}

void BM_FullFrame8BitMoving(benchmark::State& state) { DeliverFrames(state, false, false); }
void BM_FullFrame8BitStill(benchmark::State& state) { DeliverFrames(state, true, false); }
void BM_FullFrame16BitMoving(benchmark::State& state) { DeliverFrames(state, false, true); }

} // namespace

BENCHMARK(BM_FullFrame8BitMoving)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullFrame8BitStill)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FullFrame16BitMoving)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
