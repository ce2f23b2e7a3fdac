// ReadFrameInfo + ReadFrameData of full 2448 × 2048 frames, 8 and 16 bits
// per sample, from an emulated camera that delivers at once: what the
// transport (and the emulated driver behind it) costs per frame.

#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "emulator/EmulatedPort.h"
#include "emulator/Fpga.h"
#include "platform/SharedMemory.h"
#include "transport/CKelCy3Cam.h"
#include "transport/SharedDeviceTable.h"

namespace {

void ReadFullFrames(benchmark::State& state)
{
    const bool sixteenBit = state.range(0) == 16;
    std::random_device random;
    const std::string table = "U3Q5-MemMap-bench-" + std::to_string(random());
    tavix::SharedDeviceTable::Instance().SetMappingName(table);

    tavix::emu::CameraOptions options;
    options.paced = false;
    tavix::emu::EmulatedPort port(1, options);
    tavix::emu::ScopedDevicePort installed(port);
    // The sensor as the camera's open sequence leaves it: running.
    port.Camera(0).SetFpgaRegister(tavix::emu::fpga::kRegSensorEnable, 1);
    if (sixteenBit)
        port.Camera(0).SetFpgaRegister(tavix::emu::fpga::kRegPixelDepth, tavix::emu::fpga::kDepth16);
    {
        tavix::CKelCy3Cam cam;
        if (cam.EnumerateDevices() != 1 || !cam.SelectDevice(0) || !cam.PrepareTransfers() || !cam.OpenStream()) {
            state.SkipWithError("the emulated camera did not open");
            return;
        }
        const uint32_t frameBytes = 2448u * 2048u * (sixteenBit ? 2u : 1u);
        std::vector<uint8_t> buffer(frameBytes);
        tavix::TransferRequest request{};
        request.buffer = buffer.data();
        request.capacity = frameBytes;
        for (auto _ : state) {
            if (!cam.ReadFrameInfo(&request) || !cam.ReadFrameData(&request, 3000)) {
                state.SkipWithError("a frame failed");
                break;
            }
            benchmark::DoNotOptimize(buffer.data());
            benchmark::ClobberMemory();
        }
        state.SetItemsProcessed(state.iterations());
        state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * frameBytes);
        state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    }
    tavix::platform::SharedMemory::Remove(table.c_str());
    tavix::SharedDeviceTable::Instance().SetMappingName(tavix::kSharedTableName);
}

BENCHMARK(ReadFullFrames)->Arg(8)->Arg(16)->ArgName("bits")->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
