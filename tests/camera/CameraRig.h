#pragma once
// A camera object on the real transport over one or more emulated cameras.

#include <cstdint>
#include <vector>

#include "camera/CTavixU3Q5Base.h"
#include "emulator/EmulatedPort.h"
#include "../support/PrivateDeviceTable.h"

namespace tavix::test {

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
    std::vector<uint8_t> FpgaWritesTo(uint8_t reg, int index = 0)
    {
        std::vector<uint8_t> values;
        for (const auto& write : Emulated(index).FpgaWrites())
            if (write.address == reg)
                values.push_back(write.value);
        return values;
    }

    size_t CountRequests(uint32_t controlCode, int index = 0)
    {
        size_t count = 0;
        for (const auto& entry : Emulated(index).Log())
            count += entry.controlCode == controlCode ? 1 : 0;
        return count;
    }

    // For every pipe reset in the log, whether the next two FPGA register
    // writes pulsed register 108 (the sensor restart): 1 then 0.
    std::vector<bool> RestartsAfterPipeResets(int index = 0)
    {
        constexpr uint32_t kResetPipe = 0x22002C;
        constexpr uint8_t kI2cWrite = 0x30;
        constexpr uint16_t kFpgaPort = 0x40;
        const auto log = Emulated(index).Log();
        std::vector<bool> restarts;
        for (size_t i = 0; i < log.size(); ++i) {
            if (log[i].controlCode != kResetPipe)
                continue;
            std::vector<std::pair<uint8_t, uint8_t>> writes;
            for (size_t j = i + 1; j < log.size() && writes.size() < 2; ++j) {
                const auto& e = log[j];
                if (e.hasHeader && e.header.request == kI2cWrite && e.header.index == kFpgaPort && e.header.value == 3)
                    writes.emplace_back(e.payload[0], e.payload[2]);
            }
            restarts.push_back(writes.size() == 2 && writes[0] == std::make_pair<uint8_t, uint8_t>(108, 1) &&
                               writes[1] == std::make_pair<uint8_t, uint8_t>(108, 0));
        }
        return restarts;
    }

private:
    PrivateDeviceTable table_; // every rig starts from an empty table of its own

public:
    emu::EmulatedPort port;
    emu::ScopedDevicePort installed;
    CTavixUSB3Q5SimpleSdk camera; // destroyed first: it shuts the camera down
};

} // namespace tavix::test
