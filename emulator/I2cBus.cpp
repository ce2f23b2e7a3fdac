#include "emulator/I2cBus.h"

#include <cstdio>

#include "emulator/Eeprom.h"
#include "emulator/Fpga.h"
#include "emulator/Imx264.h"

namespace tavix::emu {

namespace {
constexpr size_t kHistoryLimit = 1u << 18;

std::string Describe(const char* format, unsigned value)
{
    char text[128];
    std::snprintf(text, sizeof text, format, value);
    return text;
}
} // namespace

I2cBus::I2cBus(Fpga& fpga, Imx264& sensor, Eeprom& eeprom) : fpga_(fpga), sensor_(sensor), eeprom_(eeprom) {}

void I2cBus::PowerUp()
{
    fpgaPointer_ = 0;
    sensorPointer_ = 0;
    eepromPointer_ = 0;
    readyPolls_ = 0;
    for (RegisterDevice& device : devices_)
        device.PowerUp();
}

RegisterDevice* I2cBus::DeviceAt(uint8_t address)
{
    for (RegisterDevice& device : devices_)
        if (device.BusAddress() == (address & 0xFE))
            return &device;
    return nullptr;
}

void I2cBus::SetAbsent(uint8_t address, bool absent)
{
    if (absent)
        absent_.insert(static_cast<uint8_t>(address & 0xFE));
    else
        absent_.erase(static_cast<uint8_t>(address & 0xFE));
}

void I2cBus::SetSensorWriteFails(uint16_t reg, bool fails)
{
    if (fails)
        failingSensorRegs_.insert(reg);
    else
        failingSensorRegs_.erase(reg);
}

void I2cBus::ClearHistory()
{
    fpgaWrites_.clear();
    sensorWrites_.clear();
}

void I2cBus::Remember(std::vector<RegisterWrite>& history, uint16_t address, uint8_t value)
{
    if (history.size() >= kHistoryLimit)
        history.erase(history.begin(), history.begin() + kHistoryLimit / 2);
    history.push_back({address, value});
}

bool I2cBus::Write(uint8_t address, const uint8_t* data, size_t count, std::string& problem)
{
    if (Absent(address)) {
        problem = Describe("I2C device 0x%02X does not acknowledge", address);
        return false;
    }
    switch (address) {
    case i2c::kFpgaWrite:
        if (count == 1) {
            fpgaPointer_ = data[0];
            return true;
        }
        if (count == 3) {
            if (data[1] != 0) {
                problem = Describe("FPGA register write with high byte 0x%02X (must be 0)", data[1]);
                return false;
            }
            fpgaPointer_ = data[0];
            fpga_.Write(data[0], data[2]);
            Remember(fpgaWrites_, data[0], data[2]);
            return true;
        }
        problem = Describe("FPGA register port takes 1 or 3 bytes, not %u", static_cast<unsigned>(count));
        return false;
    case i2c::kSensor:
        if (count < 2) {
            problem = "IMX264 write without a 16-bit register address";
            return false;
        }
        sensorPointer_ = static_cast<uint16_t>((data[0] << 8) | data[1]);
        for (size_t i = 2; i < count; ++i) {
            if (failingSensorRegs_.count(sensorPointer_) != 0) {
                problem = Describe("IMX264 does not acknowledge the write of register 0x%04X", sensorPointer_);
                return false;
            }
            sensor_.Write(sensorPointer_, data[i]);
            Remember(sensorWrites_, sensorPointer_, data[i]);
            ++sensorPointer_;
        }
        return true;
    case i2c::kEeprom:
        if (count < 2) {
            problem = "EEPROM write without a 16-bit address";
            return false;
        }
        eepromPointer_ = static_cast<uint16_t>((data[0] << 8) | data[1]);
        for (size_t i = 2; i < count; ++i)
            eeprom_.Write(eepromPointer_++, data[i]);
        return true;
    default:
        break;
    }
    RegisterDevice* device = DeviceAt(address);
    if (device != nullptr && (address & 1) == 0) {
        if (device->Write(data, count))
            return true;
        problem = Describe("register device 0x%02X written without a whole address and values", address);
        return false;
    }
    if ((address & 1) != 0)
        problem = Describe("I2C write to the read address 0x%02X", address);
    else
        problem = Describe("no I2C device writable at 0x%02X", address);
    return false;
}

bool I2cBus::Read(uint8_t address, uint8_t* data, size_t count, std::string& problem)
{
    if (Absent(address)) {
        problem = Describe("I2C device 0x%02X does not acknowledge", address);
        return false;
    }
    switch (address) {
    case i2c::kFpgaRead:
        // Each register travels as two bytes, the high one always 0.
        for (size_t i = 0; i < count; ++i) {
            if ((i & 1) == 0)
                data[i] = 0;
            else
                data[i] = fpga_.Read(fpgaPointer_++);
        }
        return true;
    case i2c::kSensorRead:
        for (size_t i = 0; i < count; ++i)
            data[i] = sensor_.Read(sensorPointer_++);
        return true;
    case i2c::kEepromRead:
        for (size_t i = 0; i < count; ++i)
            data[i] = eeprom_.Read(eepromPointer_++);
        return true;
    case i2c::kReadyDeviceRead: {
        ++readyPolls_;
        const bool ready = readyAfterPolls_ != kNever && readyPolls_ > readyAfterPolls_;
        for (size_t i = 0; i < count; ++i)
            data[i] = 0;
        data[0] = ready ? 0 : 1;
        return true;
    }
    default:
        break;
    }
    RegisterDevice* device = DeviceAt(address);
    if (device != nullptr && (address & 1) != 0) {
        device->Read(data, count);
        return true;
    }
    if ((address & 1) == 0)
        problem = Describe("I2C read from the write address 0x%02X", address);
    else
        problem = Describe("no I2C device readable at 0x%02X", address);
    return false;
}

} // namespace tavix::emu
