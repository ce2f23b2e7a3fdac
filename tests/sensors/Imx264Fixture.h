#pragma once
// An IMX264 driver on the real transport CKelCy3Cam over one emulated
// camera, on a warped clock so that bus polls and ready waits cost no real
// time. Register writes are read back from the emulated driver's request
// log (vendor request 0x30 to the sensor or the FPGA port, as accepted),
// register values from the emulated IMX264.

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "../support/PrivateDeviceTable.h"
#include "emulator/EmulatedPort.h"
#include "platform/Clock.h"
#include "sensors/CSensorIMX264.h"
#include "transport/CKelCy3Cam.h"

namespace tavix::test {

// The vendor request, bus addresses and FPGA registers as they travel.
constexpr uint8_t kRequestI2cWrite = 0x30;
constexpr uint8_t kSensorBus = 0x48;
constexpr uint8_t kFpgaPort = 0x40;
constexpr uint8_t kStatusWordLow = 0x10;
constexpr uint8_t kStatusWordHigh = 0x11;

struct RegisterWrite {
    uint16_t address;
    uint8_t value;
    bool operator==(const RegisterWrite&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const RegisterWrite& write)
{
    return out << std::hex << "{0x" << write.address << " <- 0x" << unsigned{write.value} << "}" << std::dec;
}

class Imx264Fixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(transport.EnumerateDevices(), 1);
        ASSERT_NE(transport.SelectDevice(0), 0);
        camera.ClearLog();
    }

    // The sensor writes since the last call (or the last ClearLog).
    std::vector<RegisterWrite> TakeWrites()
    {
        std::vector<RegisterWrite> writes = WritesTo(kSensorBus);
        camera.ClearLog();
        return writes;
    }

    // Three-byte writes the device acknowledged: register (two bytes for the
    // sensor, register and a 0 byte for the FPGA port) and value.
    std::vector<RegisterWrite> WritesTo(uint8_t busAddress)
    {
        std::vector<RegisterWrite> writes;
        for (const emu::LoggedRequest& entry : camera.Log()) {
            if (entry.hasHeader && entry.header.request == kRequestI2cWrite && entry.header.index == busAddress &&
                entry.header.value == 3 && !entry.refused && entry.error == 0 && entry.payload.size() >= 3) {
                const uint8_t* bytes = entry.payload.data();
                const uint16_t address = busAddress == kSensorBus ? bytes[0] << 8 | bytes[1] : bytes[0];
                writes.push_back({address, bytes[2]});
            }
        }
        return writes;
    }

    // A value split over consecutive registers, low byte first.
    uint32_t Registers(uint16_t lowAddress, int count)
    {
        uint32_t value = 0;
        for (int i = count - 1; i >= 0; --i) {
            value = value << 8 | camera.SensorRegister(static_cast<uint16_t>(lowAddress + i));
        }
        return value;
    }

    // What a getter delivers; it must answer 1.
    uint32_t Get(int (CSensorIMX264::*getter)(uint32_t*))
    {
        uint32_t value = 0xDEADBEEF;
        EXPECT_EQ((sensor.*getter)(&value), 1);
        return value;
    }

    // Milliseconds slept through the clock since the last call.
    uint64_t TakeSlept()
    {
        const uint64_t slept = clock.SleptMilliseconds() - sleptBefore_;
        sleptBefore_ += slept;
        return slept;
    }

    void SetSensorAcknowledges(bool acknowledges) { camera.SetI2cDeviceAbsent(kSensorBus, !acknowledges); }

    void SetStatusWord(uint16_t word)
    {
        camera.SetFpgaRegister(kStatusWordLow, static_cast<uint8_t>(word));
        camera.SetFpgaRegister(kStatusWordHigh, static_cast<uint8_t>(word >> 8));
    }

    platform::WarpClock clock;
    platform::ScopedClock useClock{clock};
    PrivateDeviceTable table;
    emu::EmulatedPort port{1};
    emu::ScopedDevicePort installed{port};
    emu::EmulatedCamera& camera = port.Camera(0);
    CKelCy3Cam transport;
    CSensorIMX264 sensor{&transport, kSensorBus};

private:
    uint64_t sleptBefore_ = 0;
};

} // namespace tavix::test
