#include "sensors/CImxSensor.h"

#include "platform/Clock.h"
#include "sensors/ImxRegisters.h"
#include "transport/CControllerBase.h"

namespace tavix {

namespace {
constexpr int kIdleAttempts = 100;
constexpr uint32_t kWriteIdlePollMs = 10;
constexpr uint32_t kReadIdlePollMs = 3;
// The black level is 12 bits: the low byte, then bits 8-11.
constexpr int32_t kBlackLevelMax = 0xFFF;
constexpr uint32_t kBlackLevelHighMask = 0x0F;

void SleepFine(uint32_t milliseconds)
{
    platform::TimerResolutionScope fine;
    platform::Sleep(milliseconds);
}
} // namespace

CImxSensor::CImxSensor(CControllerBase* transport, uint8_t busAddress, SensorModel model)
    : CCatalogueSensor(transport, busAddress, model)
{
}

void CImxSensor::SupportBlackLevel()
{
    info_.blackLevel = SensorRange{0, kBlackLevelMax, imx::kBlackLevelInitLow, imx::kBlackLevelInitLow, 1};
}

int CImxSensor::WriteRegister(uint32_t address, uint32_t value)
{
    std::lock_guard<std::mutex> lock(registerLock_);
    // The sensor needs a breath between two writes; holding the lock over
    // it keeps another thread's write from slipping in early.
    platform::Sleep(1);
    if (transport_ == nullptr) {
        return 0;
    }
    const uint8_t bytes[3] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address),
                              static_cast<uint8_t>(value)};
    return transport_->I2cWrite(busAddress_, bytes, 3) != 0 ? 1 : 0;
}

int CImxSensor::ReadRegister(uint32_t address, uint32_t* value)
{
    std::lock_guard<std::mutex> lock(registerLock_);
    if (transport_ == nullptr || value == nullptr) {
        return 0;
    }
    const uint8_t bytes[2] = {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address)};
    uint8_t byte = 0;
    if (transport_->I2cWrite(busAddress_, bytes, 2) == 0 || transport_->I2cRead(busAddress_, &byte, 1) == 0) {
        return 0;
    }
    *value = byte;
    return 1;
}

int CImxSensor::WriteRegisterWhenIdle(uint32_t address, uint32_t value)
{
    if (transport_ == nullptr) {
        return 0;
    }
    for (int attempt = 0; attempt < kIdleAttempts; ++attempt) {
        uint8_t busy = 0xFF;
        if (transport_->ReadFpgaRegister(imx::kFpgaBusStatus, &busy) != 0 && busy == 0 &&
            WriteRegister(address, value) != 0) {
            return 1;
        }
        SleepFine(kWriteIdlePollMs);
    }
    return 0;
}

int CImxSensor::ReadRegisterWhenIdle(uint32_t address, uint32_t* value)
{
    if (transport_ == nullptr || value == nullptr) {
        return 0;
    }
    for (int attempt = 0; attempt < kIdleAttempts; ++attempt) {
        uint8_t busy = 0xFF;
        uint32_t read = 0;
        if (transport_->ReadFpgaRegister(imx::kFpgaBusStatus, &busy) != 0 && busy == 0 &&
            ReadRegister(address, &read) != 0) {
            *value = read;
            return 1;
        }
        SleepFine(kReadIdlePollMs);
    }
    return 0;
}

int CImxSensor::SetBlackLevel(uint32_t value)
{
    if (info_.blackLevel.supported == 0 || value < static_cast<uint32_t>(info_.blackLevel.minimum) ||
        value > static_cast<uint32_t>(info_.blackLevel.maximum)) {
        return 0;
    }
    if (WriteRegisterWhenIdle(imx::kBlackLevelLow, value & 0xFF) == 0 ||
        WriteRegisterWhenIdle(imx::kBlackLevelHigh, (value >> 8) & kBlackLevelHighMask) == 0) {
        return 0;
    }
    info_.blackLevel.current = static_cast<int32_t>(value);
    return 1;
}

int CImxSensor::GetBlackLevel(uint32_t* value)
{
    if (info_.blackLevel.supported == 0) {
        return CCatalogueSensor::GetBlackLevel(value);
    }
    uint32_t low = 0;
    uint32_t high = 0;
    if (value == nullptr || ReadRegisterWhenIdle(imx::kBlackLevelLow, &low) == 0 ||
        ReadRegisterWhenIdle(imx::kBlackLevelHigh, &high) == 0) {
        return 0;
    }
    *value = low | (high & kBlackLevelHighMask) << 8;
    info_.blackLevel.current = static_cast<int32_t>(*value);
    return 1;
}

} // namespace tavix
