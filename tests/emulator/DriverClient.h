#pragma once
// A minimal driver client for the emulator's own tests and benchmark: it
// builds the driver's records byte by byte from their documented layout
// (deliberately not from the emulator's code) and sends them through a
// device port the way the SDK's transport does.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "emulator/EmulatedCamera.h"
#include "platform/DeviceIo.h"
#include "../support/WireFormat.h"

namespace tavix::test {

// Options of a camera that sends its frames at once.
inline emu::CameraOptions Unpaced()
{
    emu::CameraOptions options;
    options.paced = false;
    return options;
}

class DriverClient {
public:
    // I2C devices with 16-bit register addresses.
    static constexpr uint8_t kSensor = 0x48;
    static constexpr uint8_t kEeprom = 0xA2;

    DriverClient(platform::DevicePort& port, std::string path) : port_(port), path_(std::move(path)) {}

    // One request on a fresh control handle.
    platform::IoStatus Send(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize);
    platform::IoStatus Vendor(uint8_t type, uint8_t request, uint16_t value, uint16_t index,
                              const std::vector<uint8_t>& payload = {})
    {
        auto record = VendorRecord(type, request, value, index, payload);
        return Send(codes::kEp0, record.data(), 102, record.data(), 102);
    }

    bool I2cWrite(uint8_t address, const std::vector<uint8_t>& bytes)
    {
        return Vendor(kOut, 0x30, static_cast<uint16_t>(bytes.size()), address, bytes).accepted;
    }
    // Register writes take the low byte of `value`.
    bool WriteFpga(uint8_t reg, uint32_t value) { return I2cWrite(0x40, {reg, 0, static_cast<uint8_t>(value)}); }
    // A register of the sensor or a cell of the EEPROM: address high, low.
    bool WriteAt(uint8_t device, uint16_t address, uint32_t value)
    {
        return I2cWrite(device, {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                                 static_cast<uint8_t>(value)});
    }
    bool ReadAt(uint8_t device, uint16_t address, uint8_t& value);
    bool WriteSensor(uint16_t address, uint32_t value) { return WriteAt(kSensor, address, value); }
    bool ReadSensor(uint16_t address, uint8_t& value) { return ReadAt(kSensor, address, value); }
    bool WriteEeprom(uint16_t address, uint32_t value) { return WriteAt(kEeprom, address, value); }
    bool ReadEeprom(uint16_t address, uint8_t& value) { return ReadAt(kEeprom, address, value); }

    // FPGA format registers (width, height, 0x3C depth, 0x48 code 11), and
    // the sensor enabled (96), as the camera's open sequence leaves them.
    bool SetFormat(uint32_t width, uint32_t height, bool sixteenBit);
    // The sensor window registers the way the IMX264 driver writes them
    // for (x, width, y, height, mode); the FPGA format to match.
    bool SetWindow(uint32_t x, uint32_t width, uint32_t y, uint32_t height, int mode, bool sixteenBit);

    // The long-lived overlapped stream handle (opened on first use), and
    // the start request on it that arms a frame.
    platform::DeviceHandle* Stream()
    {
        if (!stream_)
            stream_ = port_.Open(path_, true);
        return stream_.get();
    }
    bool Arm()
    {
        auto record = VendorRecord(kOutEndpoint, 0xC2, 0, 0);
        return Stream() != nullptr && Stream()->Control(codes::kEp0, record.data(), 102, record.data(), 102).accepted;
    }
    // A direct read on the stream handle, waited for at most timeoutMs.
    // False when refused, timed out (then aborted) or failed; `count` is
    // the byte count, `header` the header after completion.
    bool ReadDirect(uint8_t endpoint, uint8_t* data, uint32_t length, uint32_t timeoutMs, uint32_t* count = nullptr,
                    std::array<uint8_t, 38>* header = nullptr);
    // Arms a frame, reads its information block and its payload in pieces.
    bool ReadFrame(std::vector<uint8_t>& info, std::vector<uint8_t>& payload, uint32_t piece = 0x80000);

private:
    platform::DevicePort& port_;
    std::string path_;
    std::unique_ptr<platform::DeviceHandle> stream_;
};

} // namespace tavix::test
