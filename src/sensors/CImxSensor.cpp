#include "sensors/CImxSensor.h"

#include "sensors/ImxBus.h"
#include "sensors/ImxRegisters.h"

namespace tavix {

namespace {
// The black level is 12 bits: the low byte, then bits 8-11.
constexpr int32_t kBlackLevelMax = 0xFFF;
constexpr uint32_t kBlackLevelHighMask = 0x0F;
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
    return imx::WriteRegister(transport_, busAddress_, registerLock_, address, value);
}

int CImxSensor::ReadRegister(uint32_t address, uint32_t* value)
{
    return imx::ReadRegister(transport_, busAddress_, registerLock_, address, value);
}

int CImxSensor::WriteRegisterWhenIdle(uint32_t address, uint32_t value)
{
    return imx::WhenBusIdle(transport_, imx::kWriteIdlePollMs, [&] { return WriteRegister(address, value); });
}

int CImxSensor::ReadRegisterWhenIdle(uint32_t address, uint32_t* value)
{
    if (value == nullptr) {
        return 0;
    }
    return imx::WhenBusIdle(transport_, imx::kReadIdlePollMs, [&] { return ReadRegister(address, value); });
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
