#pragma once
// A camera object on the real transport over one or more emulated cameras.

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "camera/CTavixU3Q5Base.h"
#include "emulator/EmulatedPort.h"
#include "../support/PrivateDeviceTable.h"
#include "../support/WireFormat.h"

namespace tavix::test {

// The vendor request that carries FPGA register traffic, its port, and the
// FPGA register whose pulse restarts the sensor.
constexpr uint8_t kRequestI2cWrite = 0x30;
constexpr uint16_t kFpgaPort = 0x40;
constexpr uint8_t kSensorRestart = 108;

inline emu::CameraOptions Unpaced()
{
    emu::CameraOptions options;
    options.paced = false;
    options.still = true;
    return options;
}

class CameraRig {
public:
    explicit CameraRig(const emu::CameraOptions& options = Unpaced(), int cameras = 1)
        : port(cameras, options), installed(port)
    {
    }

    // SetProductId, CreateTransport and OpenCamera as the camera instance does.
    int Open(int32_t deviceNumber = 0, uint32_t productId = 0x31B4)
    {
        camera.SetProductId(productId);
        camera.CreateTransport(0, nullptr);
        return camera.OpenCamera(deviceNumber);
    }

    emu::EmulatedCamera& Emulated(int index = 0) { return port.Camera(index); }

    // FPGA writes of one register, in order.
    std::vector<uint8_t> FpgaWritesTo(uint8_t reg)
    {
        std::vector<uint8_t> values;
        for (const auto& write : Emulated().FpgaWrites())
            if (write.address == reg)
                values.push_back(write.value);
        return values;
    }

    size_t CountRequests(uint32_t controlCode)
    {
        const auto log = Emulated().Log();
        return std::count_if(log.begin(), log.end(), [&](const auto& e) { return e.controlCode == controlCode; });
    }

    // For every pipe reset in the log, whether the next two FPGA register
    // writes pulsed the sensor restart: 1 then 0.
    std::vector<bool> RestartsAfterPipeResets()
    {
        const auto log = Emulated().Log();
        std::vector<bool> restarts;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].controlCode != codes::kResetPipe)
                continue;
            using Write = std::pair<uint8_t, uint8_t>; // register, value
            std::vector<Write> writes;
            for (size_t j = i + 1; j < log.size() && writes.size() < 2; ++j)
                if (ToFpgaPort(log[j], 3))
                    writes.emplace_back(log[j].payload[0], log[j].payload[2]);
            restarts.push_back(writes == std::vector<Write>{{kSensorRestart, 1}, {kSensorRestart, 0}});
        }
        return restarts;
    }

    // A vendor request of `bytes` bytes to the FPGA port: 3 for a register
    // write, 1 for the number of a register about to be read.
    static bool ToFpgaPort(const emu::LoggedRequest& entry, uint16_t bytes)
    {
        return entry.hasHeader && entry.header.request == kRequestI2cWrite && entry.header.index == kFpgaPort &&
               entry.header.value == bytes;
    }

private:
    PrivateDeviceTable table_; // every rig starts from an empty table of its own

public:
    emu::EmulatedPort port;
    emu::ScopedDevicePort installed;
    CTavixUSB3Q5SimpleSdk camera; // destroyed first: it shuts the camera down
};

} // namespace tavix::test
