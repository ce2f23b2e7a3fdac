#pragma once
// The FX3 controller's firmware: it answers the vendor requests of endpoint
// 0 — the I2C bus, the information blocks, the GPIO 25 ready level, frame
// arming — and owns the devices behind it. Requests arrive already decoded
// from their 102-byte record; the firmware checks their value, index and
// data against what each request carries. Not thread-safe.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>

#include "emulator/EmulatedCamera.h"
#include "emulator/Eeprom.h"
#include "emulator/Fpga.h"
#include "emulator/FrameSource.h"
#include "emulator/I2cBus.h"
#include "emulator/Imx264.h"

namespace tavix::emu {

namespace driver {
struct TransferHeader;
}

struct VendorOutcome {
    bool accepted = false;
    uint32_t replyBytes = 0; // data bytes the device sent back (IN requests)
    std::string problem;     // why it was refused (a stalled control pipe)
};

class Fx3Firmware {
public:
    Fx3Firmware(const CameraOptions& options, FrameSource& frames);
    // Power-up of the camera: registers and polls back to their start.
    void PowerUp();

    // Executes one vendor request; `data` is the record's 64-byte data area
    // (read for OUT requests), `reply` receives IN data.
    VendorOutcome Handle(const driver::TransferHeader& header, const uint8_t* data, uint8_t* reply,
                         std::chrono::steady_clock::time_point now);

    // The frame settings the registers give now.
    FrameSettings CurrentFrameSettings() const;
    // Whether the sensor and the FPGA deliver frames (see Fpga::Producing).
    bool SensorProducing() const { return fpga_.Producing(); }

    Fpga& GetFpga() { return fpga_; }
    Imx264& Sensor() { return sensor_; }
    Eeprom& GetEeprom() { return eeprom_; }
    I2cBus& Bus() { return bus_; }

    std::array<uint8_t, 64> infoBlock{};
    std::array<uint8_t, 64> infoBlockB1{};
    std::map<uint16_t, uint16_t> sensorWords;
    std::map<uint16_t, uint32_t> controllerRegisters;
    uint8_t commandByte = 0;
    bool still = false;
    uint32_t noiseAmplitude = 0;
    uint32_t noiseSeed = 0;

    void SetReadiness(const Readiness& readiness);
    const Readiness& GetReadiness() const { return readiness_; }
    int Gpio25Polls() const { return gpio25Polls_; }
    // The next reply to `request` carries only `bytes` data bytes.
    void ShortenNextReply(uint8_t request, uint32_t bytes) { shortReplies_[request] = bytes; }

private:
    VendorOutcome I2cWrite(const driver::TransferHeader& header, const uint8_t* data);
    VendorOutcome I2cRead(const driver::TransferHeader& header, uint8_t* reply);

    Fpga fpga_;
    Imx264 sensor_;
    Eeprom eeprom_;
    I2cBus bus_;
    FrameSource& frames_;
    Readiness readiness_;
    int gpio25Polls_ = 0;
    std::map<uint8_t, uint32_t> shortReplies_;
};

} // namespace tavix::emu
