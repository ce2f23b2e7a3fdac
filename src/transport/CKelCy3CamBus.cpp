// Register and EEPROM access built from I2C transfers on the camera's bus.
// A register or EEPROM read is an address write and a read: the two stay
// together under a lock, and a read that brings back fewer bytes than asked
// fails rather than report a value the device never sent.

#include "platform/Clock.h"
#include "transport/CKelCy3Cam.h"
#include "transport/VendorRequests.h"

namespace tavix {

int CKelCy3Cam::WriteFpgaRegister(uint8_t reg, uint8_t value)
{
    const uint8_t bytes[3] = {reg, 0x00, value};
    std::lock_guard lock(ioLock_);
    return I2cWrite(i2c::kFpgaWrite, bytes, sizeof bytes);
}

int CKelCy3Cam::ReadFpgaRegister(uint8_t reg, uint8_t* value)
{
    if (value == nullptr)
        return 0;
    uint8_t bytes[2] = {};
    std::lock_guard lock(ioLock_);
    if (!I2cWrite(i2c::kFpgaWrite, &reg, 1) || !I2cReadWhole(i2c::kFpgaRead, bytes, sizeof bytes))
        return 0;
    *value = bytes[1];
    return 1;
}

int CKelCy3Cam::ReadFpgaWord(uint16_t* value)
{
    if (value == nullptr)
        return 0;
    uint8_t low = 0;
    uint8_t high = 0;
    if (!ReadFpgaRegister(fpga::kVersionLow, &low) || !ReadFpgaRegister(fpga::kVersionHigh, &high))
        return 0;
    *value = static_cast<uint16_t>(low | (high << 8));
    return 1;
}

int CKelCy3Cam::WriteAuxRegister(uint8_t reg, uint8_t value)
{
    const uint8_t bytes[2] = {reg, value};
    return I2cWrite(i2c::kAuxWrite, bytes, sizeof bytes);
}

int CKelCy3Cam::ReadAuxRegister(uint8_t reg, uint8_t* value)
{
    if (value == nullptr)
        return 0;
    if (!I2cWrite(i2c::kAuxWrite, &reg, 1))
        return 0;
    return I2cReadWhole(i2c::kAuxRead, value, 1);
}

int CKelCy3Cam::WriteSromByte(uint16_t address, uint8_t value)
{
    const uint8_t bytes[3] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), value};
    std::lock_guard lock(sromLock_);
    if (!I2cWrite(i2c::kSromWrite, bytes, sizeof bytes))
        return 0;
    platform::Sleep(kSromWriteSettleMs);
    return 1;
}

int CKelCy3Cam::ReadSromByte(uint16_t address, uint8_t* value)
{
    if (value == nullptr)
        return 0;
    const uint8_t bytes[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    std::lock_guard lock(sromLock_);
    if (!I2cWrite(i2c::kSromWrite, bytes, sizeof bytes))
        return 0;
    platform::Sleep(kSromReadSettleMs);
    return I2cReadWhole(i2c::kSromRead, value, 1);
}

} // namespace tavix
