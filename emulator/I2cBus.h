#pragma once
// The camera's I2C bus behind vendor requests 0x30/0x31: the FPGA's register
// port, the IMX264, the serial EEPROM and the ready device, each speaking
// its own framing, and plain register devices where the family's other
// sensors sit (the MT9 heads at 0x20 and 0x90, the Oska head at 0x42, the
// MT9F002's auxiliary device at 0x5A). A transaction that a device does not accept is not
// acknowledged; the reason is given in plain words. Not thread-safe.

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "emulator/EmulatedCamera.h"
#include "emulator/RegisterDevice.h"

namespace tavix::emu {

class Fpga;
class Imx264;
class Eeprom;

namespace i2c {
// 8-bit addresses; bit 0 set for the read form.
constexpr uint8_t kFpgaWrite = 0x40;   // 3 bytes: register, 0, value — or 1 byte: register
constexpr uint8_t kFpgaRead = 0x41;    // 2 bytes: 0, value of the selected register
constexpr uint8_t kSensor = 0x48;      // 2 bytes: address high, low (+ values to write)
constexpr uint8_t kSensorRead = 0x49;  // values from the selected address on
constexpr uint8_t kReadyDevice = 0x5E; // reads 2 bytes, first byte 0 when the sensor is ready
constexpr uint8_t kReadyDeviceRead = 0x5F;
constexpr uint8_t kEeprom = 0xA2;      // 2 bytes: address high, low (+ values to write)
constexpr uint8_t kEepromRead = 0xA3;  // bytes from the selected address on
constexpr uint8_t kMt9Sensor = 0x20;   // 2 address bytes, then 16-bit values, each high byte first
constexpr uint8_t kMt9P001Sensor = 0x90;
constexpr uint8_t kOskaHead = 0x42;    // 1 address byte, then 8-bit values
constexpr uint8_t kAuxDevice = 0x5A;   // the MT9F002 heads' auxiliary registers, framed as 0x42
} // namespace i2c

class I2cBus {
public:
    I2cBus(Fpga& fpga, Imx264& sensor, Eeprom& eeprom);
    // Power-up: address pointers cleared, ready-device polls restarted.
    void PowerUp();

    // One transaction; false when it is not acknowledged (problem says why).
    bool Write(uint8_t address, const uint8_t* data, size_t count, std::string& problem);
    bool Read(uint8_t address, uint8_t* data, size_t count, std::string& problem);

    void SetAbsent(uint8_t address, bool absent);
    void SetSensorWriteFails(uint16_t reg, bool fails);
    void SetReadyDeviceAfterPolls(int polls)
    {
        readyAfterPolls_ = polls;
        readyPolls_ = 0;
    }
    int ReadyDevicePolls() const { return readyPolls_; }

    // The plain register device at this address (either form), or null.
    RegisterDevice* DeviceAt(uint8_t address);

    const std::vector<RegisterWrite>& FpgaWrites() const { return fpgaWrites_; }
    const std::vector<RegisterWrite>& SensorWrites() const { return sensorWrites_; }
    void ClearHistory();

private:
    bool Absent(uint8_t address) const { return absent_.count(static_cast<uint8_t>(address & 0xFE)) != 0; }
    void Remember(std::vector<RegisterWrite>& history, uint16_t address, uint8_t value);

    Fpga& fpga_;
    Imx264& sensor_;
    Eeprom& eeprom_;
    uint8_t fpgaPointer_ = 0;
    uint16_t sensorPointer_ = 0;
    uint16_t eepromPointer_ = 0;
    int readyAfterPolls_ = 0;
    int readyPolls_ = 0;
    std::array<RegisterDevice, 4> devices_{RegisterDevice(i2c::kMt9Sensor, 2, 2),
                                           RegisterDevice(i2c::kMt9P001Sensor, 2, 2),
                                           RegisterDevice(i2c::kOskaHead, 1, 1), RegisterDevice(i2c::kAuxDevice, 1, 1)};
    std::set<uint8_t> absent_;
    std::set<uint16_t> failingSensorRegs_;
    std::vector<RegisterWrite> fpgaWrites_;
    std::vector<RegisterWrite> sensorWrites_;
};

} // namespace tavix::emu
